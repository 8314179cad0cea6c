"""UniversePipeline: each symbol equals its own FeaturePipeline bit for bit,
live and in research, on any thread count; cross-sections equal pandas'
per-bar results; snapshots and symbol changes carry state exactly."""

import copy
import pickle
import warnings

import numpy as np
import pandas as pd
import pytest

import zerak

INPUTS = ["open", "high", "low", "close"]


def features():
    return [
        zerak.Sma(["close"], 5, ["sma5"]),
        zerak.Ema(["close"], 8, ["ema8"]),
        zerak.LogReturn(["close"], 3, ["ret3"]),
        zerak.RollingZScore(["ret3"], 6, ["z6"]),
        zerak.LinearSlope(["open", "close"], 7, ["slope", "r2"]),
        zerak.ParkinsonVolatility(["high", "low"], 4, ["pk4"]),
    ]


def panel(seed, bars=120, symbols=7, gaps=0.1):
    """Random OHLC per symbol, with single NaN values and whole untraded bars."""
    rng = np.random.default_rng(seed)
    close = 100 * np.exp(np.cumsum(rng.normal(0, 0.02, (bars, symbols)), axis=0))
    open_ = close * np.exp(rng.normal(0, 0.005, close.shape))
    high = np.fmax(open_, close) * 1.01
    low = np.fmin(open_, close) * 0.99
    p = np.stack([open_, high, low, close], axis=2)
    p[rng.random((bars, symbols, 4)) < 0.02] = np.nan
    p[rng.random((bars, symbols)) < gaps] = np.nan  # did not trade
    return p


def own_pipeline(p, s):
    """Symbol s through its own FeaturePipeline, over the bars it traded."""
    traded = ~np.isnan(p[:, s, :]).all(axis=1)
    pipe = zerak.FeaturePipeline(features(), INPUTS)
    out = np.full((p.shape[0], len(pipe.output_names())), np.nan)
    out[traded] = pipe.run_research_array(p[traded, s, :])
    return out


@pytest.mark.parametrize("seed", [1, 2])
@pytest.mark.parametrize(
    "mode", ["research-1", "research-2", "research-3", "live-1", "live-2", "update_many"]
)
def test_every_symbol_equals_its_own_pipeline(seed, mode):
    p = panel(seed)
    u = zerak.UniversePipeline(features(), INPUTS, p.shape[1])
    if mode.startswith("research"):
        got = u.run_research(p, threads=int(mode[-1]))
    elif mode.startswith("live"):
        got = np.stack([u.update(bar, threads=int(mode[-1])) for bar in p])
    else:
        got = np.concatenate([u.update_many(p[:50]), u.update_many(p[50:], threads=2)])
    for s in range(p.shape[1]):
        np.testing.assert_array_equal(got[:, s, :], own_pipeline(p, s))


def oracle(kind, frame):
    g = frame.groupby("bar")["x"]
    if kind == "rank":
        return g.rank(pct=True)
    if kind == "bucket":
        return np.ceil(g.rank() * 4 / g.transform("count")) - 1
    if kind == "demean":
        return frame["x"] - g.transform("mean")
    if kind == "zscore":
        return (frame["x"] - g.transform("mean")) / g.transform("std")
    lo, hi = g.transform(lambda v: v.quantile(0.1)), g.transform(lambda v: v.quantile(0.8))
    return frame["x"].clip(lo, hi)


CROSS = {
    "rank": lambda: zerak.CrossSectionalRank(["x"], ["y"]),
    "bucket": lambda: zerak.CrossSectionalBucket(["x"], ["y"], buckets=4),
    "demean": lambda: zerak.CrossSectionalDemean(["x"], ["y"]),
    "zscore": lambda: zerak.CrossSectionalZScore(["x"], ["y"]),
    "clip": lambda: zerak.CrossSectionalClip(["x"], ["y"], lower=0.1, upper=0.8),
}


