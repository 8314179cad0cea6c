"""Recursive features and logarithms in research mode, side by side with the
peers, over 1,000,000 bars (CPU time of this thread, best of several runs):

1. The library's logarithm (core/ops/log.inc) against the C library's:
   accuracy over many arguments (random bits, price ratios, arguments near
   1, subnormals, powers of two and their neighbours), and speed, scalar and
   as the vector block kernel on each instruction set this CPU has, next to
   numpy's np.log on the same price ratios.
2. FeaturePipeline.run_research_array from a numpy array, one feature at a
   time, against TA-Lib (EMA, KAMA, RSI, MACD) and numpy (log returns, the
   Parkinson estimator with bottleneck's moving mean). The `Abs` row is the
   engine's own cost for one feature (read the column, run a trivial
   kernel, write the result): every zerak row pays it.

    python bench/bench_recursive.py [--quick]   # --quick: 1,000,000 arguments for accuracy
"""

import math
import os
import subprocess
import sys

import numpy as np
from harness import BUILD, ROOT, best_cpu_s, have

import zerak

BARS = 1_000_000
LOG_SOURCES = ["core/ops/log.cpp"]


def data():
    rng = np.random.default_rng(7)
    close = 100.0 * np.exp(np.cumsum(rng.uniform(-0.01, 0.01, BARS)))
    high = close * np.exp(rng.uniform(0, 0.005, BARS))
    low = close * np.exp(-rng.uniform(0, 0.005, BARS))
    # Columns contiguous, as the peers get them (and as frames hold them).
    return np.asfortranarray(np.column_stack([high, low, close]))


def per_bar_ns(fn, repeat=15):
    return best_cpu_s(fn, repeat) / BARS * 1e9


def zerak_ns(array, make):
    pipe = zerak.FeaturePipeline([make()], ["high", "low", "close"])
    return per_bar_ns(lambda: pipe.run_research_array(array))


def log_table(quick):
    count = 1_000_000 if quick else 100_000_000
    text = core_program_args("core_log", count)
    out = dict(line.split() for line in text.splitlines() if line)
    print(f"\nLogarithm accuracy over {int(out['values']):,} arguments")
    print(
        f"  largest difference from the C library: {out['max_ulps_from_c']} ulp,"
        f" on {int(out['differ_from_c']):,} arguments"
    )
    print(
        f"  where long double settles the correct rounding ({int(out['decided']):,}):"
        f" ours misrounded {int(out['misrounded']):,}, the C library's"
        f" {int(out['c_misrounded']):,}"
    )
    if "quad_misrounded" in out:
        print(
            f"  the other {int(out['undecided']):,}, settled in quadruple precision: ours"
            f" misrounded {int(out['quad_misrounded']):,}, the C library's"
            f" {int(out['quad_c_misrounded']):,}"
        )
    rng = np.random.default_rng(1)
    x = (rng.random(BARS) + 0.5) / (rng.random(BARS) + 0.5)
    y = np.empty_like(x)
    numpy_ns = per_bar_ns(lambda: np.log(x, out=y), repeat=7)
    rows = [
        ("C library log, scalar loop", float(out["c_scalar_ns"])),
        ("ours, scalar", float(out["ours_scalar_ns"])),
    ]
    rows += [
        (f"ours, block {k.removeprefix('ours_block_').removesuffix('_ns')}", float(v))
        for k, v in out.items()
        if k.startswith("ours_block_")
    ]
    rows.append(("numpy np.log", numpy_ns))
    print("\nLogarithm speed on price ratios, ns per value (ratio: to numpy's)")
    for name, ns in rows:
        print(f"  {name:28} {ns:8.2f}  {ns / numpy_ns:6.2f}x")


