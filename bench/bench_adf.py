"""Rolling augmented Dickey-Fuller test, window 100 (12 lags by default), over
100,000 bars: live from Python and in research mode, against statsmodels'
adfuller called on every window. adfuller is timed on a subset of the windows
and extrapolated to all of them."""

import random
import warnings

from harness import best_s, have, per_call_ns, print_table

import zerak

BARS = 100_000
WINDOW = 100
LAGS = 12  # what Adf resolves for a window of 100
SAMPLE = 2_000  # windows timed for adfuller


def series() -> list[float]:
    rng = random.Random(7)
    level, out = 100.0, []
    for _ in range(BARS):
        level += rng.gauss(0.0, 1.0)
        out.append(level)
    return out


def main() -> None:
    x = series()
    rows = [[v] for v in x]
    windows = BARS - WINDOW + 1
    for regression in ("c", "ct"):
        adf = zerak.Adf(["x"], WINDOW, ["stat", "pvalue"], regression=regression)

        def live(row, update=adf.update):
            update(row)

        table = [("Adf.update per bar, live", per_call_ns(live, rows, repeat=3) / 1e3)]
        # Changes of ~1e-9: every window fails the documented solver on scale
        # alone and is refitted at a workable scale.
        tiny = [[2e-5 + 1e-9 * (v - 100.0)] for v in x[:20_000]]
        refitted = zerak.Adf(["x"], WINDOW, ["stat", "pvalue"], regression=regression)
        table.append(
            (
                "Adf.update per bar, live, series of scale 1e-9 (refitted)",
                per_call_ns(lambda row, update=refitted.update: update(row), tiny, repeat=3) / 1e3,
            )
        )
        if hasattr(zerak, "FeaturePipeline"):
            pipeline = zerak.FeaturePipeline(
                [zerak.Adf(["x"], WINDOW, ["stat", "pvalue"], regression=regression)], ["x"]
            )
            table.append(
                (
                    "FeaturePipeline.run_research, per bar",
                    best_s(lambda p=pipeline: p.run_research(rows)) / BARS * 1e6,
                )
            )
        if have("statsmodels"):
            import numpy as np
            from statsmodels.tsa.stattools import adfuller

            arr = np.asarray(x)
            starts = range(0, windows, windows // SAMPLE)[:SAMPLE]

            def per_window(reg=regression):
                for s in starts:
                    adfuller(arr[s : s + WINDOW], maxlag=LAGS, regression=reg, autolag=None)

            with warnings.catch_warnings():
                warnings.simplefilter("ignore")
                per = best_s(per_window) / len(starts)
            table.append((f"statsmodels adfuller per window (timed on {len(starts):,})", per * 1e6))
        print_table(
            f'Rolling ADF, regression="{regression}", window {WINDOW}, {BARS:,} bars '
            "(lower is better; ratio to the first row)",
            table,
            unit="us/bar",
        )
        print(
            f"  whole series: {table[0][1] * BARS / 1e6:.1f} s live; adfuller on all "
            f"{windows:,} windows, extrapolated: {table[-1][1] * windows / 1e6:.0f} s"
        )


if __name__ == "__main__":
    main()
