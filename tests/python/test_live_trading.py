"""Live trading: bars by name, peeking at the forming bar, reading a pipeline
and choosing its columns, and the check of a pipeline's configuration."""

import copy
import pickle
import random
import types
import warnings

import numpy as np
import pytest
from snapshot_objects import TRANSFORMS, bars

import zerak

INPUTS = ["raw", "b", "c", "d"]


def bits(values):
    return np.asarray(values, dtype=np.float64).view(np.int64).tolist()


# Upstream feeds of the class under test's first input "a" (so that it peeks at
# values another peek produced), and downstream readers of its first output.
UPSTREAM = [
    lambda: zerak.Sma(["raw"], 3, ["a"]),
    lambda: zerak.LogReturn(["raw"], 1, ["a"]),
    lambda: zerak.Ema(["raw"], 4, ["a"]),
    lambda: zerak.Mma(["raw"], 4, ["a"]),
]
DOWNSTREAM = [
    lambda name: zerak.Ema([name], 3, ["downstream"]),
    lambda name: zerak.ShannonEntropy([name], 5, ["downstream"]),
    lambda name: zerak.RollingZScore([name], 4, ["downstream"]),
    lambda name: zerak.Kama([name], 3, ["downstream"]),
]


def random_pipeline(name, rng):
    """The class `name` between a random feed of its first input and a random
    reader of its first output, sometimes reading the raw column directly."""
    obj = TRANSFORMS[name]()
    members = [obj]
    if "a" in obj.input_names() and rng.random() < 0.75:
        members.append(rng.choice(UPSTREAM)())
    else:
        members.append(zerak.Subtract(["raw", "b"], ["a"]))  # "a" all the same
    if rng.random() < 0.75:
        members.append(rng.choice(DOWNSTREAM)(obj.output_names()[0]))
    rng.shuffle(members)
    return zerak.FeaturePipeline(members, INPUTS)


def tick(row, rng):
    """A revision of the forming bar: moved, missing, or a spike."""
    r = rng.random()
    if r < 0.15:
        return [float("nan")] + row[1:]
    if r < 0.2:
        return [1e12] + row[1:]
    return [v * (1 + rng.gauss(0, 0.01)) for v in row]


@pytest.mark.filterwarnings("ignore::zerak.ConfigWarning")  # random: some columns unread
@pytest.mark.parametrize("name", sorted(TRANSFORMS))
@pytest.mark.parametrize("seed", range(3))
def test_peek_is_update_on_a_copy_and_leaves_no_trace(name, seed):
    rng = random.Random(f"{name}{seed}")
    pipeline = random_pipeline(name, rng)
    shadow = copy.deepcopy(pipeline)  # never peeked at
    for row in bars(90, seed=seed + 11):
        for _ in range(rng.randrange(3)):
            forming = tick(row, rng)
            want = copy.deepcopy(pipeline).update(forming)
            assert bits(pipeline.peek(forming)) == bits(want)
        assert bits(pipeline.update(row)) == bits(shadow.update(row))
    more = np.array(bars(60, seed=seed + 12))
    assert bits(pipeline.update_many(more)) == bits(shadow.update_many(more))


# ---- bars by name -------------------------------------------------------------


def ohlc_pipeline():
    # Inputs in another order than the frame's columns: by name, order is moot.
    return zerak.FeaturePipeline(
        [
            zerak.Subtract(["close", "open"], ["move"]),
            zerak.RogersSatchellVolatility(["high", "low", "open", "close"], 3, ["rs"]),
        ],
        ["open", "high", "low", "close"],
    )


BAR = {"close": 12.0, "low": 9.5, "open": 10.0, "high": 12.5}


def named(kind, bar):
    if kind == "dict":
        return dict(bar)
    if kind == "dict with extras":
        return {"volume": 5.0, **dict(reversed(bar.items()))}
    if kind == "mappingproxy":
        return types.MappingProxyType(dict(bar))
    if kind == "pandas Series":
        pd = pytest.importorskip("pandas")
        return pd.DataFrame([bar]).iloc[-1]
    if kind == "polars row":
        pl = pytest.importorskip("polars")
        return pl.DataFrame([bar]).row(-1, named=True)
    raise AssertionError(kind)


