"""Research at array speed: run_research_array and update_many against
run_research (lists of lists) and numpy, over 1,000,000 bars; input dtypes;
peak memory; two threads against one. Ratios above 1 mean the array path is
faster. Single-thread figures are CPU time of the calling thread (the compute
runs on it, without the interpreter lock), steadier than wall time on a
shared machine; the two-thread figure is wall time.

    python bench/bench_research_arrays.py

With ZERAK_BASELINE_SITE set to a directory holding another build of zerak
(for example main's: pip install --target DIR .), its run_research joins the
tables, measured in a subprocess during the same run.
"""

import os
import subprocess
import sys
import textwrap
import threading
import time

import numpy as np
from bench_research import BARS, COLUMNS, features, ohlc
from harness import best_cpu_s, best_s

import zerak

HERE = os.path.dirname(os.path.abspath(__file__))


def baseline_s(what: str) -> float | None:
    """Seconds of run_research in the baseline build: 'log' or 'ten'."""
    site = os.environ.get("ZERAK_BASELINE_SITE")
    if not site:
        return None
    script = textwrap.dedent(f"""
        import sys
        sys.path[:0] = [{site!r}, {HERE!r}]
        import numpy as np, zerak
        from bench_research import COLUMNS, features, ohlc
        from harness import best_cpu_s, best_s
        data = ohlc()
        if {what!r} == "log":
            pipe = zerak.FeaturePipeline([zerak.Log(["close"], ["y"])], ["close"])
            data = np.ascontiguousarray(data[:, 4:5])
        else:
            pipe = zerak.FeaturePipeline(list(features().values()), COLUMNS)
        assert zerak.__file__.startswith({site!r})
        print(best_cpu_s(lambda: pipe.run_research(data)))
    """)
    out = subprocess.run([sys.executable, "-c", script], check=True, capture_output=True, text=True)
    return float(out.stdout)


def table(title: str, rows: list[tuple[str, float | None]], base: int = 0) -> None:
    rows = [(n, s) for n, s in rows if s is not None]
    ref = rows[base][1]
    width = max(len(n) for n, _ in rows)
    print(f"\n{title}")
    print(f"  {'':{width}}  {'CPU s':>8}  {'bars/s':>13}  {'time / row 1':>14}")
    for name, s in rows:
        print(f"  {name:{width}}  {s:8.4f}  {BARS / s:13,.0f}  {s / ref:13.2f}x")


def log_table(data: np.ndarray) -> None:
    column = np.ascontiguousarray(data[:, 4:5])
    pipe = zerak.FeaturePipeline([zerak.Log(["close"], ["y"])], ["close"])
    flat = column[:, 0]
    table(
        f"One Log over {BARS:,} bars",
        [
            ("numpy.log(column)", best_cpu_s(lambda: np.log(flat), repeat=7)),
            ("run_research_array", best_cpu_s(lambda: pipe.run_research_array(column), repeat=7)),
            ("update_many", best_cpu_s(lambda: pipe.update_many(column), repeat=7)),
            ("run_research (lists)", best_cpu_s(lambda: pipe.run_research(column))),
            ("run_research (lists), baseline build", baseline_s("log")),
        ],
    )
    # The engine's own cost per bar, with arithmetic that costs next to nothing.
    square = zerak.FeaturePipeline([zerak.Multiply(["close", "close"], ["y"])], ["close"])
    table(
        f"One Multiply (close x close) over {BARS:,} bars",
        [
            (
                "numpy.multiply(column, column)",
                best_cpu_s(lambda: np.multiply(flat, flat), repeat=7),
            ),
            ("run_research_array", best_cpu_s(lambda: square.run_research_array(column), repeat=7)),
        ],
    )


def ten_table(data: np.ndarray) -> None:
    pipe = zerak.FeaturePipeline(list(features().values()), COLUMNS)
    data32, data64, fortran = (
        data.astype(np.float32),
        data.astype(np.int64),
        np.asfortranarray(data),
    )
    table(
        f"Ten features (bench_research) over {BARS:,} bars, 11 outputs",
        [
            ("run_research_array", best_cpu_s(lambda: pipe.run_research_array(data))),
            ("run_research (lists)", best_cpu_s(lambda: pipe.run_research(data))),
            ("run_research (lists), baseline build", baseline_s("ten")),
            (
                "run_research_array, float32 input",
                best_cpu_s(lambda: pipe.run_research_array(data32)),
            ),
            (
                "run_research_array, int64 input",
                best_cpu_s(lambda: pipe.run_research_array(data64)),
            ),
            (
                "run_research_array, Fortran order",
                best_cpu_s(lambda: pipe.run_research_array(fortran)),
            ),
        ],
    )


