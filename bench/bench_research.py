"""Research mode: ten typical features (windows 10 to 100) over 1,000,000 OHLC
bars from a numpy array, in one FeaturePipeline.run_research call, against the
same features computed with pandas rolling and, for the five it has, TA-Lib's
batch functions. Then each feature alone: the pipeline from Python, pandas,
and the core alone (a C++ loop over the same number of bars) to show what the
binding and the output lists cost. Ratios above 1 mean zerak is faster.

    python bench/bench_research.py

Definitions differ in places, which does not matter for timing: pandas'
ewm(adjust=False) seeds with the first value (ours and TA-Lib's with the mean
of the first window); TA-Lib's STDDEV is the population deviation (rescaled
here). pandas has no rolling entropy, so it runs rolling.apply with a numpy
function, timed on the first 100,000 bars and scaled to the full series.
"""

import math

import numpy as np
import pandas as pd
from harness import best_s, core_program, have

import zerak

BARS = 1_000_000
APPLY_BARS = 100_000  # pandas rolling.apply is timed on this many and scaled
COLUMNS = ["t", "open", "high", "low", "close"]
CORE_SOURCES = [
    f"core/features/{name}.cpp"
    for name in (
        "averages/sma",
        "averages/ema",
        "moments/skewness",
        "moments/kurtosis",
        "statistics/linear_slope",
        "volatility/parkinson_volatility",
        "volatility/rogers_satchell_volatility",
        "statistics/shannon_entropy",
    )
]
CORE_SOURCES += ["core/scalers/rolling_zscore.cpp", "core/error.cpp"]
FOUR_LN2 = 4 * math.log(2)


def ohlc() -> np.ndarray:
    """Columns t, open, high, low, close of a geometric random walk."""
    rng = np.random.default_rng(7)
    close = 100.0 * np.exp(np.cumsum(rng.normal(0.0, 0.01, BARS)))
    open_ = np.roll(close, 1) * np.exp(rng.normal(0.0, 0.002, BARS))
    open_[0] = 100.0
    high = np.fmax(open_, close) * np.exp(np.abs(rng.normal(0.0, 0.004, BARS)))
    low = np.fmin(open_, close) * np.exp(-np.abs(rng.normal(0.0, 0.004, BARS)))
    return np.column_stack([np.arange(BARS, dtype=float), open_, high, low, close])


# name: (zerak feature, the columns it reads)
def features() -> dict[str, object]:
    return {
        "Sma(close, 20)": zerak.Sma(["close"], 20, ["sma20"]),
        "Ema(close, 50)": zerak.Ema(["close"], 50, ["ema50"]),
        "LogReturn(close, 10)": zerak.LogReturn(["close"], 10, ["ret10"]),
        "RollingZScore(close, 30)": zerak.RollingZScore(["close"], 30, ["z30"]),
        "Skewness(ret10, 50)": zerak.Skewness(["ret10"], 50, ["skew50"]),
        "Kurtosis(ret10, 100)": zerak.Kurtosis(["ret10"], 100, ["kurt100"]),
        "LinearSlope(t, close, 30)": zerak.LinearSlope(["t", "close"], 30, ["slope30", "r2_30"]),
        "ParkinsonVolatility(20)": zerak.ParkinsonVolatility(["high", "low"], 20, ["pk20"]),
        "RogersSatchellVolatility(20)": zerak.RogersSatchellVolatility(
            ["high", "low", "open", "close"], 20, ["rs20"]
        ),
        "ShannonEntropy(ret10, 50)": zerak.ShannonEntropy(["ret10"], 50, ["ent50"]),
    }


TALIB_HAS = [
    "Sma(close, 20)",
    "Ema(close, 50)",
    "LogReturn(close, 10)",
    "RollingZScore(close, 30)",
    "LinearSlope(t, close, 30)",
]


def entropy(w: np.ndarray) -> float:
    """Sturges-binned Shannon entropy of one window, normalised."""
    k = math.ceil(math.log2(len(w)) + 1)
    lo, hi = w.min(), w.max()
    if hi == lo:
        return 0.0
    idx = np.minimum((k * ((w - lo) / (hi - lo))).astype(np.int64), k - 1)
    p = np.bincount(idx, minlength=k) / len(w)
    p = p[p > 0]
    return float(-(np.log(p) * p).sum() / math.log(k))


def pandas_feature(name: str, df: pd.DataFrame, bars: int = BARS):
    """The pandas counterpart of one feature; ret10 is derived where needed."""
    c = df["close"]
    ret10 = lambda: np.log(c / c.shift(10))  # noqa: E731
    if name.startswith("Sma"):
        return c.rolling(20).mean()
    if name.startswith("Ema"):
        return c.ewm(span=50, adjust=False).mean()
    if name.startswith("LogReturn"):
        return ret10()
    if name.startswith("RollingZScore"):
        r = c.rolling(30)
        return (c - r.mean()) / r.std()
    if name.startswith("Skewness"):
        return ret10().rolling(50).skew()
    if name.startswith("Kurtosis"):
        return ret10().rolling(100).kurt()
    if name.startswith("LinearSlope"):
        t = df["t"]
        return t.rolling(30).cov(c) / t.rolling(30).var(), t.rolling(30).corr(c) ** 2
    if name.startswith("Parkinson"):
        return np.sqrt((np.log(df["high"] / df["low"]) ** 2).rolling(20).mean() / FOUR_LN2)
    if name.startswith("RogersSatchell"):
        h, l, o = df["high"], df["low"], df["open"]
        term = np.log(h / c) * np.log(h / o) + np.log(l / c) * np.log(l / o)
        return np.sqrt(term.rolling(20).mean())
    if name.startswith("ShannonEntropy"):
        return ret10().iloc[:bars].rolling(50).apply(entropy, raw=True)
    raise KeyError(name)


