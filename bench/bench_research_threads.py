"""Both cores for one pipeline: the ten features of bench_research over
1,000,000 OHLC bars in one run_research_array call with threads=1, 2 and 3,
against the same features in polars (lazy, one select, its own thread pool).
Wall time, best of five, side by side, with the CPU time of every thread
during that run; ratios above 1 mean the row is faster than threads=1. On a
machine whose cores are busy with other work, a second thread finds no core
of its own: read "cores busy" before the ratio. Also the Multiply and Sma(20)
engine figures per bar.

    python bench/bench_research_threads.py

polars has no rolling entropy: its set leaves ShannonEntropy out, and the
zerak row "nine features" does the same for a like-for-like comparison.
"""

import math
import os
import time

import numpy as np
from bench_research import BARS, COLUMNS, features, ohlc
from harness import best_cpu_s

import zerak

FOUR_LN2 = 4 * math.log(2)


def polars_nine(data: np.ndarray):
    import polars as pl

    frame = pl.DataFrame({name: data[:, j] for j, name in enumerate(COLUMNS)})
    t, o, h, l, c = (pl.col(n) for n in COLUMNS)
    ret10 = (c / c.shift(10)).log()
    slope = pl.rolling_cov(t, c, window_size=30) / t.rolling_var(30)
    term = (h / c).log() * (h / o).log() + (l / c).log() * (l / o).log()
    query = frame.lazy().select(
        c.rolling_mean(20).alias("sma20"),
        c.ewm_mean(span=50, adjust=False).alias("ema50"),
        ret10.alias("ret10"),
        ((c - c.rolling_mean(30)) / c.rolling_std(30)).alias("z30"),
        ret10.rolling_skew(50).alias("skew50"),
        ret10.rolling_kurtosis(100).alias("kurt100"),
        slope.alias("slope30"),
        (pl.rolling_corr(t, c, window_size=30) ** 2).alias("r2_30"),
        ((((h / l).log() ** 2).rolling_mean(20) / FOUR_LN2).sqrt()).alias("pk20"),
        term.rolling_mean(20).sqrt().alias("rs20"),
    )
    return lambda: query.collect()


def timed(fn, repeat: int = 5) -> tuple[float, float]:
    """Wall seconds of the fastest of `repeat` calls, and the CPU seconds of the
    whole process (every thread) during that call."""
    best = (float("inf"), 0.0)
    for _ in range(repeat):
        cpu, wall = time.process_time(), time.perf_counter()
        fn()
        best = min(best, (time.perf_counter() - wall, time.process_time() - cpu))
    return best


def main() -> None:
    data = ohlc()
    ten = zerak.FeaturePipeline(list(features().values()), COLUMNS)
    nine = zerak.FeaturePipeline(
        [f for name, f in features().items() if not name.startswith("Shannon")], COLUMNS
    )
    rows = [
        (f"ten features, threads={n}", timed(lambda n=n: ten.run_research_array(data, threads=n)))
        for n in (1, 2, 3)
    ]
    rows += [
        (
            f"nine features (no entropy), threads={n}",
            timed(lambda n=n: nine.run_research_array(data, threads=n)),
        )
        for n in (1, 2)
    ]
    try:
        rows.append(("polars, nine features, lazy one select", timed(polars_nine(data))))
    except ImportError:
        pass
    one = rows[0][1][0]
    width = max(len(n) for n, _ in rows)
    print(
        f"\nTen features (bench_research) over {BARS:,} bars, {os.cpu_count()} cores, "
        f"load average {os.getloadavg()[0]:.1f} at the start"
    )
    print(
        f"  {'':{width}}  {'wall s':>8}  {'CPU s':>8}  {'cores busy':>10}  {'threads=1 / row':>16}"
    )
    for name, (wall, cpu) in rows:
        print(f"  {name:{width}}  {wall:8.4f}  {cpu:8.4f}  {cpu / wall:10.2f}  {one / wall:15.2f}x")
    got = {name: wall for name, (wall, _) in rows}
    if "polars, nine features, lazy one select" in got:
        pl_s = got["polars, nine features, lazy one select"]
        nine_two, nine_one = (got[f"nine features (no entropy), threads={n}"] for n in (2, 1))
        print(
            f"  nine features: polars / zerak threads=2 = {pl_s / nine_two:.2f}x, "
            f"polars / zerak threads=1 = {pl_s / nine_one:.2f}x (above 1: zerak faster)"
        )

    close = np.ascontiguousarray(data[:, 4:5])
    flat = close[:, 0]
    square = zerak.FeaturePipeline([zerak.Multiply(["close", "close"], ["y"])], ["close"])
    sma = zerak.FeaturePipeline([zerak.Sma(["close"], 20, ["y"])], ["close"])
    cases = [
        ("numpy.multiply", lambda: np.multiply(flat, flat)),
        ("Multiply, run_research_array", lambda: square.run_research_array(close)),
        ("Sma(20), run_research_array", lambda: sma.run_research_array(close)),
    ]
    try:
        import bottleneck as bn

        cases.append(("bottleneck move_mean(20)", lambda: bn.move_mean(flat, 20)))
    except ImportError:
        pass
    # Rounds that take every case in turn, so that each side sees the same
    # state of the machine (and of the allocator); the best of all rounds.
    best = {name: float("inf") for name, _ in cases}
    for _ in range(5):
        for name, fn in cases:
            best[name] = min(best[name], best_cpu_s(fn, repeat=3))
    print(
        f"\nOne transform over {BARS:,} bars, ns per bar (CPU time of the calling thread,"
        " best of five rounds)"
    )
    for name, seconds in best.items():
        print(f"  {name:30}  {seconds / BARS * 1e9:6.2f}")


if __name__ == "__main__":
    main()
