"""Inputs an attacker (or an unlucky caller) hands the research surfaces:
exporters without strides, complex numbers, shapes that only look right,
signals at awkward moments, extreme horizons, frames with dates, masks and
misaligned indexes, constants that are not numbers."""

import ctypes
import datetime as dt
import math
import signal
import struct
import textwrap
import time
import warnings

import numpy as np
import pandas as pd
import polars as pl
import pytest
from test_snapshots import resealed

import zerak

FP, TP = zerak.FeaturePipeline, zerak.TargetPipeline


def as_ctypes(rows, ctype):
    """A C array of arrays, exported (as ctypes does) with no strides."""
    array = ((ctype * rows.shape[1]) * rows.shape[0])()
    np.ctypeslib.as_array(array)[:] = rows
    assert memoryview(array).strides == (rows.shape[1] * ctypes.sizeof(ctype), ctypes.sizeof(ctype))
    return array


def ctypes_columns(rows, ctype):
    return [as_ctypes(row[None, :], ctype)[0] for row in rows]


# (pipeline, method, how the data is laid out)
CTYPES_CASES = [
    *[("features", m, "matrix") for m in ("run_research", "run_research_array", "update_many")],
    *[
        ("targets", m, layout)
        for m in ("run_research", "run_research_array")
        for layout in ("matrix", "columns")
    ],
]


@pytest.mark.parametrize("ctype", [ctypes.c_double, ctypes.c_int16])
@pytest.mark.parametrize("kind, method, layout", CTYPES_CASES)
def test_buffers_without_strides_read_like_arrays(kind, method, layout, ctype):
    values = np.random.default_rng(1).integers(1, 100, (7, 2)).astype(np.float64)
    if kind == "features":

        def make():
            return FP([zerak.Add(["x", "y"], ["s"]), zerak.Sma(["y"], 2, ["m"])], ["x", "y"])
    else:

        def make():
            return TP(
                [zerak.FutureReturn(["x"], 2, ["r"]), zerak.FutureReturn(["y"], 1, ["q"])],
                ["x", "y"],
            )

        values = values.T.copy()  # a row per column
    data = as_ctypes(values, ctype) if layout == "matrix" else ctypes_columns(values, ctype)
    got, want = getattr(make(), method)(data), getattr(make(), method)(values)
    np.testing.assert_array_equal(np.asarray(got), np.asarray(want))


# (pipeline, method, data, error, message): each refused before anything runs.
REFUSED = [
    *[
        (
            "features",
            m,
            np.empty((0, 5)),
            zerak.InvalidInputError,
            'expected 2 input value(s) ["a", "b"], got 5',
        )
        for m in ("run_research", "run_research_array", "update_many")
    ],
    *[
        (
            "features",
            m,
            [np.array([1.0, 2.0]), np.array([1 + 5j, 2.0], np.complex64)],
            TypeError,
            "argument 'data': unsupported buffer format 'Zf'",
        )
        for m in ("run_research", "run_research_array", "update_many")
    ],
    *[
        (
            "targets",
            m,
            [np.array([1.0, 2.0]), np.array([1 + 5j, 2.0])],
            TypeError,
            "argument 'data': unsupported buffer format 'Zd'",
        )
        for m in ("run_research", "run_research_array")
    ],
]


@pytest.mark.parametrize("kind, method, data, error, message", REFUSED)
def test_inputs_that_only_look_right_are_refused(kind, method, data, error, message):
    if kind == "features":
        p = FP([zerak.Sma(["a"], 2, ["s"]), zerak.Add(["a", "b"], ["t"])], ["a", "b"])
        p.update([1.0, 1.0])
    else:
        p = TP([zerak.FutureReturn(["a"], 1, ["r"])], ["a", "b"])
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # no ComplexWarning on the way
        with pytest.raises(error) as info:
            getattr(p, method)(data)
    assert str(info.value) == message
    if kind == "features" and (method != "run_research" or error is TypeError):
        assert p.update([3.0, 1.0]) == [2.0, 4.0]  # the state before the call


# ---- signals -------------------------------------------------------------------------------

WALK = np.cumsum(np.random.default_rng(3).normal(size=6000), axis=0) + 1000
WARM_UP = 2000  # bars that cost Adf next to nothing, before each costs it 0.1-1 ms