@pytest.mark.parametrize("kind", CROSS)
def test_cross_sections_equal_pandas_per_bar(kind):
    rng = np.random.default_rng(5)
    x = rng.normal(size=(60, 150, 1)).round(1)  # rounding makes ties, and -0.0
    x[rng.random(x.shape) < 0.15] = np.nan
    x[:30, 70:] = np.nan  # fewer symbols in the first bars
    got = zerak.UniversePipeline([CROSS[kind]()], ["x"], 150).run_research(x)[:, :, 0]
    frame = pd.DataFrame({"bar": np.repeat(np.arange(60), 150), "x": x.ravel()})
    expected = oracle(kind, frame).to_numpy().reshape(60, 150)
    np.testing.assert_allclose(got, expected, rtol=1e-12, atol=1e-15)


def test_a_cross_section_of_unknown_kind_is_refused():
    class Median(zerak.CrossSectionalDemean):
        _kind = "median"
        __slots__ = ()

    with pytest.raises(TypeError, match="malformed cross-section"):
        zerak.UniversePipeline([Median(["x"], ["y"])], ["x"], 3)


def staged():
    # per-symbol -> cross-section -> per-symbol -> cross-section
    return [
        zerak.Sma(["rank"], 4, ["rank_sma"]),
        zerak.CrossSectionalZScore(["rank_sma"], ["z"]),
        zerak.CrossSectionalRank(["ret"], ["rank"]),
        zerak.LogReturn(["close"], 1, ["ret"]),
        zerak.CrossSectionalDemean(["ret"], ["ret_dm"]),
    ]


@pytest.mark.parametrize("threads", [1, 2])
def test_stages_agree_live_and_research(threads):
    p = panel(3, bars=80, symbols=9)[:, :, 3:]
    u = zerak.UniversePipeline(staged(), ["close"], 9)
    assert u.output_names() == ["ret", "rank", "ret_dm", "rank_sma", "z"]
    research = u.run_research(p, threads=threads)
    u.reset()
    live = np.stack([u.update(bar) for bar in p])
    np.testing.assert_array_equal(research, live)
    # the middle stage is the rank of each bar's returns among the traded symbols
    frame = pd.DataFrame({"bar": np.repeat(np.arange(80), 9), "x": research[:, :, 0].ravel()})
    np.testing.assert_array_equal(
        research[:, :, 1].ravel(), frame.groupby("bar")["x"].rank(pct=True)
    )


@pytest.mark.parametrize("how", [pickle.dumps, copy.copy, copy.deepcopy])
def test_snapshots_continue_bit_for_bit(how):
    p = panel(4, symbols=5)
    ids = ["AAA", "BBB", "CCC", "DDD", "EEE"]
    u = zerak.UniversePipeline(
        features() + [zerak.CrossSectionalRank(["sma5"], ["r"])], INPUTS, ids
    )
    expected = u.run_research(p)
    u.reset()
    u.update_many(p[:70])
    again = pickle.loads(how(u)) if how is pickle.dumps else how(u)
    assert again.symbols() == ids
    np.testing.assert_array_equal(again.update_many(p[70:]), expected[70:])
    np.testing.assert_array_equal(u.peek(p[70]), expected[70])


def test_symbols_join_and_leave_between_bars():
    p = panel(6, symbols=4)
    u = zerak.UniversePipeline(features(), INPUTS, ["a", "b", "c"])
    u.update_many(p[:40, :3])
    u.remove_symbol("b")
    u.add_symbol("d")
    got = u.update_many(p[40:][:, [0, 2, 3]])
    assert u.symbols() == ["a", "c", "d"]
    np.testing.assert_array_equal(got[:, 0], own_pipeline(p, 0)[40:])
    np.testing.assert_array_equal(got[:, 1], own_pipeline(p, 2)[40:])
    np.testing.assert_array_equal(got[:, 2], own_pipeline(p[40:], 3))


