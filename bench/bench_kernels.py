"""Research-mode window kernels, core only, against the CPU's limit and the
peers, over 1,000,000 bars:

1. Sma's fixed-order window sum (update_block, blocks of 4,096 bars) on each
   instruction set this CPU has, next to w additions at the CPU's peak rate
   of double additions, measured in the same run by a micro-kernel of
   independent vector additions over data in L1.
2. Window 20, one feature at a time: FeaturePipeline.run_research_array from
   a numpy array (and, for reference, the core's update_block alone and
   update bar by bar) against pandas, polars and TA-Lib computing the same
   statistic.
3. Window sweep (20, 100, 1,000, 10,000): run_research_array against pandas
   rolling mean, median, z-score (mean and std) and correlation.

    python bench/bench_kernels.py [--quick]

The core figures come from bench/core_kernels.cpp, with no Python in
between; run_research_array adds the engine's own costs (reading the array,
writing the result array).
Peers keep running sums (mean, std, correlation, slope: O(1) a bar whatever
the window) or a skip list (median: O(log w)); our sums are exact, w
additions a bar in a fixed order, so at large windows running sums stay
ahead by about w / (our additions per ns).
"""

import sys
import time

import numpy as np
import pandas as pd
from harness import ROOT, core_program, have

import zerak

BARS = 1_000_000
WINDOWS = [20, 100, 1000, 10000]
CORE_SOURCES = sorted(
    str(p.relative_to(ROOT))
    for p in (ROOT / "core").rglob("*.cpp")
    if not {"pipeline", "tools", "fitting", "targets", "snapshot"}
    & set(p.relative_to(ROOT / "core").parts)
    and p.stem != "adf"
)


def best_s(fn, repeat=3):
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
    return best


def data():
    """A random walk of OHLC bars on the scale of the core program's own."""
    rng = np.random.default_rng(42)
    close = 100.0 * np.exp(np.cumsum(rng.uniform(-0.01, 0.01, BARS)))
    open_ = close * np.exp(rng.uniform(-0.001, 0.001, BARS))
    high = np.fmax(open_, close) * np.exp(rng.uniform(0, 0.005, BARS))
    low = np.fmin(open_, close) * np.exp(-rng.uniform(0, 0.005, BARS))
    return pd.DataFrame(
        {"t": np.arange(BARS, dtype=float), "open": open_, "high": high, "low": low, "close": close}
    )


def pandas_ns(df, feature, w):
    c = df["close"]
    fns = {
        "Sma": lambda: c.rolling(w).mean(),
        "Mma": lambda: c.rolling(w).median(),
        "RollingZScore": lambda: (c - c.rolling(w).mean()) / c.rolling(w).std(),
        "Correlation": lambda: df["high"].rolling(w).corr(df["low"]),
        "LinearSlope": lambda: (
            df["t"].rolling(w).cov(c) / df["t"].rolling(w).var(),
            df["t"].rolling(w).corr(c) ** 2,
        ),
        "Skewness": lambda: c.rolling(w).skew(),
        "Kurtosis": lambda: c.rolling(w).kurt(),
        "ParkinsonVolatility": lambda: np.sqrt(
            (np.log(df["high"] / df["low"]) ** 2).rolling(w).mean() / (4 * np.log(2))
        ),
        "RogersSatchellVolatility": lambda: np.sqrt(
            (
                np.log(df["high"] / c) * np.log(df["high"] / df["open"])
                + np.log(df["low"] / c) * np.log(df["low"] / df["open"])
            )
            .rolling(w)
            .mean()
        ),
    }
    return best_s(fns[feature]) / BARS * 1e9


def zerak_pipeline(feature, w):
    z = zerak
    make = {
        "Sma": lambda: z.Sma(["close"], w, ["y"]),
        "Mma": lambda: z.Mma(["close"], w, ["y"]),
        "RollingZScore": lambda: z.RollingZScore(["close"], w, ["y"]),
        "Correlation": lambda: z.Correlation(["high", "low"], w, ["y"]),
        "LinearSlope": lambda: z.LinearSlope(["t", "close"], w, ["b", "r2"]),
        "Skewness": lambda: z.Skewness(["close"], w, ["y"]),
        "Kurtosis": lambda: z.Kurtosis(["close"], w, ["y"]),
        "ParkinsonVolatility": lambda: z.ParkinsonVolatility(["high", "low"], w, ["y"]),
        "RogersSatchellVolatility": lambda: z.RogersSatchellVolatility(
            ["high", "low", "open", "close"], w, ["y"]
        ),
    }[feature]()
    return z.FeaturePipeline([make], ["t", "open", "high", "low", "close"])


def zerak_ns(array, feature, w, repeat=3):
    p = zerak_pipeline(feature, w)
    return best_s(lambda: p.run_research_array(array), repeat) / BARS * 1e9