@pytest.mark.parametrize(
    "kind", ["dict", "dict with extras", "mappingproxy", "pandas Series", "polars row"]
)
def test_a_bar_by_name_reads_each_column_by_its_name(kind):
    by_name, by_position = ohlc_pipeline(), ohlc_pipeline()
    for scale in (1.0, 1.01, 0.98, 1.02):
        bar = {k: v * scale for k, v in BAR.items()}
        row = [bar[c] for c in by_position.input_names()]
        assert bits(by_name.peek(named(kind, bar))) == bits(by_position.peek(row))
        assert bits(by_name.update(named(kind, bar))) == bits(by_position.update(row))
    assert by_name.update(named(kind, BAR))[0] == 2.0  # close - open, whatever the order


@pytest.mark.parametrize("missing", [None, "pd.NA", float("nan")])
def test_none_and_na_in_a_mapping_are_missing(missing):
    if missing == "pd.NA":
        missing = pytest.importorskip("pandas").NA
    p = ohlc_pipeline()
    assert np.isnan(p.update({**BAR, "open": missing})).all()


@pytest.mark.parametrize("method", ["update", "peek"])
@pytest.mark.parametrize(
    "bar, absent",
    [
        ({"open": 1.0, "close": 2.0}, ["high", "low"]),
        ("range-indexed Series", ["open", "high", "low", "close"]),
    ],
)
def test_a_mapping_without_an_input_names_the_missing_columns(method, bar, absent):
    if bar == "range-indexed Series":
        bar = pytest.importorskip("pandas").Series([10.0, 12.5, 9.5, 12.0])
    p = ohlc_pipeline()
    before = copy.deepcopy(p)
    with pytest.raises(zerak.MissingInputColumnError) as error:
        getattr(p, method)(bar)
    assert str(error.value) == "missing input column(s): " + ", ".join(
        f'"{c}"' for c in absent
    ).join("[]")
    assert bits(p.update(list(BAR.values()))) == bits(before.update(list(BAR.values())))


def test_update_many_reads_a_mapping_of_columns_by_name():
    rows = np.array(bars(60, seed=4))
    columns = {
        "close": rows[:, 3],
        "open": list(rows[:, 0]),
        "low": rows[:, 2],
        "high": rows[:, 1],
        "volume": rows[:, 0],
    }
    a, b = ohlc_pipeline(), ohlc_pipeline()
    assert bits(a.update_many(columns)) == bits(b.update_many(rows))
    with pytest.raises(zerak.MissingInputColumnError, match='"high"'):
        a.update_many({"open": rows[:, 0]})


# ---- reading a pipeline and choosing its columns -------------------------------


def test_transforms_are_copies_in_plan_order_with_their_state():
    p = zerak.FeaturePipeline(
        [zerak.Ema(["r"], 3, ["er"]), zerak.LogReturn(["a"], 1, ["r"])], ["a"]
    )
    for row in bars(50)[:10]:
        p.update(row[:1])
    ret, ema = p.transforms()
    assert (type(ret), type(ema)) == (zerak.LogReturn, zerak.Ema)
    assert ret.output_names() + ema.output_names() == p.output_names()
    r = ret.update([50.0])
    assert bits(ema.update(r)) == bits(p.update([50.0])[1:])
    assert p.transforms()[0] is not p.transforms()[0]


def test_a_view_returns_the_chosen_columns_of_every_method():
    p = ohlc_pipeline()
    view = zerak.select(p, ["rs"])
    rows = np.array(bars(50, seed=8)[:20])
    full = copy.deepcopy(p).run_research_array(rows)
    assert view.output_names() == ["rs"]
    seen = []
    # every keyword of the pipeline's methods passes through
    assert bits(
        view.run_research_array(rows, threads=2, progress=lambda *a: seen.append(a))
    ) == bits(full[:, [1]])
    assert bits(view.run_research(rows, threads=2)) == bits(full[:, [1]])
    assert seen and seen[-1] == (20, 20)
    by_name = {c: rows[:, j] for j, c in enumerate(p.input_names())}
    framed = zerak.research_frame(view, by_name, threads=2, progress=lambda *a: None)
    assert list(framed) == ["rs"] and bits(framed["rs"]) == bits(full[:, 1])
    with pytest.raises(TypeError, match="threads"):
        view.run_research_array(rows, threads="2")
    p.reset()
    assert bits(view.update_many(rows[:10], threads=2)) == bits(full[:10, [1]])
    assert bits(view.peek(list(rows[10]))) == bits(full[10, [1]])
    assert bits(view.update(dict(zip(p.input_names(), rows[10], strict=True)))) == bits(
        full[10, [1]]
    )
    with pytest.raises(zerak.InvalidConfigError, match="not an output"):
        zerak.select(p, ["rs", "close"])


