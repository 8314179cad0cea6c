"""Data frames in and out of pipelines, columns taken by name.

``research_frame`` and ``label_frame`` read the pipeline's input columns from a
pandas or polars DataFrame, or from any mapping of names to 1-D arrays, in the
pipeline's order, and return a frame of the same kind. numpy is required;
pandas and polars are only touched when a frame of theirs is passed in.
"""

from __future__ import annotations

import sys
from collections.abc import Mapping, Sequence
from typing import TYPE_CHECKING, Any, TypeVar, overload

from ._zerak import FeaturePipeline, InvalidInputError, MissingInputColumnError, TargetPipeline

if TYPE_CHECKING:
    import numpy as np
    from numpy.typing import ArrayLike, NDArray

    # pandas and polars are optional: where one is missing its frames type as
    # Any, under private names that stub checks do not look for at run time.
    import pandas as _pd  # type: ignore[import-untyped, import-not-found, unused-ignore]
    import polars as _pl  # type: ignore[import-not-found, unused-ignore]

    # A column of a mapping: an array, a Series, or a list with None for missing.
    _Column = ArrayLike | Sequence[float | None]
    # A DataFrame of either library: the result is one of the same kind. One
    # overload for both, after the mapping's, so that neither shadows another
    # when it is Any.
    _DataFrame = TypeVar("_DataFrame", _pd.DataFrame, _pl.DataFrame)

__all__ = ["research_frame", "label_frame"]


@overload
def research_frame(
    pipeline: FeaturePipeline, frame: Mapping[str, _Column]
) -> dict[str, NDArray[np.float64]]: ...
@overload
def research_frame(pipeline: FeaturePipeline, frame: _DataFrame) -> _DataFrame: ...
def research_frame(pipeline: FeaturePipeline, frame: Any) -> Any:
    """Runs ``pipeline`` over ``frame`` in research mode, reading its input
    columns by name, and returns the features as a frame of the same kind.

    ``frame``: a pandas or polars DataFrame, or a mapping of column names to
    1-D arrays; columns the pipeline does not read are ignored, NaN, None and
    NA are missing values. The result has one column per output, in
    ``pipeline.output_names()`` order, one row per bar (a pandas result keeps
    the input's index). The pipeline is reset first and keeps the state of the
    last bar, as with ``run_research``.
    """
    kind = _kind_of(frame, "research_frame")
    columns = _read_columns(frame, kind, pipeline.input_names())
    bars = len(columns[0]) if columns else 0
    import numpy as np

    # One contiguous row per column, handed over transposed: the pipeline reads
    # any layout in place, and filling whole rows is the cheapest copy.
    data = np.empty((len(columns), bars), dtype=np.float64)
    for j, column in enumerate(columns):
        data[j] = column
    out = pipeline.run_research_array(data.T)
    return _frame_like(frame, kind, out, pipeline.output_names(), rows_are_bars=True)


@overload
def label_frame(
    target_pipeline: TargetPipeline, frame: Mapping[str, _Column]
) -> dict[str, NDArray[np.float64]]: ...
@overload
def label_frame(target_pipeline: TargetPipeline, frame: _DataFrame) -> _DataFrame: ...
def label_frame(target_pipeline: TargetPipeline, frame: Any) -> Any:
    """Labels ``frame`` with the targets of ``target_pipeline``, reading its
    input columns by name, and returns the labels as a frame of the same kind.

    ``frame`` as for ``research_frame``. The result has one column per output,
    in ``target_pipeline.output_names()`` order, one row per bar (a pandas
    result keeps the input's index); the last ``forward_period()`` rows have no
    label.
    """
    kind = _kind_of(frame, "label_frame")
    columns = _read_columns(frame, kind, target_pipeline.input_names())
    out = target_pipeline.run_research_array(columns)  # 1-D arrays, read in place
    return _frame_like(frame, kind, out, target_pipeline.output_names(), rows_are_bars=False)


def _mapping_bars(data: object, names: Sequence[str]) -> Any:
    """``FeaturePipeline.update_many``'s bars by name: a mapping of column names
    to 1-D columns as a (bars x columns) float64 array in ``names`` order, read
    as ``research_frame`` reads one; None for anything that is no mapping."""
    if not isinstance(data, Mapping):
        return None
    columns = _read_columns(data, _MAPPING, names)
    import numpy as np

    bars = np.empty((len(columns[0]) if columns else 0, len(columns)), dtype=np.float64)
    for j, column in enumerate(columns):
        bars[:, j] = column
    return bars


# ---- kinds of frame ----------------------------------------------------------

_PANDAS, _POLARS, _MAPPING = "pandas", "polars", "mapping"


def _kind_of(frame: object, function: str) -> str:
    # A module that was never imported cannot have made the frame: look in
    # sys.modules instead of importing pandas or polars here.
    pd = sys.modules.get("pandas")
    if pd is not None and isinstance(frame, pd.DataFrame):
        return _PANDAS
    pl = sys.modules.get("polars")
    if pl is not None:
        if isinstance(frame, pl.DataFrame):
            return _POLARS
        if isinstance(frame, pl.LazyFrame):
            raise TypeError(f"{function}() needs a DataFrame: call .collect() on the LazyFrame first")
    if isinstance(frame, Mapping):
        return _MAPPING
    raise TypeError(
        f"{function}() takes a pandas or polars DataFrame or a mapping of column names "
        f"to 1-D arrays, not '{type(frame).__name__}'"
    )


def _read_columns(frame: Any, kind: str, names: Sequence[str]) -> list[Any]:
    """The columns ``names`` of ``frame`` as 1-D float64 arrays of one length."""
    have = list(frame.columns) if kind != _MAPPING else list(frame.keys())
    missing = [n for n in names if n not in have]
    if missing:
        raise MissingInputColumnError(
            f"missing input column(s): {_render(missing)}; the frame has columns {_render(have)}"
        )
    if kind == _MAPPING:
        _check_indexes(frame, names)
    columns = [_column(frame, kind, name) for name in names]
    for name, column in zip(names, columns):
        if column.ndim != 1:
            raise InvalidInputError(
                f"column {name!r} must be one-dimensional, got shape {column.shape}"
            )
    lengths = {name: len(column) for name, column in zip(names, columns)}
    if len(set(lengths.values())) > 1:
        raise InvalidInputError(f"columns differ in length: {lengths}")
    return columns


def _column(frame: Any, kind: str, name: str) -> Any:
    """Column ``name`` as a 1-D float64 numpy array, every missing marker as NaN."""
    if kind == _PANDAS:
        values = frame[name]
        if values.ndim != 1:
            raise InvalidInputError(f"column {name!r} appears more than once in the frame")
        return _from_pandas(values, name)
    if kind == _POLARS:
        return _from_polars(frame.get_column(name), name)
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


def _frame_like(frame: Any, kind: str, out: Any, names: list[str], *, rows_are_bars: bool) -> Any:
    """``out`` (bars x outputs, or outputs x bars) as a frame of ``frame``'s kind,
    without copying where the kind allows."""
    by_bar = out if rows_are_bars else out.T
    if kind == _PANDAS:
        import pandas as pd

        return pd.DataFrame(by_bar, index=frame.index, columns=names, copy=False)
    if kind == _POLARS:
        import polars as pl

        return pl.DataFrame({name: by_bar[:, j] for j, name in enumerate(names)})
    return {name: by_bar[:, j] for j, name in enumerate(names)}


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
