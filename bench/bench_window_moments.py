"""Window moments: RollingStd (running and exact mode) through run_research_array
against bottleneck.move_std, pandas and polars over 1,000,000 bars at windows
20 / 100 / 1,000 / 10,000, side by side in one run (CPU time of this thread);
the other moments at window 100; then the relative error of running mode
against an exact oracle over 10,000,000 bars of a random walk with spikes.

    python bench/bench_window_moments.py            # speed and accuracy
    python bench/bench_window_moments.py --speed    # speed only
"""

import sys

import bottleneck as bn
import numpy as np
import pandas as pd
from harness import best_cpu_s

import zerak

BARS = 1_000_000
WINDOWS = [20, 100, 1_000, 10_000]
TICK = 2.0**-16  # prices on a binary tick grid, so that the oracle is exact in integers


def walk(n, seed=1):
    rng = np.random.default_rng(seed)
    return 100.0 * np.exp(np.cumsum(rng.normal(0.0, 2e-4, n)))


def pipeline(obj):
    return zerak.FeaturePipeline([obj], obj.input_names())


def speed():
    x = walk(BARS)
    col = x.reshape(-1, 1).copy()
    try:
        import polars as pl

        series = pl.Series(x)
    except ImportError:
        pl = None
    print(f"\nRollingStd over {BARS:,} bars, ns/bar (CPU), and time / bottleneck.move_std")
    print(
        f"  {'window':>7}  {'running':>8}  {'exact':>8}  {'bottleneck':>10}  {'pandas':>8}  "
        f"{'polars':>8}  {'running/bn':>10}  {'exact/pandas':>12}"
    )
    for w in WINDOWS:
        repeat = 5 if w <= 100 else 2
        running = pipeline(zerak.RollingStd(["x"], w, ["o"], running=True))
        exact = pipeline(zerak.RollingStd(["x"], w, ["o"]))
        t = {
            "running": best_cpu_s(lambda: running.run_research_array(col), repeat=7),
            "exact": best_cpu_s(lambda: exact.run_research_array(col), repeat=repeat),
            "bn": best_cpu_s(lambda: bn.move_std(x, w, ddof=1), repeat=7),
            "pandas": best_cpu_s(lambda: pd.Series(x).rolling(w).std(), repeat=5),
            "polars": best_cpu_s(lambda: series.rolling_std(w), repeat=5) if pl else float("nan"),
        }
        ns = {k: v / BARS * 1e9 for k, v in t.items()}
        print(
            f"  {w:>7,}  {ns['running']:8.2f}  {ns['exact']:8.2f}  {ns['bn']:10.2f}  "
            f"{ns['pandas']:8.2f}  {ns['polars']:8.2f}  {t['running'] / t['bn']:9.2f}x  "
            f"{t['exact'] / t['pandas']:11.2f}x"
        )

    w = 100
    y = 0.5 * x + walk(BARS, seed=2)
    pair = np.column_stack([x, y])
    sx, sy = pd.Series(x), pd.Series(y)
    rows = [
        (
            "RollingSum",
            zerak.RollingSum(["x"], w, ["o"]),
            col,
            lambda: bn.move_sum(x, w),
            lambda: sx.rolling(w).sum(),
        ),
        (
            "RollingVariance",
            zerak.RollingVariance(["x"], w, ["o"]),
            col,
            lambda: bn.move_var(x, w, ddof=1),
            lambda: sx.rolling(w).var(),
        ),
        (
            "RollingCovariance",
            zerak.RollingCovariance(["x", "y"], w, ["o"]),
            pair,
            None,
            lambda: sx.rolling(w).cov(sy),
        ),
        (
            "RollingBeta",
            zerak.RollingBeta(["x", "y"], w, ["o"]),
            pair,
            None,
            lambda: sx.rolling(w).cov(sy) / sx.rolling(w).var(),
        ),
    ]
    print(f"\nThe other moments at window {w}, ns/bar (CPU)")
    print(f"  {'':17}  {'running':>8}  {'exact':>8}  {'bottleneck':>10}  {'pandas':>8}")
    for name, obj, data, bn_call, pd_call in rows:
        running = pipeline(type(obj)(obj.input_names(), w, ["o"], running=True))
        exact = pipeline(obj)
        r = best_cpu_s(lambda: running.run_research_array(data), repeat=5)
        e = best_cpu_s(lambda: exact.run_research_array(data), repeat=5)
        b = best_cpu_s(bn_call, repeat=5) if bn_call else float("nan")
        p = best_cpu_s(pd_call, repeat=5)
        print(
            f"  {name:17}  {r / BARS * 1e9:8.2f}  {e / BARS * 1e9:8.2f}  "
            f"{b / BARS * 1e9:10.2f}  {p / BARS * 1e9:8.2f}"
        )


def spiky_walk(n, seed=3):
    """A price walk on the tick grid with bad ticks of +-1e12 about every 100,000
    bars, some followed by a long flat stretch."""
    rng = np.random.default_rng(seed)
    x = np.round(walk(n, seed) / TICK) * TICK
    for k, at in enumerate(rng.integers(0, n - 30_000, n // 100_000)):
        x[at] = 1e12 * (1 if k % 2 else -1)
        if k % 3 == 0:
            x[at + 1 : at + 1 + int(rng.integers(20, 25_000))] = x[at - 1]
    return x


def exact_std(ticks, w, ddof=1):
    """The sample std of every complete window, from exact integer sums of the
    ticks (Python integers), rounded once to float, then square-rooted."""
    k = ticks.astype(object)
    p = np.concatenate([[0], np.cumsum(k)])
    q = np.concatenate([[0], np.cumsum(k * k)])
    s1, s2 = p[w:] - p[:-w], q[w:] - q[:-w]
    num = (w * s2 - s1 * s1).astype(object)
    var = np.array([int(v) / (w * (w - ddof)) for v in num]) * TICK * TICK
    return np.sqrt(var)


def accuracy(n=10_000_000, chunk=1_000_000):
    x = spiky_walk(n)
    ticks = np.round(x / TICK).astype(np.int64)
    print(
        f"\nRunning RollingStd against an exact oracle over {n:,} bars (random walk on a "
        f"2^-16 tick grid, {n // 100_000} spikes of +-1e12, flat stretches after some)"
    )
    print(
        f"  {'window':>7}  {'max relative error':>18}  {'flat windows':>12}  {'exactly 0':>9}  "
        f"{'negative':>8}"
    )
    for w in WINDOWS:
        ours = pipeline(zerak.RollingStd(["x"], w, ["o"], running=True)).run_research_array(
            x.reshape(-1, 1).copy()
        )[:, 0]
        worst, flat, zero = 0.0, 0, 0
        for start in range(0, n - w + 1, chunk):
            stop = min(n, start + chunk + w - 1)
            expected = exact_std(ticks[start:stop], w)
            got = ours[start + w - 1 : stop]
            nonzero = expected > 0
            worst = max(
                worst, float(np.max(np.abs(got[nonzero] - expected[nonzero]) / expected[nonzero]))
            )
            flat += int(np.count_nonzero(~nonzero))
            zero += int(np.count_nonzero(got[~nonzero] == 0.0))
        negative = int(np.count_nonzero(ours < 0))
        print(f"  {w:>7,}  {worst:18.2e}  {flat:12,}  {zero:9,}  {negative:8}")


if __name__ == "__main__":
    speed()
    if "--speed" not in sys.argv:
        accuracy()
