"""Data frames in and out of pipelines, columns taken by name.

``research_frame`` and ``label_frame`` read the pipeline's input columns from
any data frame that narwhals reads (pandas, polars eager or lazy, pyarrow,
modin, DuckDB, ...), from any object with ``__arrow_c_stream__``, or from a
mapping of names to 1-D arrays, in the pipeline's order, and return a frame
of the same kind. numpy and narwhals are required; a frame library is only
touched when a frame of its own is passed in. Numeric columns reach the
pipeline as numpy views where the library allows, without a Python loop.
"""

from __future__ import annotations

import sys
from collections.abc import Callable, Mapping, Sequence
from typing import TYPE_CHECKING, Any, Protocol, TypeVar, overload

from ._zerak import (
    DuplicateOutputKeyError,
    FeaturePipeline,
    InvalidInputError,
    MissingInputColumnError,
    TargetPipeline,
)
from .live import PipelineView

# What the frames path needs from numpy, imported now rather than at some
# later call: numpy loads numpy.ma on first use, and a MemoryError in the
# middle of that import leaves numpy half set up for the rest of the process.
try:
    import numpy as _numpy
    import numpy.ma
except ImportError:  # the pipelines run without numpy; frames say so on use
    _numpy = None  # type: ignore[assignment, unused-ignore]

if TYPE_CHECKING:
    import numpy as np

    # pandas and polars are optional: where one is missing its frames type as
    # Any, under private names that stub checks do not look for at run time.
    import pandas as _pd  # type: ignore[import-untyped, import-not-found, unused-ignore]
    import polars as _pl  # type: ignore[import-not-found, unused-ignore]
    from numpy.typing import ArrayLike, NDArray

    # A column of a mapping: an array, a Series, or a list with None for missing.
    _Column = ArrayLike | Sequence[float | None]
    # A frame of these libraries: the result is one of the same kind. One
    # overload for all, after the mapping's, so that none shadows another
    # when it is Any.
    _DataFrame = TypeVar("_DataFrame", _pd.DataFrame, _pl.DataFrame, _pl.LazyFrame)

    class _ArrowStream(Protocol):
        """Any Arrow producer (a pyarrow Table, a DuckDB relation, ...): pyarrow
        ships no annotations, so its result types as Any."""

        def __arrow_c_stream__(self, requested_schema: Any = None, /) -> object: ...

    # Called between blocks with (bars done, total); True shows a tqdm bar.
    _Progress = Callable[[int, int], object] | bool | None

__all__ = ["research_frame", "label_frame"]


@overload
def research_frame(
    pipeline: FeaturePipeline | PipelineView,
    frame: Mapping[str, _Column],
    *,
    keep: None = None,
    progress: _Progress = None,
    threads: int = 1,
) -> dict[str, NDArray[np.float64]]: ...
@overload
def research_frame(
    pipeline: FeaturePipeline | PipelineView,
    frame: Mapping[str, _Column],
    *,
    keep: Sequence[str] | str,
    progress: _Progress = None,
    threads: int = 1,
) -> dict[str, Any]: ...
@overload
def research_frame(
    pipeline: FeaturePipeline | PipelineView,
    frame: _DataFrame,
    *,
    keep: Sequence[str] | str | None = None,
    progress: _Progress = None,
    threads: int = 1,
) -> _DataFrame: ...
@overload
def research_frame(  # type: ignore[overload-cannot-match, unused-ignore]
    pipeline: FeaturePipeline,
    frame: _ArrowStream,
    *,
    keep: Sequence[str] | str | None = None,
    progress: _Progress = None,
    threads: int = 1,
) -> Any: ...
def research_frame(
    pipeline: FeaturePipeline | PipelineView,
    frame: Any,
    *,
    keep: Sequence[str] | str | None = None,
    progress: _Progress = None,
    threads: int = 1,
) -> Any:
    """Runs ``pipeline`` over ``frame`` in research mode, reading its input
    columns by name, and returns the features as a frame of the same kind.

    ``frame``: a data frame of any library narwhals reads (pandas, polars
    DataFrame or LazyFrame, pyarrow Table, modin, DuckDB relation, ...), any
    object with ``__arrow_c_stream__`` (read through pyarrow, returned as a
    pyarrow Table), or a mapping of column names to 1-D arrays; columns the
    pipeline does not read are ignored, NaN, None, null and NA are missing
    values. The result has the ``keep`` columns of the input first, then one
    column per output, in ``pipeline.output_names()`` order, one row per bar
    (a pandas result keeps the input's index). Missing results are NaN in
    pandas and mappings, null in polars and pyarrow. A lazy frame is collected
    (only the columns needed), and the result is made lazy again.
    ``progress``: a callable receiving (bars done, total) between blocks, or
    True for a tqdm bar. ``threads``: as for ``run_research_array``. The
    pipeline is reset first and keeps the state of the last bar, as with
    ``run_research``. ``pipeline`` may be a ``zerak.select`` view.
    """
    names = pipeline.input_names()
    source = _Source(frame, "research_frame", names, keep, pipeline.output_names())
    data = _bars(source.columns(names))
    out = pipeline.run_research_array(data, progress=progress, threads=threads)
    return source.result(out, pipeline.output_names(), rows_are_bars=True)


