"""Volume indicators and open-high-low-close volatilities: research over
1,000,000 bars of a random-walk OHLCV series (run_research_array, default
periods) against TA-Lib's batch functions or the numpy/pandas formula, and a
live update against TA-Lib's streaming call and the floor. The research table
also prints the largest relative difference from TA-Lib over the million bars.

    python bench/bench_volume_indicators.py
"""

import math

import numpy as np
import pandas as pd
import talib
import talib.stream
from harness import best_cpu_s, best_ns, floor, print_table

import zerak

BARS = 1_000_000
HLCV = ["h", "l", "c", "v"]
OHLC = ["o", "h", "l", "c"]


def ohlcv(n=BARS, seed=7):
    rng = np.random.default_rng(seed)
    c = 100 * np.exp(np.cumsum(rng.normal(0, 0.01, n)))
    o = np.concatenate([[c[0]], c[:-1]]) * np.exp(rng.normal(0, 0.002, n))
    h = np.fmax(o, c) * (1 + np.abs(rng.normal(0, 0.004, n)))
    lo = np.fmin(o, c) * (1 - np.abs(rng.normal(0, 0.004, n)))
    v = np.round(rng.lognormal(12, 1, n))
    return dict(o=o, h=h, l=lo, c=c, v=v)


def rolling_sum(x, w):
    return pd.Series(x).rolling(w).sum().to_numpy()


def cmf(h, lo, c, v, w=20):
    rng = h - lo
    with np.errstate(all="ignore"):
        mfv = np.where(rng > 0, ((c - lo) - (h - c)) / rng * v, 0.0)
    return rolling_sum(mfv, w) / rolling_sum(v, w)


def vwap(h, lo, c, v, w=20):
    return rolling_sum((h + lo + c) / 3 * v, w) / rolling_sum(v, w)


def garman_klass(o, h, lo, c, w=20):
    terms = 0.5 * np.log(h / lo) ** 2 - (2 * math.log(2) - 1) * np.log(c / o) ** 2
    return np.sqrt(pd.Series(terms).rolling(w).mean().to_numpy())


def yang_zhang(o, h, lo, c, w=20):
    prev = np.concatenate([[np.nan], c[:-1]])
    night = pd.Series(np.log(o / prev))
    body = pd.Series(np.log(c / o))
    rs = pd.Series(np.log(h / c) * np.log(h / o) + np.log(lo / c) * np.log(lo / o))
    k = 0.34 / (1.34 + (w + 1) / (w - 1))
    var = night.rolling(w).var() + k * body.rolling(w).var() + (1 - k) * rs.rolling(w).mean()
    return np.sqrt(var.to_numpy())


# name: (zerak object, its peer's name, peer batch call(columns))
def cases():
    return {
        "Obv": (zerak.Obv(["c", "v"], ["x"]), "talib.OBV", lambda d: talib.OBV(d["c"], d["v"])),
        "AccumulationDistribution": (
            zerak.AccumulationDistribution(HLCV, ["x"]),
            "talib.AD",
            lambda d: talib.AD(*(d[k] for k in HLCV)),
        ),
        "Mfi(14)": (
            zerak.Mfi(HLCV, 14, ["x"]),
            "talib.MFI",
            lambda d: talib.MFI(*(d[k] for k in HLCV), timeperiod=14),
        ),
        "ChaikinMoneyFlow(20)": (
            zerak.ChaikinMoneyFlow(HLCV, 20, ["x"]),
            "pandas formula",
            lambda d: cmf(*(d[k] for k in HLCV)),
        ),
        "Vwap(20)": (
            zerak.Vwap(HLCV, 20, ["x"]),
            "pandas formula",
            lambda d: vwap(*(d[k] for k in HLCV)),
        ),
        "GarmanKlassVolatility(20)": (
            zerak.GarmanKlassVolatility(OHLC, 20, ["x"]),
            "numpy/pandas formula",
            lambda d: garman_klass(*(d[k] for k in OHLC)),
        ),
        "YangZhangVolatility(20)": (
            zerak.YangZhangVolatility(OHLC, 20, ["x"]),
            "pandas formula",
            lambda d: yang_zhang(*(d[k] for k in OHLC)),
        ),
    }


