import numpy as np
import pandas as pd
import polars as pl
import pyarrow as pa
import pytest
from conftest import same_floats

import zerak

FEATURES = [
    zerak.Subtract(["close", "open"], ["body"]),
    zerak.ParkinsonVolatility(["high", "low"], 5, ["vol"]),
    zerak.LogReturn(["close"], 1, ["ret"]),
    zerak.RollingZScore(["ret"], 4, ["ret_z"]),
]
INPUTS = ["open", "high", "low", "close"]
TARGETS = [
    zerak.FutureReturn(["close"], 2, ["fwd"]),
    zerak.FutureLinearSlope(["open", "close"], 3, ["slope", "r2"]),
]


def ohlc(n=40, seed=3):
    rng = np.random.default_rng(seed)
    close = 100 * np.exp(np.cumsum(rng.normal(0, 0.01, n)))
    open_ = np.r_[100.0, close[:-1]]
    cols = {
        "open": open_,
        "high": np.maximum(open_, close) * 1.002,
        "low": np.minimum(open_, close) * 0.998,
        "close": close,
    }
    cols["close"][[7, 20]] = np.nan
    return cols


class ArrowStream:
    """Any Arrow producer that no frame library knows by its type."""

    def __init__(self, frame):
        self._frame = frame

    def __arrow_c_stream__(self, requested_schema=None):
        return self._frame.__arrow_c_stream__(requested_schema)


FRAME_MAKERS = {
    "pandas": lambda cols: pd.DataFrame(
        cols, index=pd.date_range("2024-01-01", periods=len(cols["close"]), freq="h")
    ),
    "polars": pl.DataFrame,
    "polars-lazy": pl.LazyFrame,
    "pyarrow": pa.table,
    "arrow-stream": lambda cols: ArrowStream(pl.DataFrame(cols)),
    "mapping": dict,
}
RESULT_TYPES = {
    "pandas": pd.DataFrame,
    "polars": pl.DataFrame,
    "polars-lazy": pl.LazyFrame,
    "pyarrow": pa.Table,
    "arrow-stream": pa.Table,
    "mapping": dict,
}
KINDS = list(FRAME_MAKERS)


def make_frame(kind, cols):
    return FRAME_MAKERS[kind](cols)


def as_columns(result):
    """A result of any kind as lists, None where the library has a null."""
    if isinstance(result, pl.LazyFrame):
        result = result.collect()
    if isinstance(result, pl.DataFrame):
        return result.to_dict(as_series=False)
    if isinstance(result, pa.Table):
        return result.to_pydict()
    return {
        name: list(result[name])
        for name in (result.keys() if isinstance(result, dict) else result.columns)
    }


def column(result, kind, name):
    return np.asarray(result[name], dtype=np.float64).tolist()


@pytest.mark.parametrize("kind", KINDS)
def test_frames_match_the_array_run_whatever_the_column_order(kind):
    cols = ohlc()
    n = len(cols["close"])
    stamps = pd.date_range("2024-01-01", periods=n, freq="h").to_numpy()
    # Frame columns in another order than the pipeline's, plus kept and ignored ones.
    shuffled = {
        "volume": np.arange(float(n)),
        "stamp": stamps,
        "symbol": ["XY"] * n,
        **{c: cols[c] for c in ["close", "low", "open", "high"]},
    }
    frame = make_frame(kind, shuffled)
    # Missing results: null in polars and pyarrow, NaN elsewhere.
    null = kind in ("polars", "polars-lazy", "pyarrow", "arrow-stream")

    features = zerak.FeaturePipeline(FEATURES, INPUTS)
    targets = zerak.TargetPipeline(TARGETS, ["open", "close"])
    by_bar = features.run_research(np.column_stack([cols[c] for c in INPUTS]))
    expected_features = [[row[j] for row in by_bar] for j in range(len(by_bar[0]))]
    expected_labels = targets.run_research([cols["open"], cols["close"]])
    for result, pipe, expected in [
        (
            zerak.research_frame(features, frame, keep=["stamp", "symbol"]),
            features,
            expected_features,
        ),
        (zerak.label_frame(targets, frame, keep=["stamp", "symbol"]), targets, expected_labels),
    ]:
        assert type(result) is RESULT_TYPES[kind]
        if kind == "pandas":
            assert result.index.equals(frame.index)
        got = as_columns(result)
        assert list(got) == ["stamp", "symbol", *pipe.output_names()]
        assert np.array_equal(np.asarray(got["stamp"], dtype="datetime64[ns]"), stamps)
        assert list(got["symbol"]) == ["XY"] * n
        for name, want in zip(pipe.output_names(), expected, strict=True):
            values = got[name]
            assert not null or not any(v is not None and np.isnan(v) for v in values)
            assert null or None not in values
            same_floats([np.nan if v is None else v for v in values], want)


