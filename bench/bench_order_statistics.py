"""Medians, quantiles and ranks over a window: zerak's research path against
bottleneck, pandas and polars on 1,000,000 bars, and the live update of the
median and quantile at window 10,000 against river and the floor.

    python bench/bench_order_statistics.py           # every window
    python bench/bench_order_statistics.py 20 1000   # chosen windows
"""

import math
import sys
import warnings

import numpy as np
from harness import best_cpu_s, floor, have, per_call_ns, print_table

import zerak

N = 1_000_000
WINDOWS = [20, 100, 1_000, 10_000]
Q = 0.25
LIVE_WINDOW = 10_000


def timed(fn) -> float:
    """Best CPU seconds of fn; a single run once one takes seconds (bottleneck's
    rank is O(window) per bar)."""
    first = best_cpu_s(fn, repeat=1)
    return first if first > 3.0 else min(first, best_cpu_s(fn, repeat=2))


def zerak_run(make, x2d):
    pipe = zerak.FeaturePipeline([make()], ["x"])
    return lambda: pipe.run_research_array(x2d)


def research_tables(x: np.ndarray, windows: list[int]) -> list[tuple[str, int, float]]:
    import bottleneck as bn
    import pandas as pd
    import polars as pl

    x2d = np.ascontiguousarray(x[:, None])
    s, ps = pd.Series(x), pl.Series(x)
    worst = []  # (class, window, our time / fastest peer's)
    for w in windows:
        kinds = {
            "Mma": [
                (f"zerak Mma({w})", zerak_run(lambda: zerak.Mma(["x"], w, ["m"]), x2d)),
                ("bottleneck move_median", lambda: bn.move_median(x, w)),
                ("pandas rolling.median", lambda: s.rolling(w).median()),
                ("polars rolling_median", lambda: ps.rolling_median(w)),
            ],
            "RollingQuantile": [
                (
                    f"zerak RollingQuantile({w}, q={Q})",
                    zerak_run(lambda: zerak.RollingQuantile(["x"], w, ["q"], q=Q), x2d),
                ),
                ("pandas rolling.quantile", lambda: s.rolling(w).quantile(Q)),
                (
                    "polars rolling_quantile linear",
                    lambda: ps.rolling_quantile(Q, "linear", window_size=w),
                ),
            ],
            "RollingRank": [
                (
                    f"zerak RollingRank({w})",
                    zerak_run(lambda: zerak.RollingRank(["x"], w, ["r"]), x2d),
                ),
                ("bottleneck move_rank", lambda: bn.move_rank(x, w)),
                ("pandas rolling.rank(pct=True)", lambda: s.rolling(w).rank(pct=True)),
                ("polars rolling_rank / w", lambda: ps.rolling_rank(w) / w),
            ],
        }
        for name, rows in kinds.items():
            table = [(label, timed(fn) * 1e9 / N) for label, fn in rows]
            print_table(
                f"{name}, window {w}: research over {N:,} bars (ratio to zerak)",
                table,
                unit="ns/bar",
            )
            worst.append((name, w, table[0][1] / min(t for _, t in table[1:])))
    return worst


def live_table(x: np.ndarray) -> None:
    rows = [[v] for v in x[:200_000].tolist()]
    values = [r[0] for r in rows]
    f = floor()
    objs = {
        "Mma": zerak.Mma(["x"], LIVE_WINDOW, ["m"]),
        "RollingQuantile": zerak.RollingQuantile(["x"], LIVE_WINDOW, ["q"], q=Q),
    }
    for obj in objs.values():
        for r in rows[:LIVE_WINDOW]:
            obj.update(r)
    for name, obj in objs.items():
        floor_ns = ours = math.inf
        for _ in range(3):  # alternate so that both see the same load
            floor_ns = min(floor_ns, per_call_ns(f.update, rows, repeat=2))
            ours = min(ours, per_call_ns(obj.update, rows, repeat=2))
        table = [
            ("floor: C method, list in, new list out", floor_ns),
            (f"zerak {name}({LIVE_WINDOW}).update([x])", ours),
        ]
        if have("river"):
            from river import stats

            with warnings.catch_warnings():
                warnings.simplefilter("ignore", DeprecationWarning)
                q = 0.5 if name == "Mma" else Q
                r = stats.RollingQuantile(q=q, window_size=LIVE_WINDOW)
                for v in values[:LIVE_WINDOW]:
                    r.update(v)

                def step(v, r=r):
                    r.update(v)
                    return r.get()

                table.append(
                    (
                        f"river RollingQuantile({q}).update(x) + get()",
                        per_call_ns(step, values, repeat=2),
                    )
                )
        print_table(f"{name}({LIVE_WINDOW}): live, ns per bar (ratio to the floor)", table)


def main() -> None:
    windows = [int(a) for a in sys.argv[1:]] or WINDOWS
    rng = np.random.default_rng(1)
    x = np.round(100.0 + np.cumsum(rng.normal(0.0, 1.0, N)), 2)  # prices: ties happen
    worst = research_tables(x, windows)
    live_table(x)
    print("\nSummary: zerak's time over the fastest peer's (goal <= 1.00)")
    for name, w, ratio in worst:
        print(f"  {name}({w}): {ratio:.2f}")


if __name__ == "__main__":
    main()
