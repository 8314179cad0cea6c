"""Draws a price series with a few zerak features and a label and saves
docs/features.png (the picture in the README).

Run with `.venv/bin/python examples/plot_features.py [output.png]`; needs
matplotlib (`.venv/bin/python -m pip install matplotlib`).
"""

import sys
from pathlib import Path

import numpy as np
import pandas as pd

import zerak

try:
    import matplotlib

    matplotlib.use("Agg")  # files only, no window
    import matplotlib.pyplot as plt
except ImportError:
    sys.exit("plot_features.py needs matplotlib: .venv/bin/python -m pip install matplotlib")


def daily_bars(n: int = 500, seed: int = 5) -> pd.DataFrame:
    """Business-day OHLC bars: a random walk, then a mean-reverting stretch."""
    rng = np.random.default_rng(seed)
    shocks = rng.normal(0, 0.012, n)
    level = np.cumsum(shocks)
    anchor = level[n // 2]
    for t in range(n // 2 + 1, n):  # pulled back towards the anchor: stationary
        level[t] = level[t - 1] + 0.08 * (anchor - level[t - 1]) + shocks[t]
    close = 100 * np.exp(level)
    open_ = np.r_[100.0, close[:-1]]
    spread = np.abs(rng.normal(0, 0.006, (2, n)))
    return pd.DataFrame(
        {
            "open": open_,
            "high": np.maximum(open_, close) * np.exp(spread[0]),
            "low": np.minimum(open_, close) * np.exp(-spread[1]),
            "close": close,
        },
        index=pd.bdate_range("2024-01-01", periods=n, name="date"),
    )


bars = daily_bars()
features = zerak.research_frame(
    zerak.FeaturePipeline(
        [
            zerak.Ema(["close"], 20, ["ema_20"]),
            zerak.Kama(["close"], 20, ["kama_20"]),
            zerak.ParkinsonVolatility(["high", "low"], 20, ["vol_20"]),
            zerak.Adf(["close"], 100, ["adf", "adf_p"]),
        ],
        ["high", "low", "close"],  # by name: the frame's other columns are ignored
    ),
    bars,
)
labels = zerak.label_frame(
    zerak.TargetPipeline([zerak.FutureReturn(["close"], 20, ["fwd_ret_20"])], ["close"]), bars
)

fig, axes = plt.subplots(
    4, 1, figsize=(10, 9), sharex=True, gridspec_kw={"height_ratios": [3, 1.2, 1.2, 1.2]}
)
price, vol, adf, label = axes
price.plot(bars.index, bars["close"], color="0.3", lw=1, label="close")
price.plot(features.index, features["ema_20"], lw=1.2, label="Ema(20)")
price.plot(features.index, features["kama_20"], lw=1.2, label="Kama(20)")
price.set_ylabel("price")
price.legend(loc="upper right", ncol=3, frameon=False)
price.margins(y=0.12)
price.set_title("zerak features and a label over 500 synthetic daily bars")

vol.plot(features.index, features["vol_20"] * np.sqrt(252), color="tab:purple", lw=1)
vol.set_ylabel("Parkinson vol\n(20, annualised)")

adf.plot(features.index, features["adf_p"], color="tab:green", lw=1)
adf.axhline(0.05, color="0.5", lw=0.8, ls="--")
adf.set_ylabel("ADF p-value\n(window 100)")
adf.set_ylim(0, 1)

up = labels["fwd_ret_20"] > 0
label.bar(labels.index[up], labels["fwd_ret_20"][up], width=1.0, color="tab:blue")
label.bar(labels.index[~up], labels["fwd_ret_20"][~up], width=1.0, color="tab:red")
label.set_ylabel("label: forward\nreturn (20)")

fig.align_ylabels(axes)
fig.tight_layout()
out = (
    Path(sys.argv[1])
    if len(sys.argv) > 1
    else Path(__file__).resolve().parent.parent / "docs" / "features.png"
)
fig.savefig(out, dpi=110)
print(f"saved {out}")
