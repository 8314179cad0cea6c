"""Type stubs for the compiled module ``zerak._zerak``."""

from collections.abc import Buffer, Callable, Mapping, Sequence
from typing import Any, Literal, Self, SupportsFloat, SupportsIndex, final

import numpy as np
from numpy.typing import NDArray

from .custom import Transform as _UserTransform

# BEGIN GENERATED __all__ (scripts/gen-stubs.py, from zerak._zerak.__all__)
__all__ = [
    "ZerakError",
    "InvalidConfigError",
    "InvalidInputError",
    "MissingInputColumnError",
    "DuplicateOutputKeyError",
    "CyclicDependencyError",
    "Adf",
    "Sma",
    "Ema",
    "Kama",
    "SimpleReturn",
    "LogReturn",
    "Mma",
    "Skewness",
    "Kurtosis",
    "LinearSlope",
    "ParkinsonVolatility",
    "RogersSatchellVolatility",
    "ShannonEntropy",
    "Correlation",
    "AutoCorrelation",
    "Add",
    "Subtract",
    "Multiply",
    "Divide",
    "Reciprocal",
    "NegLog",
    "Log",
    "Logit",
    "RollingZScore",
    "FixedZScore",
    "RollingSum",
    "RollingVariance",
    "RollingStd",
    "RollingCovariance",
    "RollingBeta",
    "RollingQuantile",
    "RollingRank",
    "RollingMin",
    "RollingMax",
    "BarsSinceMax",
    "BarsSinceMin",
    "Stochastic",
    "WilliamsR",
    "Aroon",
    "DonchianChannel",
    "Lag",
    "Diff",
    "Abs",
    "Sqrt",
    "Exp",
    "Sign",
    "Scale",
    "Clip",
    "Maximum",
    "Minimum",
    "EwmVariance",
    "EwmStd",
    "Rsi",
    "Macd",
    "Roc",
    "Momentum",
    "StochasticRsi",
    "Wma",
    "Dema",
    "Tema",
    "Trix",
    "BollingerBands",
    "Trima",
    "TrueRange",
    "Atr",
    "Natr",
    "Adx",
    "Cci",
    "UltimateOscillator",
    "KeltnerChannel",
    "Obv",
    "AccumulationDistribution",
    "ChaikinMoneyFlow",
    "Mfi",
    "Vwap",
    "GarmanKlassVolatility",
    "YangZhangVolatility",
    "fit_standard_scaler",
    "FutureReturn",
    "FutureCTCVolatility",
    "FutureLinearSlope",
    "FeaturePipeline",
    "TargetPipeline",
]
# END GENERATED __all__

class ZerakError(Exception):
    """Base of every error zerak raises for a bad configuration or a row of the wrong shape."""

class InvalidConfigError(ZerakError):
    """A pipeline cannot be built from what it was given, or a method string is unknown."""

class InvalidInputError(ZerakError):
    """A constructor argument is out of range, or a bar or dataset has the wrong shape."""

class MissingInputColumnError(ZerakError):
    """A transform reads a column that neither the inputs nor another transform provide."""

class DuplicateOutputKeyError(ZerakError):
    """Two transforms (or targets) of one pipeline write the same output name."""

class CyclicDependencyError(ZerakError):
    """The transforms of a pipeline read each other's outputs in a circle."""

# Anything the binding converts with float(): float, int, numpy scalars.
_Number = SupportsFloat | SupportsIndex
# Lists of column names: any sequence of str other than a str itself.
_Names = Sequence[str]
# numpy arrays go through the sequence protocol, or are read in place when float64.
_NumericArray = NDArray[np.floating[Any] | np.integer[Any] | np.bool_]
# One bar (or one column): a value per input column, NaN for missing.
_Row = Sequence[_Number] | _NumericArray
# A bar by name: each input column's value under its name (None is missing);
# a pandas Series with the column names as labels reads the same way.
_NamedRow = Mapping[str, _Number | None]
_Method = Literal["pearson", "spearman", "kendall"]
_Regression = Literal["c", "ct"]

