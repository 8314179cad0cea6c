"""The universe example on Dask: the pipeline is built once, shipped to the
workers by pickle (its configuration and state travel as a snapshot), and
each task returns one array per symbol.

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
from numpy.typing import NDArray
from dask.distributed import Client, LocalCluster

import universe
import zerak

# Workers need not have the examples on their path: ship this code by value.
cloudpickle.register_pickle_by_value(universe)
if __name__ != "__main__":
    cloudpickle.register_pickle_by_value(sys.modules[__name__])


def run_symbol(pipeline: zerak.FeaturePipeline, symbol: int, bars: int) -> NDArray[np.float64]:
    """On a worker: a private copy of the shipped pipeline over one symbol."""
    return copy.copy(pipeline).run_research_array(universe.symbol_bars(symbol, bars))


def run_on_dask(client: Client, pipeline: zerak.FeaturePipeline, symbols: int,
                bars: int) -> dict[int, NDArray[np.float64]]:
    """{symbol: array of bars x outputs}, computed on the cluster."""
    shipped = client.scatter(pipeline, broadcast=True)  # pickled once, sent to every worker
    futures = client.map(run_symbol, [shipped] * symbols, range(symbols), [bars] * symbols,
                         pure=False)
    return dict(zip(range(symbols), client.gather(futures)))


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").splitlines()[0])
    parser.add_argument("address", nargs="?", help="scheduler address (default: a LocalCluster)")
    parser.add_argument("--symbols", type=int, default=200)
    parser.add_argument("--bars", type=int, default=100_000)
    parser.add_argument("--workers", type=int, default=2, help="LocalCluster worker processes")
    args = parser.parse_args()

    cluster = None
    if args.address is None:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1,
                               dashboard_address=None)
    with Client(args.address or cluster) as client:
        where = client.scheduler.address
        pipeline = universe.make_pipeline()
        start = time.perf_counter()
        results = run_on_dask(client, pipeline, args.symbols, args.bars)
        seconds = time.perf_counter() - start
    if cluster is not None:
        cluster.close()
    rows = sum(len(a) for a in results.values())
    print(f"{args.symbols} symbols x {args.bars} bars on {where}: "
          f"{seconds:.2f} s, {rows / seconds / 1e6:.2f} M bars/s, "
          f"arrays of shape {results[0].shape}")


if __name__ == "__main__":
    main()
