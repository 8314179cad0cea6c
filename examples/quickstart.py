"""zerak quickstart: a feature pipeline over a day of synthetic bars, run live
bar by bar and in research mode, plus forward-looking labels.

Run with `make demo`.
"""

import math
import random

import zerak


def sample_bars(n: int, seed: int = 7) -> list[tuple[float, float, float, float, float]]:
    """A reproducible random walk as (t, open, high, low, close) bars, with a gap."""
    rng = random.Random(seed)
    bars, close = [], 100.0
    for i in range(n):
        open_ = close
        close = open_ * math.exp(rng.gauss(0.0002, 0.004))
        high = max(open_, close) * (1 + abs(rng.gauss(0, 0.002)))
        low = min(open_, close) * (1 - abs(rng.gauss(0, 0.002)))
        bars.append((float(i), open_, high, low, close))
    bars[40] = bars[40][:4] + (float("nan"),)  # a missing close
    return bars


COLUMNS = ["t", "open", "high", "low", "close"]  # t: the bar index

features = [
    # Any order works: the pipeline resolves who reads whose output.
    zerak.Divide(["sma_5", "sma_20"], ["sma_ratio"]),
    zerak.Log(["sma_ratio"], ["log_sma_ratio"]),
    zerak.Sma(["close"], 5, ["sma_5"]),
    zerak.Sma(["close"], 20, ["sma_20"]),
    zerak.Ema(["close"], 10, ["ema_10"]),
    zerak.LogReturn(["close"], 1, ["ret_1"]),
    zerak.RollingZScore(["ret_1"], 20, ["ret_z"]),
    zerak.ParkinsonVolatility(["high", "low"], 20, ["vol_pk"]),
    zerak.Subtract(["close", "open"], ["body"]),  # the bar's body
    zerak.LinearSlope(["t", "close"], 10, ["slope", "r2"]),  # trend of close against time
    zerak.Correlation(["close", "sma_5"], 20, ["corr"], method="spearman"),
    zerak.Adf(["close"], 30, ["adf", "adf_p"]),
]

pipeline = zerak.FeaturePipeline(features, COLUMNS)
bars = sample_bars(120)

print(f"{len(pipeline)} features over {len(bars)} bars; inputs {pipeline.input_names()}")
print(f"outputs in execution order: {pipeline.output_names()}")
print(f"warm-up: {pipeline.warm_up_period()} bars\n")

# Live mode: one bar at a time, as inside a trading loop.
shown = ["close", "sma_ratio", "ret_z", "vol_pk", "slope", "r2", "corr", "adf", "adf_p"]
names = pipeline.output_names()
index = {n: names.index(n) for n in shown if n in names}
print(" bar  " + "  ".join(f"{n:>9}" for n in shown))
live = []
for i, bar in enumerate(bars):
    out = pipeline.update(list(bar))
    live.append(out)
    if i % 10 == 9 or i in (40, 41):
        cells = [f"{bar[4]:9.3f}"] + [f"{out[index[n]]:9.4f}" for n in shown[1:]]
        print(f"{i:4d}  " + "  ".join(cells))

# Research mode: the whole dataset in one call, bit-identical to live mode.
research = pipeline.run_research([list(b) for b in bars])
same = all(
    (a == b) or (math.isnan(a) and math.isnan(b))
    for ra, rb in zip(live, research, strict=True)
    for a, b in zip(ra, rb, strict=True)
)
print(f"\nresearch mode equals live mode bit for bit: {same}")

# Labels for training: forward-looking targets over whole columns.
targets = zerak.TargetPipeline(
    [
        zerak.FutureReturn(["close"], 5, ["fwd_ret_5"]),
        zerak.FutureCTCVolatility(["close"], 10, ["fwd_vol_10"]),
    ],
    ["close"],
)
closes = [b[4] for b in bars]
fwd_ret, fwd_vol = targets.run_research([closes])
print(f"labels {targets.output_names()}; the last {targets.forward_period()} bars have no label")
for i in (0, 1, 2, len(bars) - 6, len(bars) - 1):
    print(f"  bar {i:3d}: fwd_ret_5={fwd_ret[i]: .5f}  fwd_vol_10={fwd_vol[i]: .5f}")