class _Transform:
    def update(self, values: _Row) -> list[float]: ...
    def reset(self) -> None: ...
    def input_names(self) -> list[str]: ...
    def output_names(self) -> list[str]: ...
    def warm_up_period(self) -> int: ...
    # pickle, copy.copy and copy.deepcopy keep configuration and state
    def __reduce__(self) -> tuple[Callable[[bytes], Self], tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...

class _Target:
    def input_names(self) -> list[str]: ...
    def output_names(self) -> list[str]: ...
    def forward_period(self) -> int: ...
    # pickle, copy.copy and copy.deepcopy keep configuration and state
    def __reduce__(self) -> tuple[Callable[[bytes], Self], tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...

# ---- fitting ---------------------------------------------------------------

def fit_standard_scaler(data: _Row) -> tuple[float, float]:
    """Mean and sample standard deviation of the non-NaN values of one column."""

# Called between blocks with (bars done, total); True shows a tqdm bar.
_Progress = Callable[[int, int], object] | bool | None

# ---- feature pipeline ------------------------------------------------------

@final
class FeaturePipeline:
    """Runs private copies of any transforms in dependency order, routing columns
    by name: ``update`` takes one bar in ``input_names()`` order, ``run_research``
    a whole dataset (a row per bar); outputs come in ``output_names()`` order."""

    def __new__(
        cls, features: Sequence[_Transform | _UserTransform], input_columns: _Names
    ) -> FeaturePipeline: ...
    # pickle, copy.copy and copy.deepcopy keep configuration and state
    def __reduce__(self) -> tuple[Callable[[bytes], Self], tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...
    def update(self, values: _Row | _NamedRow) -> list[float]: ...
    def peek(self, values: _Row | _NamedRow) -> list[float]:
        """What ``update(values)`` would return, without changing the pipeline."""
    def transforms(self) -> list[_Transform | _UserTransform]:
        """Copies of the transforms, with their state, in the order they run."""
    def _findings(self, data_length: SupportsIndex | None) -> list[tuple[str, str]]: ...
    @classmethod
    def _unwarned(
        cls, features: Sequence[_Transform | _UserTransform], input_columns: _Names
    ) -> FeaturePipeline: ...
    def run_research(
        self, data: Sequence[_Row] | Buffer, *, progress: _Progress = None, threads: int = 1
    ) -> list[list[float]]:
        """``data``: a sequence of bars, or a 2-D float64 buffer with a row per bar.
        ``progress``: called with (bars done, total) between blocks; True for a
        tqdm bar."""
    def run_research_array(
        self, data: Sequence[_Row] | Buffer, *, progress: _Progress = None, threads: int = 1
    ) -> NDArray[np.float64]:
        """``run_research`` with a float64 array (bars, outputs) as the result;
        ``threads`` features that do not read each other run side by side."""
    def update_many(
        self,
        data: Sequence[_Row] | Buffer | Mapping[str, Any],
        *,
        progress: _Progress = None,
        threads: int = 1,
    ) -> NDArray[np.float64]:
        """``update`` for each bar of ``data`` in turn, continuing from the current
        state; a float64 array (bars, outputs). A mapping gives the columns by name."""
    def reset(self) -> None: ...
    def output_names(self) -> list[str]: ...
    def input_names(self) -> list[str]: ...
    def warm_up_period(self) -> int: ...
    def __len__(self) -> int: ...
    # print() and IPython show the transforms, input columns and output names
    def _repr_pretty_(self, p: Any, cycle: bool, /) -> None: ...

# ---- target pipeline ---------------------------------------------------------

@final
class TargetPipeline:
    """Labels a whole dataset with several forward-looking targets:
    ``run_research`` takes one column per input column and returns one column
    per output."""

    def __new__(
        cls,
        targets: Sequence[_Target],
        input_columns: _Names,
    ) -> TargetPipeline: ...
    # pickle, copy.copy and copy.deepcopy keep configuration and state
    def __reduce__(self) -> tuple[Callable[[bytes], Self], tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...
    def run_research(
        self, data: Sequence[_Row | Buffer] | Buffer, *, progress: _Progress = None
    ) -> list[list[float]]:
        """``data``: one column per input column (lists, 1-D float64 buffers, or one
        2-D float64 buffer with a row per column). ``progress`` as for
        ``FeaturePipeline.run_research``, each target counting its bars."""
    def run_research_array(
        self, data: Sequence[_Row | Buffer] | Buffer, *, progress: _Progress = None
    ) -> NDArray[np.float64]:
        """``run_research`` with a float64 array (outputs, bars) as the result."""
    def output_names(self) -> list[str]: ...
    def input_names(self) -> list[str]: ...
    def forward_period(self) -> int: ...
    def __len__(self) -> int: ...
    # print() and IPython show the targets, input columns and output names
    def _repr_pretty_(self, p: Any, cycle: bool, /) -> None: ...

# ---- transforms and targets ------------------------------------------------
# BEGIN GENERATED classes (scripts/gen-stubs.py, from the binding's signatures and docstrings)
@final
class Adf(_Transform):
    """Rolling Augmented Dickey-Fuller test.

    Produces two outputs per bar: the ADF statistic and its approximate p-value.
    A very negative stat (e.g. below -3.5 for ``regression='c'``) and a small
    p-value indicate stationarity (rejection of the unit-root null hypothesis).

    P-values use the asymptotic MacKinnon (2010) distribution. Results are most
    reliable for ``window >= 100``."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        lags: SupportsIndex | None = None,
        regression: _Regression = "c",
    ) -> Adf: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def lags(self) -> int: ...
    @property
    def regression(self) -> _Regression: ...

@final
class Sma(_Transform):
    """Simple Moving Average over a rolling window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Sma: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Ema(_Transform):
    """Exponential Moving Average with SMA seeding."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Ema: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Kama(_Transform):
    """Kaufman's Adaptive Moving Average."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        fast: SupportsIndex = 2,
        slow: SupportsIndex = 30,
    ) -> Kama: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def fast(self) -> int: ...
    @property
    def slow(self) -> int: ...

@final
class SimpleReturn(_Transform):
    """Simple (arithmetic) return over a configurable lookback window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> SimpleReturn: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class LogReturn(_Transform):
    """Log return over a configurable lookback window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> LogReturn: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Mma(_Transform):
    """Median Moving Average over a rolling window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Mma: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Skewness(_Transform):
    """Rolling sample skewness (Fisher-Pearson corrected)."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        accurate: bool | np.bool_ = False,
    ) -> Skewness: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def accurate(self) -> bool: ...

@final
class Kurtosis(_Transform):
    """Rolling excess kurtosis (Fisher)."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        accurate: bool | np.bool_ = False,
    ) -> Kurtosis: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def accurate(self) -> bool: ...

@final
class LinearSlope(_Transform):
    """Rolling OLS regression: slope and R² of y on x over a sliding window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> LinearSlope: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class ParkinsonVolatility(_Transform):
    """Rolling Parkinson volatility estimator (high/low)."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
    ) -> ParkinsonVolatility: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class RogersSatchellVolatility(_Transform):
    """Rolling Rogers-Satchell volatility estimator (OHLC)."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
    ) -> RogersSatchellVolatility: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class ShannonEntropy(_Transform):
    """Rolling Shannon entropy over a fixed window.

    Discretizes the last ``window`` values into equal-width bins and computes
    ``H = -sum(p_i * ln(p_i))`` in nats. When ``normalize`` is ``True``,
    outputs ``H / ln(n_bins)`` in [0, 1].
    Returns ``NaN`` during warm-up or while any ``NaN`` is in the window."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        bins: SupportsIndex | None = None,
        normalize: bool | np.bool_ = True,
    ) -> ShannonEntropy: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def bins(self) -> int | None: ...
    @property
    def normalize(self) -> bool: ...

@final
class Correlation(_Transform):
    """Rolling pairwise correlation between two input series.

    Supports three methods:

    - ``'pearson'``: linear correlation, O(n) per bar. Suitable for live trading.
    - ``'spearman'``: rank correlation, O(n log n) per bar. Suitable for live trading.
    - ``'kendall'``: Kendall tau-b rank correlation, O(n^2) per bar. Prefer
      small windows (window <= 30) for live trading.

    Returns ``NaN`` during warm-up or when either series is constant over the window."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        method: _Method = "pearson",
        accurate: bool | np.bool_ = False,
    ) -> Correlation: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def method(self) -> _Method: ...
    @property
    def accurate(self) -> bool: ...

