"""Many symbols in one pipeline, and transforms across symbols.

``UniversePipeline`` runs the same transforms over every symbol of a universe:
one ``update`` per bar for all symbols (symbols x inputs in, symbols x outputs
out, computed without the interpreter lock), and ``run_research`` over a panel
of bars x symbols x inputs, symbols spread over threads. Each symbol's results
are bit for bit those of its own ``FeaturePipeline``.

The ``CrossSectional*`` transforms see one bar of every symbol at once (rank,
z-score, demean, clip, bucket). They read per-symbol outputs and per-symbol
transforms may read theirs again; they run in a ``UniversePipeline`` only.

A symbol whose inputs at a bar are all NaN (or whose ``mask`` entry is False)
did not trade: its state does not advance, its outputs are NaN for that bar,
and it is left out of that bar's cross-sections.
"""

from __future__ import annotations

import sys
from collections.abc import Hashable, Iterable, Sequence
from typing import Any

from . import _zerak
from ._universe import Core as _Core  # registered by _zerak

__all__ = [
    "UniversePipeline",
    "CrossSectionalRank",
    "CrossSectionalZScore",
    "CrossSectionalDemean",
    "CrossSectionalClip",
    "CrossSectionalBucket",
    "universe_frame",
]


def _numpy() -> Any:
    import numpy  # the universe works on arrays; the rest of zerak does not need numpy

    return numpy


def _names(value: Iterable[str], what: str) -> list[str]:
    if isinstance(value, str):
        error = TypeError(f"{what} must be a list of names, not a str")
        error.add_note(f"names go in a list, even one: {what}=[{value!r}]")
        raise error
    names = list(value)
    if not all(isinstance(n, str) for n in names):
        raise TypeError(f"{what} must be a list of names")
    return names


def _threads(threads: int) -> int:
    if isinstance(threads, bool) or not isinstance(threads, int) or not 0 <= threads <= 1024:
        raise _zerak.InvalidConfigError("threads must be an integer from 0 to 1024")
    if threads == 0:
        import os

        return os.cpu_count() or 1
    return threads


class _CrossSectional:
    """Shared by the cross-sectional transforms: one output per input."""

    _kind = ""  # the kind's name in the compiled cross-sections
    __slots__ = ("_inputs", "_outputs")

    def __init__(self, inputs: Sequence[str], outputs: Sequence[str]) -> None:
        self._inputs = _names(inputs, "inputs")
        self._outputs = _names(outputs, "outputs")
        if not self._inputs:
            raise _zerak.InvalidConfigError("inputs must not be empty")
        if len(self._outputs) != len(self._inputs):
            raise _zerak.InvalidConfigError(
                f"expected {len(self._inputs)} output name(s), one per input, "
                f"got {len(self._outputs)}"
            )

    def _options(self) -> tuple[float, float]:
        return (0.0, 0.0)

    def _cross_section(self) -> tuple[str, list[str], list[str], float, float]:
        return (self._kind, self._inputs, self._outputs, *self._options())

    def input_names(self) -> list[str]:
        """Input column names, one per output."""
        return list(self._inputs)

    def output_names(self) -> list[str]:
        """Output column names, one per input."""
        return list(self._outputs)

    def _args(self) -> tuple[Any, ...]:
        return (self._inputs, self._outputs)

    def __repr__(self) -> str:
        return f"{type(self).__name__}({', '.join(repr(a) for a in self._args())})"

    def __eq__(self, other: object) -> bool:
        return (
            isinstance(other, _CrossSectional)
            and type(other) is type(self)
            and other._args() == self._args()
        )

    def __hash__(self) -> int:
        return hash((type(self).__name__, repr(self._args())))

    def __reduce__(self) -> tuple[Any, ...]:
        return (type(self), self._args())


class CrossSectionalRank(_CrossSectional):
    """CrossSectionalRank(inputs, outputs)

    Percentile rank of each symbol's value among the symbols at the bar, ties
    averaged: ``rank / count`` in (0, 1], as ``groupby(bar).rank(pct=True)``.
    """

    _kind = "rank"
    __slots__ = ()


