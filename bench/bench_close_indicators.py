"""The indicators of one price column against TA-Lib, default periods:

1. Research: FeaturePipeline.run_research_array over 1,000,000 bars of a
   geometric random walk (one indicator per pipeline) against TA-Lib's
   batch function on the same numpy array. "speed" is TA-Lib's time over
   ours (the goal is at least 0.8 for the recursive Rsi and Macd); "rel" is
   the largest relative difference from TA-Lib's outputs where they are
   above 1e-6 in size, "abs" the largest absolute difference elsewhere
   (TA-Lib's running sums drift over a million bars: a StochasticRsi fastd
   of exactly 0 is -1e-12 there).
2. Live: one update per call against TA-Lib's streaming function
   (talib.stream, which computes the last value from an array; it is given a
   200-bar history, and the cost of keeping that array up to date is not
   counted).

    python bench/bench_close_indicators.py [--quick]
"""

import sys

import numpy as np
import talib
import talib.stream
from harness import best_cpu_s, best_ns

import zerak

BARS = 100_000 if "--quick" in sys.argv else 1_000_000

# name: (zerak object, TA-Lib batch function, TA-Lib stream function)
CASES = {
    "Rsi(14)": (lambda: zerak.Rsi(["c"], 14, ["o"]), talib.RSI, talib.stream.RSI),
    "Macd(12, 26, 9)": (lambda: zerak.Macd(["c"], ["m", "s", "h"]), talib.MACD, talib.stream.MACD),
    "Roc(10)": (lambda: zerak.Roc(["c"], 10, ["o"]), talib.ROC, talib.stream.ROC),
    "Momentum(10)": (lambda: zerak.Momentum(["c"], 10, ["o"]), talib.MOM, talib.stream.MOM),
    "StochasticRsi(14, 5, 3)": (
        lambda: zerak.StochasticRsi(["c"], ["k", "d"]),
        talib.STOCHRSI,
        talib.stream.STOCHRSI,
    ),
    "Wma(30)": (
        lambda: zerak.Wma(["c"], 30, ["o"]),
        lambda x: talib.WMA(x, 30),
        lambda x: talib.stream.WMA(x, 30),
    ),
    "Dema(30)": (lambda: zerak.Dema(["c"], 30, ["o"]), talib.DEMA, talib.stream.DEMA),
    "Tema(30)": (lambda: zerak.Tema(["c"], 30, ["o"]), talib.TEMA, talib.stream.TEMA),
    "Trix(30)": (lambda: zerak.Trix(["c"], 30, ["o"]), talib.TRIX, talib.stream.TRIX),
    "BollingerBands(5)": (
        lambda: zerak.BollingerBands(["c"], 5, ["u", "m", "l"]),
        lambda x: talib.BBANDS(x, 5),
        lambda x: talib.stream.BBANDS(x, 5),
    ),
}


def differences(got, want):
    """(largest relative difference, largest absolute difference near zero)."""
    want = np.vstack(want if isinstance(want, tuple) else (want,)).T
    assert np.array_equal(np.isnan(got), np.isnan(want))
    ok = ~np.isnan(want)
    got, want = got[ok], want[ok]
    big = np.abs(want) > 1e-6
    rel = np.max(np.abs(got[big] - want[big]) / np.abs(want[big]), initial=0.0)
    return rel, np.max(np.abs(got[~big] - want[~big]), initial=0.0)


def main():
    rng = np.random.default_rng(42)
    close = 100.0 * np.exp(np.cumsum(rng.uniform(-0.01, 0.01, BARS)))  # positive prices
    column = np.ascontiguousarray(close[:, None])

    print(f"\nResearch, {BARS:,} bars: run_research_array against TA-Lib batch")
    print(f"  {'':24}  {'zerak ms':>9}  {'TA-Lib ms':>9}  {'speed':>6}  {'rel':>8}  {'abs':>8}")
    for name, (make, batch, _) in CASES.items():
        pipe = zerak.FeaturePipeline([make()], ["c"])
        rel, near_zero = differences(np.asarray(pipe.run_research_array(column)), batch(close))
        ours = best_cpu_s(lambda: zerak.FeaturePipeline([make()], ["c"]).run_research_array(column))
        theirs = best_cpu_s(lambda: batch(close))
        print(
            f"  {name:24}  {ours * 1e3:9.1f}  {theirs * 1e3:9.1f}  {theirs / ours:5.2f}x"
            f"  {rel:8.1e}  {near_zero:8.1e}"
        )
    # The engine's own cost: reading the array into columns, writing the result.
    floor = best_cpu_s(
        lambda: zerak.FeaturePipeline(
            [zerak.Multiply(["c", "c"], ["o"])], ["c"]
        ).run_research_array(column)
    )
    print(f"  {'floor: one Multiply':24}  {floor * 1e3:9.1f}")

    print("\nLive: one update against TA-Lib's streaming function (200-bar history)")
    print(f"  {'':24}  {'zerak ns':>9}  {'TA-Lib ns':>9}  {'speed':>6}")
    history = np.ascontiguousarray(close[:200])
    row = [101.5]
    for name, (make, _, stream) in CASES.items():
        obj = make()
        for x in close[:200]:
            obj.update([float(x)])  # warmed up: the steady-state path
        ours = best_ns("u(r)", 200_000, u=obj.update, r=row)
        theirs = best_ns("s(h)", 20_000, s=stream, h=history)
        print(f"  {name:24}  {ours:9.1f}  {theirs:9.1f}  {theirs / ours:5.2f}x")


if __name__ == "__main__":
    main()
