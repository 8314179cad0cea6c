"""Shared benchmark helpers: timing, the live-call floor, ratio tables.

Every figure is the best of several repeats, and the rows of one table are
measured side by side in one run, so ratios stay meaningful on a shared,
noisy machine even when absolute times drift.
"""

from __future__ import annotations

import importlib.util
import os
import subprocess
import sys
import sysconfig
import time
import timeit
from collections.abc import Callable
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build" / "bench"


def best_ns(stmt: str, number: int, repeat: int = 7, **names: object) -> float:
    """Best time per execution of ``stmt`` in nanoseconds.

    ``stmt`` is compiled into timeit's loop (no wrapper function per call), so
    the figure is the call itself plus a few nanoseconds of loop; ``names``
    are the variables it uses.
    """
    timer = timeit.Timer(stmt, globals=names)
    return min(timer.repeat(repeat=repeat, number=number)) / number * 1e9


def best_s(
    fn: Callable[[], object], repeat: int = 3, clock: Callable[[], float] = time.perf_counter
) -> float:
    """Best time of one call of ``fn`` in seconds (for whole-dataset runs)."""
    best = float("inf")
    for _ in range(repeat):
        start = clock()
        fn()
        best = min(best, clock() - start)
    return best


def best_cpu_s(fn: Callable[[], object], repeat: int = 3) -> float:
    """Best CPU time of this thread for one call of ``fn``: steadier than wall time
    when other processes share the machine."""
    return best_s(fn, repeat, clock=time.thread_time)


def core_program(name: str, core_sources: list[str]) -> str:
    """Builds bench/<name>.cpp with the core sources it needs (the project's release
    flags, no Python) and returns what it prints."""
    target = BUILD / name
    # Every transform needs the contract's out-of-line members (traits.cpp) and
    # the kernels of each instruction set (simd/).
    always = [
        "core/traits.cpp",
        *(str(p.relative_to(ROOT)) for p in sorted((ROOT / "core/simd").rglob("*.cpp"))),
    ]
    sources = [
        ROOT / "bench" / f"{name}.cpp",
        *(ROOT / s for s in dict.fromkeys([*core_sources, *always])),
    ]
    if not target.exists() or any(target.stat().st_mtime < s.stat().st_mtime for s in sources):
        BUILD.mkdir(parents=True, exist_ok=True)
        subprocess.run(
            [
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
            ],
            check=True,
        )
    return subprocess.run([str(target)], check=True, capture_output=True, text=True).stdout


def callgrind_instructions(script: str, *args: str, only: str | None = None) -> int:
    """Instructions valgrind counts for ``python script args`` (inside functions matching
    ``only`` if given): repeatable whatever else the machine is doing."""
    toggle = [f"--toggle-collect={only}"] if only else []
    out = subprocess.run(
        [
            "valgrind",
            "--tool=callgrind",
            "--callgrind-out-file=/dev/null",
            *toggle,
            sys.executable,
            script,
            *args,
        ],
        check=True,
        capture_output=True,
        text=True,
    ).stderr
    return int(out.rsplit("Collected :", 1)[1].split()[0])


def callgrind_per_call(script: str, mode: str, small: int, large: int) -> float:
    """Instructions per call of ``python script --calls mode n``: the difference between
    two counts, so that start-up cancels out."""

    def count(n: int) -> int:
        return callgrind_instructions(script, "--calls", mode, str(n))

    return (count(large) - count(small)) / (large - small)


def per_call_ns(step: Callable[[object], object], items: list, repeat: int = 5) -> float:
    """Best time per item of ``for x in items: step(x)``, in nanoseconds."""
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter_ns()
        for x in items:
            step(x)
        best = min(best, (time.perf_counter_ns() - start) / len(items))
    return best


def floor():
    """An object whose ``update(list)`` is the trivial C method of the floor.

    The C source is compiled once into build/bench with the interpreter's own
    headers, so the floor pays exactly the call costs a zerak method pays.
    """
    suffix = sysconfig.get_config_var("EXT_SUFFIX")
    target = BUILD / f"_zerak_floor{suffix}"
    source = ROOT / "bench" / "floor.c"
    if not target.exists() or target.stat().st_mtime < source.stat().st_mtime:
        BUILD.mkdir(parents=True, exist_ok=True)
        compiler = os.environ.get("CC", "cc")
        include = sysconfig.get_paths()["include"]
        subprocess.run(
            [compiler, "-O2", "-shared", "-fPIC", f"-I{include}", str(source), "-o", str(target)],
            check=True,
        )
    spec = importlib.util.spec_from_file_location("_zerak_floor", target)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module.Floor()


def print_table(
    title: str, rows: list[tuple[str, float]], unit: str = "ns/call", baseline: str | None = None
) -> None:
    """Prints ``(name, time)`` rows with each one's ratio to the baseline row (default: first)."""
    base = dict(rows)[baseline] if baseline else rows[0][1]
    width = max(len(name) for name, _ in rows)
    print(f"\n{title}")
    print(f"  {'':{width}}  {unit:>12}  {'ratio':>8}")
    for name, value in rows:
        print(f"  {name:{width}}  {value:12.1f}  {value / base:8.2f}x")
    sys.stdout.flush()


def have(module: str) -> bool:
    return importlib.util.find_spec(module) is not None
