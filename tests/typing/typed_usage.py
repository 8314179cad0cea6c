"""How a strictly type-checked user script sees zerak: `make typecheck` runs
mypy --strict over this file. It is checked, not run; every `type: ignore`
below must be needed, or the strict run fails on it."""

from typing import Any, assert_type

import numpy as np
import pandas as pd
import polars as pl
from numpy.typing import NDArray

import zerak
from zerak import FeaturePipeline, Sma, TargetPipeline

features = [
    zerak.LogReturn(["close"], 1, ["ret"]),
    zerak.Correlation(["ret", "volume"], 20, ["corr"], method="spearman"),
    zerak.Adf(["close"], 100, ["adf", "adf_p"], lags=None, regression="ct"),
    zerak.ShannonEntropy(["ret"], 50, ["ent"], bins=10, normalize=np.bool_(True)),
    zerak.FixedZScore(["ret"], ["ret_z"], *zerak.fit_standard_scaler(np.array([0.1, 0.2]))),
    Sma(("close",), np.int64(5), ("sma",)),
]
pipeline = FeaturePipeline(features, ["close", "volume"])
assert_type(pipeline.update(np.array([101.0, 5.0])), list[float])
assert_type(pipeline.update([101, 5.0]), list[float])
assert_type(pipeline.run_research(np.zeros((3, 2))), list[list[float]])
assert_type(pipeline.run_research([(1.0, 2.0), np.array([3, 4])]), list[list[float]])
assert_type(pipeline.warm_up_period(), int)
assert_type(len(pipeline), int)
assert_type(pipeline.peek({"close": 101.0, "volume": None}), list[float])
assert_type(pipeline.update_many({"close": [1.0], "volume": np.ones(1)}), NDArray[np.float64])
assert_type(zerak.select(pipeline, ["sma"]).peek([1.0, 2.0]), list[float])
assert_type([f.kind for f in zerak.check(pipeline, data_length=10)], list[str])

targets = TargetPipeline([zerak.FutureReturn(["close"], 5, ["fwd"])], ["close"])
assert_type(targets.run_research([np.ones(10)]), list[list[float]])
assert_type(targets.forward_period(), int)

frame = pd.DataFrame({"close": [1.0, 2.0], "volume": [3.0, 4.0]})
assert_type(zerak.research_frame(pipeline, frame), pd.DataFrame)
assert_type(zerak.label_frame(targets, pl.DataFrame({"close": [1.0]})), pl.DataFrame)
assert_type(
    zerak.research_frame(pipeline, {"close": [1.0], "volume": [None]}),
    dict[str, NDArray[np.float64]],
)
assert_type(zerak.research_frame(pipeline, pl.LazyFrame(frame), keep=["volume"]), pl.LazyFrame)
assert_type(
    zerak.label_frame(
        targets, {"close": [1.0], "day": ["mon"]}, keep="day", progress=lambda done, total: None
    ),
    dict[str, Any],
)
assert_type(targets.run_research_array([np.ones(3)], progress=True), NDArray[np.float64])
pipeline.run_research(np.zeros((3, 2)), progress=print)
pipeline.update_many(np.zeros((3, 2)), progress=1)  # type: ignore[arg-type]

try:
    zerak.Add(["a"], ["s"])
except zerak.ZerakError as error:
    assert_type(error, zerak.ZerakError)

assert_type(zerak.__version__, str)

# Mistakes a checker catches before anything runs.
zerak.Correlation(["a", "b"], 20, ["c"], method="pearsons")  # type: ignore[arg-type]
zerak.Adf(["x"], 100, ["s", "p"], regression="nc")  # type: ignore[arg-type]
zerak.Sma(["x"], 2.5, ["s"])  # type: ignore[arg-type]
FeaturePipeline([zerak.FutureReturn(["c"], 1, ["r"])], ["c"])  # type: ignore[list-item]
targets.update([1.0])  # type: ignore[attr-defined]