class CrossSectionalZScore(_CrossSectional):
    """CrossSectionalZScore(inputs, outputs, ddof=1)

    ``(x - mean) / std`` over the symbols at the bar (standard deviation with
    ``ddof`` delta degrees of freedom; NaN when the count is not above it).
    """

    _kind = "zscore"
    __slots__ = ("_ddof",)

    def __init__(self, inputs: Sequence[str], outputs: Sequence[str], ddof: int = 1) -> None:
        super().__init__(inputs, outputs)
        if isinstance(ddof, bool) or not isinstance(ddof, int) or ddof < 0:
            raise _zerak.InvalidConfigError("ddof must be a non-negative integer")
        self._ddof = ddof

    def _options(self) -> tuple[float, float]:
        return (float(self._ddof), 0.0)

    def _args(self) -> tuple[Any, ...]:
        return (self._inputs, self._outputs, self._ddof)


class CrossSectionalDemean(_CrossSectional):
    """CrossSectionalDemean(inputs, outputs)

    ``x - mean`` over the symbols at the bar.
    """

    _kind = "demean"
    __slots__ = ()


class CrossSectionalClip(_CrossSectional):
    """CrossSectionalClip(inputs, outputs, lower=0.05, upper=0.95)

    Winsorises: each value clipped to the ``lower`` and ``upper`` quantiles of
    the symbols at the bar (linear interpolation, as ``Series.quantile``).
    """

    _kind = "clip"
    __slots__ = ("_lower", "_upper")

    def __init__(
        self,
        inputs: Sequence[str],
        outputs: Sequence[str],
        lower: float = 0.05,
        upper: float = 0.95,
    ) -> None:
        super().__init__(inputs, outputs)
        lower, upper = float(lower), float(upper)
        if not 0.0 <= lower <= upper <= 1.0:
            raise _zerak.InvalidConfigError("expected 0 <= lower <= upper <= 1")
        self._lower, self._upper = lower, upper

    def _options(self) -> tuple[float, float]:
        return (self._lower, self._upper)

    def _args(self) -> tuple[Any, ...]:
        return (self._inputs, self._outputs, self._lower, self._upper)


class CrossSectionalBucket(_CrossSectional):
    """CrossSectionalBucket(inputs, outputs, buckets=5)

    Quantile bucket 0 .. buckets - 1 of each symbol at the bar:
    ``ceil(rank * buckets / count) - 1`` with ties given their average rank,
    so equal values share a bucket.
    """

    _kind = "bucket"
    __slots__ = ("_buckets",)

    def __init__(self, inputs: Sequence[str], outputs: Sequence[str], buckets: int = 5) -> None:
        super().__init__(inputs, outputs)
        if isinstance(buckets, bool) or not isinstance(buckets, int) or not 1 <= buckets <= 10**6:
            raise _zerak.InvalidConfigError("buckets must be an integer from 1 to 1000000")
        self._buckets = buckets

    def _options(self) -> tuple[float, float]:
        return (float(self._buckets), 0.0)

    def _args(self) -> tuple[Any, ...]:
        return (self._inputs, self._outputs, self._buckets)


