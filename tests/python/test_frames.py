import numpy as np
import pandas as pd
import polars as pl
import pytest

import zerak
from conftest import same_floats

FEATURES = [
    zerak.Subtract(["close", "open"], ["body"]),
    zerak.ParkinsonVolatility(["high", "low"], 5, ["vol"]),
    zerak.LogReturn(["close"], 1, ["ret"]),
    zerak.RollingZScore(["ret"], 4, ["ret_z"]),
]
INPUTS = ["open", "high", "low", "close"]
TARGETS = [zerak.FutureReturn(["close"], 2, ["fwd"]),
           zerak.FutureLinearSlope(["open", "close"], 3, ["slope", "r2"])]


def ohlc(n=40, seed=3):
    rng = np.random.default_rng(seed)
    close = 100 * np.exp(np.cumsum(rng.normal(0, 0.01, n)))
    open_ = np.r_[100.0, close[:-1]]
    cols = {"open": open_, "high": np.maximum(open_, close) * 1.002,
            "low": np.minimum(open_, close) * 0.998, "close": close}
    cols["close"][[7, 20]] = np.nan
    return cols


def make_frame(kind, cols):
    if kind == "pandas":
        return pd.DataFrame(cols, index=pd.date_range("2024-01-01", periods=len(cols["close"]), freq="h"))
    if kind == "polars":
        return pl.DataFrame(cols)
    return dict(cols)


def column(result, kind, name):
    return np.asarray(result[name], dtype=np.float64).tolist()


KINDS = ["pandas", "polars", "mapping"]


@pytest.mark.parametrize("kind", KINDS)
def test_frames_match_the_array_run_whatever_the_column_order(kind):
    cols = ohlc()
    # Frame columns in another order than the pipeline's, plus one it ignores.
    shuffled = {"volume": np.arange(40.0), **{n: cols[n] for n in ["close", "low", "open", "high"]}}
    frame = make_frame(kind, shuffled)
    features = zerak.FeaturePipeline(FEATURES, INPUTS)
    expected = features.run_research(np.column_stack([cols[n] for n in INPUTS]))
    got = zerak.research_frame(features, frame)
    assert type(got) is type(frame) if kind != "mapping" else isinstance(got, dict)
    assert list(got.keys() if kind == "mapping" else got.columns) == features.output_names()
    for j, name in enumerate(features.output_names()):
        same_floats(column(got, kind, name), [row[j] for row in expected])

    targets = zerak.TargetPipeline(TARGETS, ["open", "close"])
    expected = targets.run_research([cols["open"], cols["close"]])
    labels = zerak.label_frame(targets, frame)
    assert list(labels.keys() if kind == "mapping" else labels.columns) == targets.output_names()
    for j, name in enumerate(targets.output_names()):
        same_floats(column(labels, kind, name), expected[j])
    if kind == "pandas":
        assert got.index.equals(frame.index) and labels.index.equals(frame.index)


MISSING_MARKERS = {
    "pandas Float64 with NA": lambda x: pd.DataFrame({"close": pd.array(x, dtype="Float64")}),
    "pandas object with None": lambda x: pd.DataFrame({"close": pd.Series(x, dtype=object)}),
    "pandas Int64 with NA": lambda x: pd.DataFrame(
        {"close": pd.array([None if v is None else int(v) for v in x], dtype="Int64")}),
    "polars null": lambda x: pl.DataFrame({"close": x}),
    "list with None": lambda x: {"close": x},
    "pandas Series with NA in a mapping": lambda x: {"close": pd.Series(x, dtype="Float64")},
}


@pytest.mark.parametrize("make", MISSING_MARKERS.values(), ids=MISSING_MARKERS.keys())
def test_na_and_none_are_missing_values(make):
    closes = [100.0, 101.0, None, 103.0, 104.0, 105.0, 106.0]
    frame = make(closes)
    as_nan = [[np.nan if v is None else v] for v in closes]
    features = zerak.FeaturePipeline([zerak.Sma(["close"], 2, ["sma"])], ["close"])
    same_floats(column(zerak.research_frame(features, frame), "", "sma"),
                [row[0] for row in features.run_research(as_nan)])
    targets = zerak.TargetPipeline([zerak.FutureReturn(["close"], 1, ["fwd"])], ["close"])
    same_floats(column(zerak.label_frame(targets, frame), "", "fwd"),
                targets.run_research([[r[0] for r in as_nan]])[0])


