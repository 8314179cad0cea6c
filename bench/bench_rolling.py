"""Live update cost of Sma(20), Ema(20) and RollingZScore(20) from Python,
against the floor (a trivial C method taking a one-element list and returning
a new one), TA-Lib's streaming handles, talipp and river, plus the same three
features in a core-only C++ loop to show how much of a live call is binding.

    python bench/bench_rolling.py              # wall-clock tables
    python bench/bench_rolling.py --callgrind  # instructions per call under
                                               # valgrind: steady on a busy machine
"""

import math
import shutil
import sys
import warnings

import numpy as np
from harness import callgrind_per_call, core_program, floor, have, per_call_ns, print_table

import zerak

N = 100_000
WINDOW = 20
CORE_SOURCES = [
    "core/features/averages/sma.cpp",
    "core/features/averages/ema.cpp",
    "core/scalers/rolling_zscore.cpp",
    "core/error.cpp",
]


def core_ns() -> dict[str, float]:
    """ns per bar of the core alone, built with the project's release flags."""
    out = core_program("core_rolling", CORE_SOURCES)
    return {name: float(ns) for name, ns in (line.rsplit(" ", 1) for line in out.splitlines())}


def talipp_zscore():
    from talipp.indicators import SMA, StdDev

    mean, std = SMA(period=WINDOW), StdDev(period=WINDOW)

    def step(x):
        mean.add(x)
        std.add(x)
        m, s = mean[-1], std[-1]
        return [(x - m) / s if m is not None and s else math.nan]

    return step


def river_zscore():
    from river import stats, utils

    mean = utils.Rolling(stats.Mean, window_size=WINDOW)
    var = utils.Rolling(stats.Var, window_size=WINDOW, ddof=1)

    def step(x):
        mean.update(x)
        var.update(x)
        v = var.get()
        return [(x - mean.get()) / math.sqrt(v) if v > 0 else math.nan]

    return step


def talib_zscore(history):
    from talib import stream

    mean = stream.SMA(history, timeperiod=WINDOW)
    std = stream.STDDEV(history, timeperiod=WINDOW, nbdev=1.0)

    def step(x):
        m, s = mean.update(x), std.update(x)
        return [(x - m) / s if s > 0 else math.nan]

    return step


def main() -> None:
    rng = np.random.default_rng(1)
    prices = (100.0 + np.cumsum(rng.normal(0.0, 1.0, N + 100))).tolist()
    history, live = np.array(prices[:100]), prices[100:]
    rows = [[x] for x in live]  # zerak and the floor take one list per bar
    f = floor()
    core = core_ns()

    # class, talipp indicator, TA-Lib stream function (None: built from two)
    kinds = {
        "Sma": (zerak.Sma, "SMA", "SMA"),
        "Ema": (zerak.Ema, "EMA", "EMA"),
        "RollingZScore": (zerak.RollingZScore, None, None),
    }
    summary = []
    for name, (cls, talipp_name, talib_name) in kinds.items():
        obj = cls(["x"], WINDOW, ["y"])
        for row in rows[:WINDOW]:
            obj.update(row)
        # Alternate with the floor so that both see the same machine load.
        floor_ns, ours = math.inf, math.inf
        for _ in range(3):
            floor_ns = min(floor_ns, per_call_ns(f.update, rows, repeat=3))
            ours = min(ours, per_call_ns(obj.update, rows, repeat=3))
        table = [
            ("floor: C method, list in, new list out", floor_ns),
            (f"zerak {name}({WINDOW}).update([x])", ours),
        ]
        if have("talib"):
            from talib import stream

            if talib_name:
                h = getattr(stream, talib_name)(history, timeperiod=WINDOW)
                table.append(
                    (f"TA-Lib stream.{talib_name} handle .update(x)", per_call_ns(h.update, live))
                )
            else:
                table.append(
                    (
                        "TA-Lib stream SMA + STDDEV handles, z in Python",
                        per_call_ns(talib_zscore(history), live),
                    )
                )
        if have("talipp"):
            import talipp.indicators as ti

            if talipp_name:
                ind = getattr(ti, talipp_name)(period=WINDOW)
                table.append((f"talipp {talipp_name}.add(x)", per_call_ns(ind.add, live, repeat=3)))
            else:
                table.append(
                    (
                        "talipp SMA + StdDev, z in Python",
                        per_call_ns(talipp_zscore(), live, repeat=3),
                    )
                )
        if have("river"):
            from river import stats, utils

            with warnings.catch_warnings():
                warnings.simplefilter("ignore", DeprecationWarning)
                if name == "Sma":
                    r = utils.Rolling(stats.Mean, window_size=WINDOW)
                    table.append(
                        ("river Rolling(Mean).update(x)", per_call_ns(r.update, live, repeat=3))
                    )
                elif name == "Ema":
                    r = stats.EWMean(fading_factor=2.0 / (WINDOW + 1.0))
                    table.append(("river EWMean.update(x)", per_call_ns(r.update, live, repeat=3)))
                else:
                    table.append(
                        (
                            "river Rolling(Mean) + Rolling(Var), z in Python",
                            per_call_ns(river_zscore(), live, repeat=3),
                        )
                    )
        core_name = f"{name}({WINDOW})"
        table.append(("core only (C++ loop, no Python)", core[core_name]))
        print_table(f"{core_name}: live update, ns per bar (ratio to the floor)", table)
        peers = dict(table[2:-1])
        summary.append(
            (
                core_name,
                ours / floor_ns,
                core[core_name],
                ours - core[core_name],
                {k.split()[0]: v / ours for k, v in peers.items()},
            )
        )

    print("\nSummary (goals: zerak within 2x of the floor, peers >= 10x slower)")
    for name, to_floor, core_cost, binding, peers in summary:
        ratios = ", ".join(f"{k} {v:.1f}x slower" for k, v in peers.items())
        print(
            f"  {name}: {to_floor:.2f}x the floor; core {core_cost:.1f} ns + binding "
            f"{binding:.1f} ns; {ratios}"
        )


# ---- instruction counts ------------------------------------------------------

CALL_MODES = ("none", "floor", "Sma", "Ema", "RollingZScore")


def calls(mode: str, n: int) -> None:
    """n live calls of one kind on varying data ("none": the loop alone)."""
    rows = [[100.0 + (i * 7919 % 101) * 0.01] for i in range(n)]
    if mode == "none":
        for _ in rows:
            pass
        return
    obj = floor() if mode == "floor" else getattr(zerak, mode)(["x"], WINDOW, ["y"])
    update = obj.update
    for r in rows:
        update(r)


def main_callgrind() -> None:
    if shutil.which("valgrind") is None:
        print("valgrind not found")
        return
    floor()  # builds it outside the measurement
    small, large = 50_000, 150_000
    per_call = {m: callgrind_per_call(__file__, m, small, large) for m in CALL_MODES}
    rows = [
        (m if m == "floor" else f"{m}({WINDOW}).update([x])", per_call[m] - per_call["none"])
        for m in CALL_MODES[1:]
    ]
    print_table(
        "Live update, instructions per call (callgrind; ratio to the floor)",
        rows,
        unit="instr/call",
    )


if __name__ == "__main__":
    if sys.argv[1:2] == ["--calls"]:
        calls(sys.argv[2], int(sys.argv[3]))
    elif sys.argv[1:2] == ["--callgrind"]:
        main_callgrind()
    else:
        main()