class UniversePipeline:
    """UniversePipeline(transforms, input_names, symbols)

    The same transforms over every symbol of a universe, with one state per
    symbol, and cross-sectional transforms across them.

    Args:
        transforms: Transforms, as for ``FeaturePipeline``, and
            ``CrossSectional*`` transforms, in any order.
        input_names: The input columns, in the order of the last axis of the
            arrays given to ``update`` and ``run_research``.
        symbols: The number of symbols (identified 0 .. n - 1), or a sequence
            of distinct hashable identifiers, in the order of the symbol axis.

    Outputs come stage by stage: the per-symbol outputs computable from the
    inputs, then the cross-sections they allow, then per-symbol transforms
    reading those, and so on (``output_names()``).
    """

    __slots__ = ("_core", "_transforms", "_symbols", "_index", "__weakref__")

    def __init__(
        self,
        transforms: Iterable[Any],
        input_names: Sequence[str],
        symbols: int | Iterable[Hashable],
    ) -> None:
        # A zerak.ConfigWarning for a slip that loses data points at the caller.
        self._build(transforms, input_names, symbols, warn_level=3)

    def _build(
        self,
        transforms: Iterable[Any],
        input_names: Sequence[str],
        symbols: int | Iterable[Hashable],
        warn_level: int,
    ) -> None:
        import copy

        members = [copy.copy(t) for t in transforms]
        ids = self._identifiers(symbols)
        self._core = _Core(members, _names(input_names, "input_names"), len(ids), warn_level)
        self._transforms = members
        self._symbols = ids
        self._index = {s: i for i, s in enumerate(ids)}

    @staticmethod
    def _identifiers(symbols: int | Iterable[Hashable]) -> list[Hashable]:
        if isinstance(symbols, int) and not isinstance(symbols, bool):
            if symbols < 0:
                raise _zerak.InvalidConfigError("symbols must be >= 0")
            return list(range(symbols))
        if isinstance(symbols, (str, bool)):
            raise TypeError("symbols must be a count or a sequence of identifiers")
        ids = list(symbols)
        if len(set(ids)) != len(ids):
            raise _zerak.InvalidConfigError("symbol identifiers must be distinct")
        return ids

    # ---- arrays in -------------------------------------------------------

    def _matrix(self, data: Any, ndim: int, what: str) -> Any:
        np = _numpy()
        given = np.asarray(data)
        if given.dtype.kind in "cmM":  # as FeaturePipeline: nothing dropped silently
            raise TypeError(
                f"{what} of type {given.dtype} cannot be read as numbers: "
                + (
                    "complex values have no real number to stand for them"
                    if given.dtype.kind == "c"
                    else "dates, times and durations are not read as numbers implicitly"
                )
            )
        array = np.ascontiguousarray(given, dtype=np.float64)
        n_in = len(self._core.input_names())
        expected = (len(self._symbols), n_in)
        if array.ndim != ndim or array.shape[ndim - 2 :] != expected:
            lead = "bars x " if ndim == 3 else ""
            raise _zerak.InvalidInputError(
                f"{what} must be {lead}symbols x inputs, {lead}{expected[0]} x {expected[1]}; "
                f"got shape {array.shape}"
            )
        return array

    def _mask(self, mask: Any, shape: tuple[int, ...]) -> Any:
        if mask is None:
            return None
        np = _numpy()
        flags = np.ascontiguousarray(mask, dtype=bool)
        if flags.shape != shape:
            raise _zerak.InvalidInputError(f"mask must have shape {shape}, got {flags.shape}")
        return flags.view(np.uint8)

    # ---- live ------------------------------------------------------------

    def update(self, matrix: Any, *, mask: Any = None, threads: int = 1) -> Any:
        """update(self, matrix, *, mask=None, threads=1)

        One bar of every symbol (live mode).

        Args:
            matrix: symbols x inputs, any 2-D array of real numbers (NaN
                missing; complex numbers raise TypeError).
            mask: Optional booleans, one per symbol: False skips the symbol.
                A symbol whose inputs are all NaN is skipped whatever its mask.
            threads: Threads to spread the symbols over (0: one per core).

        Returns:
            numpy.ndarray of symbols x outputs, float64, NaN for missing and
            for skipped symbols (whose state does not advance).
        """
        m = self._matrix(matrix, 2, "matrix")
        return self._core.update(m, self._mask(mask, (m.shape[0],)), False, _threads(threads))

    def peek(self, matrix: Any, *, mask: Any = None, threads: int = 1) -> Any:
        """peek(self, matrix, *, mask=None, threads=1)

        What ``update(matrix)`` would return, changing no state.
        """
        m = self._matrix(matrix, 2, "matrix")
        return self._core.update(m, self._mask(mask, (m.shape[0],)), True, _threads(threads))

    def update_many(self, panel: Any, *, mask: Any = None, threads: int = 1) -> Any:
        """update_many(self, panel, *, mask=None, threads=1)

        Many bars from the current state, equal to ``update`` on each in turn.

        Args:
            panel: bars x symbols x inputs.
            mask: Optional booleans, bars x symbols.
            threads: Threads to spread the symbols over.

        Returns:
            numpy.ndarray of bars x symbols x outputs, float64.
        """
        return self._run(panel, mask, False, threads)

    def run_research(self, panel: Any, *, mask: Any = None, threads: int = 1) -> Any:
        """run_research(self, panel, *, mask=None, threads=1)

        Resets, then runs a whole panel (research mode).

        Each symbol's results are bit for bit those of its own
        ``FeaturePipeline`` over the bars it traded, whatever ``threads``.

        Args:
            panel: bars x symbols x inputs, any 3-D array of numbers.
            mask: Optional booleans, bars x symbols (False: did not trade;
                an all-NaN row did not trade either).
            threads: Threads to spread the symbols over (0: one per core).

        Returns:
            numpy.ndarray of bars x symbols x outputs, float64.
        """
        return self._run(panel, mask, True, threads)

    def _run(self, panel: Any, mask: Any, reset: bool, threads: int) -> Any:
        count = _threads(threads)
        p = self._matrix(panel, 3, "panel")
        flags = self._mask(mask, p.shape[:2])
        out = self._core.run(p, flags, reset, count)
        return out.reshape(p.shape[0], p.shape[1], len(self._core.output_names()))

    # ---- the universe ----------------------------------------------------

    def reset(self) -> None:
        """reset(self)

        Every symbol back to its constructed state.
        """
        self._core.reset()

    def symbols(self) -> list[Hashable]:
        """symbols(self)

        The symbol identifiers in the order of the symbol axis.
        """
        return list(self._symbols)

    def add_symbol(self, symbol: Hashable) -> None:
        """add_symbol(self, symbol)

        Appends a symbol in the constructed state, at the end of the symbol axis.
        """
        if symbol in self._index:
            raise _zerak.InvalidConfigError(f"symbol {symbol!r} is already in the universe")
        self._core.add_symbol()
        self._index[symbol] = len(self._symbols)
        self._symbols.append(symbol)

    def remove_symbol(self, symbol: Hashable) -> None:
        """remove_symbol(self, symbol)

        Drops a symbol and its state; the symbols after it move up one row.
        """
        if symbol not in self._index:
            raise KeyError(symbol)
        self._core.remove_symbol(self._index[symbol])
        del self._symbols[self._index[symbol]]
        self._index = {s: i for i, s in enumerate(self._symbols)}

    def input_names(self) -> list[str]:
        """input_names(self)

        Input columns in the order of the arrays' last axis.
        """
        return self._core.input_names()

    def output_names(self) -> list[str]:
        """output_names(self)

        Output columns in the order of the results' last axis.
        """
        return self._core.output_names()

    def warm_up_period(self) -> int:
        """warm_up_period(self)

        Maximum warm-up period across the per-symbol transforms.
        """
        return self._core.warm_up_period()

    def __len__(self) -> int:
        return len(self._symbols)

    def __repr__(self) -> str:
        return (
            f"UniversePipeline({len(self._transforms)} transforms, "
            f"{self.input_names()!r}, {len(self._symbols)} symbols)"
        )

    def __str__(self) -> str:
        from ._summary import summary

        return summary(self, self._transforms, more=[f"symbols: {len(self._symbols)}"])

    def _repr_pretty_(self, p: Any, cycle: bool) -> None:
        p.text(str(self))

    # ---- snapshots -------------------------------------------------------

    def __reduce__(self) -> tuple[Any, ...]:
        states = [self._core.save_symbol(i) for i in range(len(self._symbols))]
        return (
            _restore,
            (self._transforms, self.input_names(), list(self._symbols), states),
        )

    def __copy__(self) -> UniversePipeline:
        return _restore(*self.__reduce__()[1])

    def __deepcopy__(self, memo: dict[int, Any]) -> UniversePipeline:
        return self.__copy__()