def prepare(method, quarter=False):
    """A call of `method` over expensive bars (a quarter of them), ready to run."""
    hot = 1000 if quarter else 4000
    if method in (
        "update_many",
        "update_many after a gap",
        "run_research",
        "run_research_array",
        "research_frame",
    ):
        p = FP([zerak.Adf(["x"], WARM_UP, ["s", "p"])], ["x"])
        if method.startswith("update_many"):  # continuing past the warm-up
            p.update_many(WALK[:WARM_UP, None])
            data = WALK[WARM_UP : WARM_UP + hot, None]
            if method.endswith("gap"):  # cheap again until the missing value leaves the window
                data = np.concatenate([[[np.nan]], WALK[: WARM_UP - 1, None], data])
            return lambda: p.update_many(data)
        if method == "research_frame":
            frame = {"x": WALK[: WARM_UP + hot]}
            return lambda: zerak.research_frame(p, frame)
        data = WALK[: WARM_UP + hot, None]  # from a reset, through the warm-up
        data = data if method == "run_research_array" else data.tolist()
        return lambda: getattr(p, method)(data)
    t = TP([zerak.FutureLinearSlope(["t", "x"], 2000, ["b", "r2"])], ["t", "x"])
    n = 128 * hot
    cols = np.vstack([np.arange(n, dtype=np.float64), np.resize(WALK, n)])
    if method == "label_frame":
        frame = {"t": cols[0], "x": cols[1]}
        return lambda: zerak.label_frame(t, frame)
    data = list(cols) if method == "targets.run_research" else cols
    return lambda: getattr(t, method.split(".")[1])(data)


SLOW_CALLS = [
    "update_many",
    "update_many after a gap",
    "run_research_array",
    "run_research",
    "research_frame",
    "targets.run_research",
    "targets.run_research_array",
    "label_frame",
]


@pytest.mark.parametrize("method", SLOW_CALLS)
def test_a_signal_during_a_long_call_stops_it(method):
    # An alarm 5 ms in lands before the first look for signals (every 10 ms):
    # it must neither be lost nor wait for a block that grew while bars were cheap.
    quarter = prepare(method, quarter=True)
    start = time.perf_counter()
    quarter()
    reference = time.perf_counter() - start

    def alarm(*_):
        raise TimeoutError

    call = prepare(method)
    previous = signal.signal(signal.SIGALRM, alarm)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.005)
        start = time.perf_counter()
        with pytest.raises(TimeoutError):
            call()
        took = time.perf_counter() - start
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert took < reference, "it ran on: a quarter of the work took less than the stopped call"


# ---- long horizons -------------------------------------------------------------------------


@pytest.mark.parametrize("method", ["run_research", "run_research_array", "label_frame"])
@pytest.mark.parametrize("horizon", [1, 700, 2000, 2999, 3000, 10**6])
def test_labels_of_any_horizon_match_numpy(method, horizon):
    close = np.exp(np.cumsum(np.random.default_rng(7).normal(0, 0.01, 3000)))
    close[100] = np.nan
    p = TP(
        [zerak.FutureReturn(["c"], horizon, ["r"]), zerak.FutureReturn(["c"], 1, ["one"])], ["c"]
    )
    if method == "label_frame":
        got = zerak.label_frame(p, {"c": close})["r"]
    else:
        got = np.asarray(getattr(p, method)([close]))[0]
    want = np.full(close.size, np.nan)
    h = min(horizon, close.size)
    want[: close.size - h] = (close[h:] - close[: close.size - h]) / close[: close.size - h]
    np.testing.assert_array_equal(got, want)


# ---- frames --------------------------------------------------------------------------------

DAYS = ["2024-01-02", "2024-01-03"]

FRAME_REFUSALS = [
    (
        pd.DataFrame({"a": pd.Series([10**400, 1], dtype=object), "b": [1.0, 2.0]}),
        TypeError,
        "column 'a' of type object cannot be read as numbers: int too large to convert to float",
    ),
    (
        {"a": [10**400, 1], "b": [1.0, 2.0]},
        TypeError,
        "column 'a' of type list cannot be read as numbers: int too large",
    ),
    (
        pd.DataFrame({"a": pd.to_datetime(DAYS), "b": [1.0, 2.0]}),
        TypeError,
        "column 'a' of type datetime64[us] holds dates, times or durations",
    ),
    (
        pd.DataFrame({"a": pd.to_datetime(DAYS).tz_localize("UTC"), "b": [1.0, 2.0]}),
        TypeError,
        "convert the column explicitly",
    ),
    (
        pd.DataFrame({"a": pd.to_timedelta([1, 2], unit="s"), "b": [1.0, 2.0]}),
        TypeError,
        "convert the column explicitly",
    ),
    (
        pl.DataFrame({"a": [dt.date(2024, 1, 2)] * 2, "b": [1.0, 2.0]}),
        TypeError,
        "column 'a' of type Date holds dates",
    ),
    (
        pl.DataFrame({"a": [dt.timedelta(1)] * 2, "b": [1.0, 2.0]}),
        TypeError,
        "convert the column explicitly",
    ),
    (
        {"a": np.array(DAYS, dtype="M8[D]"), "b": [1.0, 2.0]},
        TypeError,
        "convert the column explicitly",
    ),
    (
        {"a": [np.timedelta64(1, "s")] * 2, "b": [1.0, 2.0]},
        TypeError,
        "convert the column explicitly",
    ),
    ({"a": np.array([1 + 1j, 2]), "b": [1.0, 2.0]}, TypeError, "complex values"),
    (
        {"a": pd.Series([1.0, 2.0], index=[0, 1]), "b": pd.Series([10.0, 20.0], index=[1, 0])},
        zerak.InvalidInputError,
        "have different indexes",
    ),
]


