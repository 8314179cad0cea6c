"""A universe in one call: the same ten features as bench_research.py over
many symbols, side by side in one run.

    python bench/bench_universe.py [live] [research] [rank] [frame]

1. Live: one UniversePipeline.update per bar for 5,000 symbols against a
   Python loop of 5,000 FeaturePipeline.update calls (goal: 10x).
2. Research: 1,000 symbols on 1 and 2 threads (goal: 1.8x) and against
   polars with over("symbol") for the features it has (goal: faster). The
   issue asks for 100,000 bars per symbol; the panel and the result would
   take 13 GB here, so it runs 10,000 bars per symbol (the time per bar and
   symbol does not depend on the length).
3. Cross-sectional rank over 5,000 symbols per bar against numpy's
   argsort-based rank of the same matrix (goal: within 2x).
4. A long pandas frame (one row per symbol and time, shuffled) through
   zerak.universe_frame against run_research on the same panel (goal:
   within 1.5x).
"""

import os
import time
import warnings

import numpy as np
from bench_research import FOUR_LN2, features
from harness import best_s, have

import zerak

# The cheap universes read one column of the five-column panel on purpose.
warnings.simplefilter("ignore", zerak.ConfigWarning)

COLUMNS = ["t", "open", "high", "low", "close"]
LIVE_SYMBOLS = int(os.environ.get("UNIVERSE_LIVE_SYMBOLS", "5000"))
LIVE_BARS = 20
RESEARCH_SYMBOLS = int(os.environ.get("UNIVERSE_RESEARCH_SYMBOLS", "1000"))
RESEARCH_BARS = int(os.environ.get("UNIVERSE_RESEARCH_BARS", "10000"))
RANK_SYMBOLS = 5_000
RANK_BARS = 500


def panel(bars: int, symbols: int, seed: int = 7) -> np.ndarray:
    """bars x symbols x (t, open, high, low, close) of geometric random walks."""
    rng = np.random.default_rng(seed)
    close = 100.0 * np.exp(np.cumsum(rng.normal(0.0, 0.01, (bars, symbols)), axis=0))
    open_ = np.roll(close, 1, axis=0) * np.exp(rng.normal(0.0, 0.002, close.shape))
    open_[0] = 100.0
    high = np.fmax(open_, close) * np.exp(np.abs(rng.normal(0.0, 0.004, close.shape)))
    low = np.fmin(open_, close) * np.exp(-np.abs(rng.normal(0.0, 0.004, close.shape)))
    t = np.broadcast_to(np.arange(bars, dtype=float)[:, None], close.shape)
    return np.stack([t, open_, high, low, close], axis=2)


def table(title: str, rows: list[tuple[str, float, str]]) -> None:
    width = max(len(name) for name, _, _ in rows)
    print(f"\n{title}")
    base = rows[0][1]
    for name, seconds, note in rows:
        print(f"  {name:{width}}  {seconds:9.4f} s  {seconds / base:6.2f}x  {note}")


def cheap() -> dict[str, object]:
    """Three features whose arithmetic costs little next to a Python call."""
    return {
        "sma": zerak.Sma(["close"], 20, ["sma20"]),
        "ema": zerak.Ema(["close"], 50, ["ema50"]),
        "ret": zerak.LogReturn(["close"], 10, ["ret10"]),
    }


