"""This build against another build of zerak, side by side in one run: live
calls (ns per call, best of 7) and research per feature (run_research_array
over 1,000,000 bars, CPU ns per bar). Each build runs in its own subprocess,
alternating, and the best figure of each is kept.

    pip install --no-build-isolation --no-deps --target /tmp/base-site <checkout of another commit>
    python bench/bench_against_build.py /tmp/base-site
"""

import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

PROBE = r"""
import json, sys, timeit
site, here = sys.argv[1], sys.argv[2]
if site:
    sys.path.insert(0, site)
sys.path.insert(0, here)
import zerak
from bench_research import COLUMNS, features, ohlc
from harness import best_cpu_s
if site:
    assert zerak.__file__.startswith(site), zerak.__file__

def per_call(stmt, **names):
    return min(timeit.Timer(stmt, globals=names).repeat(7, 200_000)) / 200_000 * 1e9

z = zerak
live = {
    "Sma(20).update": per_call("o.update(r)", o=z.Sma(["x"], 20, ["s"]), r=[101.5]),
    "Add.update": per_call("o.update(r)", o=z.Add(["a", "b"], ["s"]), r=[1.0, 2.0]),
    "Kama(10).update": per_call("o.update(r)", o=z.Kama(["x"], 10, ["k"]), r=[101.5]),
    "Correlation(20).update": per_call(
        "o.update(r)", o=z.Correlation(["a", "b"], 20, ["c"]), r=[1.0, 2.0]
    ),
    "FeaturePipeline(5 features).update": per_call("o.update(r)", o=z.FeaturePipeline(
        [z.Sma(["x"], 5, ["s5"]), z.Sma(["x"], 20, ["s20"]), z.Divide(["s5", "s20"], ["r"]),
         z.LogReturn(["x"], 1, ["l"]), z.RollingZScore(["l"], 20, ["zs"])], ["x"]), r=[101.5]),
    "Sma(...) constructor": per_call("z.Sma(['x'], 20, ['s'])", z=z),
}
data = ohlc()
extra = {"Kama(close, 20)": z.Kama(["close"], 20, ["k"]),
         "Mma(close, 50)": z.Mma(["close"], 50, ["m"]),
         "Correlation(pearson, 30)": z.Correlation(["open", "close"], 30, ["c"]),
         "AutoCorrelation(pearson, 30)": z.AutoCorrelation(["close"], 30, ["a"]),
         "RollingStd(close, 30)": z.RollingStd(["close"], 30, ["s"]),
         "RollingStd(close, 250)": z.RollingStd(["close"], 250, ["s"]),
         "RollingCovariance(open, close, 30)": z.RollingCovariance(["open", "close"], 30, ["c"]),
         "Mfi(14)": z.Mfi(["high", "low", "close", "t"], 14, ["m"])}
research = {}
for name, f in {**features(), **extra}.items():
    members = [f] + ([z.LogReturn(["close"], 10, ["ret10"])] if "ret10" in name else [])
    p = z.FeaturePipeline(members, COLUMNS)
    research[name] = best_cpu_s(lambda: p.run_research_array(data)) * 1e9 / len(data)
p = z.FeaturePipeline(list(features().values()), COLUMNS)
research["ten features together"] = best_cpu_s(lambda: p.run_research_array(data)) * 1e9 / len(data)
print(json.dumps({"live": live, "research": research}))
"""


def run(site: str) -> dict[str, dict[str, float]]:
    out = subprocess.run(
        [sys.executable, "-c", PROBE, site, HERE], check=True, capture_output=True, text=True
    ).stdout
    return json.loads(out)


def best(runs: list[dict[str, dict[str, float]]], table: str) -> dict[str, float]:
    return {k: min(r[table][k] for r in runs) for k in runs[0][table]}


def main() -> None:
    other = os.path.abspath(sys.argv[1])
    mine: list[dict[str, dict[str, float]]] = []
    theirs: list[dict[str, dict[str, float]]] = []
    for _ in range(2):
        theirs.append(run(other))
        mine.append(run(""))
    for table, unit in (("live", "ns per call"), ("research", "ns per bar")):
        a, b = best(theirs, table), best(mine, table)
        print(f"\n{table} ({unit}): other build, this build, ratio (below 1: this build is faster)")
        for k in a:
            print(f"  {k:38s} {a[k]:8.1f} {b[k]:8.1f} {b[k] / a[k]:6.2f}")


if __name__ == "__main__":
    main()
