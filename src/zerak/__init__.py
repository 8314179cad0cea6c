"""Streaming feature engineering for financial time series.

The classes and functions of the compiled module ``zerak._zerak`` are
re-exported here, with ``research_frame`` and ``label_frame`` for data frames;
see ``zerak.__all__``.
"""

import sys as _sys

# Explicit re-exports ("X as X") so that every type checker sees the API.
from . import _zerak
from ._version import __version__ as __version__
from ._zerak import (
    ZerakError as ZerakError,
    InvalidConfigError as InvalidConfigError,
    InvalidInputError as InvalidInputError,
    MissingInputColumnError as MissingInputColumnError,
    DuplicateOutputKeyError as DuplicateOutputKeyError,
    CyclicDependencyError as CyclicDependencyError,
    Adf as Adf,
    Sma as Sma,
    Ema as Ema,
    Kama as Kama,
    SimpleReturn as SimpleReturn,
    LogReturn as LogReturn,
    Mma as Mma,
    Skewness as Skewness,
    Kurtosis as Kurtosis,
    LinearSlope as LinearSlope,
    ParkinsonVolatility as ParkinsonVolatility,
    RogersSatchellVolatility as RogersSatchellVolatility,
    ShannonEntropy as ShannonEntropy,
    Correlation as Correlation,
    AutoCorrelation as AutoCorrelation,
    Add as Add,
    Subtract as Subtract,
    Multiply as Multiply,
    Divide as Divide,
    Reciprocal as Reciprocal,
    NegLog as NegLog,
    Log as Log,
    Logit as Logit,
    RollingZScore as RollingZScore,
    FixedZScore as FixedZScore,
    fit_standard_scaler as fit_standard_scaler,
    FutureReturn as FutureReturn,
    FutureCTCVolatility as FutureCTCVolatility,
    FutureLinearSlope as FutureLinearSlope,
    FeaturePipeline as FeaturePipeline,
    TargetPipeline as TargetPipeline,
)
from .frames import label_frame as label_frame, research_frame as research_frame

# The exception classes name their module "_zerak" (pickle looks them up there).
_sys.modules.setdefault("_zerak", _zerak)
del _sys

# The extension's names in registration order, then the package's own.
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
    "research_frame",
    "label_frame",
]
