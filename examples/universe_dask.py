"""The universe example on Dask: the symbols are split into blocks, each
task runs one UniversePipeline (shipped by pickle: configuration and state
travel as snapshots) over its block, and the results come back one array per
symbol, bit for bit those of a FeaturePipeline per symbol.

    python examples/universe_dask.py [SCHEDULER_ADDRESS] [--symbols 200] [--bars 100000]

Without an address a LocalCluster on this machine is started. Needs the
``dask`` extra: pip install "zerak[dask]".
"""

import argparse
import copy
import sys
import time

import cloudpickle
import numpy as np
from dask.distributed import Client, LocalCluster
from numpy.typing import NDArray

import zerak

import universe

# Workers need not have the examples on their path: ship this code by value.
cloudpickle.register_pickle_by_value(universe)
if __name__ != "__main__":
    cloudpickle.register_pickle_by_value(sys.modules[__name__])


BLOCK = 16  # symbols per task


def run_block(block: zerak.UniversePipeline, first: int, bars: int) -> list[NDArray[np.float64]]:
    """On a worker: a private copy of the shipped universe over its symbols."""
    symbols = range(first, first + len(block))
    panel = np.stack([universe.symbol_bars(s, bars) for s in symbols], axis=1)
    out = copy.copy(block).run_research(panel)
    return [np.ascontiguousarray(out[:, i, :]) for i in range(len(block))]


def run_on_dask(
    client: Client, pipeline: zerak.FeaturePipeline, symbols: int, bars: int
) -> dict[int, NDArray[np.float64]]:
    """{symbol: array of bars x outputs} of `pipeline`'s transforms, on the cluster."""
    firsts = list(range(0, symbols, BLOCK))
    blocks = [
        zerak.UniversePipeline(
            pipeline.transforms(), pipeline.input_names(), min(BLOCK, symbols - f)
        )
        for f in firsts
    ]
    futures = client.map(run_block, blocks, firsts, [bars] * len(firsts), pure=False)
    arrays = [a for block in client.gather(futures) for a in block]
    return dict(zip(range(symbols), arrays, strict=True))


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").splitlines()[0])
    parser.add_argument("address", nargs="?", help="scheduler address (default: a LocalCluster)")
    parser.add_argument("--symbols", type=int, default=200)
    parser.add_argument("--bars", type=int, default=100_000)
    parser.add_argument("--workers", type=int, default=2, help="LocalCluster worker processes")
    args = parser.parse_args()

    cluster = None
    if args.address is None:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, dashboard_address=None)
    with Client(args.address or cluster) as client:
        where = client.scheduler.address
        pipeline = universe.make_pipeline()
        start = time.perf_counter()
        results = run_on_dask(client, pipeline, args.symbols, args.bars)
        seconds = time.perf_counter() - start
    if cluster is not None:
        cluster.close()
    rows = sum(len(a) for a in results.values())
    print(
        f"{args.symbols} symbols x {args.bars} bars on {where}: "
        f"{seconds:.2f} s, {rows / seconds / 1e6:.2f} M bars/s, "
        f"arrays of shape {results[0].shape}"
    )


if __name__ == "__main__":
    main()