@pytest.mark.parametrize("frame, error, message", FRAME_REFUSALS)
def test_frames_refuse_what_would_be_read_wrong(frame, error, message):
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(error) as info:
            zerak.research_frame(FP([zerak.Add(["a", "b"], ["s"])], ["a", "b"]), frame)
    assert message in str(info.value)


@pytest.mark.parametrize(
    "a",
    [
        np.ma.array([1.0, 2.0, 3.0], mask=[False, True, False]),
        np.ma.array([1, 2, 3], mask=[False, True, False], dtype=np.int64),
        {
            "a": pd.Series([1.0, np.nan, 3.0], index=[4, 5, 6]),
            "b": pd.Series([1.0] * 3, index=[4, 5, 6]),
        },
    ],
)
def test_frames_read_masks_as_missing_and_agreeing_indexes(a):
    frame = a if isinstance(a, dict) else {"a": a, "b": [1.0, 1.0, 1.0]}
    got = zerak.research_frame(FP([zerak.Add(["a", "b"], ["s"])], ["a", "b"]), frame)["s"]
    np.testing.assert_array_equal(got, [2.0, np.nan, 4.0])


# ---- constants -----------------------------------------------------------------------------


@pytest.mark.parametrize(
    "std, message",
    [
        (math.nan, "std must be > 0"),
        (-math.nan, "std must be > 0"),
        (math.inf, "std must be finite"),
    ],
)
def test_fixed_zscore_refuses_a_std_that_is_no_scale(std, message):
    with pytest.raises(zerak.InvalidInputError, match=f"^{message}$"):
        zerak.FixedZScore(["x"], ["z"], 0.0, std)
    # nor does a snapshot bring one in
    body = zerak.snapshot.save(zerak.FixedZScore(["x"], ["z"], 0.0, 2.5))[:-8]
    assert body.count(struct.pack("<d", 2.5)) == 1
    forged = resealed(body.replace(struct.pack("<d", 2.5), struct.pack("<d", std)))
    with pytest.raises(zerak.snapshot.SnapshotError, match=message):
        zerak.snapshot.load(forged)


def test_adf_names_the_workspace_it_cannot_allocate():
    with pytest.raises(
        MemoryError,
        match=r"^cannot allocate a window of 1000000 values with a "
        r"workspace of 1000000 x 400000 values$",
    ):
        zerak.Adf(["x"], 10**6, ["s", "p"], lags=400000)


# ---- Arrow streams and failed allocations ----------------------------------------------


def stream_of(*batches):
    import pyarrow as pa

    schema = pa.schema([("close", pa.float64()), ("open", pa.float64())])
    good = pa.record_batch([pa.array([1.0, 2.0]), pa.array([0.5, 1.5])], schema=schema)
    return pa.RecordBatchReader.from_batches(schema, [good, *batches])


@pytest.mark.parametrize(
    "close, open_, names, message",
    [
        (
            "int64",
            "double",
            ["close", "open"],
            "column 'close': batch 1 of the Arrow stream holds int64",
        ),
        (
            "double",
            "float",
            ["close", "open"],
            "column 'open': batch 1 of the Arrow stream holds float",
        ),
        (
            "double",
            "double",
            ["close", "volume"],
            'batch 1 of the Arrow stream has columns ["close", "volume"]',
        ),
    ],
)
def test_arrow_batches_that_contradict_their_schema_are_refused(close, open_, names, message):
    pa = pytest.importorskip("pyarrow")
    bad = pa.record_batch([pa.array([3, 4], close), pa.array([5, 6], open_)], names=names)
    pipe = FP([zerak.Subtract(["close", "open"], ["body"])], ["open", "close"])
    with pytest.raises(TypeError) as info:
        zerak.research_frame(pipe, stream_of(bad))
    assert message in str(info.value)
    assert zerak.research_frame(pipe, stream_of()).column("body").to_pylist() == [0.5, 0.5]


def test_failed_allocations_in_research_frame_leave_the_process_sound():
    from failing_allocations import outcomes

    setup = textwrap.dedent("""
        import zerak
        pipe = zerak.FeaturePipeline([zerak.Sma(["x"], 2, ["s"])], ["x"])
        data = {"x": [1.0, 3.0, None, 5.0]}
    """)
    # Every later call still works: numpy's lazy imports are done at import.
    got = outcomes(
        "zerak.research_frame(pipe, data)",
        setup=setup,
        points=120,
        after="""
        for _ in range(5):
            assert zerak.research_frame(pipe, data)["s"].tolist()[1] == 2.0
    """,
    )
    assert {o[0] if o else None for o in got} <= {None, "MemoryError"}
