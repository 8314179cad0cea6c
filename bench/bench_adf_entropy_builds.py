"""Adf and ShannonEntropy, this build against another build of zerak, side by
side in one run: research (run_research_array, CPU ns per bar, best of 3)
and live update from Python (CPU ns per call, best of 3). Each build runs in its own
subprocess, alternating, and the best figure of each is kept. Without another
build, only this one's figures are printed.

    pip install --no-build-isolation --no-deps --target /tmp/base-site <checkout of another commit>
    python bench/bench_adf_entropy_builds.py /tmp/base-site
"""

import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

PROBE = r"""
import json, sys
site, here = sys.argv[1], sys.argv[2]
if site:
    sys.path.insert(0, site)
sys.path.insert(0, here)
import zerak as z
from bench_research import COLUMNS, ohlc
from harness import best_cpu_s
if site:
    assert z.__file__.startswith(site), z.__file__

data = ohlc()
adf_data = data[:200_000]
ret = z.LogReturn(["close"], 10, ["ret10"])
research = {}
for name, members, rows in [
    ('Adf(close, 100, "c")', [z.Adf(["close"], 100, ["s", "p"])], adf_data),
    ('Adf(close, 100, "ct")', [z.Adf(["close"], 100, ["s", "p"], regression="ct")], adf_data),
    ("ShannonEntropy(ret10, 50)", [ret, z.ShannonEntropy(["ret10"], 50, ["e"])], data),
    ("ShannonEntropy(ret10, 1000)", [ret, z.ShannonEntropy(["ret10"], 1000, ["e"])], data),
    ("ShannonEntropy(close, 1000)", [z.ShannonEntropy(["close"], 1000, ["e"])], data),
    ("LogReturn(close, 10) alone", [ret], data),
]:
    p = z.FeaturePipeline(members, COLUMNS)
    research[name] = best_cpu_s(lambda: p.run_research_array(rows)) * 1e9 / len(rows)
# The same Adf on each instruction set (the earlier rows use the best one).
import zerak._dispatch as dispatch
best_level = dispatch.active()
for level in dispatch.available():
    dispatch.use(level)
    p = z.FeaturePipeline([z.Adf(["close"], 100, ["s", "p"])], COLUMNS)
    research[f'Adf(close, 100, "c"), {level}'] = (
        best_cpu_s(lambda: p.run_research_array(adf_data)) * 1e9 / len(adf_data))
dispatch.use(best_level)
rows = [[v] for v in data[:20_000, 4].tolist()]
live = {}
for name, f in [('Adf(close, 100, "c").update', z.Adf(["x"], 100, ["s", "p"])),
                ("ShannonEntropy(close, 1000).update", z.ShannonEntropy(["x"], 1000, ["e"]))]:
    def feed(update=f.update):
        for row in rows:
            update(row)
    live[name] = best_cpu_s(feed) * 1e9 / len(rows)
print(json.dumps({"research": research, "live": live}))
"""


def run(site: str) -> dict[str, dict[str, float]]:
    out = subprocess.run(
        [sys.executable, "-c", PROBE, site, HERE], check=True, capture_output=True, text=True
    ).stdout
    return json.loads(out)


def best(runs: list[dict[str, dict[str, float]]], table: str) -> dict[str, float]:
    return {k: min(r[table][k] for r in runs) for k in runs[0][table]}


def main() -> None:
    other = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else None
    mine: list[dict[str, dict[str, float]]] = []
    theirs: list[dict[str, dict[str, float]]] = []
    for _ in range(2):
        if other:
            theirs.append(run(other))
        mine.append(run(""))
    for table, unit in (("research", "CPU ns per bar"), ("live", "CPU ns per call")):
        b = best(mine, table)
        if not other:
            print(f"\n{table} ({unit}), this build")
            for k in b:
                print(f"  {k:32s} {b[k]:9.1f}")
            continue
        a = best(theirs, table)
        print(
            f"\n{table} ({unit}): other build, this build, speed-up (above 1: this build is faster)"
        )
        for k in a:
            print(f"  {k:32s} {a[k]:9.1f} {b[k]:9.1f} {a[k] / b[k]:7.2f}")


if __name__ == "__main__":
    main()
