"""Live restart: a pipeline runs on the first half of a series, its state is
saved to a file, and a new process loads the file and carries on. The outputs
equal those of an uninterrupted run bit for bit, without replaying any bars.

    python examples/live_restart.py
"""

import os
import random
import struct
import subprocess
import sys
import tempfile
import time

import zerak
import zerak.snapshot


def make_pipeline() -> zerak.FeaturePipeline:
    return zerak.FeaturePipeline(
        [
            zerak.LogReturn(["close"], 1, ["ret"]),
            zerak.Sma(["close"], 50, ["sma50"]),
            zerak.Ema(["close"], 200, ["ema200"]),
            zerak.Kama(["close"], 20, ["kama20"]),
            zerak.RollingZScore(["ret"], 250, ["ret_z"]),
            zerak.Kurtosis(["ret"], 100, ["ret_kurt"]),
            zerak.ParkinsonVolatility(["high", "low"], 30, ["park30"]),
            zerak.Adf(["close"], 500, ["adf", "adf_p"]),
        ],
        ["close", "high", "low"],
    )


def series(n: int = 3000, seed: int = 7) -> list[list[float]]:
    """Bars (close, high, low) of a random walk, with a few missing closes."""
    rng = random.Random(seed)
    close, bars = 100.0, list[list[float]]()
    for i in range(n):
        close *= 1.0 + rng.gauss(0.0, 0.01)
        spread = abs(rng.gauss(0.0, 0.005)) * close
        bars.append([float("nan") if i % 397 == 0 else close, close + spread, close - spread])
    return bars


def run(pipeline: zerak.FeaturePipeline, bars: list[list[float]]) -> list[list[float]]:
    return [pipeline.update(bar) for bar in bars]


def as_bytes(rows: list[list[float]]) -> bytes:
    return b"".join(struct.pack(f"<{len(row)}d", *row) for row in rows)


def resume(state_file: str, start: int, out_file: str) -> None:
    """The second process: load the state and run the rest of the series."""
    with open(state_file, "rb") as f:
        pipeline = zerak.snapshot.load(f.read(), cls=zerak.FeaturePipeline)
    with open(out_file, "wb") as f:
        f.write(as_bytes(run(pipeline, series()[start:])))


def main() -> int:
    bars = series()
    half = len(bars) // 2
    uninterrupted = as_bytes(run(make_pipeline(), bars))

    live = make_pipeline()
    first_half = as_bytes(run(live, bars[:half]))
    with tempfile.TemporaryDirectory() as tmp:
        state_file = os.path.join(tmp, "pipeline.snapshot")
        out_file = os.path.join(tmp, "second_half.bin")
        start = time.perf_counter()
        snapshot = zerak.snapshot.save(live)
        saved_us = (time.perf_counter() - start) * 1e6
        with open(state_file, "wb") as f:
            f.write(snapshot)
        del live  # the first process is done with it
        subprocess.run(
            [sys.executable, __file__, "--resume", state_file, str(half), out_file], check=True
        )
        with open(out_file, "rb") as f:
            second_half = f.read()

    print(f"bars: {len(bars)}, restart after bar {half}")
    print(f"snapshot: {len(snapshot)} bytes, written in {saved_us:.0f} us")
    same = first_half + second_half == uninterrupted
    print("restarted run equals uninterrupted run bit for bit:", same)
    return 0 if same else 1


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "--resume":
        resume(sys.argv[2], int(sys.argv[3]), sys.argv[4])
    else:
        sys.exit(main())
