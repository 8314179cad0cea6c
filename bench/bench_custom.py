"""Users' own transforms, side by side in one run.

1. WindowApply with a numba cfunc computing a mean, 1,000,000 bars, window 20,
   through run_research_array, against pandas rolling(20).apply(fn, raw=True)
   (the same mean as a plain Python function) and the built-in Sma(20).
2. A protocol object in a live pipeline (FeaturePipeline.update per bar)
   against calling its update directly in a Python loop.

    python bench/bench_custom.py
"""

import math

import numpy as np
import pandas as pd
from harness import best_cpu_s, per_call_ns, print_table

import zerak

BARS = 1_000_000
WINDOW = 20
LIVE_BARS = 100_000


def mean(window: np.ndarray) -> float:
    return float(window.mean())


def window_goal():
    numba = __import__("numba")

    @numba.cfunc("float64(CPointer(float64), int64)")
    def cmean(p, n):
        s = 0.0
        for i in range(n):
            s += p[i]
        return s / n

    x = 100 + np.random.default_rng(1).standard_normal(BARS).cumsum()
    col = x.reshape(-1, 1).copy()
    apply = zerak.FeaturePipeline([zerak.WindowApply(cmean, "x", WINDOW, "m")], ["x"])
    sma = zerak.FeaturePipeline([zerak.Sma(["x"], WINDOW, ["m"])], ["x"])
    series = pd.Series(x)
    rows = [
        ("WindowApply(numba cfunc)", best_cpu_s(lambda: apply.run_research_array(col), 5)),
        ("Sma (built-in)", best_cpu_s(lambda: sma.run_research_array(col), 5)),
        (
            "pandas rolling.apply(raw=True)",
            best_cpu_s(lambda: series.rolling(WINDOW).apply(mean, raw=True), 1),
        ),
    ]
    print_table(
        f"Mean over window {WINDOW}, {BARS:,} bars (CPU s)",
        [(name, t * 1e9 / BARS) for name, t in rows],
        unit="ns/bar",
    )
    t = dict(rows)
    apply_s = t["WindowApply(numba cfunc)"]
    print(
        f"  pandas / WindowApply: {t['pandas rolling.apply(raw=True)'] / apply_s:.1f}x"
        f" (goal >= 20x); WindowApply / Sma: {apply_s / t['Sma (built-in)']:.2f}x (goal <= 3x)"
    )


class Momentum:
    """x - x[lag]: a small user feature with state."""

    def __init__(self, lag: int = 5) -> None:
        self.lag = lag
        self.reset()

    def input_names(self) -> list[str]:
        return ["x"]

    def output_names(self) -> list[str]:
        return ["mom"]

    def warm_up_period(self) -> int:
        return self.lag

    def reset(self) -> None:
        self.hist: list[float] = []

    def update(self, values):
        h = self.hist
        h.append(values[0])
        if len(h) > self.lag + 1:
            del h[0]
        return [h[-1] - h[0] if len(h) > self.lag else math.nan]


def live_goal():
    x = 100 + np.random.default_rng(2).standard_normal(LIVE_BARS).cumsum()
    bars = [[v] for v in x.tolist()]
    direct = Momentum()
    p = zerak.FeaturePipeline([Momentum()], ["x"])
    rows = [
        ("Momentum.update, direct loop", per_call_ns(direct.update, bars)),
        ("FeaturePipeline.update", per_call_ns(p.update, bars)),
    ]
    print_table(f"A protocol object live, {LIVE_BARS:,} bars", rows)
    print(f"  pipeline / direct: {rows[1][1] / rows[0][1]:.2f}x (goal <= 1.5x)")


if __name__ == "__main__":
    window_goal()
    live_goal()
