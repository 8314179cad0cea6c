"""FeaturePipeline: live bars through 10 chained operators against calling the
10 operator objects from Python and against the floor; research over
1,000,000 bars x 4 columns from a numpy array, from a list of lists, and the
same arithmetic vectorised in numpy and pandas; input conversion of both
research inputs in instructions (callgrind, when valgrind is installed).

    python bench/bench_feature_pipeline.py              # wall-clock tables
    python bench/bench_feature_pipeline.py --callgrind  # live cost in instructions
                                                        # per bar: steady on a busy machine
"""

import gc
import math
import shutil
import sys

import numpy as np
from harness import (
    best_s,
    callgrind_instructions,
    callgrind_per_call,
    core_program,
    floor,
    have,
    per_call_ns,
    print_table,
)

import zerak

LIVE_BARS = 100_000
RESEARCH_BARS = 1_000_000
COLUMNS = ["open", "high", "low", "close"]
CORE_SOURCES = ["core/pipeline/feature_pipeline.cpp", "core/pipeline/dag.cpp", "core/error.cpp"]


def operators():
    return [
        zerak.Log(["close"], ["lc"]),
        zerak.Log(["open"], ["lo"]),
        zerak.Subtract(["lc", "lo"], ["body"]),
        zerak.Divide(["high", "low"], ["range"]),
        zerak.Log(["range"], ["lr"]),
        zerak.Multiply(["body", "lr"], ["bl"]),
        zerak.Add(["bl", "close"], ["s"]),
        zerak.Reciprocal(["s"], ["inv"]),
        zerak.NegLog(["inv"], ["nl"]),
        zerak.Logit(["inv"], ["lg"]),
    ]


def by_hand():
    """The same ten operators called one by one, routed in Python."""
    log_c, log_o, sub, div, log_r, mul, add, rec, neg_log, logit = operators()

    def step(bar):
        o, h, l, c = bar
        lc = log_c.update([c])[0]
        lo = log_o.update([o])[0]
        body = sub.update([lc, lo])[0]
        rng = div.update([h, l])[0]
        lr = log_r.update([rng])[0]
        bl = mul.update([body, lr])[0]
        s = add.update([bl, c])[0]
        inv = rec.update([s])[0]
        return [lc, lo, body, rng, lr, bl, s, inv, neg_log.update([inv])[0], logit.update([inv])[0]]

    return step


def vectorised(data: np.ndarray) -> np.ndarray:
    """The same arithmetic in numpy, NaN outside each operator's domain."""
    o, h, l, c = data.T
    nan = np.nan
    with np.errstate(all="ignore"):
        log = lambda x: np.log(np.where(x > 0, x, nan))  # noqa: E731
        lc, lo = log(c), log(o)
        body = lc - lo
        rng = np.where(l != 0, h / l, nan)
        lr = log(rng)
        bl = body * lr
        s = bl + c
        inv = np.where(s != 0, 1.0 / s, nan)
        nl = -log(inv)
        lg = np.log(np.where((inv > 0) & (inv < 1), inv / (1.0 - inv), nan))
    return np.column_stack([lc, lo, body, rng, lr, bl, s, inv, nl, lg])


def with_pandas(data: np.ndarray):
    import pandas as pd

    df = pd.DataFrame(data, columns=COLUMNS)
    pos = lambda x: x.where(x > 0)  # noqa: E731
    with np.errstate(all="ignore"):
        df["lc"] = np.log(pos(df["close"]))
        df["lo"] = np.log(pos(df["open"]))
        df["body"] = df["lc"] - df["lo"]
        df["range"] = (df["high"] / df["low"]).where(df["low"] != 0)
        df["lr"] = np.log(pos(df["range"]))
        df["bl"] = df["body"] * df["lr"]
        df["s"] = df["bl"] + df["close"]
        df["inv"] = (1.0 / df["s"]).where(df["s"] != 0)
        df["nl"] = -np.log(pos(df["inv"]))
        df["lg"] = np.log((df["inv"] / (1.0 - df["inv"])).where((df["inv"] > 0) & (df["inv"] < 1)))
    return df


def core_ns() -> float:
    """ns per bar of the core pipeline alone, built with the release flags."""
    return float(core_program("core_pipeline", CORE_SOURCES).split()[1])


def ohlc(n: int, seed: int = 1) -> np.ndarray:
    rng = np.random.default_rng(seed)
    close = 100.0 + np.cumsum(rng.normal(0.0, 1.0, n))
    open_ = np.concatenate([[100.0], close[:-1]])
    high = np.maximum(open_, close) + rng.random(n)
    low = np.minimum(open_, close) - rng.random(n)
    return np.column_stack([open_, high, low, close])


def live() -> None:
    bars = ohlc(LIVE_BARS).tolist()
    f = floor()
    pipeline = zerak.FeaturePipeline(operators(), COLUMNS)
    step = by_hand()
    ones = [[b[3]] for b in bars]
    floor_ns = per_call_ns(f.update, ones)
    ours = per_call_ns(pipeline.update, bars)
    hand = per_call_ns(step, bars)
    core = core_ns()
    print_table(
        "Live: one bar through 10 chained operators, ns per bar (ratio to the floor)",
        [
            ("floor: C method, list in, new list out", floor_ns),
            ("FeaturePipeline.update(bar), 4 in, 10 out", ours),
            ("10 operator objects called from Python", hand),
            ("core only (C++ loop, no Python)", core),
        ],
    )
    print(f"  pipeline vs operators called one by one: {hand / ours:.1f}x faster (goal >= 4x)")
    print(
        f"  pipeline: {ours / floor_ns:.2f}x the floor; core {core:.1f} ns + binding "
        f"{ours - core:.1f} ns per bar"
    )


