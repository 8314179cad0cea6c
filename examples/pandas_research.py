"""Research with pandas: features and labels for a model from an OHLCV frame,
columns taken by name with zerak.research_frame and zerak.label_frame.

Run with `.venv/bin/python examples/pandas_research.py` (needs pandas).
"""

import numpy as np
import pandas as pd

import zerak


def synthetic_ohlcv(days: int = 20, seed: int = 11) -> pd.DataFrame:
    """Five-minute bars of a trading session (09:30-16:00) over business days:
    a random walk with volatility clusters, a few missing closes and a frame
    whose columns are not in the order any pipeline lists them."""
    rng = np.random.default_rng(seed)
    sessions = pd.bdate_range("2026-03-02", periods=days)
    stamps = [day + pd.Timedelta(minutes=570 + 5 * k) for day in sessions for k in range(78)]
    n = len(stamps)
    vol = 0.0015 * np.exp(np.cumsum(rng.normal(0, 0.05, n)).clip(-1.5, 1.5))
    close = 100 * np.exp(np.cumsum(rng.normal(0, 1, n) * vol))
    open_ = np.r_[100.0, close[:-1]] * np.exp(rng.normal(0, 0.2, n) * vol)
    wick = np.abs(rng.normal(0, 0.6, (2, n))) * vol
    high = np.maximum(open_, close) * np.exp(wick[0])
    low = np.minimum(open_, close) * np.exp(-wick[1])
    volume = rng.lognormal(8, 0.5, n).round()
    frame = pd.DataFrame(
        {"volume": volume, "close": close, "low": low, "high": high, "open": open_},
        index=pd.DatetimeIndex(stamps, name="time"),
    )
    # A feed outage: missing closes (pandas NA in a nullable column).
    outage = np.zeros(n, dtype=bool)
    outage[700:703] = True
    frame["close"] = frame["close"].astype("Float64").mask(outage)
    return frame


bars = synthetic_ohlcv()

features = zerak.FeaturePipeline(
    [
        zerak.LogReturn(["close"], 1, ["ret_1"]),
        zerak.LogReturn(["close"], 12, ["ret_12"]),
        zerak.RollingZScore(["ret_1"], 48, ["ret_z"]),
        zerak.Divide(["close", "sma_48"], ["close_to_sma"]),
        zerak.Sma(["close"], 48, ["sma_48"]),
        zerak.ParkinsonVolatility(["high", "low"], 24, ["vol_pk"]),
        zerak.RogersSatchellVolatility(["high", "low", "open", "close"], 24, ["vol_rs"]),
        zerak.Log(["volume"], ["log_volume"]),
        zerak.RollingZScore(["log_volume"], 48, ["volume_z"]),
        zerak.Skewness(["ret_1"], 48, ["skew"]),
        zerak.AutoCorrelation(["ret_1"], 48, ["acf_1"]),
        zerak.Adf(["close"], 100, ["adf", "adf_p"]),
    ],
    ["open", "high", "low", "close", "volume"],
)
labels = zerak.TargetPipeline(
    [
        zerak.FutureReturn(["close"], 12, ["fwd_ret_12"]),
        zerak.FutureCTCVolatility(["close"], 12, ["fwd_vol_12"]),
    ],
    ["close"],
)

X = zerak.research_frame(features, bars)  # same index as bars, one column per feature
y = zerak.label_frame(labels, bars)
print(
    f"{len(bars)} bars, {X.shape[1]} features, {y.shape[1]} labels; "
    f"warm-up {features.warm_up_period()} bars (the longest window, not the chain)"
)

# Rows where every feature and label is known: after the warm-up, away from the
# outage and before the last forward_period() bars.
data = X.join(y).dropna()
print(f"{len(data)} complete rows of {len(bars)}")

# Time-ordered split, then a least-squares fit of the 12-bar forward return.
cut = data.index[int(len(data) * 0.7)]
train, test = data[data.index < cut], data[data.index >= cut]
names = features.output_names()
A_train = np.column_stack([np.ones(len(train)), train[names].to_numpy()])
A_test = np.column_stack([np.ones(len(test)), test[names].to_numpy()])
coef, *_ = np.linalg.lstsq(A_train, train["fwd_ret_12"].to_numpy(), rcond=None)
predicted = A_test @ coef
ic = float(np.corrcoef(predicted, test["fwd_ret_12"].to_numpy())[0, 1])
print(
    f"train {len(train)} rows, test {len(test)} rows from {cut}; "
    f"out-of-sample correlation of the forecast: {ic:+.3f} (noise: the data is a random walk)"
)
print(
    data[["ret_z", "vol_pk", "adf_p", "fwd_ret_12", "fwd_vol_12"]]
    .head()
    .to_string(float_format="{:.5f}".format)
)
