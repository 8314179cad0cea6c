"""A live loop over 1,000 symbols: one UniversePipeline.update per bar.

Each bar every symbol's features advance together in one call, then the
cross-sections rank and z-score them across the symbols that traded. Some
symbols are halted at random (their row is all NaN: state held, outputs NaN,
left out of the ranks). One symbol lists mid-way and one is delisted. At the
end the recorded bars run again through run_research, which must give the
live results bit for bit.

    python examples/universe_live.py [--symbols 1000] [--bars 300]
"""

import argparse
import time

import numpy as np

import zerak

INPUTS = ["close", "volume"]


def make_universe(symbols: list[str]) -> zerak.UniversePipeline:
    return zerak.UniversePipeline(
        [
            zerak.LogReturn(["close"], 1, ["ret"]),
            zerak.RollingStd(["ret"], 20, ["vol20"]),
            zerak.LogReturn(["close"], 20, ["mom20"]),
            zerak.Divide(["mom20", "vol20"], ["mom_per_vol"]),
            zerak.Sma(["volume"], 10, ["volume10"]),
            # across symbols, then per symbol again: a smoothed momentum rank
            zerak.CrossSectionalRank(["mom_per_vol"], ["mom_rank"]),
            zerak.CrossSectionalZScore(["volume10"], ["volume_z"]),
            zerak.Ema(["mom_rank"], 5, ["mom_rank_ema"]),
        ],
        INPUTS,
        symbols,
    )


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").splitlines()[0])
    parser.add_argument("--symbols", type=int, default=1_000)
    parser.add_argument("--bars", type=int, default=300)
    args = parser.parse_args()
    n, bars = args.symbols, args.bars

    names = [f"S{i:04d}" for i in range(n)]
    live = make_universe(names)
    rng = np.random.default_rng(11)
    close = np.full(n, 100.0)
    seen: list[np.ndarray] = []
    results: list[np.ndarray] = []
    spent = 0.0
    for _ in range(bars):
        close *= np.exp(rng.normal(0.0, 0.01, n))
        matrix = np.column_stack([close, rng.lognormal(10.0, 1.0, n)])
        matrix[rng.random(n) < 0.02] = np.nan  # halted this bar
        start = time.perf_counter()
        out = live.update(matrix)
        spent += time.perf_counter() - start
        seen.append(matrix)
        results.append(out)
    top = np.nanargmax(results[-1][:, live.output_names().index("mom_rank_ema")])
    print(
        f"{n} symbols x {bars} bars: {spent / bars * 1e3:.3f} ms per bar, "
        f"{spent / bars / n * 1e6:.3f} us per symbol; top momentum: {live.symbols()[top]}"
    )

    # A listing and a delisting between bars: the newcomer starts fresh.
    live.add_symbol("NEW")
    live.remove_symbol(names[0])
    print(f"after a listing and a delisting: {len(live)} symbols, last {live.symbols()[-1]}")

    again = make_universe(names).run_research(np.stack(seen), threads=2)
    print(f"live equals research bit for bit: {again.tobytes() == np.stack(results).tobytes()}")


if __name__ == "__main__":
    main()