@overload
def label_frame(
    target_pipeline: TargetPipeline,
    frame: Mapping[str, _Column],
    *,
    keep: None = None,
    progress: _Progress = None,
) -> dict[str, NDArray[np.float64]]: ...
@overload
def label_frame(
    target_pipeline: TargetPipeline,
    frame: Mapping[str, _Column],
    *,
    keep: Sequence[str] | str,
    progress: _Progress = None,
) -> dict[str, Any]: ...
@overload
def label_frame(
    target_pipeline: TargetPipeline,
    frame: _DataFrame,
    *,
    keep: Sequence[str] | str | None = None,
    progress: _Progress = None,
) -> _DataFrame: ...
@overload
def label_frame(  # type: ignore[overload-cannot-match, unused-ignore]
    target_pipeline: TargetPipeline,
    frame: _ArrowStream,
    *,
    keep: Sequence[str] | str | None = None,
    progress: _Progress = None,
) -> Any: ...
def label_frame(
    target_pipeline: TargetPipeline,
    frame: Any,
    *,
    keep: Sequence[str] | str | None = None,
    progress: _Progress = None,
) -> Any:
    """Labels ``frame`` with the targets of ``target_pipeline``, reading its
    input columns by name, and returns the labels as a frame of the same kind.

    ``frame``, ``keep`` and ``progress`` as for ``research_frame`` (the
    progress total counts each bar once per target). The result has the
    ``keep`` columns first, then one column per output, in
    ``target_pipeline.output_names()`` order, one row per bar (a pandas result
    keeps the input's index); the last ``forward_period()`` rows have no label.
    """
    names = target_pipeline.input_names()
    source = _Source(frame, "label_frame", names, keep, target_pipeline.output_names())
    columns = source.columns(names)
    out = target_pipeline.run_research_array(columns, progress=progress)  # read in place
    return source.result(out, target_pipeline.output_names(), rows_are_bars=False)


def _mapping_bars(data: object, names: Sequence[str]) -> Any:
    """``FeaturePipeline.update_many``'s bars by name: a mapping of column names
    to 1-D columns as a (bars x columns) float64 array in ``names`` order, read
    as ``research_frame`` reads one; None for anything that is no mapping."""
    if not isinstance(data, Mapping):
        return None
    return _bars(_Source(data, "update_many", names, None, ()).columns(names))


def _bars(columns: list[Any]) -> Any:
    """Columns of one length as a (bars x columns) float64 array."""
    import numpy as np

    # One contiguous row per column, handed over transposed: the pipeline reads
    # any layout in place, and filling whole rows is the cheapest copy.
    data = np.empty((len(columns), len(columns[0]) if columns else 0), dtype=np.float64)
    for j, column in enumerate(columns):
        data[j] = column
    return data.T


# ---- kinds of frame ----------------------------------------------------------

# What the columns are read from and the result is built as: pandas and
# polars by their own API (a pandas result keeps the index), pyarrow Tables,
# mappings, and any other eager frame through narwhals.
_PANDAS, _POLARS, _ARROW, _NARWHALS, _MAPPING = "pandas", "polars", "pyarrow", "narwhals", "mapping"


