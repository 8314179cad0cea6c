"""Indicators of high, low and close against TA-Lib: research over a million
bars (run_research_array against TA-Lib's batch functions, default periods)
and live updates (update against TA-Lib's streaming handles), measured side
by side in one run.

    python bench/bench_range_indicators.py
"""

import sys

import numpy as np
import talib
import talib.stream
from harness import best_cpu_s, best_ns, floor

import zerak

BARS = 1_000_000
CALLS = 100_000
HLC = ["h", "l", "c"]

# name: (our object, TA-Lib batch call, TA-Lib streaming handle factory)
CASES = {
    "TRANGE": (lambda: zerak.TrueRange(HLC, ["o"]), talib.TRANGE, talib.stream.TRANGE),
    "ATR": (lambda: zerak.Atr(HLC, 14, ["o"]), talib.ATR, talib.stream.ATR),
    "NATR": (lambda: zerak.Natr(HLC, 14, ["o"]), talib.NATR, talib.stream.NATR),
    "ADX (+DI, -DI)": (
        lambda: zerak.Adx(HLC, 14, ["p", "m", "a"]),
        lambda h, lo, c: (talib.PLUS_DI(h, lo, c), talib.MINUS_DI(h, lo, c), talib.ADX(h, lo, c)),
        talib.stream.ADX,
    ),
    "CCI": (lambda: zerak.Cci(HLC, 14, ["o"]), talib.CCI, talib.stream.CCI),
    "ULTOSC": (lambda: zerak.UltimateOscillator(HLC, ["o"]), talib.ULTOSC, talib.stream.ULTOSC),
}


def bars(n, seed=1):
    rng = np.random.default_rng(seed)
    mid = 100.0 + np.cumsum(rng.normal(0.0, 1.0, n))
    h = mid + rng.random(n)
    lo = mid - rng.random(n)
    return h, lo, lo + (h - lo) * rng.random(n)


def research() -> None:
    h, lo, c = bars(BARS)
    data = np.ascontiguousarray(np.column_stack([h, lo, c]))
    print(f"\nResearch, {BARS:,} bars, default periods (speed = TA-Lib time / ours; goal >= 0.8x)")
    print(f"  {'':16}  {'TA-Lib ms':>10}  {'zerak ms':>10}  {'speed':>7}")
    for name, (make, batch, _) in CASES.items():
        pipe = zerak.FeaturePipeline([make()], HLC)
        theirs = best_cpu_s(lambda: batch(h, lo, c), repeat=5)
        ours = best_cpu_s(lambda: pipe.run_research_array(data), repeat=5)
        print(f"  {name:16}  {theirs * 1e3:10.1f}  {ours * 1e3:10.1f}  {theirs / ours:6.2f}x")
    name = "Keltner (EMA+ATR)"
    pipe = zerak.FeaturePipeline([zerak.KeltnerChannel(HLC, ["u", "m", "d"])], HLC)

    def keltner():
        mid, atr = talib.EMA(c, 20), talib.ATR(h, lo, c, 10)
        return mid + 2.0 * atr, mid, mid - 2.0 * atr

    theirs = best_cpu_s(keltner, repeat=5)
    ours = best_cpu_s(lambda: pipe.run_research_array(data), repeat=5)
    print(f"  {name:16}  {theirs * 1e3:10.1f}  {ours * 1e3:10.1f}  {theirs / ours:6.2f}x")
    # What any transform pays here to read three columns and write one.
    pipe = zerak.FeaturePipeline([zerak.Add(["h", "l"], ["o"])], HLC)
    ours = best_cpu_s(lambda: pipe.run_research_array(data), repeat=5)
    print(f"  {'floor (Add)':16}  {'':10}  {ours * 1e3:10.1f}")
    sys.stdout.flush()


def live() -> None:
    h, lo, c = bars(CALLS + 100, seed=2)
    rows = np.column_stack([h, lo, c]).tolist()
    warm = 100
    f = floor()
    one = [1.5]
    floor_ns = best_ns("f.update(x)", CALLS, f=f, x=one)
    print(f"\nLive, one bar per call (ns/call; ratio = ours / TA-Lib's; floor {floor_ns:.0f} ns)")
    print(f"  {'':16}  {'TA-Lib':>8}  {'zerak':>8}  {'ratio':>7}")
    for name, (make, _, stream) in CASES.items():
        handle = stream(h[:warm], lo[:warm], c[:warm])
        obj = make()
        for row in rows[:warm]:
            obj.update(row)
        it_rows = iter(rows[warm:] * 8)
        it_vals = iter([tuple(r) for r in rows[warm:]] * 8)
        theirs = best_ns(
            "handle.update(*next(it))", CALLS // 2, repeat=5, handle=handle, it=it_vals, next=next
        )
        ours = best_ns("obj.update(next(it))", CALLS // 2, repeat=5, obj=obj, it=it_rows, next=next)
        print(f"  {name:16}  {theirs:8.0f}  {ours:8.0f}  {ours / theirs:6.2f}x")
    sys.stdout.flush()


if __name__ == "__main__":
    research()
    live()