@final
class AutoCorrelation(_Transform):
    """Rolling autocorrelation of a single series at a fixed lag.

    Computes the correlation between the current window ``x[t-window+1..t]``
    and the lagged window ``x[t-window+1-lag..t-lag]``. Supports the same
    three methods as ``Correlation``.

    Returns ``NaN`` during warm-up or when either sub-window is constant."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        lag: SupportsIndex = 1,
        method: _Method = "pearson",
    ) -> AutoCorrelation: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def lag(self) -> int: ...
    @property
    def method(self) -> _Method: ...

@final
class Add(_Transform):
    """Element-wise addition: A + B."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Add: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Subtract(_Transform):
    """Element-wise subtraction: A - B."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Subtract: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Multiply(_Transform):
    """Element-wise multiplication: A * B."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Multiply: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Divide(_Transform):
    """Element-wise division: A / B."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Divide: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Reciprocal(_Transform):
    """Multiplicative inverse: 1 / x."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Reciprocal: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class NegLog(_Transform):
    """Negative natural logarithm: -ln(x)."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> NegLog: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Log(_Transform):
    """Natural logarithm: ln(x)."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Log: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Logit(_Transform):
    """Logit function: ln(x / (1 - x))."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Logit: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class RollingZScore(_Transform):
    """Rolling z-score normalization over a sliding window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> RollingZScore: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class FixedZScore(_Transform):
    """Z-score normalization with pre-fitted mean and std."""

    def __new__(
        cls,
        inputs: _Names,
        outputs: _Names,
        mean: _Number,
        std: _Number,
    ) -> FixedZScore: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def mean(self) -> float: ...
    @property
    def std(self) -> float: ...