class _Source:
    """A frame made ready to read: its kind, the eager frame the columns come
    from, the columns to keep, and the library to make the result lazy in
    (None for an eager frame)."""

    def __init__(
        self,
        frame: object,
        function: str,
        names: Sequence[str],
        keep: Sequence[str] | str | None,
        outputs: Sequence[str],
        extra: Sequence[str] = (),
    ) -> None:
        """``extra``: columns read as they are, by ``values`` (a symbol, a time)."""
        self.keep = _keep_list(keep, outputs)
        self.extra = list(extra)
        self.lazy: Any = None
        self.kind, self.frame = _eager(frame, function, [*names, *self.extra, *self.keep], self)

    def columns(self, names: Sequence[str]) -> list[Any]:
        """The columns ``names`` as 1-D float64 arrays of one length (the
        ``extra`` columns checked alike)."""
        frame, kind = self.frame, self.kind
        have = _column_names(frame, kind)
        _check_present([*names, *self.extra], have, "missing input column(s)")
        _check_present(self.keep, have, "keep: no column(s)")
        if kind == _MAPPING:
            _check_indexes(frame, [*names, *self.extra, *self.keep])
        columns = [_column(frame, kind, name) for name in names]
        for name, column in zip(names, columns, strict=True):
            if column.ndim != 1:
                raise InvalidInputError(
                    f"column {name!r} must be one-dimensional, got shape {column.shape}"
                )
        lengths = {name: len(column) for name, column in zip(names, columns, strict=True)}
        if kind == _MAPPING:  # a frame's columns are of one length by construction
            for name in [*self.extra, *self.keep]:
                lengths.setdefault(name, len(frame[name]))
        if len(set(lengths.values())) > 1:
            raise InvalidInputError(f"columns differ in length: {lengths}")
        return columns

    def values(self, name: str) -> Any:
        """Column ``name`` as it is: a pandas Series for pandas (whose own
        hashing of strings is the fastest), else a 1-D numpy array of its own
        type (strings and other objects as an object array)."""
        import numpy as np

        frame, kind = self.frame, self.kind
        if kind == _PANDAS:
            values = frame[name]
        elif kind == _POLARS:
            values = frame.get_column(name).to_numpy()
        elif kind == _ARROW:
            values = frame.column(name).to_numpy()
        elif kind == _NARWHALS:
            import narwhals as nw

            values = nw.from_native(frame, eager_only=True).get_column(name).to_numpy()
        else:
            values = frame[name]
            values = values.to_numpy() if hasattr(values, "to_numpy") else np.asarray(values)
        if values.ndim != 1:
            raise InvalidInputError(
                f"column {name!r} must be one-dimensional, got shape {values.shape}"
            )
        return values

    def result(self, out: Any, names: list[str], *, rows_are_bars: bool) -> Any:
        """``out`` (bars x outputs, or outputs x bars) as a frame of the input's
        kind, the kept columns first, without copying where the kind allows."""
        frame, keep = self.frame, self.keep
        if self.kind == _PANDAS:
            by_bar = out if rows_are_bars else out.T
            import pandas as pd

            made = pd.DataFrame(by_bar, index=frame.index, columns=names, copy=False)
            for at, name in enumerate(keep):
                made.insert(at, name, frame[name])
            return self._lazy_again(made)
        by_column = out.T if rows_are_bars else out
        if rows_are_bars and len(names) > 1 and self.kind != _MAPPING:
            import numpy as np

            by_column = np.ascontiguousarray(by_column)  # whole columns for the libraries
        if self.kind == _POLARS:
            import polars as pl

            results = pl.DataFrame(
                {name: by_column[j] for j, name in enumerate(names)}, nan_to_null=True
            )
            return self._lazy_again(frame.select(keep).hstack(results) if keep else results)
        if self.kind == _ARROW:
            import pyarrow as pa  # type: ignore[import-untyped, import-not-found, unused-ignore]

            kept = {name: frame.column(name) for name in keep}
            arrays = {
                name: pa.array(by_column[j], from_pandas=True) for j, name in enumerate(names)
            }
            return self._lazy_again(pa.table({**kept, **arrays}))
        if self.kind == _NARWHALS:
            import narwhals as nw

            native = nw.from_native(frame, eager_only=True)
            built = nw.from_dict(
                {name: by_column[j] for j, name in enumerate(names)},
                backend=native.implementation,
            )
            if keep:  # side by side by position: a pandas-like index is set after
                kept = nw.maybe_reset_index(native.select(keep))
                built = nw.concat([kept, built], how="horizontal")
            made_native = built.to_native()
            index = nw.maybe_get_index(native)
            if index is not None:
                made_native.index = index
            return self._lazy_again(made_native)
        return {
            **{name: frame[name] for name in keep},
            **{name: by_column[j] for j, name in enumerate(names)},
        }

    def _lazy_again(self, made: Any) -> Any:
        """The result lazy again when the input was lazy."""
        if self.lazy is None:
            return made
        import narwhals as nw

        return nw.from_native(made, eager_only=True).lazy(backend=self.lazy).to_native()


