"""The snapshot and scale-out examples run, and agree with in-process results."""

import copy
import subprocess
import sys
from pathlib import Path

import pytest
from dask.distributed import Client, LocalCluster

EXAMPLES = Path(__file__).resolve().parents[2] / "examples"
sys.path.insert(0, str(EXAMPLES))

import universe_dask  # noqa: E402

import universe  # noqa: E402


@pytest.mark.parametrize(
    "script, args, last_line",
    [
        ("live_restart.py", [], "restarted run equals uninterrupted run bit for bit: True"),
        (
            "universe.py",
            ["--symbols", "6", "--bars", "3000"],
            "every thread count gives identical results",
        ),
        (
            "universe_live.py",
            ["--symbols", "60", "--bars", "80"],
            "live equals research bit for bit: True",
        ),
    ],
)
def test_example_runs(script, args, last_line):
    out = subprocess.run(
        [sys.executable, str(EXAMPLES / script), *args], capture_output=True, text=True, timeout=300
    )
    assert out.returncode == 0, out.stderr
    assert out.stdout.strip().splitlines()[-1] == last_line


def test_dask_results_equal_in_process_results_bit_for_bit():
    pipeline = universe.make_pipeline()
    pipeline.update([100.0, 101.0, 99.0])  # research resets: earlier bars must not matter
    symbols, bars = 6, 3000
    with (
        LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster,
        Client(cluster) as client,
    ):
        results = universe_dask.run_on_dask(client, pipeline, symbols, bars)
    assert sorted(results) == list(range(symbols))
    for symbol, got in results.items():
        expected = copy.copy(pipeline).run_research_array(universe.symbol_bars(symbol, bars))
        assert got.shape == (bars, len(pipeline.output_names())) and got.dtype == expected.dtype
        assert got.tobytes() == expected.tobytes()
