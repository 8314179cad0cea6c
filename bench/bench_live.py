"""Live per-bar cost of the features whose work grows with the window (Sma,
Mma, rank and Pearson correlation, ShannonEntropy) at windows 20, 100 and
1,000: the current core against the core of an earlier commit (default: the
one before the incremental order statistics and rank counts), both built
from bench/core_live.cpp with the same flags, side by side in one run.

    python bench/bench_live.py [COMMIT]
"""

import io
import os
import subprocess
import sys
import tarfile

from harness import BUILD, ROOT

BEFORE = "cbb795f"  # the last commit with selection medians and full rank recounts
# Where each layout keeps them: the earlier commits' paths, then today's.
SOURCES = [
    "core/features/sma.cpp",
    "core/features/mma.cpp",
    "core/features/correlation.cpp",
    "core/features/window_correlator.cpp",
    "core/features/rank_correlation_window.cpp",
    "core/window/window_correlator.cpp",
    "core/window/rank_correlation_window.cpp",
    "core/features/shannon_entropy.cpp",
    "core/ops/correlation.cpp",
    "core/ops/stats.cpp",
    "core/features/averages/sma.cpp",
    "core/features/averages/mma.cpp",
    "core/features/correlation/correlation.cpp",
    "core/features/statistics/shannon_entropy.cpp",
    "core/error.cpp",
    "core/traits.cpp",
]
KERNELS = ["core/simd", "core/block/simd"]


def build(root, target):
    sources = [str(root / s) for s in SOURCES if (root / s).exists()]
    sources += [str(p) for k in KERNELS for p in (root / k).glob("*.cpp")]
    subprocess.run(
        [
            os.environ.get("CXX", "c++"),
            "-std=c++20",
            "-O3",
            "-DNDEBUG",
            "-ffp-contract=off",
            "-fno-fast-math",
            f"-I{root / 'core'}",
            str(ROOT / "bench" / "core_live.cpp"),
            *sources,
            "-o",
            str(target),
        ],
        check=True,
    )
    return target


def measure(target, rows):
    """Runs the program once, keeping the best figure per row seen so far."""
    out = subprocess.run([str(target)], check=True, capture_output=True, text=True).stdout
    for line in out.splitlines():
        name, window, ns = line.rsplit(" ", 2)
        key = (name, int(window))
        rows[key] = min(rows.get(key, float("inf")), float(ns))


def checkout(commit):
    """The core of `commit`, unpacked under build/bench (the worktree is untouched)."""
    dest = BUILD / f"core-{commit}"
    if not dest.exists():
        blob = subprocess.run(
            ["git", "-C", str(ROOT), "archive", commit, "core"], check=True, capture_output=True
        ).stdout
        with tarfile.open(fileobj=io.BytesIO(blob)) as tar:
            tar.extractall(dest, filter="data")
    return dest


def main():
    commit = sys.argv[1] if len(sys.argv) > 1 else BEFORE
    BUILD.mkdir(parents=True, exist_ok=True)
    try:
        before_core = checkout(commit)
    except subprocess.CalledProcessError:
        print(f"bench_live: commit {commit} is not in this clone; nothing to compare with")
        return
    programs = [
        build(before_core, BUILD / "core_live_before"),
        build(ROOT, BUILD / "core_live_after"),
    ]
    # Alternating runs, best of three each: drift on a shared machine hits both.
    before, after = {}, {}
    for _ in range(3):
        measure(programs[0], before)
        measure(programs[1], after)
    print(f"\nLive ns per bar, core only: before ({commit}) and now")
    print(f"  {'feature':24} {'window':>6} {'before':>10} {'now':>10} {'speedup':>9}")
    for (name, window), now in after.items():
        was = before.get((name, window))
        ratio = f"{was / now:8.1f}x" if was else ""
        print(f"  {name:24} {window:6d} {was or float('nan'):10.1f} {now:10.1f} {ratio:>9}")
    sys.stdout.flush()


if __name__ == "__main__":
    main()
