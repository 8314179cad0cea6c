#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace zerak::py {

// Which library made `obj`, if it is a frame or an Arrow stream: the
// pipelines read bars and columns by position, so a frame needs a word on how
// to pass it by name.
enum class FrameKind { None, Pandas, Polars, PolarsLazy, Pyarrow, ArrowStream };
FrameKind frame_kind(PyObject* obj) noexcept;

// How to hand a frame to one method: by name ("zerak.research_frame(pipeline,
// frame)") or by position (an expression giving the array it reads).
struct FrameAdvice {
  const char* by_name;
  const char* by_position;
};

// With an exception set and `data` a frame, adds a note to the exception
// with the advice; the exception itself is left as it was.
void note_frame_error(PyObject* data, const FrameAdvice& advice) noexcept;

// A polars DataFrame or a pyarrow Table hands out its columns by position,
// so a method that reads bars would take each column as a bar; any other
// Arrow stream but a pandas frame (whose own errors speak) is read by name
// only. Raises TypeError (with the note) and returns false for one; true for
// anything else.
bool reject_column_iterating_frame(PyObject* data, const FrameAdvice& advice) noexcept;

}  // namespace zerak::py