@pytest.mark.parametrize(
    "make, error, message",
    [
        (
            lambda: zerak.FeaturePipeline([zerak.CrossSectionalRank(["x"], ["y"])], ["x"]),
            zerak.InvalidConfigError,
            "CrossSectionalRank is cross-sectional",
        ),
        (
            lambda: zerak.UniversePipeline([zerak.CrossSectionalRank(["y"], ["z"])], ["x"], 2),
            zerak.MissingInputColumnError,
            "y",
        ),
        (
            lambda: zerak.UniversePipeline(
                [zerak.Sma(["b"], 2, ["a"]), zerak.CrossSectionalRank(["a"], ["b"])], ["x"], 2
            ),
            zerak.CyclicDependencyError,
            None,
        ),
        (
            lambda: zerak.UniversePipeline([zerak.Sma(["x"], 2, ["x"])], ["x"], 2),
            zerak.InvalidConfigError,
            "name of an input",
        ),
        (
            lambda: zerak.UniversePipeline([zerak.Sma(["x"], 2, ["a"])], ["x"], 2).update(
                np.zeros((3, 1))
            ),
            zerak.InvalidInputError,
            "symbols x inputs",
        ),
        (
            lambda: zerak.UniversePipeline([zerak.Sma(["x"], 2, ["a"])], ["x"], 2).run_research(
                np.zeros((4, 2))
            ),
            zerak.InvalidInputError,
            "bars x symbols x inputs",
        ),
        (
            lambda: zerak.CrossSectionalClip(["x"], ["y"], lower=0.9, upper=0.1),
            zerak.InvalidConfigError,
            "lower <= upper",
        ),
    ],
)
def test_clear_errors(make, error, message):
    with pytest.raises(error, match=message):
        make()


@pytest.mark.parametrize("mode", ["research", "live"])
def test_a_false_mask_or_an_all_nan_row_means_did_not_trade(mode):
    p = panel(8, bars=30, symbols=3, gaps=0.15)  # all-NaN rows where the mask says traded
    mask = np.random.default_rng(1).random(p.shape[:2]) > 0.3
    blanked = p.copy()
    blanked[~mask] = np.nan
    u = zerak.UniversePipeline(features(), INPUTS, 3)
    if mode == "research":
        got, want = u.run_research(p, mask=mask), u.run_research(blanked)
    else:
        got = np.stack([u.update(bar, mask=m) for bar, m in zip(p, mask, strict=True)])
        u.reset()
        want = np.stack([u.update(bar) for bar in blanked])
    np.testing.assert_array_equal(got, want)


FRAME_KINDS = {
    "pandas": lambda cols: pd.DataFrame(cols, index=np.arange(len(cols["time"])) * 3),
    "polars": lambda cols: pytest.importorskip("polars").DataFrame(cols),
    "polars-lazy": lambda cols: pytest.importorskip("polars").LazyFrame(cols),
    "pyarrow": lambda cols: pytest.importorskip("pyarrow").table(cols),
    "mapping": dict,
}


def as_matrix(result):
    if hasattr(result, "collect"):
        result = result.collect()
    if isinstance(result, dict):
        return np.column_stack(list(result.values()))
    if hasattr(result, "column_names"):  # pyarrow: nulls as NaN
        return np.column_stack([c.to_numpy() for c in result.columns])
    return result.to_numpy()


def long_universe():
    p = panel(9, bars=40, symbols=4, gaps=0.0)
    ids = ["w", "x", "y", "z"]
    u = zerak.UniversePipeline(
        features() + [zerak.CrossSectionalRank(["sma5"], ["r"])], INPUTS, ids
    )
    bar, sym = np.meshgrid(np.arange(40), np.arange(4), indexing="ij")
    order = np.random.default_rng(2).permutation(160)
    keep, absent = order[:150], order[150:]  # shuffled rows, 10 absent (did not trade)
    p[bar.ravel()[absent], sym.ravel()[absent]] = np.nan
    expected = u.run_research(p).reshape(160, -1)[keep]
    cols = {
        "time": bar.ravel()[keep] * 10,
        "symbol": np.array(ids, dtype=object)[sym.ravel()[keep]],
        **{c: p[:, :, j].ravel()[keep] for j, c in enumerate(INPUTS)},
    }
    return u, cols, expected


@pytest.mark.parametrize("kind", FRAME_KINDS)
@pytest.mark.parametrize("pandas_loaded", [True, False])
def test_long_frame_rows_get_their_panel_outputs(kind, pandas_loaded, monkeypatch):
    u, cols, expected = long_universe()
    frame = FRAME_KINDS[kind](cols)
    if not pandas_loaded:  # the paths without pandas' hashing
        monkeypatch.setattr(zerak.universe, "_loaded_pandas", lambda: None)
    got = zerak.universe_frame(u, frame)
    if kind == "pandas":
        assert got.index.equals(frame.index)
    assert type(got) is (dict if kind == "mapping" else type(frame))
    np.testing.assert_array_equal(as_matrix(got), expected)
    empty = zerak.universe_frame(u, FRAME_KINDS[kind]({k: v[:0] for k, v in cols.items()}))
    assert as_matrix(empty).shape == (0, len(u.output_names()))