def _keep_list(keep: Sequence[str] | str | None, outputs: Sequence[str]) -> list[str]:
    if keep is None:
        return []
    names = [keep] if isinstance(keep, str) else list(keep)
    for name in names:
        if not isinstance(name, str):
            raise TypeError(f"keep: column names are strings, not {type(name).__name__!r}")
    clashes = [n for n in dict.fromkeys(names) if n in outputs or names.count(n) > 1]
    if clashes:
        raise DuplicateOutputKeyError(
            f"keep: column(s) {_render(clashes)} would appear twice in the result: "
            "each is an output of the pipeline or kept more than once"
        )
    return names


def _eager(frame: Any, function: str, needed: list[str], source: _Source) -> tuple[str, Any]:
    """The kind of ``frame`` and an eager frame to read; a lazy frame is
    collected (its ``needed`` columns only) and ``source.lazy`` set."""
    # A module that was never imported cannot have made the frame: look in
    # sys.modules instead of importing a library here.
    pd = sys.modules.get("pandas")
    if pd is not None and isinstance(frame, pd.DataFrame):
        return _PANDAS, frame
    pl = sys.modules.get("polars")
    if pl is not None and isinstance(frame, pl.DataFrame):
        return _POLARS, frame
    pa = sys.modules.get("pyarrow")
    if pa is not None and isinstance(frame, pa.Table):
        return _ARROW, frame
    if isinstance(frame, Mapping):
        return _MAPPING, frame
    import narwhals as nw

    native = nw.from_native(frame, pass_through=True)
    if isinstance(native, nw.LazyFrame):
        have = native.collect_schema().names()
        inputs = len(needed) - len(source.keep)
        _check_present(needed[:inputs], have, "missing input column(s)")
        _check_present(source.keep, have, "keep: no column(s)")
        source.lazy = native.implementation
        native = native.select(list(dict.fromkeys(needed))).collect()
        return _eager(native.to_native(), function, needed, source)
    if isinstance(native, nw.DataFrame):
        return _NARWHALS, frame
    if hasattr(type(frame), "__arrow_c_stream__"):
        try:
            import pyarrow  # type: ignore[import-untyped, import-not-found, unused-ignore]
        except ImportError as error:
            raise TypeError(
                f"{function}() reads an Arrow stream ({type(frame).__name__!r}) through "
                "pyarrow, which is not installed: install it (pip install pyarrow)"
            ) from error
        return _ARROW, _stream_table(pyarrow, frame)
    raise TypeError(
        f"{function}() takes a pandas or polars DataFrame, a pyarrow Table, any frame "
        "narwhals reads, an object with __arrow_c_stream__, or a mapping of column names "
        f"to 1-D arrays, not '{type(frame).__name__}'"
    )


