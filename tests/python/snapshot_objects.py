"""One object of every class with a snapshot, and how to step it."""

from conftest import gappy_walk

import zerak

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
    "RogersSatchellVolatility": lambda: zerak.RogersSatchellVolatility(
        ["a", "b", "c", "d"], 6, ["o"]
    ),
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
    "RollingQuantile": lambda: zerak.RollingQuantile(["a"], 9, ["o"], q=0.3),
    "RollingRank": lambda: zerak.RollingRank(["a"], 8, ["o"]),
    "Obv": lambda: zerak.Obv(["a", "b"], ["o"]),
    "AccumulationDistribution": lambda: zerak.AccumulationDistribution(["a", "b", "c", "d"], ["o"]),
    "ChaikinMoneyFlow": lambda: zerak.ChaikinMoneyFlow(["a", "b", "c", "d"], 5, ["o"]),
    "Mfi": lambda: zerak.Mfi(["a", "b", "c", "d"], 4, ["o"]),
    "Vwap": lambda: zerak.Vwap(["a", "b", "c", "d"], 6, ["o"]),
    "GarmanKlassVolatility": lambda: zerak.GarmanKlassVolatility(["a", "b", "c", "d"], 5, ["o"]),
    "YangZhangVolatility": lambda: zerak.YangZhangVolatility(["a", "b", "c", "d"], 5, ["o"]),
    "Lag": lambda: zerak.Lag(["a"], 4, ["o"]),
    "Diff": lambda: zerak.Diff(["a"], 3, ["o"]),
    "Abs": lambda: zerak.Abs(["a"], ["o"]),
    "Sqrt": lambda: zerak.Sqrt(["a"], ["o"]),
    "Exp": lambda: zerak.Exp(["a"], ["o"]),
    "Sign": lambda: zerak.Sign(["a"], ["o"]),
    "Scale": lambda: zerak.Scale(["a"], ["o"], scale=-0.5, offset=3.0),
    "Clip": lambda: zerak.Clip(["a"], ["o"], lower=99.0),
    "Maximum": lambda: zerak.Maximum(["a", "b"], ["o"]),
    "Minimum": lambda: zerak.Minimum(["a", "b"], ["o"]),
    "EwmVariance": lambda: zerak.EwmVariance(["a"], 5, ["o"]),
    "EwmStd": lambda: zerak.EwmStd(["a"], 3, ["o"]),
    "RollingMin": lambda: zerak.RollingMin(["a"], 6, ["o"]),
    "RollingMax": lambda: zerak.RollingMax(["a"], 6, ["o"]),
    "BarsSinceMax": lambda: zerak.BarsSinceMax(["a"], 7, ["o"]),
    "BarsSinceMin": lambda: zerak.BarsSinceMin(["a"], 7, ["o"]),
    "Stochastic": lambda: zerak.Stochastic(["a", "b", "c"], ["k", "d"], fastk=6, slowk=3, slowd=4),
    "WilliamsR": lambda: zerak.WilliamsR(["a", "b", "c"], 6, ["o"]),
    "Aroon": lambda: zerak.Aroon(["a", "b"], 6, ["down", "up"]),
    "DonchianChannel": lambda: zerak.DonchianChannel(["a", "b"], 6, ["u", "m", "l"]),
    "RollingSum": lambda: zerak.RollingSum(["a"], 6, ["o"], running=True),
    "RollingVariance": lambda: zerak.RollingVariance(["a"], 7, ["o"], ddof=0, running=True),
    "RollingStd": lambda: zerak.RollingStd(["a"], 5, ["o"], running=True),
    "RollingCovariance": lambda: zerak.RollingCovariance(["a", "b"], 6, ["o"], running=True),
    "RollingBeta": lambda: zerak.RollingBeta(["a", "b"], 8, ["o"], running=True),
    "Rsi": lambda: zerak.Rsi(["a"], 5, ["o"]),
    "Macd": lambda: zerak.Macd(["a"], ["m", "s", "h"], fast=3, slow=6, signal=4),
    "Roc": lambda: zerak.Roc(["a"], 3, ["o"]),
    "Momentum": lambda: zerak.Momentum(["a"], 4, ["o"]),
    "StochasticRsi": lambda: zerak.StochasticRsi(["a"], ["k", "d"], window=5, fastk=4, fastd=3),
    "Wma": lambda: zerak.Wma(["a"], 6, ["o"]),
    "Dema": lambda: zerak.Dema(["a"], 4, ["o"]),
    "Tema": lambda: zerak.Tema(["a"], 3, ["o"]),
    "Trix": lambda: zerak.Trix(["a"], 3, ["o"]),
    "BollingerBands": lambda: zerak.BollingerBands(["a"], 7, ["u", "m", "l"], nbdevup=1.5),
    "Trima": lambda: zerak.Trima(["a"], 6, ["o"]),
    "TrueRange": lambda: zerak.TrueRange(["a", "b", "c"], ["o"]),
    "Atr": lambda: zerak.Atr(["a", "b", "c"], 5, ["o"]),
    "Natr": lambda: zerak.Natr(["a", "b", "c"], 4, ["o"]),
    "Adx": lambda: zerak.Adx(["a", "b", "c"], 4, ["p", "m", "x"]),
    "Cci": lambda: zerak.Cci(["a", "b", "c"], 7, ["o"]),
    "UltimateOscillator": lambda: zerak.UltimateOscillator(["a", "b", "c"], ["o"], 3, 9, 5),
    "KeltnerChannel": lambda: zerak.KeltnerChannel(
        ["a", "b", "c"], ["u", "m", "l"], window=6, atr_window=4, multiplier=1.5
    ),
}

TARGETS = {
    "FutureReturn": lambda: zerak.FutureReturn(["a"], 3, ["r"]),
    "FutureCTCVolatility": lambda: zerak.FutureCTCVolatility(["a"], 4, ["v"]),
    "FutureLinearSlope": lambda: zerak.FutureLinearSlope(["a", "b"], 5, ["s", "r2"]),
}


def feature_pipeline():
    # Given out of plan order, so a restored plan must be rebuilt faithfully.
    return zerak.FeaturePipeline(
        [
            zerak.Ema(["r"], 4, ["er"]),
            zerak.LogReturn(["a"], 1, ["r"]),
            zerak.Adf(["a"], 25, ["t", "p"]),
            zerak.Sma(["b"], 5, ["s"]),
            zerak.Divide(["er", "s"], ["q"]),
        ],
        ["a", "b"],
    )


def target_pipeline():
    return zerak.TargetPipeline(
        [
            zerak.FutureLinearSlope(["a", "b"], 5, ["s", "r2"]),
            zerak.FutureReturn(["b"], 2, ["r"]),
        ],
        ["a", "b"],
    )


def bars(n=120, seed=3):
    """Rows of four gappy positive walks (NaN gaps, flat stretches)."""
    cols = [gappy_walk(seed + k, n) for k in range(4)]
    return [list(row) for row in zip(*cols, strict=True)]


def columns(n=60, seed=5):
    return [gappy_walk(seed + k, n) for k in range(2)]


def step(obj, row):
    """One live bar: a transform reads its leading columns, a pipeline its own."""
    width = len(obj.input_names())
    return obj.update(row[:width])