def first(value, column):
    """The column with its first row replaced by ``value``."""
    return np.concatenate(
        [np.array([value], dtype=object if column.dtype == object else None), column[1:]]
    )


@pytest.mark.parametrize(
    "change, error, message",
    [
        (lambda cols: object(), TypeError, "universe_frame() takes"),
        (
            lambda cols: {k: v for k, v in cols.items() if k != "low"},
            zerak.MissingInputColumnError,
            "low",
        ),
        (
            lambda cols: {
                **cols,
                "time": first(cols["time"][1], cols["time"]),
                "symbol": first(cols["symbol"][1], cols["symbol"]),
            },
            zerak.InvalidInputError,
            "two rows for one symbol at one time",
        ),
        (
            lambda cols: {**cols, "time": first(np.nan, cols["time"])},
            zerak.InvalidInputError,
            "'time' has a missing value at row 0",
        ),
        (
            lambda cols: {**cols, "symbol": first("q", cols["symbol"])},
            zerak.InvalidInputError,
            "symbol 'q' is not in the universe",
        ),
        (lambda cols: {**cols, "close": cols["close"] + 1j}, TypeError, "complex"),
    ],
)
def test_universe_frame_refuses_a_frame_before_running(change, error, message):
    u, cols, _ = long_universe()
    p = panel(3, bars=3, symbols=4, gaps=0.0)
    u.update(p[0])
    before = copy.deepcopy(u)
    with pytest.raises(error) as info:
        zerak.universe_frame(u, change(cols))
    assert message in str(info.value)
    np.testing.assert_array_equal(u.update(p[1]), before.update(p[1]))  # neither run nor reset


def _run_with_ctrl_c(u, method, p):
    """The call, with Ctrl-C simulated 50 ms in; whether the call returned."""
    import _thread
    import signal
    import threading
    import time

    timer = threading.Timer(0.05, _thread.interrupt_main)
    returned = False
    # Python's own handler, in case a library installed another.
    handler = signal.signal(signal.SIGINT, signal.default_int_handler)
    try:
        timer.start()
        getattr(u, method)(p, threads=2)
        returned = True
        time.sleep(0.5)  # a late interrupt lands here
    except KeyboardInterrupt:
        pass
    finally:
        timer.cancel()
        timer.join()
        signal.signal(signal.SIGINT, handler)
    return returned


@pytest.mark.parametrize("method", ["run_research", "update_many"])
def test_ctrl_c_stops_research_and_leaves_the_universe_reset(method):
    # Long enough (about 0.15 s on two cores) to be running when the timer
    # fires. A busy machine may still let it finish first (or the interrupt
    # may land just after it returned), so it gets tries: either way the
    # universe is then reset or has run every bar, never part way.
    p = panel(10, bars=6000, symbols=300, gaps=0.0)
    probe = p[:12]
    reset = zerak.UniversePipeline(features(), INPUTS, 300).update_many(probe)
    whole = zerak.UniversePipeline(features(), INPUTS, 300)
    whole.update(p[0])
    getattr(whole, method)(p)
    ran = whole.update_many(probe)
    for _ in range(5):
        u = zerak.UniversePipeline(features(), INPUTS, 300)
        u.update(p[0])
        returned = _run_with_ctrl_c(u, method, p)
        got = u.update_many(probe)
        if not returned and np.array_equal(got, reset, equal_nan=True):
            break
        np.testing.assert_array_equal(got, ran)
    else:
        pytest.fail("no try was stopped during the call")