def core_program_args(name, count):
    """The program built as core_program builds it, with GCC's quadruple
    precision when there is one, run on `count` arguments."""
    target = BUILD / f"{name}_quad"
    sources = [
        ROOT / "bench" / f"{name}.cpp",
        *(ROOT / s for s in LOG_SOURCES),
        *sorted((ROOT / "core/simd").rglob("*.cpp")),
    ]
    if not target.exists() or any(target.stat().st_mtime < s.stat().st_mtime for s in sources):
        BUILD.mkdir(parents=True, exist_ok=True)
        base = [
            os.environ.get("CXX", "c++"),
            "-std=c++20",
            "-O3",
            "-DNDEBUG",
            "-ffp-contract=off",
            "-fno-fast-math",
            f"-I{ROOT / 'core'}",
            *map(str, sources),
            "-o",
            str(target),
        ]
        try:
            subprocess.run([*base, "-DZERAK_QUAD", "-lquadmath"], check=True, capture_output=True)
        except subprocess.CalledProcessError:
            subprocess.run(base, check=True)
    return subprocess.run(
        [str(target), str(count)], check=True, capture_output=True, text=True
    ).stdout


def feature_table():
    import bottleneck as bn
    import talib

    array = data()
    high, low, close = (np.ascontiguousarray(array[:, j]) for j in range(3))
    four_ln2 = 4 * math.log(2)
    z = zerak
    rows = [
        ("Abs (engine floor)", lambda: z.Abs(["close"], ["y"]), None, None, None),
        (
            "Ema(20)",
            lambda: z.Ema(["close"], 20, ["y"]),
            "TA-Lib EMA",
            lambda: talib.EMA(close, 20),
            1.2,
        ),
        (
            "Kama(10)",
            lambda: z.Kama(["close"], 10, ["y"]),
            "TA-Lib KAMA",
            lambda: talib.KAMA(close, 10),
            None,
        ),
        (
            "Rsi(14)",
            lambda: z.Rsi(["close"], 14, ["y"]),
            "TA-Lib RSI",
            lambda: talib.RSI(close, 14),
            None,
        ),
        (
            "Macd(12, 26, 9)",
            lambda: z.Macd(["close"], ["m", "s", "h"]),
            "TA-Lib MACD",
            lambda: talib.MACD(close),
            None,
        ),
        (
            "LogReturn(1)",
            lambda: z.LogReturn(["close"], 1, ["y"]),
            "numpy log(c[1:]/c[:-1])",
            lambda: np.log(close[1:] / close[:-1]),
            1.5,
        ),
        (
            "ParkinsonVolatility(20)",
            lambda: z.ParkinsonVolatility(["high", "low"], 20, ["y"]),
            "numpy + bottleneck",
            lambda: np.sqrt(bn.move_mean(np.log(high / low) ** 2, 20) / four_ln2),
            1.5,
        ),
        ("Log", lambda: z.Log(["close"], ["y"]), "numpy log", lambda: np.log(close), None),
    ]
    floor = None
    print(
        f"\nResearch mode, ns per bar over {BARS:,} bars: run_research_array against the"
        " peer (ratio: zerak / peer; goal: the most it may be)"
    )
    print(
        f"  {'feature':26} {'zerak':>8} {'peer':>26} {'ns':>8} {'ratio':>7} {'goal':>6}"
        f" {'engine':>7}"
    )
    for name, make, peer, peer_fn, goal in rows:
        ours = zerak_ns(array, make)
        if floor is None:
            floor = ours
            print(f"  {name:26} {ours:8.2f}")
            continue
        theirs = per_bar_ns(peer_fn)
        print(
            f"  {name:26} {ours:8.2f} {peer:>26} {theirs:8.2f} {ours / theirs:6.2f}x"
            f" {(f'{goal:.1f}x' if goal else '-'):>6} {floor / ours:6.0%}"
        )
        sys.stdout.flush()
    print("  engine: the Abs row's time as a share of the row's")


def main():
    log_table("--quick" in sys.argv)
    if have("talib") and have("bottleneck"):
        feature_table()


if __name__ == "__main__":
    main()