def timed_ms(fn) -> float:
    gc.collect()
    t = best_s(fn, repeat=3)
    gc.collect()
    return t * 1e3


def research() -> None:
    data = ohlc(RESEARCH_BARS)
    data[::97, 3] = math.nan  # some missing closes
    rows = data.tolist()
    p = zerak.FeaturePipeline(operators(), COLUMNS)
    table = [
        ("zerak run_research(numpy array)", timed_ms(lambda: p.run_research(data))),
        ("zerak run_research(list of lists)", timed_ms(lambda: p.run_research(rows))),
        ("numpy vectorised, 2-D array out", timed_ms(lambda: vectorised(data))),
        (
            "numpy vectorised + .tolist() (zerak's output)",
            timed_ms(lambda: vectorised(data).tolist()),
        ),
    ]
    if have("pandas"):
        table.append(
            ("pandas column arithmetic, DataFrame out", timed_ms(lambda: with_pandas(data)))
        )
    print_table(
        f"Research: {RESEARCH_BARS:,} bars x 4 columns through 10 operators, "
        "ms (ratio to zerak on numpy)",
        table,
        unit="ms",
    )

    print(f"  numpy input: whole run {table[1][1] / table[0][1]:.2f}x faster than list input")


# ---- instruction counts ------------------------------------------------------


def collected(*args: str, only: str | None = None) -> int:
    return callgrind_instructions(__file__, *args, only=only)


def research_call(mode: str, bars: int) -> None:
    """One run_research call of a kind, on a one-operator pipeline."""
    data = ohlc(bars)
    rows = data.tolist()
    one = zerak.FeaturePipeline(operators()[:1], COLUMNS)
    rejecting = zerak.FeaturePipeline(operators()[:1], [*COLUMNS, "extra"])
    if mode == "numpy":
        one.run_research(data)
    elif mode == "list":
        one.run_research(rows)
    else:
        _fails(rejecting.run_research, rows)


def conversion() -> None:
    """Input conversion alone, in instructions per bar.

    The list path converts the whole dataset before the first bar, so a
    pipeline that rejects the width at the first bar counts exactly that. The
    numpy path reads each bar in place as it runs, so its share is its run
    minus the list path's run from converted values (on one operator, to
    keep the rest small). Only instructions inside run_research count.
    """
    if shutil.which("valgrind") is None:
        print("\n  (valgrind not found: input conversion not measured)")
        return
    bars = 100_000
    count = {
        m: collected("--research", m, str(bars), only="*run_research*") / bars
        for m in ("convert", "list", "numpy")
    }
    numpy_convert = max(count["numpy"] - (count["list"] - count["convert"]), 1.0)
    print_table(
        "Input conversion, 4 columns: instructions per bar (callgrind; ratio to numpy)",
        [
            ("numpy array: read in place, bar by bar", numpy_convert),
            ("list of lists: converted before the first bar", count["convert"]),
        ],
        unit="instr/bar",
    )
    print(f"  numpy input converts {count['convert'] / numpy_convert:.1f}x cheaper (goal >= 5x)")


LIVE_MODES = ("none", "floor", "pipeline", "by_hand")


def live_calls(mode: str, n: int) -> None:
    """n live bars of one kind ("none": the loop alone)."""
    bars = ohlc(n).tolist()
    closes = [[b[3]] for b in bars]  # built in every mode, so that it cancels out
    if mode == "none":
        for _ in bars:
            pass
        return
    if mode == "floor":
        step, bars = floor().update, closes
    elif mode == "pipeline":
        step = zerak.FeaturePipeline(operators(), COLUMNS).update
    else:
        step = by_hand()
    for b in bars:
        step(b)


def live_callgrind() -> None:
    if shutil.which("valgrind") is None:
        print("valgrind not found")
        return
    floor()  # builds it outside the measurement
    small, large = 20_000, 60_000
    per_bar = {m: callgrind_per_call(__file__, m, small, large) for m in LIVE_MODES}
    rows = [
        ("floor: C method, list in, new list out", per_bar["floor"] - per_bar["none"]),
        ("FeaturePipeline.update(bar), 4 in, 10 out", per_bar["pipeline"] - per_bar["none"]),
        ("10 operator objects called from Python", per_bar["by_hand"] - per_bar["none"]),
    ]
    print_table(
        "Live: one bar through 10 chained operators, instructions per bar "
        "(callgrind; ratio to the floor)",
        rows,
        unit="instr/bar",
    )
    print(
        f"  pipeline vs operators called one by one: {rows[2][1] / rows[1][1]:.1f}x fewer "
        "instructions"
    )


def _fails(fn, arg):
    try:
        fn(arg)
    except zerak.InvalidInputError:
        return
    raise AssertionError("expected the width to be rejected")


if __name__ == "__main__":
    if sys.argv[1:2] == ["--calls"]:
        live_calls(sys.argv[2], int(sys.argv[3]))
    elif sys.argv[1:2] == ["--research"]:
        research_call(sys.argv[2], int(sys.argv[3]))
    elif sys.argv[1:2] == ["--callgrind"]:
        live_callgrind()
    else:
        live()
        research()
        conversion()