def _corrupt(u):
    reduce, (transforms, names, ids, states) = u.__reduce__()[0], u.__reduce__()[1]
    states[1] = [s[:-3] for s in states[1]]  # truncated snapshot of one symbol
    reduce(transforms, names, ids, states)


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda u: u.update(np.zeros((3, 4)), mask=np.ones(2, bool)), zerak.InvalidInputError),
        (lambda u: u.update(np.zeros((3, 4, 1))), zerak.InvalidInputError),
        (lambda u: u.update([["a"] * 4] * 3), ValueError),
        (
            lambda u: u.run_research(np.zeros((5, 3, 4)), mask=np.ones((5, 2), bool)),
            zerak.InvalidInputError,
        ),
        (lambda u: u.run_research(np.zeros((5, 3, 4)), threads=-1), zerak.InvalidConfigError),
        (lambda u: u._core.update(np.zeros((3, 4), np.float32), None, False, 1), TypeError),
        (lambda u: u._core.run(np.zeros((5, 2, 4)), None, True, 1), ValueError),
        (lambda u: u._core.remove_symbol(3), IndexError),
        (lambda u: u._core.restore_symbol(0, [b"junk"]), zerak.ZerakError),
        (lambda u: u._core.restore_symbol(0, []), zerak.InvalidInputError),
        (_corrupt, zerak.ZerakError),
        (lambda u: u.add_symbol("b"), zerak.InvalidConfigError),
        # no imaginary part dropped, as in FeaturePipeline
        (lambda u: u.update(np.zeros((3, 4)) + 5j), TypeError),
        (lambda u: u.update_many([[[1 + 5j] * 4] * 3]), TypeError),
        (lambda u: u.run_research(np.zeros((5, 3, 4), np.complex64)), TypeError),
        (lambda u: u.remove_symbol("zz"), KeyError),
    ],
)
def test_bad_calls_raise_and_change_nothing(call, error):
    p = panel(12, bars=20, symbols=3, gaps=0.0)
    u = zerak.UniversePipeline(features(), INPUTS, ["a", "b", "c"])
    expected = zerak.UniversePipeline(features(), INPUTS, ["a", "b", "c"]).update_many(p)
    with pytest.raises(error):
        call(u)
    assert u.symbols() == ["a", "b", "c"]
    np.testing.assert_array_equal(u.update_many(p), expected)


class Failing:
    """A user transform, which a universe does not run; it raises besides."""

    def input_names(self):
        return ["open"]

    def output_names(self):
        return ["sma5"]

    def update(self, values):
        raise RuntimeError("boom")

    def reset(self):
        pass

    def warm_up_period(self):
        return 0


@pytest.mark.parametrize(
    "foreign",
    [
        lambda: [zerak.Sma(["open"], 5000, ["sma5"])],  # same names, another window
        lambda: [zerak.Ema(["open"], 2, ["sma5"])],
        lambda: [Failing()],
    ],
)
def test_a_restore_takes_only_states_of_its_own_transforms(foreign):
    u = zerak.UniversePipeline([zerak.Sma(["open"], 2, ["sma5"])], ["open"], ["a", "b"])
    u.update([[1.0], [2.0]])
    rebuild, (transforms, names, ids, states) = u.__reduce__()
    state = zerak.FeaturePipeline(foreign(), ["open"]).__reduce__()[1][0]
    with pytest.raises(zerak.InvalidInputError, match="another universe"):
        rebuild(transforms, names, ids, [states[0], [state]])
    assert rebuild(transforms, names, ids, states).update([[3.0], [4.0]]).tolist() == [[2.0], [3.0]]
    # nothing waits to surface in an unrelated call
    assert zerak.FeaturePipeline([zerak.Sma(["x"], 1, ["s"])], ["x"]).run_research([[1.0]]) == [
        [1.0]
    ]


@pytest.mark.parametrize(
    "members, unread",
    [
        (lambda: [zerak.Sma(["close"], 2, ["s"]), zerak.CrossSectionalRank(["volume"], ["r"])], []),
        (lambda: [zerak.CrossSectionalRank(["close"], ["r"])], ["volume"]),
        (lambda: staged(), ["volume"]),  # unread by every stage
        (lambda: [*staged(), zerak.Sma(["volume", "close"], 3, ["v"])], []),
    ],
)
def test_an_input_read_by_no_stage_nor_cross_section_warns(members, unread):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        zerak.UniversePipeline(members(), ["close", "volume"], 3)
    assert [
        str(w.message).rsplit(": ", 1)[-1] if w.category is zerak.ConfigWarning else w
        for w in caught
    ] == [f'input column "{c}" is read by no transform' for c in unread]
