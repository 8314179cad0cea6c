"""Type stubs for the compiled module ``zerak._zerak``."""

from collections.abc import Buffer, Sequence
from typing import Any, Literal, Self, SupportsFloat, SupportsIndex, final

import numpy as np
from numpy.typing import NDArray

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
    "fit_standard_scaler",
    "FutureReturn",
    "FutureCTCVolatility",
    "FutureLinearSlope",
    "FeaturePipeline",
    "TargetPipeline",
]

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
_Method = Literal["pearson", "spearman", "kendall"]
_Regression = Literal["c", "ct"]

class _Transform:
    def update(self, values: _Row) -> list[float]: ...
    def reset(self) -> None: ...
    def input_names(self) -> list[str]: ...
    def output_names(self) -> list[str]: ...
    def warm_up_period(self) -> int: ...
    # pickle, copy.copy and copy.deepcopy keep configuration and state
    def __reduce__(self) -> tuple[object, tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...

class _Target:
    def input_names(self) -> list[str]: ...
    def output_names(self) -> list[str]: ...
    def forward_period(self) -> int: ...
    # pickle, copy.copy and copy.deepcopy keep configuration and state
    def __reduce__(self) -> tuple[object, tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...

# ---- correlation -------------------------------------------------------------

@final
class Correlation(_Transform):
    """Rolling Pearson, Spearman or Kendall tau-b correlation of two columns
    (``inputs=[a, b]``) over the last ``window`` bars; NaN during warm-up, while
    a NaN is in either window, or when either series is constant."""

    def __new__(
        cls, inputs: _Names, window: SupportsIndex, outputs: _Names, method: _Method = "pearson"
    ) -> Correlation: ...

@final
class AutoCorrelation(_Transform):
    """Rolling correlation of one column with itself ``lag`` bars earlier, over
    ``window`` pairs, by the same three methods as ``Correlation``; warm-up
    ``window + lag - 1`` bars."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        lag: SupportsIndex = 1,
        method: _Method = "pearson",
    ) -> AutoCorrelation: ...

# ---- element-wise operators ------------------------------------------------

@final
class Add(_Transform):
    """Element-wise ``a + b`` of two columns; NaN if either is NaN; no warm-up."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Add: ...

@final
class Subtract(_Transform):
    """Element-wise ``a - b`` of two columns; NaN if either is NaN; no warm-up."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Subtract: ...

@final
class Multiply(_Transform):
    """Element-wise ``a * b`` of two columns; NaN if either is NaN; no warm-up."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Multiply: ...

@final
class Divide(_Transform):
    """Element-wise ``a / b`` of two columns; NaN if either is NaN or ``b`` is 0;
    no warm-up."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Divide: ...

@final
class Reciprocal(_Transform):
    """Element-wise ``1 / x``; NaN if ``x`` is NaN or 0; no warm-up."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Reciprocal: ...

@final
class NegLog(_Transform):
    """Element-wise ``-ln(x)``; NaN if ``x`` is NaN or not positive; no warm-up."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> NegLog: ...

@final
class Log(_Transform):
    """Element-wise ``ln(x)``; NaN if ``x`` is NaN or not positive; no warm-up."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Log: ...

@final
class Logit(_Transform):
    """Element-wise ``ln(x / (1 - x))``; NaN outside the open interval (0, 1);
    no warm-up."""

    def __new__(cls, inputs: _Names, outputs: _Names) -> Logit: ...

# ---- augmented Dickey-Fuller test --------------------------------------------

@final
class Adf(_Transform):
    """Rolling augmented Dickey-Fuller test over the last ``window`` bars: two
    outputs, the statistic and its MacKinnon p-value, with a constant
    (``regression="c"``) or a constant and trend (``"ct"``) and ``lags`` lagged
    differences (default ``12 * (window / 100) ** 0.25``, rounded down)."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        lags: SupportsIndex | None = None,
        regression: _Regression = "c",
    ) -> Adf: ...

# ---- moving averages -------------------------------------------------------

@final
class Sma(_Transform):
    """Simple moving average of the last ``window`` values; NaN during the
    ``window - 1`` bars of warm-up and while a NaN is in the window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Sma: ...

@final
class Ema(_Transform):
    """Exponential moving average with alpha ``2 / (window + 1)``, seeded with
    the mean of the first ``window`` values; a NaN input restarts the seeding."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Ema: ...

@final
class Kama(_Transform):
    """Kaufman's adaptive moving average over ``window`` price changes, its
    smoothing between the ``fast`` and ``slow`` EMA constants by the efficiency
    ratio of the window."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        fast: SupportsIndex = 2,
        slow: SupportsIndex = 30,
    ) -> Kama: ...

@final
class Mma(_Transform):
    """Moving median of the last ``window`` values; NaN during warm-up and while
    a NaN is in the window."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Mma: ...

# ---- returns ---------------------------------------------------------------

@final
class SimpleReturn(_Transform):
    """Simple return ``(p - p[-window]) / p[-window]`` over a lookback of
    ``window`` bars; NaN for a missing or non-positive base price."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> SimpleReturn: ...

@final
class LogReturn(_Transform):
    """Log return ``ln(p / p[-window])`` over a lookback of ``window`` bars; NaN
    for a missing or non-positive price."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> LogReturn: ...

# ---- scalers and fitting ---------------------------------------------------

@final
class RollingZScore(_Transform):
    """``(x - mean) / std`` against the mean and sample standard deviation of the
    last ``window`` values (the current one included); NaN on constant windows."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> RollingZScore: ...

@final
class FixedZScore(_Transform):
    """``(x - mean) / std`` with a mean and standard deviation fitted beforehand,
    for example by ``fit_standard_scaler``; no warm-up."""

    def __new__(cls, inputs: _Names, outputs: _Names, mean: _Number, std: _Number) -> FixedZScore: ...

def fit_standard_scaler(data: _Row) -> tuple[float, float]:
    """Mean and sample standard deviation of the non-NaN values of one column."""

# ---- forward-looking targets -----------------------------------------------

@final
class FutureReturn(_Target):
    """Label: simple return from each bar to ``horizon`` bars later; NaN for the
    last ``horizon`` bars and for a non-positive base. Runs in a ``TargetPipeline``."""

    def __new__(cls, inputs: _Names, horizon: SupportsIndex, outputs: _Names) -> FutureReturn: ...

@final
class FutureCTCVolatility(_Target):
    """Label: sample standard deviation of the next ``horizon`` close-to-close log
    returns after each bar; NaN for the last ``horizon`` bars. Runs in a
    ``TargetPipeline``."""

    def __new__(
        cls, inputs: _Names, horizon: SupportsIndex, outputs: _Names
    ) -> FutureCTCVolatility: ...

@final
class FutureLinearSlope(_Target):
    """Label: least-squares slope and R² of ``y`` on ``x`` (``inputs=[x, y]``) over
    the ``horizon`` bars starting at each bar (two outputs). Runs in a
    ``TargetPipeline``."""

    def __new__(
        cls, inputs: _Names, horizon: SupportsIndex, outputs: _Names
    ) -> FutureLinearSlope: ...

# ---- feature pipeline ------------------------------------------------------

@final
class FeaturePipeline:
    """Runs private copies of any transforms in dependency order, routing columns
    by name: ``update`` takes one bar in ``input_names()`` order, ``run_research``
    a whole dataset (a row per bar); outputs come in ``output_names()`` order."""

    def __new__(cls, features: Sequence[_Transform], input_columns: _Names) -> FeaturePipeline: ...
    # pickle, copy.copy and copy.deepcopy keep configuration and state
    def __reduce__(self) -> tuple[object, tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...
    def update(self, values: _Row) -> list[float]: ...
    def run_research(self, data: Sequence[_Row] | Buffer) -> list[list[float]]:
        """``data``: a sequence of bars, or a 2-D float64 buffer with a row per bar."""
    def run_research_array(self, data: Sequence[_Row] | Buffer) -> NDArray[np.float64]:
        """``run_research`` with a float64 array (bars, outputs) as the result."""
    def update_many(self, data: Sequence[_Row] | Buffer) -> NDArray[np.float64]:
        """``update`` for each bar of ``data`` in turn, continuing from the current
        state; a float64 array (bars, outputs)."""
    def reset(self) -> None: ...
    def output_names(self) -> list[str]: ...
    def input_names(self) -> list[str]: ...
    def warm_up_period(self) -> int: ...
    def __len__(self) -> int: ...

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
    def __reduce__(self) -> tuple[object, tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...
    def run_research(self, data: Sequence[_Row | Buffer] | Buffer) -> list[list[float]]:
        """``data``: one column per input column (lists, 1-D float64 buffers, or one
        2-D float64 buffer with a row per column)."""
    def run_research_array(self, data: Sequence[_Row | Buffer] | Buffer) -> NDArray[np.float64]:
        """``run_research`` with a float64 array (outputs, bars) as the result."""
    def output_names(self) -> list[str]: ...
    def input_names(self) -> list[str]: ...
    def forward_period(self) -> int: ...
    def __len__(self) -> int: ...

# ---- rolling moments, slope, range volatility, entropy ----------------------

@final
class Skewness(_Transform):
    """Rolling bias-corrected sample skewness (G1) of the last ``window`` values
    (``window >= 3``); NaN on constant windows."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Skewness: ...

@final
class Kurtosis(_Transform):
    """Rolling bias-corrected excess kurtosis (G2) of the last ``window`` values
    (``window >= 4``); NaN on constant windows."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> Kurtosis: ...

@final
class LinearSlope(_Transform):
    """Rolling least-squares regression of ``y`` on ``x`` (``inputs=[x, y]``)
    over the last ``window`` bars: two outputs, the slope and R²."""

    def __new__(cls, inputs: _Names, window: SupportsIndex, outputs: _Names) -> LinearSlope: ...

@final
class ParkinsonVolatility(_Transform):
    """Rolling Parkinson volatility ``sqrt(mean(ln(H/L)²) / (4 ln 2))`` from
    ``inputs=[high, low]``, per bar, not annualised."""

    def __new__(
        cls, inputs: _Names, window: SupportsIndex, outputs: _Names
    ) -> ParkinsonVolatility: ...

@final
class RogersSatchellVolatility(_Transform):
    """Rolling Rogers-Satchell volatility from ``inputs=[high, low, open,
    close]``, per bar, not annualised; NaN on an invalid bar in the window."""

    def __new__(
        cls, inputs: _Names, window: SupportsIndex, outputs: _Names
    ) -> RogersSatchellVolatility: ...

@final
class ShannonEntropy(_Transform):
    """Rolling Shannon entropy (nats) of the last ``window`` values in
    equal-width bins (Sturges' rule unless ``bins`` is given), divided by
    ``ln(bins)`` when ``normalize``; NaN while a NaN is in the window."""

    def __new__(
        cls,
        inputs: _Names,
        window: SupportsIndex,
        outputs: _Names,
        bins: SupportsIndex | None = None,
        normalize: bool | np.bool_ = True,
    ) -> ShannonEntropy: ...