def polars_ns(df, feature, w):
    import polars as pl

    p = pl.from_pandas(df)
    c = pl.col("close")
    exprs = {
        "Sma": c.rolling_mean(w),
        "Mma": c.rolling_median(w),
        "RollingZScore": (c - c.rolling_mean(w)) / c.rolling_std(w),
        "Skewness": c.rolling_skew(w),
        "ParkinsonVolatility": (
            ((pl.col("high") / pl.col("low")).log() ** 2).rolling_mean(w) / (4 * np.log(2))
        ).sqrt(),
    }
    if feature not in exprs:
        return None
    return best_s(lambda: p.select(exprs[feature])) / BARS * 1e9


def talib_ns(df, feature, w):
    import talib

    c = df["close"].to_numpy()
    fns = {
        "Sma": lambda: talib.SMA(c, w),
        "Correlation": lambda: talib.CORREL(df["high"].to_numpy(), df["low"].to_numpy(), w),
        "LinearSlope": lambda: talib.LINEARREG_SLOPE(c, w),
        "RollingZScore": lambda: (c - talib.SMA(c, w)) / talib.STDDEV(c, w),
    }
    if feature not in fns:
        return None
    return best_s(fns[feature]) / BARS * 1e9


def fmt(x):
    return f"{x:10.2f}" if x is not None else f"{'-':>10}"


def ratio(peer, ours):
    return f"{peer / ours:8.2f}x" if peer is not None else f"{'':>9}"


def main():
    quick = "--quick" in sys.argv
    out = core_program("core_kernels", CORE_SOURCES).splitlines()
    peak, sma, block, bar = {}, {}, {}, {}
    for line in out:
        key, *rest = line.split()
        if key == "peak":
            peak[rest[0]] = float(rest[1])
        elif key == "sma":
            sma[(rest[0], int(rest[1]))] = float(rest[2])
        elif key == "block":
            level = rest[0]
            block[(rest[1], int(rest[2]))] = float(rest[3])
        elif key == "bar":
            bar[(rest[0], int(rest[1]))] = float(rest[2])
    limit = max(peak.values())
    print(
        "\nPeak double additions per ns (micro-kernel, L1): "
        + ", ".join(f"{k} {v:.1f}" for k, v in peak.items())
    )
    print(
        "\nSma fixed-order window sum, ns per bar, against w additions at the peak "
        f"({limit:.1f} per ns)"
    )
    print(f"  {'window':>7} {'limit':>9} " + " ".join(f"{k:>10}" for k in peak) + "   best/limit")
    for w in WINDOWS:
        row = [sma[(k, w)] for k in peak]
        print(
            f"  {w:7d} {w / limit:9.2f} "
            + " ".join(f"{x:10.2f}" for x in row)
            + f"   {min(row) / (w / limit):9.2f}x"
        )

    df = data()
    features = [
        "Sma",
        "Mma",
        "RollingZScore",
        "Correlation",
        "LinearSlope",
        "Skewness",
        "Kurtosis",
        "ParkinsonVolatility",
        "RogersSatchellVolatility",
    ]
    array = np.ascontiguousarray(df.to_numpy())
    print(
        f"\nWindow 20, ns per bar over {BARS:,} bars ({level}). zerak: run_research_array;"
        " core: update_block alone, and update bar by bar.\nRatios: peer / zerak, above 1"
        " means zerak is faster"
    )
    print(
        f"  {'feature':26} {'zerak':>8} {'core':>8} {'by bar':>8} {'pandas':>10} {'ratio':>9}"
        f" {'polars':>10} {'ratio':>9} {'TA-Lib':>10} {'ratio':>9}"
    )
    for f in features:
        ours = zerak_ns(array, f, 20)
        pd_ns = pandas_ns(df, f, 20)
        pl_ns = polars_ns(df, f, 20) if have("polars") else None
        tl_ns = talib_ns(df, f, 20) if have("talib") else None
        print(
            f"  {f:26} {ours:8.2f} {block[(f, 20)]:8.2f} {bar.get((f, 20), float('nan')):8.2f}"
            f" {fmt(pd_ns)}"
            f" {ratio(pd_ns, ours)} {fmt(pl_ns)} {ratio(pl_ns, ours)} {fmt(tl_ns)}"
            f" {ratio(tl_ns, ours)}"
        )
        sys.stdout.flush()
    if quick:
        return
    print(
        "\nWindow sweep against pandas, ns per bar: zerak run_research_array / pandas"
        " (ratio: pandas / zerak)"
    )
    print(f"  {'feature':16} " + " ".join(f"{w:>22}" for w in WINDOWS))
    for f, label in [
        ("Sma", "mean"),
        ("Mma", "median"),
        ("RollingZScore", "z-score (std)"),
        ("Correlation", "correlation"),
    ]:
        cells = []
        for w in WINDOWS:
            ours = zerak_ns(array, f, w, 1 if w >= 1000 else 3)
            theirs = pandas_ns(df, f, w)
            cells.append(f"{ours:7.1f} /{theirs:7.1f} {theirs / ours:5.2f}x" if ours else "-")
        print(f"  {label:16} " + " ".join(f"{c:>22}" for c in cells))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