# ---- the check -----------------------------------------------------------------


LOSSY = ("never-written", "unread-input")


@pytest.mark.parametrize(
    "features, columns, length, kinds",
    [
        ([zerak.Sma(["close"], 5, ["a", "b"])], ["close"], None, ["never-written"]),
        ([zerak.Sma(["close"], 5, ["close"])], ["close"], None, ["shadows-input"]),
        ([zerak.Sma(["close"], 5, ["s"])], ["close", "volume"], None, ["unread-input"]),
        # listed, but past the one value Sma reads
        (
            [zerak.Sma(["close", "volume"], 5, ["s", "v"])],
            ["close", "volume"],
            None,
            ["never-written", "unread-input"],
        ),
        (
            [zerak.Sma(["close", "volume"], 5, ["s"]), zerak.Obv(["close", "volume"], ["o"])],
            ["close", "volume"],
            None,
            [],
        ),
        (
            [zerak.Sma(["close"], 5, ["s"]), zerak.Ema(["s"], 10, ["e"])],
            ["close"],
            13,
            ["window-too-long"],
        ),
        ([zerak.Sma(["close"], 5, ["s"]), zerak.Ema(["s"], 10, ["e"])], ["close"], 14, []),
        (
            [zerak.Sma(["close"], 5, ["s"]), zerak.Ema(["close"], 5, ["s"])],
            ["close"],
            None,
            ["duplicate-output"],
        ),
        ([zerak.Sma(["close"], 5, ["s"])], [], None, ["not-built"]),
        # whatever it is handed, check answers with a finding
        ([object()], ["x"], None, ["not-built"]),
        ([zerak.Sma(["close"], 5, ["s"])], ["close", 7], None, ["not-built"]),
        (42, ["x"], None, ["not-built"]),
    ],
)
def test_check_lists_likely_mistakes_and_construction_warns_of_lost_data(
    features, columns, length, kinds
):
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # check itself never warns
        found = zerak.check(features, columns, data_length=length)
    assert [f.kind for f in found] == kinds
    if kinds and kinds[0] not in ("duplicate-output", "not-built"):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            pipeline = zerak.FeaturePipeline(features, columns)
        lossy = [f.message for f in found if f.kind in LOSSY]
        assert [w.category for w in caught] == [zerak.ConfigWarning] * len(lossy)
        for w, message in zip(caught, lossy, strict=True):
            assert w.filename == __file__  # the line that built the pipeline
            assert str(w.message) in [message, *(f"{f!r}: {message}" for f in features)]
        assert zerak.check(pipeline, data_length=length) == found
        assert (
            zerak.check(zerak.select(pipeline, pipeline.output_names()[:1]), data_length=length)
            == found
        )


def sma_slip(kind):
    """The first day's slip: one Sma given two columns, in either pipeline."""
    slip = zerak.Sma(["close", "volume"], 20, ["sma_close", "sma_volume"])
    if kind == "FeaturePipeline":
        return zerak.FeaturePipeline([slip], ["close", "volume"])
    return zerak.UniversePipeline(
        [slip, zerak.CrossSectionalRank(["sma_close"], ["r"])], ["close", "volume"], 3
    )


@pytest.mark.parametrize("kind", ["FeaturePipeline", "UniversePipeline"])
def test_a_slip_that_loses_data_warns_once_per_column_and_filters_apply(kind):
    with pytest.warns(zerak.ConfigWarning) as caught:
        made = sma_slip(kind)
    texts = [str(w.message) for w in caught]
    assert len(texts) == 2 and all(t.startswith("Sma(") for t in texts)
    assert '"sma_volume" is always missing' in texts[0] and '"volume"' in texts[1]
    assert {w.filename for w in caught} == {__file__}
    assert issubclass(zerak.ConfigWarning, UserWarning)
    assert repr(zerak.ConfigWarning) == "<class 'zerak.ConfigWarning'>"
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # copies and pickles were warned about already
        for again in (copy.copy(made), copy.deepcopy(made), pickle.loads(pickle.dumps(made))):
            assert again.output_names() == made.output_names()
        warnings.simplefilter("error", zerak.ConfigWarning)
        with pytest.raises(zerak.ConfigWarning, match="sma_volume"):
            sma_slip(kind)
