"""One UniversePipeline over a universe of synthetic symbols, on 1 and 2 threads.

The pipeline keeps one state per symbol; ``run_research`` takes the whole
panel (bars x symbols x inputs) in one call and spreads the symbols over
threads without the interpreter lock. Every thread count gives the same bits,
and each symbol equals its own FeaturePipeline.

    python examples/universe.py [--symbols 200] [--bars 20000] [--threads 1 2]
"""

import argparse
import time
from typing import Any

import numpy as np
from numpy.typing import NDArray

import zerak

INPUTS = ["close", "high", "low"]


def make_features() -> list[Any]:
    return [
        zerak.LogReturn(["close"], 1, ["ret"]),
        zerak.Sma(["close"], 20, ["sma20"]),
        zerak.Ema(["close"], 50, ["ema50"]),
        zerak.Divide(["sma20", "ema50"], ["trend"]),
        zerak.Kama(["close"], 10, ["kama10"]),
        zerak.RollingZScore(["ret"], 100, ["ret_z"]),
        zerak.Skewness(["ret"], 50, ["ret_skew"]),
        zerak.ParkinsonVolatility(["high", "low"], 20, ["park20"]),
    ]


def make_pipeline() -> zerak.FeaturePipeline:
    """The same features for one symbol."""
    return zerak.FeaturePipeline(make_features(), INPUTS)


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


def universe_panel(symbols: int, bars: int) -> NDArray[np.float64]:
    """bars x symbols x (close, high, low)."""
    return np.stack([symbol_bars(s, bars) for s in range(symbols)], axis=1)


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").splitlines()[0])
    parser.add_argument("--symbols", type=int, default=200)
    parser.add_argument("--bars", type=int, default=20_000)
    parser.add_argument("--threads", type=int, nargs="+", default=[1, 2])
    args = parser.parse_args()

    panel = universe_panel(args.symbols, args.bars)
    universe = zerak.UniversePipeline(make_features(), INPUTS, args.symbols)
    print(f"{args.symbols} symbols x {args.bars} bars, {len(universe.output_names())} outputs")
    first: NDArray[np.float64] | None = None
    base: float | None = None
    for threads in args.threads:
        start = time.perf_counter()
        got = universe.run_research(panel, threads=threads)
        seconds = time.perf_counter() - start
        rate = args.symbols * args.bars / seconds
        base = base or rate
        print(
            f"{threads} thread(s): {seconds:6.2f} s, {rate / 1e6:6.2f} M bars/s, "
            f"{rate / base:4.2f}x"
        )
        if first is not None and got.tobytes() != first.tobytes():
            raise SystemExit("results differ between thread counts")
        first = got
    assert first is not None
    alone = make_pipeline().run_research_array(panel[:, 0, :])
    if alone.tobytes() != np.ascontiguousarray(first[:, 0, :]).tobytes():
        raise SystemExit("a symbol differs from its own pipeline")
    print("every thread count gives identical results")


if __name__ == "__main__":
    main()