def peak_memory() -> None:
    """Peak resident memory of one run_research_array, in a fresh process."""
    script = textwrap.dedent(f"""
        import sys
        sys.path.insert(0, {HERE!r})
        import numpy as np, zerak
        from bench_research import COLUMNS, features, ohlc

        def status(key):
            with open("/proc/self/status") as f:
                return next(int(l.split()[1]) * 1024 for l in f if l.startswith(key))

        data = ohlc()
        pipe = zerak.FeaturePipeline(list(features().values()), COLUMNS)
        pipe.run_research_array(data[:1000])
        with open("/proc/self/clear_refs", "w") as f:
            f.write("5")  # the peak restarts from here
        before = status("VmRSS:")
        out = pipe.run_research_array(data)
        print(status("VmHWM:") - before, out.nbytes, data.nbytes)
    """)
    out = subprocess.run([sys.executable, "-c", script], check=True, capture_output=True, text=True)
    grown, result, given = (int(v) for v in out.stdout.split())
    mib = 1 << 20
    print(
        f"\nPeak memory of run_research_array over {BARS:,} bars x 11 outputs "
        "(resident, fresh process)"
    )
    print(
        f"  input {given / mib:.1f} MiB, result {result / mib:.1f} MiB; "
        f"growth during the call {grown / mib:.1f} MiB = {grown / result:.3f}x the result; "
        f"with the input: {(grown + given) / (result + given):.3f}x (result + input)"
    )


def threads(data: np.ndarray) -> None:
    """Each thread runs its own pipeline over its own array."""
    arrays = [data, data.copy()]
    pipes = [zerak.FeaturePipeline(list(features().values()), COLUMNS) for _ in arrays]

    def both() -> None:
        workers = [
            threading.Thread(target=p.run_research_array, args=(a,))
            for p, a in zip(pipes, arrays, strict=True)
        ]
        for w in workers:
            w.start()
        for w in workers:
            w.join()

    one = best_s(lambda: pipes[0].run_research_array(arrays[0]))
    cpu, wall = time.process_time(), time.perf_counter()
    two = best_s(both)
    busy = (time.process_time() - cpu) / (time.perf_counter() - wall)
    print(
        f"\nTwo threads, each its own pipeline (ten features) over its own {BARS:,} bars "
        "(wall time)"
    )
    print(
        f"  one thread: {one:.3f} s for one run; two threads: {two:.3f} s for two runs; "
        f"throughput {2 * one / two:.2f}x one thread; cores busy during the two-thread runs: "
        f"{busy:.2f} of {os.cpu_count()}"
    )
    site = os.environ.get("ZERAK_BASELINE_SITE")
    if site:  # run_research there holds the interpreter lock throughout
        script = textwrap.dedent(f"""
            import sys, threading, time
            sys.path[:0] = [{site!r}, {HERE!r}]
            import zerak
            from bench_research import COLUMNS, features, ohlc
            data = ohlc()
            pipes = [zerak.FeaturePipeline(list(features().values()), COLUMNS) for _ in range(2)]
            workers = [threading.Thread(target=p.run_research, args=(data,)) for p in pipes]
            cpu, wall = time.process_time(), time.perf_counter()
            for w in workers:
                w.start()
            for w in workers:
                w.join()
            print((time.process_time() - cpu) / (time.perf_counter() - wall))
        """)
        out = subprocess.run(
            [sys.executable, "-c", script], check=True, capture_output=True, text=True
        )
        print(f"  baseline build, run_research on two threads: {float(out.stdout):.2f} cores busy")


LIVE = """
import sys
sys.path[:0] = [p for p in (SITE, HERE) if p]
import zerak
from harness import floor, per_call_ns
from bench_feature_pipeline import COLUMNS, operators
bars = [[1.0 + i % 7, 2.0, 0.5, 1.5] for i in range(100_000)]
f = floor()
one = zerak.FeaturePipeline([zerak.Log(["close"], ["y"])], ["close"])
ten = zerak.FeaturePipeline(operators(), COLUMNS)
base = min(per_call_ns(f.update, [[1.0]] * 100_000) for _ in range(3))
print(min(per_call_ns(one.update, [b[3:] for b in bars]) for _ in range(3)) / base,
      min(per_call_ns(ten.update, bars) for _ in range(3)) / base)
"""


def live() -> None:
    """Live update against the floor, this build and the baseline build, each
    in a fresh process."""

    def ratios(site: str) -> list[float]:
        script = f"SITE = {site!r}\nHERE = {HERE!r}\n" + LIVE
        out = subprocess.run(
            [sys.executable, "-c", script], check=True, capture_output=True, text=True
        )
        return [float(v) for v in out.stdout.split()]

    builds = [("this build", "")]
    if os.environ.get("ZERAK_BASELINE_SITE"):
        builds.append(("baseline build", os.environ["ZERAK_BASELINE_SITE"]))
    print("\nLive FeaturePipeline.update, time / the floor (a C method, list in, new list out)")
    for name, site in builds:
        one, ten = ratios(site)
        print(f"  {name:14}  one Log: {one:5.2f}x   10 chained operators: {ten:5.2f}x")


def main() -> None:
    data = ohlc()
    log_table(data)
    ten_table(data)
    peak_memory()
    threads(data)
    live()


if __name__ == "__main__":
    main()
