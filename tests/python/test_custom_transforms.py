"""Users' own transforms inside pipelines: protocol objects and WindowApply run
alike live and in research, copy and pickle with their state, and report
their failures."""

import copy
import ctypes
import math
import pickle

import numpy as np
import pytest

import zerak


class LaggedRatio:
    """x / x[lag]: a small protocol object with state, optionally blockwise."""

    def __init__(self, lag=3, name="ratio", fail_at=None, width=1):
        self.lag, self.name, self.fail_at, self.width = lag, name, fail_at, width
        self.reset()

    def input_names(self):
        return ["close"]

    def output_names(self):
        return [self.name]

    def warm_up_period(self):
        return self.lag

    def reset(self):
        self.seen = []

    def update(self, values):
        if self.fail_at is not None and len(self.seen) == self.fail_at:
            raise KeyError("boom")
        self.seen.append(values[0])
        if len(self.seen) <= self.lag:
            return [math.nan] * self.width
        return [self.seen[-1] / self.seen[-1 - self.lag]] * self.width


class BlockRatio(LaggedRatio):
    def update_many(self, block):
        return np.array([self.update(row) for row in block])


class CopiedRatio(LaggedRatio):
    """Copies itself without a deep copy, counting."""

    calls = 0

    def __copy__(self):
        CopiedRatio.calls += 1
        twin = object.__new__(CopiedRatio)
        twin.__dict__.update(self.__dict__, seen=list(self.seen))
        return twin


class PeekingRatio(LaggedRatio):
    """Answers a peek itself, counting."""

    calls = 0

    def peek(self, values):
        PeekingRatio.calls += 1
        seen = [*self.seen, values[0]]
        return [seen[-1] / seen[-1 - self.lag] if len(seen) > self.lag else math.nan]


def bars(n=300, seed=1):
    rng = np.random.default_rng(seed)
    x = 100 + rng.standard_normal(n).cumsum()
    x[rng.random(n) < 0.05] = np.nan
    return x.reshape(-1, 1)


def ordered_mean(values):
    """Summed oldest first, as the compiled functions do (sum() compensates)."""
    total = 0.0
    for v in values:
        total += v
    return total / len(values)


def mean_fn(window):
    return ordered_mean(window.tolist())


MEAN_C = ctypes.CFUNCTYPE(ctypes.c_double, ctypes.POINTER(ctypes.c_double), ctypes.c_int64)(
    lambda p, n: ordered_mean([p[i] for i in range(n)])
)


def numba_mean():
    numba = pytest.importorskip("numba")

    @numba.cfunc("float64(CPointer(float64), int64)")
    def mean(p, n):
        s = 0.0
        for i in range(n):
            s += p[i]
        return s / n

    return mean


USERS = {
    "object": lambda: LaggedRatio(),
    "block object": lambda: BlockRatio(),
    "python fn": lambda: zerak.WindowApply(mean_fn, "close", 5, "ratio"),
    "ctypes fn": lambda: zerak.WindowApply(MEAN_C, ["close"], 5, ["ratio"]),
    "numba cfunc": lambda: zerak.WindowApply(numba_mean(), "close", 5, "ratio"),
}


def expected(user, data):
    """The user's own transform called bar by bar, or the window mean."""
    if isinstance(user, LaggedRatio):
        return [user.update(list(row))[0] for row in data]
    x = data[:, 0]
    return [
        ordered_mean(x[i - 4 : i + 1].tolist())
        if i >= 4 and not np.isnan(x[i - 4 : i + 1]).any()
        else np.nan
        for i in range(len(x))
    ]


def pipeline(user):
    # A built-in feature reads the user's output: both join the plan.
    return zerak.FeaturePipeline([zerak.Sma(["ratio"], 2, ["smooth"]), user], ["close"])


@pytest.mark.parametrize("kind", USERS)
def test_every_mode_gives_the_users_values_bit_for_bit(kind):
    data = bars()
    want = expected(USERS[kind](), data)
    p = pipeline(USERS[kind]())
    live = np.array([p.update(list(row)) for row in data])
    research = p.run_research_array(data)
    p.reset()
    many = np.vstack([p.update_many(data[:77]), p.update_many(data[77:])])
    lists = np.array(p.run_research(data.tolist()))
    np.testing.assert_array_equal(live[:, 0], want)
    for got in (research, many, lists):
        np.testing.assert_array_equal(got, live)


