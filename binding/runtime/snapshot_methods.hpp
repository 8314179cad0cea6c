#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <span>
#include <utility>

#include "borrow.hpp"
#include "exceptions.hpp"
#include "py_ref.hpp"
#include "snapshot/copy.hpp"
#include "snapshot/snapshot.hpp"
#include "snapshot_module.hpp"

// Pickle and copy support for a class whose objects hold `Core core` and
// `BorrowFlag borrow`: __reduce__ (a snapshot and the module-level loader),
// __copy__ and __deepcopy__ (a copy of the core object with its state; a
// core object holds no Python references, so both copies are the same).
// `Type` is the class's type object, `Wrap` makes a new object of it around
// a core object (nullptr with an error set).
namespace zerak::py {

template <class Object, class Core, PyTypeObject** Type, PyObject* (*Wrap)(Core&&)>
struct SnapshotMethods {
  static PyObject* reduce(PyObject* self, PyObject*) {
    ZERAK_PY_TRY
    Ref bytes(save(self));
    if (!bytes) return nullptr;
    return Py_BuildValue("O(O)", snapshot_loader(), bytes.get());
    ZERAK_PY_CATCH
  }

  static PyObject* copy(PyObject* self, PyObject*) {
    ZERAK_PY_TRY
    if (!Py_IS_TYPE(self, *Type)) return PyErr_BadArgument(), nullptr;
    Object* obj = reinterpret_cast<Object*>(self);
    SharedBorrow borrow(obj->borrow);
    if (!borrow) return nullptr;
    Result<Core> copied = snapshot::copy_of(obj->core);
    if (!copied) return raise(copied.error());
    return Wrap(std::move(copied).value());
    ZERAK_PY_CATCH
  }

  static PyObject* deepcopy(PyObject* self, PyObject*) { return copy(self, nullptr); }

  static PyObject* save(PyObject* self) {
    ZERAK_PY_TRY
    if (!Py_IS_TYPE(self, *Type)) return PyErr_BadArgument(), nullptr;
    Object* obj = reinterpret_cast<Object*>(self);
    SharedBorrow borrow(obj->borrow);
    if (!borrow) return nullptr;
    const snapshot::Bytes bytes = snapshot::save(obj->core);
    return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(bytes.data()),
                                     Py_ssize_t(bytes.size()));
    ZERAK_PY_CATCH
  }

  static PyObject* load(std::span<const std::uint8_t> bytes) {
    ZERAK_PY_TRY
    Result<Core> loaded = snapshot::load<Core>(bytes);
    if (!loaded) return raise_snapshot_error(loaded.error());
    return Wrap(std::move(loaded).value());
    ZERAK_PY_CATCH
  }

  // The three method-table entries: __reduce__, __copy__, __deepcopy__.
  static PyMethodDef reduce_def() {
    return {"__reduce__", &reduce, METH_NOARGS, "__reduce__($self)\n--\n\nSupport for pickle."};
  }
  static PyMethodDef copy_def() {
    return {"__copy__", &copy, METH_NOARGS,
            "__copy__($self)\n--\n\nA copy with the same configuration and state."};
  }
  static PyMethodDef deepcopy_def() {
    return {"__deepcopy__", &deepcopy, METH_O,
            "__deepcopy__($self, memo, /)\n--\n\nA copy with the same configuration and state."};
  }

  // Announces the class to zerak.snapshot (while module initialisation creates it).
  static void announce(std::string_view tag) { add_snapshot_class({tag, *Type, &save, &load}); }
};

}  // namespace zerak::py