def live_rows(title: str, made, data: np.ndarray) -> list[tuple[str, float, str]]:
    universe = zerak.UniversePipeline(list(made().values()), COLUMNS, LIVE_SYMBOLS)
    pipes = [zerak.FeaturePipeline(list(made().values()), COLUMNS) for _ in range(LIVE_SYMBOLS)]
    rows = [[list(map(float, data[b, s])) for s in range(LIVE_SYMBOLS)] for b in range(LIVE_BARS)]

    def one_call(threads):
        for bar in data:
            universe.update(bar, threads=threads)

    def python_loop():
        for bar in rows:
            for pipe, row in zip(pipes, bar, strict=True):
                pipe.update(row)

    loop = best_s(python_loop, repeat=3) / LIVE_BARS
    ours = best_s(lambda: one_call(1), repeat=3) / LIVE_BARS
    two = best_s(lambda: one_call(2), repeat=3) / LIVE_BARS
    per = 1e6 / LIVE_SYMBOLS
    return [
        (
            f"{title}: Python loop of FeaturePipeline.update",
            loop,
            f"{loop * per:.3f} us per symbol",
        ),
        (
            f"{title}: UniversePipeline.update",
            ours,
            f"{ours * per:.3f} us per symbol; {loop / ours:.1f}x faster than the loop (goal 10x)",
        ),
        (
            f"{title}: UniversePipeline.update, threads=2",
            two,
            f"{two * per:.3f} us per symbol; {loop / two:.1f}x faster than the loop",
        ),
    ]


def live() -> None:
    data = panel(LIVE_BARS, LIVE_SYMBOLS)
    table(
        f"Live: one bar of {LIVE_SYMBOLS:,} symbols (time per bar)",
        live_rows("the ten features", features, data)
        + live_rows("Sma, Ema, LogReturn", cheap, data),
    )


def polars_features(data: np.ndarray):
    """The features polars has, per symbol with over("symbol"), on a long frame."""
    import polars as pl

    bars, symbols, _ = data.shape
    long = data.transpose(1, 0, 2).reshape(-1, 5)
    frame = pl.DataFrame({name: long[:, j] for j, name in enumerate(COLUMNS)}).with_columns(
        pl.Series("symbol", np.repeat(np.arange(symbols), bars))
    )
    c, h, l, o, t = (pl.col(n) for n in ("close", "high", "low", "open", "t"))
    ret10 = (c / c.shift(10)).log()
    rs = (h / c).log() * (h / o).log() + (l / c).log() * (l / o).log()
    exprs = [
        c.rolling_mean(20).alias("sma20"),
        c.ewm_mean(span=50, adjust=False).alias("ema50"),
        ret10.alias("ret10"),
        ((c - c.rolling_mean(30)) / c.rolling_std(30)).alias("z30"),
        ret10.rolling_skew(50).alias("skew50"),
        ((t * c).rolling_mean(30) - t.rolling_mean(30) * c.rolling_mean(30))
        .truediv(t.rolling_var(30, ddof=0))
        .alias("slope30"),
        ((h / l).log().pow(2).rolling_mean(20) / FOUR_LN2).sqrt().alias("pk20"),
        rs.rolling_mean(20).sqrt().alias("rs20"),
    ]
    return lambda: frame.select([e.over("symbol") for e in exprs])


def research() -> None:
    data = panel(RESEARCH_BARS, RESEARCH_SYMBOLS)
    universe = zerak.UniversePipeline(list(features().values()), COLUMNS, RESEARCH_SYMBOLS)
    one = best_s(lambda: universe.run_research(data, threads=1), repeat=2)
    two = best_s(lambda: universe.run_research(data, threads=2), repeat=2)
    rows = [
        ("UniversePipeline.run_research, 2 threads", two, "all 10 features"),
        (
            "UniversePipeline.run_research, 1 thread",
            one,
            f"2 threads {one / two:.2f}x faster (goal 1.8x)",
        ),
    ]
    if have("polars"):
        eight = [
            f
            for name, f in features().items()
            if not name.startswith(("Kurtosis", "ShannonEntropy"))
        ]
        same = zerak.UniversePipeline(eight, COLUMNS, RESEARCH_SYMBOLS)
        ours = best_s(lambda: same.run_research(data, threads=2), repeat=2)
        theirs = best_s(polars_features(data), repeat=2)
        rows.append(("UniversePipeline.run_research, 2 threads, the 8 polars has", ours, ""))
        rows.append(
            (
                "polars over('symbol'), the same 8",
                theirs,
                f"the universe {theirs / ours:.2f}x faster (goal: faster)",
            )
        )
    table(
        f"Research: {RESEARCH_SYMBOLS:,} symbols x {RESEARCH_BARS:,} bars "
        f"({os.cpu_count()} cores on this machine)",
        rows,
    )


