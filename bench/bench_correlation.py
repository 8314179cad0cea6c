"""Rolling correlation: Pearson (window 20, 100), Spearman (20, 100) and Kendall
tau-b (20, 30) between two series of 1,000,000 bars.

Live: Correlation.update per bar from Python, against the floor (a trivial C
method taking a list and returning a new one), TA-Lib's CORREL stream handle
(Pearson) and scipy.stats called on the current window.
Research: FeaturePipeline.run_research over all bars (with the same pipeline
around an Add, to show what the pipeline and its output lists cost alone),
against pandas rolling corr and TA-Lib CORREL (Pearson) and a loop calling
scipy.stats on every window. The scipy loop is timed on a sample of windows spread over
the series and extrapolated to all of them."""

import warnings

import numpy as np
from harness import best_s, floor, have, per_call_ns, print_table

import zerak

BARS = 1_000_000
LIVE_BARS = 200_000
SAMPLE = 2_000  # windows timed for the scipy loop
CASES = [
    ("pearson", 20),
    ("pearson", 100),
    ("spearman", 20),
    ("spearman", 100),
    ("kendall", 20),
    ("kendall", 30),
]


def series() -> tuple[np.ndarray, np.ndarray]:
    """Two correlated random walks, rounded to cents so that ties occur."""
    rng = np.random.default_rng(11)
    a = rng.normal(0.0, 1.0, BARS)
    b = 0.6 * a + 0.8 * rng.normal(0.0, 1.0, BARS)
    return np.round(100.0 + np.cumsum(a), 2), np.round(100.0 + np.cumsum(b), 2)


def scipy_kernel(method):
    from scipy import stats

    return {"pearson": stats.pearsonr, "spearman": stats.spearmanr, "kendall": stats.kendalltau}[
        method
    ]


def scipy_per_window_s(method, window, x, y) -> float:
    """Seconds per window of scipy over a sample of the windows."""
    kernel = scipy_kernel(method)
    windows = len(x) - window + 1
    starts = range(0, windows, windows // SAMPLE)[:SAMPLE]

    def loop():
        for s in starts:
            kernel(x[s : s + window], y[s : s + window])

    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        return best_s(loop, repeat=3) / len(starts)


def research(method, window, x, y, data):
    """Rows of (name, ms for all bars)."""
    rows = []
    if hasattr(zerak, "FeaturePipeline"):
        pipe = zerak.FeaturePipeline(
            [zerak.Correlation(["x", "y"], window, ["r"], method)], ["x", "y"]
        )
        try:
            pipe.run_research(data[:2])  # a 2-D float64 array is read in place where supported
        except TypeError:
            data = data.tolist()
        rows.append(("zerak FeaturePipeline.run_research", best_s(lambda: pipe.run_research(data))))
        add = zerak.FeaturePipeline([zerak.Add(["x", "y"], ["r"])], ["x", "y"])
        rows.append(
            (
                "  pipeline alone: the same with Add in place of Correlation",
                best_s(lambda: add.run_research(data)),
            )
        )
    if method == "pearson":
        if have("pandas"):
            import pandas as pd

            sx, sy = pd.Series(x), pd.Series(y)
            rows.append(("pandas rolling(w).corr", best_s(lambda: sx.rolling(window).corr(sy))))
        if have("talib"):
            import talib

            rows.append(
                ("TA-Lib CORREL (batch)", best_s(lambda: talib.CORREL(x, y, timeperiod=window)))
            )
    if have("scipy"):
        per = scipy_per_window_s(method, window, x, y)
        rows.append(
            (
                (
                    f"scipy {scipy_kernel(method).__name__} per window "
                    f"(timed on {SAMPLE:,}, extrapolated)"
                ),
                per * (len(x) - window + 1),
            )
        )
    return [(name, s * 1e3) for name, s in rows]


def live(method, window, x, y, floor_ns):
    """Rows of (name, ns per bar)."""
    bars = [[a, b] for a, b in zip(x[:LIVE_BARS].tolist(), y[:LIVE_BARS].tolist(), strict=True)]
    obj = zerak.Correlation(["x", "y"], window, ["r"], method)
    for bar in bars[:window]:
        obj.update(bar)
    rows = [
        ("floor: C method, list in, new list out", floor_ns),
        (
            f"zerak Correlation({window}, {method!r}).update([x, y])",
            per_call_ns(obj.update, bars, repeat=3),
        ),
    ]
    if method == "pearson" and have("talib"):
        from talib import stream

        handle = stream.CORREL(x[:window].copy(), y[:window].copy(), timeperiod=window)
        pairs = bars

        def step(bar, update=handle.update):
            update(bar[0], bar[1])

        rows.append(
            ("TA-Lib stream.CORREL handle .update(x, y)", per_call_ns(step, pairs, repeat=3))
        )
    if have("scipy"):
        rows.append(
            (
                f"scipy {scipy_kernel(method).__name__} on the current window",
                scipy_per_window_s(method, window, x[:LIVE_BARS], y[:LIVE_BARS]) * 1e9,
            )
        )
    return rows


def main() -> None:
    x, y = series()
    data = np.column_stack([x, y])
    f = floor()
    floor_ns = per_call_ns(f.update, [[v] for v in x[:LIVE_BARS].tolist()])
    summary = []
    for method, window in CASES:
        lv = live(method, window, x, y, floor_ns)
        print_table(
            f"Correlation {method}, window {window}: live update, ns per bar (ratio to the floor)",
            lv,
        )
        rs = research(method, window, x, y, data)
        if rs:
            print_table(
                f"Correlation {method}, window {window}: research over {BARS:,} bars, "
                "ms (ratio to the first row)",
                rs,
                unit="ms",
            )
        summary.append((method, window, lv, rs))

    print("\nSummary: peer time / zerak time (above 1: zerak is faster)")
    for method, window, lv, rs in summary:
        ours_live = lv[1][1]
        parts = [f"live {ours_live:,.0f} ns/bar"]
        parts += [
            f"{name.split(' ')[0]} {name.split(' ')[1]}: {t / ours_live:.3g}x" for name, t in lv[2:]
        ]
        if rs and rs[0][0].startswith("zerak"):
            ours = rs[0][1]
            parts.append(f"research {ours:,.0f} ms")
            parts.append(f"of which pipeline alone {rs[1][1]:,.0f} ms")
            parts += [
                f"{name.split(' ')[0]} {name.split(' ')[1]}: {t / ours:.3g}x" for name, t in rs[2:]
            ]
        print(f"  {method:8} w={window:<3}  " + "; ".join(parts))


if __name__ == "__main__":
    main()