@pytest.mark.parametrize(
    "kind", ["object", "block object", "python fn", "ctypes fn", "numba cfunc"]
)
def test_copies_and_pickles_continue_where_the_pipeline_stood(kind):
    data = bars()
    p = pipeline(USERS[kind]())
    p.update_many(data[:150])
    copies = [copy.copy(p), copy.deepcopy(p)]
    if kind == "ctypes fn":
        with pytest.raises(TypeError, match="compiled fn") as raised:
            pickle.dumps(p)
        assert any("WindowApply" in note for note in raised.value.__notes__)
    else:
        copies.append(pickle.loads(pickle.dumps(p)))
    rest = p.update_many(data[150:])
    for c in copies:
        np.testing.assert_array_equal(c.update_many(data[150:]), rest)
    assert [type(t).__name__ for t in p.transforms()] == [type(USERS[kind]()).__name__, "Sma"]


@pytest.mark.parametrize("mode", ["update", "update_many", "run_research", "run_research_array"])
@pytest.mark.parametrize("block", [False, True])
def test_an_exception_inside_stops_the_call_with_a_note(mode, block):
    data = bars()
    p = pipeline((BlockRatio if block else LaggedRatio)(fail_at=40))
    before = p.update_many(data[:10])
    with pytest.raises(KeyError, match="boom") as raised:
        if mode == "update":
            for row in data[10:]:
                p.update(list(row))
        else:
            getattr(p, mode)(data[10:] if mode == "update_many" else data)
    note = raised.value.__notes__[-1]
    assert ("update_many" in note) == (block and mode != "update")
    assert ("BlockRatio" if block else "LaggedRatio") in note
    if not block or mode == "update":
        assert "bar 40 " in note
    if mode == "update_many":  # put back where it stood
        p.update_many(data[10:40])
        with pytest.raises(KeyError):
            p.update_many(data[40:41])
    p.reset()
    np.testing.assert_array_equal(p.update_many(data[:10]), before)


@pytest.mark.parametrize("block", [False, True])
def test_a_failure_reaches_the_caller_whatever_the_threads(block):
    # Independent built-ins could share threads with the user's transform.
    user = (BlockRatio if block else LaggedRatio)(fail_at=40)
    p = zerak.FeaturePipeline(
        [user, zerak.Sma(["close"], 3, ["a"]), zerak.Ema(["close"], 3, ["b"])], ["close"]
    )
    with pytest.raises(KeyError, match="boom"):
        p.run_research_array(bars(), threads=2)


@pytest.mark.parametrize("width", [0, 2])
@pytest.mark.parametrize("mode", ["update", "run_research_array"])
def test_a_wrong_number_of_values_is_a_clear_error(width, mode):
    p = pipeline(LaggedRatio(lag=0, width=width))
    with pytest.raises(ValueError, match=f"returned {width} value.*for 1 output name"):
        p.update([1.0]) if mode == "update" else p.run_research_array(bars())


@pytest.mark.parametrize(
    "fn, error",
    [
        (ctypes.CFUNCTYPE(ctypes.c_double, ctypes.c_int64)(lambda n: 0.0), "signature"),
        (42, "callable"),
    ],
)
def test_window_apply_refuses_what_it_cannot_call(fn, error):
    with pytest.raises(TypeError, match=error):
        zerak.WindowApply(fn, "close", 5, "out")


def test_an_object_without_the_protocol_stays_unsupported():
    with pytest.raises(zerak.InvalidConfigError, match="unsupported feature type: function"):
        zerak.FeaturePipeline([mean_fn], ["close"])
    assert isinstance(LaggedRatio(), zerak.Transform)
    assert not isinstance(mean_fn, zerak.Transform)


@pytest.mark.parametrize("cls", [LaggedRatio, CopiedRatio, PeekingRatio])
def test_peek_asks_the_object_or_its_cheap_copy_and_changes_nothing(cls):
    data = bars(60)
    p, twin = pipeline(cls()), pipeline(LaggedRatio())
    cls.calls = 0
    for row in data.tolist():
        peeked = p.peek(row)
        np.testing.assert_array_equal(peeked, twin.update(row))
        np.testing.assert_array_equal(p.update(row), peeked)
    assert cls.calls == (0 if cls is LaggedRatio else len(data))


class Three:
    def __index__(self):
        return 3


@pytest.mark.parametrize("window", [3, np.int64(3), np.uint8(3), Three()])
def test_window_apply_takes_any_integer_window_and_reads_its_arguments_back(window):
    w = zerak.WindowApply(mean_fn, "close", window, "m")
    assert (w.fn, w.inputs, w.window, w.outputs, w.warm_up_period()) == (
        mean_fn,
        ["close"],
        3,
        ["m"],
        2,
    )
    with pytest.raises(AttributeError, match="not writable"):
        w.window = 4
    with pytest.raises(TypeError, match="argument 'window'"):
        zerak.WindowApply(mean_fn, "close", 3.0, "m")
