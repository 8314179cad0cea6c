"""Snapshots: saving and restoring a warm 13-feature pipeline (windows up to
1,000 bars) against replaying its warm-up bars, the only way to rebuild that
state without snapshots.

    python bench/bench_snapshots.py
"""

import copy
import pickle

import numpy as np
from harness import best_s, print_table

import zerak
import zerak.snapshot

COLUMNS = ["close", "high", "low"]


def make_pipeline():
    return zerak.FeaturePipeline(
        [
            zerak.LogReturn(["close"], 1, ["ret"]),
            zerak.SimpleReturn(["close"], 10, ["ret10"]),
            zerak.Sma(["close"], 1000, ["sma"]),
            zerak.Ema(["close"], 500, ["ema"]),
            zerak.Kama(["close"], 100, ["kama"]),
            zerak.Mma(["close"], 200, ["mma"]),
            zerak.Skewness(["ret"], 250, ["skew"]),
            zerak.Kurtosis(["ret"], 250, ["kurt"]),
            zerak.RollingZScore(["ret"], 1000, ["ret_z"]),
            zerak.ParkinsonVolatility(["high", "low"], 60, ["park"]),
            zerak.ShannonEntropy(["ret"], 500, ["entropy"]),
            zerak.Correlation(["high", "low"], 100, ["corr"]),
            zerak.Adf(["close"], 1000, ["adf", "adf_p"]),
        ],
        COLUMNS,
    )


def bars(n, seed=1):
    rng = np.random.default_rng(seed)
    close = 100.0 * np.exp(np.cumsum(rng.normal(0.0, 0.01, n)))
    spread = np.abs(rng.normal(0.0, 0.004, n)) * close
    return np.column_stack([close, close + spread, close - spread])


def main():
    template = make_pipeline()
    warm = template.warm_up_period() + 1
    data = bars(warm)
    rows = data.tolist()
    live = make_pipeline()
    for row in rows:
        live.update(row)
    blob = zerak.snapshot.save(live)
    pickled = pickle.dumps(live, protocol=5)

    def replay_update():
        p = make_pipeline()
        for row in rows:
            p.update(row)

    def replay_update_many():
        make_pipeline().update_many(data)

    print(
        f"\n{len(template)} features, windows up to 1000: {warm} warm-up bars, "
        f"snapshot {len(blob):,} bytes, pickle {len(pickled):,} bytes"
    )
    us = 1e6
    print_table(
        "Restoring a warm pipeline",
        [
            ("zerak.snapshot.load", best_s(lambda: zerak.snapshot.load(blob), repeat=50) * us),
            ("pickle.loads", best_s(lambda: pickle.loads(pickled), repeat=50) * us),
            ("copy.copy (no bytes)", best_s(lambda: copy.copy(live), repeat=50) * us),
            ("zerak.snapshot.save", best_s(lambda: zerak.snapshot.save(live), repeat=50) * us),
            ("pickle.dumps", best_s(lambda: pickle.dumps(live, protocol=5), repeat=50) * us),
            (f"replay {warm} bars: update", best_s(replay_update, repeat=3) * us),
            (f"replay {warm} bars: update_many", best_s(replay_update_many, repeat=3) * us),
        ],
        unit="us",
        baseline="zerak.snapshot.load",
    )


if __name__ == "__main__":
    main()
