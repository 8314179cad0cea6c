"""One feature pipeline over a universe of synthetic symbols, on a thread pool.

The pipeline is built once; each task runs a copy of it (copy.copy keeps the
configuration and state) over one symbol with ``run_research_array``, which
computes without holding the interpreter lock, so threads run in parallel.

    python examples/universe.py [--symbols 200] [--bars 100000] [--workers 1 2]
"""

import argparse
import copy
import hashlib
import time
from concurrent.futures import ThreadPoolExecutor

import numpy as np
from numpy.typing import NDArray

import zerak


def make_pipeline() -> zerak.FeaturePipeline:
    return zerak.FeaturePipeline([
        zerak.LogReturn(["close"], 1, ["ret"]),
        zerak.Sma(["close"], 20, ["sma20"]),
        zerak.Ema(["close"], 50, ["ema50"]),
        zerak.Divide(["sma20", "ema50"], ["trend"]),
        zerak.Kama(["close"], 10, ["kama10"]),
        zerak.RollingZScore(["ret"], 100, ["ret_z"]),
        zerak.Skewness(["ret"], 50, ["ret_skew"]),
        zerak.ParkinsonVolatility(["high", "low"], 20, ["park20"]),
    ], ["close", "high", "low"])


def symbol_bars(symbol: int, bars: int) -> NDArray[np.float64]:
    """Bars (close, high, low) of symbol number `symbol`: a seeded random walk."""
    rng = np.random.default_rng(symbol)
    out = np.empty((bars, 3))
    close, high, low = out.T
    np.exp(np.cumsum(rng.normal(0.0, 0.01, bars)), out=close)
    close *= 100.0
    np.multiply(np.abs(rng.normal(0.0, 0.004, bars)), close, out=high)
    np.subtract(close, high, out=low)
    high += close
    return out


def run_symbol(pipeline: zerak.FeaturePipeline, symbol: int, bars: int) -> str:
    """A private copy of the pipeline over one symbol; the result's digest."""
    result = copy.copy(pipeline).run_research_array(symbol_bars(symbol, bars))
    # Hashing reads the array in place and releases the interpreter lock.
    return hashlib.blake2b(memoryview(result), digest_size=16).hexdigest()


def run_universe(pipeline: zerak.FeaturePipeline, symbols: int, bars: int,
                 workers: int) -> list[str]:
    with ThreadPoolExecutor(workers) as pool:
        return list(pool.map(lambda s: run_symbol(pipeline, s, bars), range(symbols)))


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").splitlines()[0])
    parser.add_argument("--symbols", type=int, default=200)
    parser.add_argument("--bars", type=int, default=100_000)
    parser.add_argument("--workers", type=int, nargs="+", default=[1, 2])
    args = parser.parse_args()

    pipeline = make_pipeline()
    print(f"{args.symbols} symbols x {args.bars} bars, {len(pipeline)} features")
    digests: list[str] | None = None
    base: float | None = None
    for workers in args.workers:
        start = time.perf_counter()
        got = run_universe(pipeline, args.symbols, args.bars, workers)
        seconds = time.perf_counter() - start
        rate = args.symbols * args.bars / seconds
        base = base or rate
        print(f"{workers} worker(s): {seconds:6.2f} s, {rate / 1e6:6.2f} M bars/s, "
              f"{rate / base:4.2f}x")
        if digests is not None and got != digests:
            raise SystemExit("results differ between worker counts")
        digests = got
    print("every worker count gives identical results")


if __name__ == "__main__":
    main()
