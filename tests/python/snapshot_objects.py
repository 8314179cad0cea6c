"""One object of every class with a snapshot, and how to step it."""

import zerak
from conftest import gappy_walk

# name -> factory; transforms read the first len(inputs) columns of a bar.
TRANSFORMS = {
    "Adf": lambda: zerak.Adf(["a"], 30, ["t", "p"], lags=2, regression="ct"),
    "Sma": lambda: zerak.Sma(["a"], 5, ["o"]),
    "Ema": lambda: zerak.Ema(["a"], 6, ["o"]),
    "Kama": lambda: zerak.Kama(["a"], 5, ["o"], fast=3, slow=20),
    "SimpleReturn": lambda: zerak.SimpleReturn(["a"], 3, ["o"]),
    "LogReturn": lambda: zerak.LogReturn(["a"], 2, ["o"]),
    "Mma": lambda: zerak.Mma(["a"], 7, ["o"]),
    "Skewness": lambda: zerak.Skewness(["a"], 9, ["o"]),
    "Kurtosis": lambda: zerak.Kurtosis(["a"], 10, ["o"]),
    "LinearSlope": lambda: zerak.LinearSlope(["a", "b"], 8, ["s", "r2"]),
    "ParkinsonVolatility": lambda: zerak.ParkinsonVolatility(["a", "b"], 6, ["o"]),
    "RogersSatchellVolatility":
        lambda: zerak.RogersSatchellVolatility(["a", "b", "c", "d"], 6, ["o"]),
    "ShannonEntropy": lambda: zerak.ShannonEntropy(["a"], 12, ["o"], bins=7, normalize=False),
    "Correlation": lambda: zerak.Correlation(["a", "b"], 9, ["o"], method="kendall"),
    "AutoCorrelation": lambda: zerak.AutoCorrelation(["a"], 7, ["o"], lag=2, method="spearman"),
    "Add": lambda: zerak.Add(["a", "b"], ["o"]),
    "Subtract": lambda: zerak.Subtract(["a", "b"], ["o"]),
    "Multiply": lambda: zerak.Multiply(["a", "b"], ["o"]),
    "Divide": lambda: zerak.Divide(["a", "b"], ["o"]),
    "Reciprocal": lambda: zerak.Reciprocal(["a"], ["o"]),
    "NegLog": lambda: zerak.NegLog(["a"], ["o"]),
    "Log": lambda: zerak.Log(["a"], ["o"]),
    "Logit": lambda: zerak.Logit(["a"], ["o"]),
    "RollingZScore": lambda: zerak.RollingZScore(["a"], 8, ["o"]),
    "FixedZScore": lambda: zerak.FixedZScore(["a"], ["o"], 100.0, 2.5),
    "TrueRange": lambda: zerak.TrueRange(["a", "b", "c"], ["o"]),
    "Atr": lambda: zerak.Atr(["a", "b", "c"], 5, ["o"]),
    "Natr": lambda: zerak.Natr(["a", "b", "c"], 4, ["o"]),
    "Adx": lambda: zerak.Adx(["a", "b", "c"], 4, ["p", "m", "x"]),
    "Cci": lambda: zerak.Cci(["a", "b", "c"], 7, ["o"]),
    "UltimateOscillator": lambda: zerak.UltimateOscillator(["a", "b", "c"], ["o"], 3, 9, 5),
    "KeltnerChannel": lambda: zerak.KeltnerChannel(["a", "b", "c"], ["u", "m", "l"], window=6,
                                                   atr_window=4, multiplier=1.5),
}

TARGETS = {
    "FutureReturn": lambda: zerak.FutureReturn(["a"], 3, ["r"]),
    "FutureCTCVolatility": lambda: zerak.FutureCTCVolatility(["a"], 4, ["v"]),
    "FutureLinearSlope": lambda: zerak.FutureLinearSlope(["a", "b"], 5, ["s", "r2"]),
}


def feature_pipeline():
    # Given out of plan order, so a restored plan must be rebuilt faithfully.
    return zerak.FeaturePipeline([
        zerak.Ema(["r"], 4, ["er"]),
        zerak.LogReturn(["a"], 1, ["r"]),
        zerak.Adf(["a"], 25, ["t", "p"]),
        zerak.Sma(["b"], 5, ["s"]),
        zerak.Divide(["er", "s"], ["q"]),
    ], ["a", "b"])


def target_pipeline():
    return zerak.TargetPipeline([
        zerak.FutureLinearSlope(["a", "b"], 5, ["s", "r2"]),
        zerak.FutureReturn(["b"], 2, ["r"]),
    ], ["a", "b"])


def bars(n=120, seed=3):
    """Rows of four gappy positive walks (NaN gaps, flat stretches)."""
    cols = [gappy_walk(seed + k, n) for k in range(4)]
    return [list(row) for row in zip(*cols)]


def columns(n=60, seed=5):
    return [gappy_walk(seed + k, n) for k in range(2)]


def step(obj, row):
    """One live bar: a transform reads its leading columns, a pipeline its own."""
    width = len(obj.input_names())
    return obj.update(row[:width])
