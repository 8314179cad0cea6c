"""Type stubs for the compiled module ``zerak._zerak``."""

from collections.abc import Sequence
from typing import Self, SupportsFloat, SupportsIndex, final

import numpy as _np
import numpy.typing as _npt

__all__: list[str]

class ZerakError(Exception): ...
class InvalidConfigError(ZerakError): ...
class InvalidInputError(ZerakError): ...
class MissingInputColumnError(ZerakError): ...
class DuplicateOutputKeyError(ZerakError): ...
class CyclicDependencyError(ZerakError): ...

Names = Sequence[str]
# Array results: a numpy array, or a memoryview of format "d" without numpy.
_Float64Array = _npt.NDArray[_np.float64] | memoryview
Row = Sequence[SupportsFloat | SupportsIndex]

class _Transform:
    def update(self, values: Row) -> list[float]: ...
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
    def __new__(
        cls, inputs: Names, window: SupportsIndex, outputs: Names, method: str = "pearson"
    ) -> Correlation: ...

@final
class AutoCorrelation(_Transform):
    def __new__(
        cls,
        inputs: Names,
        window: SupportsIndex,
        outputs: Names,
        lag: SupportsIndex = 1,
        method: str = "pearson",
    ) -> AutoCorrelation: ...

# ---- element-wise operators ------------------------------------------------

@final
class Add(_Transform):
    def __new__(cls, inputs: Names, outputs: Names) -> Add: ...

@final
class Subtract(_Transform):
    def __new__(cls, inputs: Names, outputs: Names) -> Subtract: ...

@final
class Multiply(_Transform):
    def __new__(cls, inputs: Names, outputs: Names) -> Multiply: ...

@final
class Divide(_Transform):
    def __new__(cls, inputs: Names, outputs: Names) -> Divide: ...

@final
class Reciprocal(_Transform):
    def __new__(cls, inputs: Names, outputs: Names) -> Reciprocal: ...

@final
class NegLog(_Transform):
    def __new__(cls, inputs: Names, outputs: Names) -> NegLog: ...

@final
class Log(_Transform):
    def __new__(cls, inputs: Names, outputs: Names) -> Log: ...

@final
class Logit(_Transform):
    def __new__(cls, inputs: Names, outputs: Names) -> Logit: ...

# ---- augmented Dickey-Fuller test --------------------------------------------

@final
class Adf(_Transform):
    def __new__(
        cls,
        inputs: Names,
        window: SupportsIndex,
        outputs: Names,
        lags: SupportsIndex | None = None,
        regression: str = "c",
    ) -> Adf: ...

# ---- moving averages -------------------------------------------------------

@final
class Sma(_Transform):
    def __new__(cls, inputs: Names, window: SupportsIndex, outputs: Names) -> Sma: ...

@final
class Ema(_Transform):
    def __new__(cls, inputs: Names, window: SupportsIndex, outputs: Names) -> Ema: ...

@final
class Kama(_Transform):
    def __new__(
        cls,
        inputs: Names,
        window: SupportsIndex,
        outputs: Names,
        fast: SupportsIndex = 2,
        slow: SupportsIndex = 30,
    ) -> Kama: ...

@final
class Mma(_Transform):
    def __new__(cls, inputs: Names, window: SupportsIndex, outputs: Names) -> Mma: ...

# ---- returns ---------------------------------------------------------------

@final
class SimpleReturn(_Transform):
    def __new__(cls, inputs: Names, window: SupportsIndex, outputs: Names) -> SimpleReturn: ...

@final
class LogReturn(_Transform):
    def __new__(cls, inputs: Names, window: SupportsIndex, outputs: Names) -> LogReturn: ...

# ---- scalers and fitting ---------------------------------------------------

@final
class RollingZScore(_Transform):
    def __new__(cls, inputs: Names, window: SupportsIndex, outputs: Names) -> RollingZScore: ...

@final
class FixedZScore(_Transform):
    def __new__(
        cls, inputs: Names, outputs: Names, mean: SupportsFloat | SupportsIndex, std: SupportsFloat | SupportsIndex
    ) -> FixedZScore: ...