MISSING_MARKERS = {
    "pandas Float64 with NA": lambda x: pd.DataFrame({"close": pd.array(x, dtype="Float64")}),
    "pandas object with None": lambda x: pd.DataFrame({"close": pd.Series(x, dtype=object)}),
    "pandas Int64 with NA": lambda x: pd.DataFrame(
        {"close": pd.array([None if v is None else int(v) for v in x], dtype="Int64")}
    ),
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
    same_floats(
        column(zerak.research_frame(features, frame), "", "sma"),
        [row[0] for row in features.run_research(as_nan)],
    )
    targets = zerak.TargetPipeline([zerak.FutureReturn(["close"], 1, ["fwd"])], ["close"])
    same_floats(
        column(zerak.label_frame(targets, frame), "", "fwd"),
        targets.run_research([[r[0] for r in as_nan]])[0],
    )


@pytest.mark.parametrize("kind", KINDS)
def test_a_missing_column_is_named_with_the_frames_columns(kind):
    cols = ohlc()
    frame = make_frame(kind, {"open": cols["open"], "close": cols["close"]})
    with pytest.raises(zerak.MissingInputColumnError) as info:
        zerak.research_frame(zerak.FeaturePipeline(FEATURES, INPUTS), frame)
    assert str(info.value) == (
        'missing input column(s): ["high", "low"]; the frame has columns ["open", "close"]'
    )
    with pytest.raises(zerak.MissingInputColumnError, match=r'\["volume"\]'):
        zerak.label_frame(
            zerak.TargetPipeline([zerak.FutureReturn(["volume"], 1, ["v"])], ["volume"]), frame
        )


@pytest.mark.parametrize(
    "frame, keep, error, message",
    [
        (np.ones((3, 1)), None, TypeError, "research_frame() takes a pandas or polars DataFrame"),
        (
            {"close": ["a", "b"]},
            None,
            TypeError,
            "column 'close' of type list cannot be read as numbers",
        ),
        (
            pd.DataFrame({"close": ["a", "b"]}),
            None,
            TypeError,
            "column 'close' of type str cannot be read",
        ),
        (
            pl.DataFrame({"close": ["a", "b"]}),
            None,
            TypeError,
            "column 'close' of type String cannot be read",
        ),
        (
            pa.table({"close": ["a", "b"]}),
            None,
            TypeError,
            "column 'close' of type string cannot be read",
        ),
        (
            pa.table({"close": pa.array([1, 2], pa.timestamp("s"))}),
            None,
            TypeError,
            "holds dates, times or durations",
        ),
        (
            {"close": np.ones((2, 2))},
            None,
            zerak.InvalidInputError,
            "column 'close' must be one-dimensional",
        ),
        (
            pd.DataFrame([[1.0, 2.0]], columns=["close", "close"]),
            None,
            zerak.InvalidInputError,
            "column 'close' appears more than once",
        ),
        (
            pl.LazyFrame({"close": [1.0]}),
            ["day"],
            zerak.MissingInputColumnError,
            'keep: no column(s): ["day"]; the frame has columns ["close"]',
        ),
        (
            pa.table({"close": [1.0]}),
            ["day"],
            zerak.MissingInputColumnError,
            'keep: no column(s): ["day"]',
        ),
        (
            {"close": [1.0], "sma": [1.0]},
            ["sma"],
            zerak.DuplicateOutputKeyError,
            'keep: column(s) ["sma"] would appear twice',
        ),
        (
            pd.DataFrame({"close": [1.0]}),
            ["close", "close"],
            zerak.DuplicateOutputKeyError,
            'keep: column(s) ["close"] would appear twice',
        ),
    ],
)
def test_frames_that_cannot_be_read_raise_clear_errors(frame, keep, error, message):
    features = zerak.FeaturePipeline([zerak.Sma(["close"], 2, ["sma"])], ["close"])
    with pytest.raises(error) as info:
        zerak.research_frame(features, frame, keep=keep)
    assert message in str(info.value)


def test_columns_of_different_lengths_are_rejected():
    targets = zerak.TargetPipeline(TARGETS, ["open", "close"])
    with pytest.raises(zerak.InvalidInputError, match="columns differ in length"):
        zerak.label_frame(targets, {"open": [1.0, 2.0], "close": [1.0]})


FP_METHODS = ["run_research", "run_research_array", "update_many"]


BY_NAME = "use zerak.research_frame(pipeline, frame), which takes the input columns by name"
BY_POSITION = ", or pass frame[pipeline.input_names()].to_numpy(), a row per bar"
# What each frame is called in the note, and whether its note also tells the
# positional way (a frame with to_numpy()).
PASSED_STRAIGHT = {
    "pandas": (pd.DataFrame, "a pandas DataFrame", True),
    "polars": (pl.DataFrame, "a polars DataFrame", True),
    "polars-lazy": (pl.LazyFrame, "a polars LazyFrame", False),
    "pyarrow": (pa.table, "a pyarrow Table", False),
    "arrow-stream": (
        lambda cols: ArrowStream(pl.DataFrame(cols)),
        "an Arrow stream (an object with __arrow_c_stream__)",
        False,
    ),
}


@pytest.mark.parametrize("method", FP_METHODS)
@pytest.mark.parametrize("kind", PASSED_STRAIGHT)
def test_a_frame_passed_straight_to_a_pipeline_says_how_to_pass_it(method, kind):
    make, called, positional = PASSED_STRAIGHT[kind]
    pipe = zerak.FeaturePipeline(
        [zerak.Subtract(["a", "b"], ["d"]), zerak.Sma(["a"], 2, ["s"])], ["a", "b"]
    )
    pipe.update([5.0, 1.0])
    # Square, so that reading a frame's columns as bars would "work".
    frame = make({"b": [1.0, 2.0], "a": [10.0, 20.0]})
    with pytest.raises(TypeError) as info:
        getattr(pipe, method)(frame)
    if kind in ("pandas", "polars"):  # as these always said
        assert str(info.value) in (
            "argument 'data': Can't extract `str` to `Vec`",
            "argument 'data': a polars DataFrame iterates over its columns, not its bars",
        )
    assert info.value.__notes__ == [
        f"to pass {called}, {BY_NAME}" + (BY_POSITION if positional else "")
    ]
    assert pipe.update([7.0, 1.0]) == [6.0, 6.0]  # the state before the call


@pytest.mark.parametrize("method", ["run_research", "run_research_array"])
def test_a_pandas_frame_passed_to_a_target_pipeline_says_how_to_pass_it(method):
    labels = zerak.TargetPipeline([zerak.FutureReturn(["c"], 1, ["r"])], ["c"])
    with pytest.raises(TypeError, match="Can't extract") as info:
        getattr(labels, method)(pd.DataFrame({"c": [1.0, 2.0]}))
    assert info.value.__notes__[0].startswith(
        "to pass a pandas DataFrame, use zerak.label_frame(target_pipeline, frame)"
    )
    with pytest.raises(TypeError) as info:
        labels.run_research([["x"]])
    assert not hasattr(info.value, "__notes__")


@pytest.mark.parametrize("kind", ["pandas", "polars", "pyarrow"])
def test_frames_read_through_narwhals_alone_give_the_same_results(kind, monkeypatch):
    # The path of the libraries without one of their own (modin, cuDF, ...),
    # taken here by frames whose own path is the oracle.
    cols = ohlc()
    frame = make_frame(kind, {"symbol": ["XY"] * len(cols["close"]), **cols})
    features = zerak.FeaturePipeline(FEATURES, INPUTS)
    expected = zerak.research_frame(features, frame, keep=["symbol"])
    monkeypatch.setattr(zerak.frames, "_eager", lambda frame, *_: (zerak.frames._NARWHALS, frame))
    got = zerak.research_frame(features, frame, keep=["symbol"])
    assert type(got) is type(expected)
    if kind == "pandas":
        assert got.index.equals(expected.index)
    got, expected = as_columns(got), as_columns(expected)
    assert list(got) == list(expected) and got["symbol"] == expected["symbol"]
    for name in features.output_names():
        same_floats(
            [np.nan if v is None else v for v in got[name]],
            [np.nan if v is None else v for v in expected[name]],
        )


@pytest.mark.parametrize(
    "threads, error", [(2, None), (9, None), (0, ValueError), (True, TypeError), ("2", TypeError)]
)
def test_research_frame_takes_threads_as_the_array_method_does(threads, error):
    cols = ohlc()
    pipe = zerak.FeaturePipeline(FEATURES, INPUTS)
    rows = np.column_stack([cols[c] for c in INPUTS])
    if error is not None:
        for call in (
            lambda: zerak.research_frame(pipe, cols, threads=threads),
            lambda: pipe.run_research_array(rows, threads=threads),
        ):
            with pytest.raises(error, match="threads"):
                call()
        return
    got = zerak.research_frame(pipe, pd.DataFrame(cols), threads=threads)
    assert got.to_numpy().tobytes() == pipe.run_research_array(rows).tobytes()