def _stream_table(pa: Any, stream: Any) -> Any:
    """An Arrow stream as a pyarrow Table, checked where it can be.

    The C stream interface hands over buffers without their sizes, read by
    the stream's schema: a batch of other types than the schema says would be
    read past its buffers. A pyarrow reader's own batches are checked against
    its schema before anything is read; any other producer's are read by the
    schema, and the table is then validated in full (offsets, lengths,
    dictionary indices), which finds what a width mismatch of fixed-width
    values cannot show.
    """
    if isinstance(stream, pa.RecordBatchReader):
        schema = stream.schema
        batches = []
        for at, batch in enumerate(stream):
            _check_batch(batch, schema, at)
            batches.append(batch)
        table = pa.Table.from_batches(batches, schema=schema)
    else:
        table = pa.table(stream)
    for name, column in zip(table.column_names, table.columns, strict=True):
        try:
            column.validate(full=True)
        except pa.ArrowException as error:
            raise TypeError(f"column {name!r} of the Arrow stream is malformed: {error}") from None
    return table


def _check_batch(batch: Any, schema: Any, at: int) -> None:
    if batch.schema.names != schema.names:
        raise TypeError(
            f"batch {at} of the Arrow stream has columns {_render(batch.schema.names)}, "
            f"its schema {_render(schema.names)}"
        )
    for field, column in zip(schema, batch.columns, strict=True):
        if column.type != field.type:
            raise TypeError(
                f"column {field.name!r}: batch {at} of the Arrow stream holds {column.type}, "
                f"its schema says {field.type}"
            )
        if len(column) != batch.num_rows:
            raise TypeError(
                f"column {field.name!r}: batch {at} of the Arrow stream has {batch.num_rows} "
                f"row(s) and {len(column)} value(s) in the column"
            )


def _column_names(frame: Any, kind: str) -> list[str]:
    if kind == _MAPPING:
        return list(frame.keys())
    if kind == _ARROW:
        return list(frame.column_names)
    if kind == _NARWHALS:
        import narwhals as nw

        return list(nw.from_native(frame, eager_only=True).columns)
    return list(frame.columns)


def _check_present(names: Sequence[str], have: Sequence[object], what: str) -> None:
    missing = [n for n in names if n not in have]
    if missing:
        raise MissingInputColumnError(
            f"{what}: {_render(missing)}; the frame has columns {_render(have)}"
        )


def _column(frame: Any, kind: str, name: str) -> Any:
    """Column ``name`` as a 1-D float64 numpy array, every missing marker as NaN."""
    if kind == _PANDAS:
        values = frame[name]
        if values.ndim != 1:
            raise InvalidInputError(f"column {name!r} appears more than once in the frame")
        return _from_pandas(values, name)
    if kind == _POLARS:
        return _from_polars(frame.get_column(name), name)
    if kind == _ARROW:
        if frame.column_names.count(name) > 1:
            raise InvalidInputError(f"column {name!r} appears more than once in the frame")
        return _from_arrow(frame.column(name), name)
    if kind == _NARWHALS:
        import narwhals as nw

        series = nw.from_native(frame, eager_only=True).get_column(name)
        if series.dtype.is_temporal():
            raise _not_time(name, series.dtype)
        return _from_sequence(series.to_numpy(), name)
    values = frame[name]
    pd, pl = sys.modules.get("pandas"), sys.modules.get("polars")
    if pd is not None and isinstance(values, pd.Series):
        return _from_pandas(values, name)
    if pl is not None and isinstance(values, pl.Series):
        return _from_polars(values, name)
    return _from_sequence(values, name)


def _check_indexes(frame: Mapping[str, Any], names: Sequence[str]) -> None:
    """pandas Series in a mapping are read by position: their indexes must agree."""
    pd = sys.modules.get("pandas")
    if pd is None:
        return
    first: tuple[str, Any] | None = None
    for name in names:
        values = frame[name]
        if not isinstance(values, pd.Series):
            continue
        if first is None:
            first = (name, values.index)
        elif not values.index.equals(first[1]):
            raise InvalidInputError(
                f"the pandas Series of columns {first[0]!r} and {name!r} have different "
                "indexes, and the columns are read by position: align them first, for "
                "example with pandas.DataFrame(mapping)"
            )


# Conversion errors: a huge int overflows a float.
_CONVERSION_ERRORS = (TypeError, ValueError, OverflowError)