def fit_standard_scaler(data: Row) -> tuple[float, float]: ...

# ---- forward-looking targets -----------------------------------------------

@final
class FutureReturn(_Target):
    def __new__(cls, inputs: Names, horizon: SupportsIndex, outputs: Names) -> FutureReturn: ...

@final
class FutureCTCVolatility(_Target):
    def __new__(
        cls, inputs: Names, horizon: SupportsIndex, outputs: Names
    ) -> FutureCTCVolatility: ...

@final
class FutureLinearSlope(_Target):
    def __new__(cls, inputs: Names, horizon: SupportsIndex, outputs: Names) -> FutureLinearSlope: ...

# ---- feature pipeline ------------------------------------------------------

@final
class FeaturePipeline:
    # pickle, copy.copy and copy.deepcopy keep configuration and state
    def __reduce__(self) -> tuple[object, tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...
    def __new__(cls, features: Sequence[_Transform], input_columns: Names) -> FeaturePipeline: ...
    def update(self, values: Row) -> list[float]: ...
    def run_research(self, data: Sequence[Row] | _Buffer) -> list[list[float]]:
        """``data``: a sequence of bars, or a 2-D numeric buffer with a row per bar."""
    def run_research_array(self, data: Sequence[Row] | _Buffer) -> _Float64Array:
        """``run_research`` into a float64 array of shape (bars, outputs)."""
    def update_many(self, data: Sequence[Row] | _Buffer) -> _Float64Array:
        """``update`` on each bar in turn, into a float64 array of shape (bars, outputs)."""
    def reset(self) -> None: ...
    def output_names(self) -> list[str]: ...
    def input_names(self) -> list[str]: ...
    def warm_up_period(self) -> int: ...
    def __len__(self) -> int: ...

# ---- target pipeline ---------------------------------------------------------

from collections.abc import Buffer as _Buffer

@final
class TargetPipeline:
    # pickle, copy.copy and copy.deepcopy keep configuration and state
    def __reduce__(self) -> tuple[object, tuple[bytes]]: ...
    def __copy__(self) -> Self: ...
    def __deepcopy__(self, memo: object, /) -> Self: ...
    def __new__(
        cls,
        targets: Sequence[FutureReturn | FutureCTCVolatility | FutureLinearSlope],
        input_columns: Names,
    ) -> TargetPipeline: ...
    def run_research(self, data: Sequence[Row | _Buffer] | _Buffer) -> list[list[float]]:
        """``data``: one column per input column (lists, 1-D numeric buffers, or one
        2-D numeric buffer with a row per column)."""
    def run_research_array(self, data: Sequence[Row | _Buffer] | _Buffer) -> _Float64Array:
        """``run_research`` into a float64 array of shape (outputs, bars)."""
    def output_names(self) -> list[str]: ...
    def input_names(self) -> list[str]: ...
    def forward_period(self) -> int: ...
    def __len__(self) -> int: ...

# ---- rolling moments, slope, range volatility, entropy ----------------------

@final
class Skewness(_Transform):
    def __new__(cls, inputs: Names, window: SupportsIndex, outputs: Names) -> Skewness: ...

@final
class Kurtosis(_Transform):
    def __new__(cls, inputs: Names, window: SupportsIndex, outputs: Names) -> Kurtosis: ...

@final
class LinearSlope(_Transform):
    def __new__(cls, inputs: Names, window: SupportsIndex, outputs: Names) -> LinearSlope: ...

@final
class ParkinsonVolatility(_Transform):
    def __new__(
        cls, inputs: Names, window: SupportsIndex, outputs: Names
    ) -> ParkinsonVolatility: ...

@final
class RogersSatchellVolatility(_Transform):
    def __new__(
        cls, inputs: Names, window: SupportsIndex, outputs: Names
    ) -> RogersSatchellVolatility: ...

@final
class ShannonEntropy(_Transform):
    def __new__(
        cls,
        inputs: Names,
        window: SupportsIndex,
        outputs: Names,
        bins: SupportsIndex | None = None,
        normalize: bool = True,
    ) -> ShannonEntropy: ...