def mfi_exact(h, lo, c, v, w=14):
    """MFI with each window's flows summed afresh (numpy's pairwise sums)."""
    tp = (h + lo + c) / 3
    change = np.diff(tp)
    flow = (tp * v)[1:]
    win = np.lib.stride_tricks.sliding_window_view
    pos = win(np.where(change > 0, flow, 0.0), w).sum(axis=1)
    neg = win(np.where(change < 0, flow, 0.0), w).sum(axis=1)
    out = np.full(len(c), np.nan)
    total = pos + neg
    with np.errstate(all="ignore"):
        out[w:] = np.where(total < 1, 0.0, 100 * (pos / total))
    return out


def worst(got, want):
    """The largest difference relative to the value (absolute below 1e-3)."""
    both = ~np.isnan(want) & ~np.isnan(got)
    return np.max(np.abs(got[both] - want[both]) / np.maximum(np.abs(want[both]), 1e-3))


def research(d):
    print(
        f"\nResearch, {BARS:,} bars (CPU s; ratio = peer time / zerak time, goal >= 0.8 "
        "against TA-Lib for Obv)"
    )
    print(
        f"  {'class':26}  {'peer':22}  {'zerak s':>8}  {'peer s':>8}  {'ratio':>6}  "
        f"{'max rel diff':>12}"
    )
    for name, (obj, peer, call) in cases().items():
        names = obj.input_names()
        data = np.ascontiguousarray(np.column_stack([d[n] for n in names]))
        pipe = zerak.FeaturePipeline([obj], names)
        ours = best_cpu_s(lambda: pipe.run_research_array(data), repeat=5)
        theirs = best_cpu_s(lambda: call(d), repeat=5)
        got = pipe.run_research_array(data)[:, 0]
        want = call(d)
        assert np.array_equal(np.isnan(got), np.isnan(want)), name
        print(
            f"  {name:26}  {peer:22}  {ours:8.4f}  {theirs:8.4f}  {theirs / ours:6.2f}  "
            f"{worst(got, want):12.1e}"
        )
        if name.startswith("Mfi"):
            exact = mfi_exact(*(d[k] for k in HLCV))
            mfi = (got, want)
    print(
        f"  Mfi(14) against each window summed afresh: zerak {worst(mfi[0], exact):.1e}, "
        f"TA-Lib (running sums) {worst(mfi[1], exact):.1e}"
    )


def live(d):
    n = 100  # the streaming calls read the recent bars from arrays of this length
    tail = {k: np.ascontiguousarray(x[:n]) for k, x in d.items()}
    bar2 = [float(tail["c"][-1]), float(tail["v"][-1])]
    bar4 = [float(tail[k][-1]) for k in HLCV]
    obv = zerak.Obv(["c", "v"], ["x"])
    ad = zerak.AccumulationDistribution(HLCV, ["x"])
    mfi = zerak.Mfi(HLCV, 14, ["x"])
    for k in range(50):
        for obj in (ad, mfi):
            obj.update([float(d[c][k]) for c in HLCV])
        obv.update([float(d["c"][k]), float(d["v"][k])])
    f = floor()
    h, lo, c, v = (tail[k] for k in HLCV)
    number = 200_000
    rows = [
        ("floor (trivial C method)", best_ns("f.update(b)", number, f=f, b=[1.0])),
        ("Obv.update", best_ns("o.update(b)", number, o=obv, b=bar2)),
        ("talib.stream.OBV", best_ns("s(c, v)", number, s=talib.stream.OBV, c=c, v=v)),
        ("AccumulationDistribution.update", best_ns("o.update(b)", number, o=ad, b=bar4)),
        (
            "talib.stream.AD",
            best_ns("s(h, l, c, v)", number, s=talib.stream.AD, h=h, l=lo, c=c, v=v),
        ),
        ("Mfi(14).update", best_ns("o.update(b)", number, o=mfi, b=bar4)),
        (
            "talib.stream.MFI",
            best_ns("s(h, l, c, v)", number, s=talib.stream.MFI, h=h, l=lo, c=c, v=v),
        ),
    ]
    print_table("Live update, one bar (ratio to the floor)", rows)


if __name__ == "__main__":
    data = ohlcv()
    research(data)
    live(data)