def _from_pandas(series: Any, name: str) -> Any:
    import numpy as np

    if series.dtype == np.float64:  # plain numpy float column: NaN already means missing
        return series.to_numpy()
    _check_kind(series.dtype.kind, name, series.dtype)
    try:
        return series.to_numpy(dtype=np.float64, na_value=np.nan)
    except _CONVERSION_ERRORS as error:
        raise _not_numbers(name, series.dtype, error) from error


def _from_polars(series: Any, name: str) -> Any:
    import polars as pl

    if series.dtype.is_temporal():
        raise _not_time(name, series.dtype)
    try:
        floats = series.cast(pl.Float64)
    except Exception as error:  # polars raises its own InvalidOperationError
        raise _not_numbers(name, series.dtype, error) from error
    if floats.null_count():
        floats = floats.fill_null(float("nan"))
    return floats.to_numpy()


def _from_arrow(column: Any, name: str) -> Any:
    import pyarrow as pa  # type: ignore[import-untyped, import-not-found, unused-ignore]

    if pa.types.is_temporal(column.type):
        raise _not_time(name, column.type)
    if column.type != pa.float64():
        try:
            column = column.cast(pa.float64())
        except (pa.ArrowException, *_CONVERSION_ERRORS) as error:
            raise _not_numbers(name, column.type, error) from error
    # A single chunk without nulls is a view; nulls become NaN.
    return column.to_numpy()


def _from_sequence(values: Any, name: str) -> Any:
    import numpy as np

    if isinstance(values, np.ma.MaskedArray):  # masked entries are missing values
        floats = _from_sequence(values.data, name)
        mask = np.ma.getmaskarray(values)
        return np.where(mask, np.nan, floats) if mask.any() else floats
    try:
        # First as numpy sees the items, which tells dates and durations apart.
        array = np.asarray(values)
    except _CONVERSION_ERRORS:
        array = None
    if array is not None:
        _check_kind(array.dtype.kind, name, array.dtype)
        if array.dtype.kind in "fiub":
            return array.astype(np.float64, copy=False)
    try:
        return np.asarray(values, dtype=np.float64)
    except _CONVERSION_ERRORS:
        pass
    # Objects numpy cannot cast as a whole, such as pandas' NA among floats.
    items = np.asarray(values, dtype=object)
    if items.ndim != 1:
        raise InvalidInputError(f"column {name!r} must be one-dimensional, got shape {items.shape}")
    try:
        return np.array([np.nan if _is_missing(v) else float(v) for v in items], dtype=np.float64)
    except _CONVERSION_ERRORS as error:
        raise _not_numbers(name, type(values).__name__, error) from error


def _check_kind(kind: str, name: str, dtype: object) -> None:
    """Refuses what numpy would turn into numbers with a loss or a choice of unit."""
    if kind in "mM":
        raise _not_time(name, dtype)
    if kind == "c":
        raise TypeError(
            f"column {name!r} of type {dtype} cannot be read as numbers: complex values "
            "have no real number to stand for them"
        )


def _is_missing(value: object) -> bool:
    return value is None or type(value).__name__ == "NAType"


def _not_numbers(name: str, dtype: object, error: Exception) -> TypeError:
    return TypeError(f"column {name!r} of type {dtype} cannot be read as numbers: {error}")


def _not_time(name: str, dtype: object) -> TypeError:
    return TypeError(
        f"column {name!r} of type {dtype} holds dates, times or durations, which are not "
        "read as numbers implicitly: convert the column explicitly first (for example to "
        "seconds, or to integer nanoseconds since the epoch)"
    )


def _render(names: Sequence[object]) -> str:
    """``["a", "b"]``, quoted and escaped as zerak's own messages print names."""
    return "[" + ", ".join('"' + _escape(str(n)) + '"' for n in names) + "]"


_ESCAPES = {'"': '\\"', "\\": "\\\\", "\n": "\\n", "\r": "\\r", "\t": "\\t", "\0": "\\0"}


def _escape(name: str) -> str:
    out = []
    for ch in name:
        code = ord(ch)
        if ch in _ESCAPES:
            out.append(_ESCAPES[ch])
        elif code < 0x20 or 0x7F <= code <= 0x9F:
            out.append(f"\\u{{{code:x}}}")
        else:
            out.append(ch)
    return "".join(out)