def rank() -> None:
    rng = np.random.default_rng(3)
    x = rng.normal(size=(RANK_BARS, RANK_SYMBOLS))
    universe = zerak.UniversePipeline([zerak.CrossSectionalRank(["x"], ["r"])], ["x"], RANK_SYMBOLS)
    cube = x[:, :, None]

    def numpy_rank():
        order = np.argsort(x, axis=1)
        r = np.empty_like(x)
        np.put_along_axis(r, order, np.arange(1, RANK_SYMBOLS + 1, dtype=float)[None, :], axis=1)
        return r / RANK_SYMBOLS

    def live_rank():
        for bar in cube:
            universe.update(bar)

    ours = best_s(lambda: universe.run_research(cube), repeat=3)
    live_s = best_s(live_rank, repeat=3)
    theirs = best_s(numpy_rank, repeat=3)
    table(
        f"Cross-sectional rank: {RANK_SYMBOLS:,} symbols x {RANK_BARS} bars",
        [
            ("numpy argsort rank (no tie averaging)", theirs, ""),
            (
                "CrossSectionalRank, run_research",
                ours,
                f"{ours / theirs:.2f}x numpy's time (goal <= 2x)",
            ),
            ("CrossSectionalRank, update per bar", live_s, f"{live_s / theirs:.2f}x numpy's time"),
        ],
    )


FRAME_SYMBOLS = int(os.environ.get("UNIVERSE_FRAME_SYMBOLS", "1000"))
FRAME_BARS = int(os.environ.get("UNIVERSE_FRAME_BARS", "1000"))


def long_frame() -> None:
    if not have("pandas"):
        return
    import pandas as pd

    data = panel(FRAME_BARS, FRAME_SYMBOLS)
    bar, symbol = np.meshgrid(np.arange(FRAME_BARS), np.arange(FRAME_SYMBOLS), indexing="ij")
    names = [f"S{s:04d}" for s in range(FRAME_SYMBOLS)]

    def long(order: np.ndarray):
        return pd.DataFrame(
            {
                "time": pd.Timestamp("2024-01-01")
                + pd.to_timedelta(bar.ravel()[order], unit="min"),
                "symbol": np.array(names, dtype=object)[symbol.ravel()[order]],
                **{c: data[:, :, j].ravel()[order] for j, c in enumerate(COLUMNS)},
            }
        )

    frames = {
        "sorted by time and symbol": long(np.arange(bar.size)),
        "shuffled": long(np.random.default_rng(5).permutation(bar.size)),
    }
    rows = []
    for title, made in (("Sma, Ema, LogReturn", cheap), ("the ten features", features)):
        universe = zerak.UniversePipeline(list(made().values()), COLUMNS, names)
        base = best_s(lambda: universe.run_research(data), repeat=3)
        rows.append((f"{title}: run_research on the panel", base, ""))
        for how, frame in frames.items():
            ours = best_s(lambda: zerak.universe_frame(universe, frame), repeat=3)
            rows.append(
                (
                    f"{title}: universe_frame, rows {how}",
                    ours,
                    f"{ours / base:.2f}x run_research's time (goal <= 1.5x)",
                )
            )
    print(
        f"\nA long frame: {FRAME_SYMBOLS:,} symbols x {FRAME_BARS:,} times "
        f"({FRAME_SYMBOLS * FRAME_BARS:,} rows)"
    )
    width = max(len(name) for name, _, _ in rows)
    for name, seconds, note in rows:
        print(f"  {name:{width}}  {seconds:9.4f} s  {note}")


SECTIONS = {"live": live, "research": research, "rank": rank, "frame": long_frame}

if __name__ == "__main__":
    import sys

    start = time.perf_counter()
    for section in sys.argv[1:] or SECTIONS:  # e.g. `bench_universe.py frame`
        SECTIONS[section]()
    print(f"\n({time.perf_counter() - start:.0f} s)")