@pytest.mark.parametrize("kind", KINDS)
def test_a_missing_column_is_named_with_the_frames_columns(kind):
    cols = ohlc()
    frame = make_frame(kind, {"open": cols["open"], "close": cols["close"]})
    with pytest.raises(zerak.MissingInputColumnError) as info:
        zerak.research_frame(zerak.FeaturePipeline(FEATURES, INPUTS), frame)
    assert str(info.value) == ('missing input column(s): ["high", "low"]; '
                               'the frame has columns ["open", "close"]')
    with pytest.raises(zerak.MissingInputColumnError, match=r'\["volume"\]'):
        zerak.label_frame(zerak.TargetPipeline([zerak.FutureReturn(["volume"], 1, ["v"])], ["volume"]),
                          frame)


@pytest.mark.parametrize("frame, error, message", [
    (np.ones((3, 1)), TypeError, "research_frame() takes a pandas or polars DataFrame"),
    (pl.LazyFrame({"close": [1.0]}), TypeError, "call .collect() on the LazyFrame"),
    ({"close": ["a", "b"]}, TypeError, "column 'close' of type list cannot be read as numbers"),
    (pd.DataFrame({"close": ["a", "b"]}), TypeError, "column 'close' of type str cannot be read"),
    (pl.DataFrame({"close": ["a", "b"]}), TypeError, "column 'close' of type String cannot be read"),
    ({"close": np.ones((2, 2))}, zerak.InvalidInputError, "column 'close' must be one-dimensional"),
    (pd.DataFrame([[1.0, 2.0]], columns=["close", "close"]), zerak.InvalidInputError,
     "column 'close' appears more than once"),
])
def test_frames_that_cannot_be_read_raise_clear_errors(frame, error, message):
    features = zerak.FeaturePipeline([zerak.Sma(["close"], 2, ["sma"])], ["close"])
    with pytest.raises(error) as info:
        zerak.research_frame(features, frame)
    assert message in str(info.value)


def test_columns_of_different_lengths_are_rejected():
    targets = zerak.TargetPipeline(TARGETS, ["open", "close"])
    with pytest.raises(zerak.InvalidInputError, match="columns differ in length"):
        zerak.label_frame(targets, {"open": [1.0, 2.0], "close": [1.0]})


FP_METHODS = ["run_research", "run_research_array", "update_many"]


@pytest.mark.parametrize("method", FP_METHODS)
@pytest.mark.parametrize("make", [pd.DataFrame, pl.DataFrame], ids=["pandas", "polars"])
def test_a_frame_passed_straight_to_a_pipeline_says_how_to_pass_it(method, make):
    pipe = zerak.FeaturePipeline([zerak.Subtract(["a", "b"], ["d"]), zerak.Sma(["a"], 2, ["s"])],
                                 ["a", "b"])
    pipe.update([5.0, 1.0])
    # Square, so that reading a polars frame's columns as bars would "work".
    frame = make({"b": [1.0, 2.0], "a": [10.0, 20.0]})
    with pytest.raises(TypeError) as info:
        getattr(pipe, method)(frame)
    assert str(info.value) in ("argument 'data': Can't extract `str` to `Vec`",
                               "argument 'data': a polars DataFrame iterates over its columns, not its bars")
    assert info.value.__notes__ == [
        f"to pass a {make.__module__.split('.')[0]} DataFrame, use zerak.research_frame(pipeline, frame), "
        "which takes the input columns by name, or pass frame[pipeline.input_names()].to_numpy(), "
        "a row per bar"]
    assert pipe.update([7.0, 1.0]) == [6.0, 6.0]  # the state before the call


@pytest.mark.parametrize("method", ["run_research", "run_research_array"])
def test_a_pandas_frame_passed_to_a_target_pipeline_says_how_to_pass_it(method):
    labels = zerak.TargetPipeline([zerak.FutureReturn(["c"], 1, ["r"])], ["c"])
    with pytest.raises(TypeError, match="Can't extract") as info:
        getattr(labels, method)(pd.DataFrame({"c": [1.0, 2.0]}))
    assert info.value.__notes__[0].startswith(
        "to pass a pandas DataFrame, use zerak.label_frame(target_pipeline, frame)")
    with pytest.raises(TypeError) as info:
        labels.run_research([["x"]])
    assert not hasattr(info.value, "__notes__")
