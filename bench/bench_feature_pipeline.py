"""FeaturePipeline: live bars through 10 chained operators against calling the
10 operator objects from Python and against the floor; research over
1,000,000 bars x 4 columns from a numpy array, from a list of lists, and the
same arithmetic vectorised in numpy and pandas."""

import gc
import math
import os
import shutil
import subprocess
import sys

import numpy as np

from harness import BUILD, ROOT, best_s, floor, have, per_call_ns, print_table

import zerak

LIVE_BARS = 100_000
RESEARCH_BARS = 1_000_000
COLUMNS = ["open", "high", "low", "close"]
CORE_SOURCES = ["core/pipeline/feature_pipeline.cpp", "core/pipeline/dag.cpp", "core/error.cpp"]


def operators():
    return [
        zerak.Log(["close"], ["lc"]), zerak.Log(["open"], ["lo"]),
        zerak.Subtract(["lc", "lo"], ["body"]), zerak.Divide(["high", "low"], ["range"]),
        zerak.Log(["range"], ["lr"]), zerak.Multiply(["body", "lr"], ["bl"]),
        zerak.Add(["bl", "close"], ["s"]), zerak.Reciprocal(["s"], ["inv"]),
        zerak.NegLog(["inv"], ["nl"]), zerak.Logit(["inv"], ["lg"]),
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
    target = BUILD / "core_pipeline"
    sources = [ROOT / "bench" / "core_pipeline.cpp", *(ROOT / s for s in CORE_SOURCES)]
    if not target.exists() or any(target.stat().st_mtime < s.stat().st_mtime for s in sources):
        BUILD.mkdir(parents=True, exist_ok=True)
        subprocess.run([os.environ.get("CXX", "c++"), "-std=c++20", "-O3", "-DNDEBUG",
                        "-ffp-contract=off", "-fno-fast-math", f"-I{ROOT / 'core'}",
                        *map(str, sources), "-o", str(target)], check=True)
    out = subprocess.run([str(target)], check=True, capture_output=True, text=True).stdout
    return float(out.split()[1])


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
    print_table("Live: one bar through 10 chained operators, ns per bar (ratio to the floor)", [
        ("floor: C method, list in, new list out", floor_ns),
        ("FeaturePipeline.update(bar), 4 in, 10 out", ours),
        ("10 operator objects called from Python", hand),
        ("core only (C++ loop, no Python)", core),
    ])
    print(f"  pipeline vs operators called one by one: {hand / ours:.1f}x faster (goal >= 4x)")
    print(f"  pipeline: {ours / floor_ns:.2f}x the floor; core {core:.1f} ns + binding "
          f"{ours - core:.1f} ns per bar")


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
        ("numpy vectorised + .tolist() (zerak's output)", timed_ms(lambda: vectorised(data).tolist())),
    ]
    if have("pandas"):
        table.append(("pandas column arithmetic, DataFrame out", timed_ms(lambda: with_pandas(data))))
    print_table(f"Research: {RESEARCH_BARS:,} bars x 4 columns through 10 operators, "
                "ms (ratio to zerak on numpy)", table, unit="ms")

    print(f"  numpy input: whole run {table[1][1] / table[0][1]:.2f}x faster than list input")
    conversion()


PROBE = """
import sys
sys.path.insert(0, {bench!r})
from bench_feature_pipeline import COLUMNS, _fails, ohlc, operators
import zerak
data = ohlc({bars})
rows = data.tolist()
one = zerak.FeaturePipeline(operators()[:1], COLUMNS)
rejecting = zerak.FeaturePipeline(operators()[:1], [*COLUMNS, "extra"])
{call}
"""


def instructions(call: str, bars: int) -> int:
    """Instructions executed inside run_research by ``call`` (callgrind)."""
    out = BUILD / "callgrind.pipeline.out"
    BUILD.mkdir(parents=True, exist_ok=True)
    code = PROBE.format(bench=str(ROOT / "bench"), bars=bars, call=call)
    subprocess.run(["valgrind", "--tool=callgrind", "--toggle-collect=*run_research*",
                    f"--callgrind-out-file={out}", sys.executable, "-c", code],
                   check=True, capture_output=True)
    summary = next(line for line in out.read_text().splitlines() if line.startswith("summary:"))
    return int(summary.split()[1])


def conversion() -> None:
    """Input conversion alone, in instructions per bar (load-independent).

    The list path converts the whole dataset before the first bar, so a
    pipeline that rejects the width at the first bar counts exactly that. The
    numpy path reads each bar in place as it runs, so its share is its run
    minus the list path's run from converted values (one operator, to keep
    the rest small).
    """
    if shutil.which("valgrind") is None:
        print("\n  (valgrind not found: input conversion not measured)")
        return
    bars = 100_000
    list_convert = instructions("_fails(rejecting.run_research, rows)", bars) / bars
    list_run = instructions("one.run_research(rows)", bars) / bars
    numpy_run = instructions("one.run_research(data)", bars) / bars
    numpy_convert = max(numpy_run - (list_run - list_convert), 1.0)
    print_table("Input conversion, 4 columns: instructions per bar (callgrind; ratio to numpy)", [
        ("numpy array: read in place, bar by bar", numpy_convert),
        ("list of lists: converted before the first bar", list_convert),
    ], unit="instr/bar")
    print(f"  numpy input converts {list_convert / numpy_convert:.1f}x cheaper (goal >= 5x)")


def _fails(fn, arg):
    try:
        fn(arg)
    except zerak.InvalidInputError:
        return
    raise AssertionError("expected the width to be rejected")


if __name__ == "__main__":
    live()
    research()