@final
class RollingSum(_Transform):
    """Rolling sum over a sliding window.

    Returns ``NaN`` during warm-up and while a ``NaN`` is in the window. With
    ``running=True`` the sum is kept as a compensated running sum, recomputed
    from the window every ``window`` bars and whenever it can no longer be trusted."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        running: bool | np.bool_ = False,
    ) -> RollingSum: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def running(self) -> bool: ...

@final
class RollingVariance(_Transform):
    """Rolling variance over a sliding window (divisor ``window - ddof``).

    Returns ``NaN`` during warm-up and while a ``NaN`` is in the window; a constant
    window gives exactly 0. With ``running=True`` the variance comes from shifted
    running sums, recomputed from the window every ``window`` bars and whenever
    they can no longer be trusted: O(1) per bar."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        ddof: SupportsIndex = 1,
        running: bool | np.bool_ = False,
    ) -> RollingVariance: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def ddof(self) -> int: ...
    @property
    def running(self) -> bool: ...

@final
class RollingStd(_Transform):
    """Rolling standard deviation over a sliding window (divisor ``window - ddof``).

    Returns ``NaN`` during warm-up and while a ``NaN`` is in the window; a constant
    window gives exactly 0. With ``running=True`` the variance comes from shifted
    running sums, recomputed from the window every ``window`` bars and whenever
    they can no longer be trusted: O(1) per bar."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        ddof: SupportsIndex = 1,
        running: bool | np.bool_ = False,
    ) -> RollingStd: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def ddof(self) -> int: ...
    @property
    def running(self) -> bool: ...

@final
class RollingCovariance(_Transform):
    """Rolling covariance of two input series (divisor ``window - ddof``).

    Returns ``NaN`` during warm-up and while a ``NaN`` is in the window; 0 when
    either series is constant. With ``running=True`` it comes from shifted running
    sums, recomputed from the window every ``window`` bars and whenever they can
    no longer be trusted: O(1) per bar."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        ddof: SupportsIndex = 1,
        running: bool | np.bool_ = False,
    ) -> RollingCovariance: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def ddof(self) -> int: ...
    @property
    def running(self) -> bool: ...

@final
class RollingBeta(_Transform):
    """Rolling beta: cov(x, y) / var(x) over a sliding window, for inputs [x, y].

    Returns ``NaN`` during warm-up, while a ``NaN`` is in the window, and when x is
    constant (no variance). With ``running=True`` it comes from shifted running
    sums, recomputed from the window every ``window`` bars and whenever they can
    no longer be trusted: O(1) per bar."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        running: bool | np.bool_ = False,
    ) -> RollingBeta: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def running(self) -> bool: ...

@final
class RollingQuantile(_Transform):
    """Rolling quantile (linear interpolation between order statistics)."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        q: _Number = 0.5,
    ) -> RollingQuantile: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def q(self) -> float: ...