def talib_feature(name: str, data: np.ndarray):
    import talib

    t, c = data[:, 0], data[:, 4]
    if name.startswith("Sma"):
        return talib.SMA(c, 20)
    if name.startswith("Ema"):
        return talib.EMA(c, 50)
    if name.startswith("LogReturn"):
        return np.log(talib.ROCR(c, 10))
    if name.startswith("RollingZScore"):
        return (c - talib.SMA(c, 30)) / (talib.STDDEV(c, 30, 1.0) * math.sqrt(30 / 29))
    if name.startswith("LinearSlope"):
        return talib.LINEARREG_SLOPE(c, 30), talib.CORREL(t, c, 30) ** 2
    raise KeyError(name)


def pipeline_s(names: list[str], data: np.ndarray, columns: list[str] = COLUMNS) -> float:
    """Seconds for one run_research over the data (outputs as Python lists)."""
    made = features()
    pipe = zerak.FeaturePipeline([made[n] for n in names], columns)
    return best_s(lambda: pipe.run_research(data))


def pandas_s(names: list[str], data: np.ndarray) -> float:
    """Seconds for the pandas counterparts, DataFrame construction included;
    rolling.apply timed on APPLY_BARS and scaled."""

    def run(subset, bars):
        df = pd.DataFrame(data[:bars], columns=COLUMNS)
        return [pandas_feature(n, df, bars) for n in subset]

    plain = [n for n in names if not n.startswith("ShannonEntropy")]
    total = best_s(lambda: run(plain, BARS)) if plain else 0.0
    if len(plain) < len(names):
        total += best_s(lambda: run(["ShannonEntropy(ret10, 50)"], APPLY_BARS), repeat=1) * (
            BARS / APPLY_BARS
        )
    return total


def talib_s(names: list[str], data: np.ndarray) -> float:
    return best_s(lambda: [talib_feature(n, data) for n in names])


def core_ns() -> dict[str, float]:
    """ns per bar of each feature in the core alone, with the release flags."""
    out = core_program("core_research", CORE_SOURCES)
    return {name: float(ns) for name, ns in (line.rsplit(" ", 1) for line in out.splitlines())}


def rate_table(title: str, rows: list[tuple[str, float]]) -> None:
    """Rows of (name, seconds for all bars) with bars/s and time relative to zerak (first row)."""
    base = rows[0][1]
    width = max(len(n) for n, _ in rows)
    print(f"\n{title}")
    print(f"  {'':{width}}  {'seconds':>8}  {'bars/s':>12}  {'time / zerak':>12}")
    for name, s in rows:
        print(f"  {name:{width}}  {s:8.3f}  {BARS / s:12,.0f}  {s / base:11.2f}x")


def main() -> None:
    data = ohlc()
    names = list(features())
    core = core_ns()

    rows = [
        ("zerak FeaturePipeline.run_research", pipeline_s(names, data)),
        ("pandas rolling (entropy: rolling.apply, scaled)", pandas_s(names, data)),
    ]
    rate_table(f"All 10 features over {BARS:,} bars", rows)

    if have("talib"):
        sub = [
            ("zerak FeaturePipeline.run_research", pipeline_s(TALIB_HAS, data)),
            ("TA-Lib batch functions", talib_s(TALIB_HAS, data)),
            ("pandas rolling", pandas_s(TALIB_HAS, data)),
        ]
        rate_table(
            "The 5 that TA-Lib has (SMA, EMA, ROCR+log, SMA+STDDEV, LINEARREG_SLOPE+CORREL)", sub
        )

    # Each feature alone; the pipeline's input columns are exactly what it reads.
    ret10 = np.log(data[:, 4] / np.roll(data[:, 4], 10))
    ret10[:10] = np.nan
    full = np.column_stack([data, ret10])
    all_columns = COLUMNS + ["ret10"]
    floor_s = pipeline_s_alone(zerak.Log(["close"], ["y"]), full, all_columns)
    print(
        f"\nEach feature alone over {BARS:,} bars, ns per bar "
        f"(pipeline floor, a Log over the close: {floor_s / BARS * 1e9:.1f} ns/bar; "
        f"core call floor, the same Log: {core['Log(close)']:.1f} ns/bar)"
    )
    header = (
        f"  {'':28}  {'core':>8}  {'pipeline':>9}  {'pandas':>9}  {'TA-Lib':>8}"
        f"  {'pandas/pipeline':>15}  {'pandas/core':>11}"
    )
    print(header)
    for name, feature in features().items():
        ours = pipeline_s_alone(feature, full, all_columns) / BARS * 1e9
        theirs = pandas_s([name], data) / BARS * 1e9
        talib = (
            talib_s([name], data) / BARS * 1e9 if have("talib") and name in TALIB_HAS else math.nan
        )
        talib_text = f"{talib:8.1f}" if not math.isnan(talib) else f"{'-':>8}"
        print(
            f"  {name:28}  {core[name]:8.1f}  {ours:9.1f}  {theirs:9.1f}  {talib_text}  "
            f"{theirs / ours:14.2f}x  {theirs / core[name]:10.2f}x"
        )


def pipeline_s_alone(feature, full: np.ndarray, all_columns: list[str]) -> float:
    reads = feature.input_names()
    picks = [all_columns.index(c) for c in reads]
    data = np.ascontiguousarray(full[:, picks])
    pipe = zerak.FeaturePipeline([feature], reads)
    return best_s(lambda: pipe.run_research(data))


if __name__ == "__main__":
    main()
