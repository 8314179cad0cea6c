"""Lags, differences, element-wise math and the exponentially weighted spread:
research over 1,000,000 bars (run_research_array from numpy, CPU time) against
numpy's element-wise functions and pandas shift / diff / ewm, and live update
calls against the floor.

    python bench/bench_elementwise.py
"""

import numpy as np
import pandas as pd
from harness import best_cpu_s, best_ns, floor, print_table

import zerak

BARS = 1_000_000
N_LIVE = 200_000


def series() -> np.ndarray:
    rng = np.random.default_rng(7)
    x = 100.0 + np.cumsum(rng.normal(0.0, 1.0, BARS))
    x[rng.integers(0, BARS, 200)] = np.nan
    return x


def research() -> None:
    x = series()
    a = x.reshape(-1, 1)
    ab = np.column_stack([x, x[::-1].copy()])
    s = pd.Series(x)
    b = ab[:, 1]
    cases = [
        # name, our object, its input, the peer
        ("Abs", zerak.Abs(["x"], ["y"]), a, "numpy abs", lambda: np.abs(x)),
        ("Sqrt", zerak.Sqrt(["x"], ["y"]), a, "numpy sqrt", lambda: np.sqrt(x)),
        ("Exp", zerak.Exp(["x"], ["y"]), a, "numpy exp", lambda: np.exp(x)),
        ("Sign", zerak.Sign(["x"], ["y"]), a, "numpy sign", lambda: np.sign(x)),
        ("Scale", zerak.Scale(["x"], ["y"], 0.01, -1.0), a, "numpy x*a+b", lambda: x * 0.01 + -1.0),
        (
            "Clip",
            zerak.Clip(["x"], ["y"], 90.0, 110.0),
            a,
            "numpy clip",
            lambda: np.clip(x, 90.0, 110.0),
        ),
        (
            "Maximum",
            zerak.Maximum(["x", "z"], ["y"]),
            ab,
            "numpy maximum",
            lambda: np.maximum(x, b),
        ),
        (
            "Minimum",
            zerak.Minimum(["x", "z"], ["y"]),
            ab,
            "numpy minimum",
            lambda: np.minimum(x, b),
        ),
        ("Lag(5)", zerak.Lag(["x"], 5, ["y"]), a, "pandas shift(5)", lambda: s.shift(5)),
        ("Diff(1)", zerak.Diff(["x"], 1, ["y"]), a, "pandas diff(1)", lambda: s.diff(1)),
        (
            "EwmVariance(20)",
            zerak.EwmVariance(["x"], 20, ["y"]),
            a,
            "pandas ewm(span=20, adjust=False).var(bias=True)",
            lambda: s.ewm(span=20, adjust=False).var(bias=True),
        ),
        (
            "EwmStd(20)",
            zerak.EwmStd(["x"], 20, ["y"]),
            a,
            "pandas ewm(span=20, adjust=False).std(bias=True)",
            lambda: s.ewm(span=20, adjust=False).std(bias=True),
        ),
    ]
    print(
        f"\nResearch, {BARS:,} bars, run_research_array from numpy (CPU ns/bar; "
        "ratio = peer / ours, above 1 means we are faster)"
    )
    print(f"  {'class':16}  {'ours':>7}  {'peer':>7}  {'ratio':>7}  peer")
    with np.errstate(all="ignore"):
        for name, obj, data, peer_name, peer in cases:
            pipe = zerak.FeaturePipeline([obj], obj.input_names())
            ours = best_cpu_s(lambda: pipe.run_research_array(data), repeat=5) / BARS * 1e9
            theirs = best_cpu_s(peer, repeat=5) / BARS * 1e9
            print(f"  {name:16}  {ours:7.2f}  {theirs:7.2f}  {theirs / ours:6.2f}x  {peer_name}")


def live() -> None:
    f = floor()
    x, ab = [1.5], [1.5, 2.25]
    objs = {
        "Abs": (zerak.Abs(["x"], ["y"]), x),
        "Scale": (zerak.Scale(["x"], ["y"], 2.0, 1.0), x),
        "Clip": (zerak.Clip(["x"], ["y"], 0.0, 1.0), x),
        "Maximum": (zerak.Maximum(["a", "b"], ["y"]), ab),
        "Lag(5)": (zerak.Lag(["x"], 5, ["y"]), x),
        "Diff(1)": (zerak.Diff(["x"], 1, ["y"]), x),
        "EwmStd(20)": (zerak.EwmStd(["x"], 20, ["y"]), x),
        "Ema(20), for comparison": (zerak.Ema(["x"], 20, ["y"]), x),
    }
    rows = [("floor: C method, list in, new list out", best_ns("f.update(x)", N_LIVE, f=f, x=x))]
    for name, (obj, row) in objs.items():
        rows.append((f"{name}.update", best_ns("o.update(r)", N_LIVE, o=obj, r=row)))
    print_table("Live call cost (lower is better; ratio to the floor)", rows)


def main() -> None:
    research()
    live()


if __name__ == "__main__":
    main()