@final
class RollingRank(_Transform):
    """Rolling percentile rank of the newest value (ties averaged)."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> RollingRank: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class RollingMin(_Transform):
    """Rolling minimum: the smallest of the last ``window`` values."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> RollingMin: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class RollingMax(_Transform):
    """Rolling maximum: the largest of the last ``window`` values."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> RollingMax: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class BarsSinceMax(_Transform):
    """Bars since the largest of the last ``window`` values (0: the newest bar).

    Among equal maxima the most recent counts."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> BarsSinceMax: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class BarsSinceMin(_Transform):
    """Bars since the smallest of the last ``window`` values (0: the newest bar).

    Among equal minima the most recent counts."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> BarsSinceMin: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Stochastic(_Transform):
    """Slow stochastic oscillator.

    Fast %K = 100 * (close - lowest low) / (highest high - lowest low) over the
    last ``fastk`` bars (0 when the range is 0); slow %K is its ``slowk``-bar
    simple mean and slow %D the ``slowd``-bar simple mean of slow %K."""

    def __new__(
        cls,
        inputs: _Names,
        outputs: _Names,
        fastk: SupportsIndex = 5,
        slowk: SupportsIndex = 3,
        slowd: SupportsIndex = 3,
    ) -> Stochastic: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def fastk(self) -> int: ...
    @property
    def slowk(self) -> int: ...
    @property
    def slowd(self) -> int: ...

@final
class WilliamsR(_Transform):
    """Williams' %R: -100 * (highest high - close) / (highest high - lowest low) over
    the last ``window`` bars; 0 when the range is 0."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> WilliamsR: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Aroon(_Transform):
    """Aroon: 100 * (window - bars since the lowest low) / window (down) and the
    same for the highest high (up), over the last ``window + 1`` bars.

    Among equal extremes the most recent counts."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Aroon: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class DonchianChannel(_Transform):
    """Donchian channel: the highest high (upper) and lowest low (lower) of the
    last ``window`` bars and their mean (middle)."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> DonchianChannel: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Lag(_Transform):
    """Lagged value: x shifted by ``periods`` bars."""

    def __new__(cls, inputs: _Names, periods: SupportsIndex, outputs: _Names) -> Lag: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def periods(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Diff(_Transform):
    """Difference: x minus x ``periods`` bars ago."""

    def __new__(cls, inputs: _Names, periods: SupportsIndex, outputs: _Names) -> Diff: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def periods(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Abs(_Transform):
    """Absolute value: |x|."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Abs: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Sqrt(_Transform):
    """Square root: sqrt(x)."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Sqrt: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Exp(_Transform):
    """Exponential: e**x."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Exp: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Sign(_Transform):
    """Sign: -1.0, 0.0 or 1.0."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Sign: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Scale(_Transform):
    """Affine map: x * scale + offset."""

    def __new__(
        cls,
        inputs: _Names,
        outputs: _Names,
        scale: _Number = 1.0,
        offset: _Number = 0.0,
    ) -> Scale: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def scale(self) -> float: ...
    @property
    def offset(self) -> float: ...

@final
class Clip(_Transform):
    """Clip to [lower, upper]; None leaves a side unbounded."""

    def __new__(
        cls,
        inputs: _Names,
        outputs: _Names,
        lower: _Number | None = None,
        upper: _Number | None = None,
    ) -> Clip: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def lower(self) -> float | None: ...
    @property
    def upper(self) -> float | None: ...

@final
class Maximum(_Transform):
    """Element-wise maximum of A and B."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Maximum: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Minimum(_Transform):
    """Element-wise minimum of A and B."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Minimum: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class EwmVariance(_Transform):
    """Exponentially weighted variance (population) with SMA-style seeding."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> EwmVariance: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class EwmStd(_Transform):
    """Exponentially weighted standard deviation: the square root of EwmVariance."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> EwmStd: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Rsi(_Transform):
    """Relative Strength Index with Wilder smoothing."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Rsi: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Macd(_Transform):
    """Moving Average Convergence/Divergence: macd, signal and histogram."""

    def __new__(
        cls,
        inputs: _Names,
        outputs: _Names,
        fast: SupportsIndex = 12,
        slow: SupportsIndex = 26,
        signal: SupportsIndex = 9,
    ) -> Macd: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def fast(self) -> int: ...
    @property
    def slow(self) -> int: ...
    @property
    def signal(self) -> int: ...

@final
class Roc(_Transform):
    """Rate of change in percent over a lookback window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Roc: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Momentum(_Transform):
    """Momentum: the change of the price over a lookback window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Momentum: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class StochasticRsi(_Transform):
    """Stochastic RSI: the stochastic oscillator of the RSI, fastk and fastd."""

    def __new__(
        cls,
        inputs: _Names,
        outputs: _Names,
        window: SupportsIndex = 14,
        fastk: SupportsIndex = 5,
        fastd: SupportsIndex = 3,
    ) -> StochasticRsi: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def fastk(self) -> int: ...
    @property
    def fastd(self) -> int: ...

@final
class Wma(_Transform):
    """Weighted Moving Average with linear weights."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Wma: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Dema(_Transform):
    """Double Exponential Moving Average: 2 * EMA - EMA of the EMA."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Dema: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Tema(_Transform):
    """Triple Exponential Moving Average: 3 * EMA - 3 * EMA of the EMA + its EMA."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Tema: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Trix(_Transform):
    """TRIX: one-bar rate of change in percent of a triple EMA."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Trix: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class BollingerBands(_Transform):
    """Bollinger Bands: the rolling mean and bands of population standard deviations."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        nbdevup: _Number = 2.0,
        nbdevdn: _Number = 2.0,
    ) -> BollingerBands: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def nbdevup(self) -> float: ...
    @property
    def nbdevdn(self) -> float: ...

@final
class Trima(_Transform):
    """Triangular Moving Average with triangular weights."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Trima: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class TrueRange(_Transform):
    """True range of high, low and the previous close."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> TrueRange: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Atr(_Transform):
    """Average True Range (Wilder smoothing, seeded with the mean of the first window true ranges)."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Atr: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Natr(_Transform):
    """Normalized Average True Range: 100 * ATR / close."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Natr: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Adx(_Transform):
    """Average Directional Index with the directional indicators: [plus_di, minus_di, adx]."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Adx: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Cci(_Transform):
    """Commodity Channel Index of the typical price (high + low + close) / 3."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Cci: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class UltimateOscillator(_Transform):
    """Ultimate Oscillator of three windows of buying pressure and true range."""

    def __new__(
        cls,
        inputs: _Names,
        outputs: _Names,
        timeperiod1: SupportsIndex = 7,
        timeperiod2: SupportsIndex = 14,
        timeperiod3: SupportsIndex = 28,
    ) -> UltimateOscillator: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def timeperiod1(self) -> int: ...
    @property
    def timeperiod2(self) -> int: ...
    @property
    def timeperiod3(self) -> int: ...

@final
class KeltnerChannel(_Transform):
    """Keltner channel: EMA of close +/- multiplier * ATR: [upper, middle, lower]."""

    def __new__(
        cls,
        inputs: _Names,
        outputs: _Names,
        window: SupportsIndex = 20,
        atr_window: SupportsIndex = 10,
        multiplier: _Number = 2.0,
    ) -> KeltnerChannel: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def atr_window(self) -> int: ...
    @property
    def multiplier(self) -> float: ...

@final
class Obv(_Transform):
    """On-balance volume (running total of signed volume)."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Obv: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class AccumulationDistribution(_Transform):
    """Accumulation/distribution line (running total of money-flow volume)."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> AccumulationDistribution: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class ChaikinMoneyFlow(_Transform):
    """Rolling Chaikin money flow: sum of money-flow volume over sum of volume."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
    ) -> ChaikinMoneyFlow: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Mfi(_Transform):
    """Money Flow Index (volume-weighted RSI of the typical price), 0 to 100."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Mfi: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class Vwap(_Transform):
    """Rolling volume-weighted average of the typical price (H + L + C) / 3."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Vwap: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class GarmanKlassVolatility(_Transform):
    """Rolling Garman-Klass volatility estimator (OHLC)."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
    ) -> GarmanKlassVolatility: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class YangZhangVolatility(_Transform):
    """Rolling Yang-Zhang volatility estimator (OHLC with overnight gaps)."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
    ) -> YangZhangVolatility: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def window(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class FutureReturn(_Target):
    """Future simple return over ``horizon`` bars."""

    def __new__(cls, inputs: _Names, horizon: SupportsIndex, outputs: _Names) -> FutureReturn: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def horizon(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class FutureCTCVolatility(_Target):
    """Future close-to-close realized volatility."""

    def __new__(
        cls,
        inputs: _Names,
        horizon: SupportsIndex,
        outputs: _Names,
    ) -> FutureCTCVolatility: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def horizon(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

@final
class FutureLinearSlope(_Target):
    """Future OLS slope and R² of y on x over the next ``horizon`` bars."""

    def __new__(
        cls,
        inputs: _Names,
        horizon: SupportsIndex,
        outputs: _Names,
    ) -> FutureLinearSlope: ...
    @property
    def inputs(self) -> list[str]: ...
    @property
    def horizon(self) -> int: ...
    @property
    def outputs(self) -> list[str]: ...

# END GENERATED classes