def _restore(
    transforms: list[Any], input_names: list[str], symbols: list[Hashable], states: list[Any]
) -> UniversePipeline:
    # Checked as the constructor checks, without its warnings (given when the
    # universe was first built); each state must then fit its symbol's stages.
    u = UniversePipeline.__new__(UniversePipeline)
    u._build(transforms, input_names, symbols, warn_level=0)
    if len(states) != len(symbols):
        raise _zerak.InvalidInputError("a universe snapshot with one state per symbol expected")
    for i, state in enumerate(states):
        u._core.restore_symbol(i, list(state))
    return u


def universe_frame(
    pipeline: UniversePipeline,
    frame: Any,
    *,
    symbol: str = "symbol",
    time: str = "time",
    threads: int = 1,
) -> Any:
    """universe_frame(pipeline, frame, *, symbol="symbol", time="time", threads=1)

    Runs a long frame (one row per symbol and time, in any order) through
    ``pipeline.run_research`` and returns its outputs row for row.

    The bars are the distinct values of the ``time`` column in sorted order; a
    symbol with no row at a time did not trade then. Every symbol must be one
    of ``pipeline.symbols()``.

    Args:
        pipeline: The universe; it is reset first.
        frame: Any frame ``zerak.research_frame`` reads (pandas, polars eager
            or lazy, pyarrow, other narwhals frames, an Arrow stream, a
            mapping of names to 1-D arrays) with the symbol, time and input
            columns.

    Returns:
        A frame of the same kind with one column per output, aligned with
        ``frame``'s rows (a pandas result keeps its index).
    """
    from . import frames

    np = _numpy()
    count = _threads(threads)
    names, outputs = pipeline.input_names(), pipeline.output_names()
    # Read and checked, all of it, before anything runs.
    source = frames._Source(frame, "universe_frame", names, None, outputs, (symbol, time))
    columns = source.columns(names)
    rows_symbol = _symbol_rows(source.values(symbol), pipeline._index, symbol)
    times, rows_bar = _factorize(source.values(time), time)
    n = len(pipeline)
    cells = rows_bar * n + rows_symbol
    # One row per cell: a count, not a sort.
    if len(cells) and np.bincount(cells, minlength=len(times) * n).max() > 1:
        raise _zerak.InvalidInputError(f"two rows for one {symbol} at one {time}")
    panel = np.full((len(times), n, len(names)), np.nan)
    flat, at = panel.reshape(-1), cells * len(names)
    for j, column in enumerate(columns):  # a scatter per column: the cheapest numpy has
        flat[at + j] = column
    out = pipeline.run_research(panel, threads=count)
    values = np.take(out.reshape(len(times) * n, len(outputs)), cells, axis=0)  # whole rows
    return source.result(values, outputs, rows_are_bars=True)


def _loaded_pandas() -> Any:
    """pandas when something has imported it: its hashing is linear where a
    sort is not, but it is no reason to import pandas."""
    return sys.modules.get("pandas")


def _factorize(values: Any, what: str) -> tuple[Any, Any]:
    """The sorted distinct values and each row's position among them."""
    np = _numpy()
    pd = _loaded_pandas()
    missing = pd.isna(values) if pd is not None else _missing(values)
    if missing.any():
        raise _zerak.InvalidInputError(
            f"column {what!r} has a missing value at row {int(np.argmax(missing))}: "
            "every row needs one"
        )
    if pd is not None:
        codes, uniques = pd.factorize(values, sort=True)
        return uniques, codes.astype(np.intp, copy=False)
    uniques, codes = np.unique(values, return_inverse=True)
    return uniques, codes.reshape(-1).astype(np.intp, copy=False)


def _missing(values: Any) -> Any:
    np = _numpy()
    kind = values.dtype.kind
    if kind in "mM":
        return np.isnat(values)
    if kind in "fc":
        return np.isnan(values)
    if kind == "O":
        return np.fromiter(map(_is_gap, values), dtype=bool, count=len(values))
    return np.zeros(len(values), dtype=bool)


def _is_gap(value: object) -> bool:
    if value is None:
        return True
    try:
        return bool(value != value)  # NaN, NaT
    except Exception:  # pandas' NA has no truth value
        return True


def _symbol_rows(ids: Any, index: dict[Hashable, int], what: str) -> Any:
    """Each row's position on the symbol axis; InvalidInputError for a symbol
    not in the universe."""
    np = _numpy()
    pd = _loaded_pandas()
    if pd is not None:
        codes, uniques = pd.factorize(ids, use_na_sentinel=False)
    elif ids.dtype.kind == "O":  # objects need not be orderable
        seen: dict[Any, int] = {}
        codes = np.fromiter((seen.setdefault(v, len(seen)) for v in ids), np.intp, len(ids))
        uniques = list(seen)
    else:
        uniques, codes = np.unique(ids, return_inverse=True)
    distinct = [v.item() if isinstance(v, np.generic) else v for v in uniques]
    try:
        at = np.fromiter((index[v] for v in distinct), dtype=np.intp, count=len(distinct))
    except KeyError as missing:
        raise _zerak.InvalidInputError(
            f"{what} {missing.args[0]!r} is not in the universe"
        ) from None
    return at[np.asarray(codes).reshape(-1)]
