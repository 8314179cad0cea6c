import math

import numpy as np
import pytest
from conftest import check_in_pipeline, gappy_walk, needs_pipeline, run_live, same_floats

import zerak

nan = float("nan")
RETURNS = {
    zerak.LogReturn: "Log return over a configurable lookback window.",
    zerak.SimpleReturn: "Simple (arithmetic) return over a configurable lookback window.",
}


def log_ref(old, new):
    return math.log(new / old) if old > 0 and new > 0 else nan  # NaN fails both tests


def simple_ref(old, new):
    return (new - old) / old if old > 0 and not math.isnan(new) else nan


REFS = {zerak.LogReturn: log_ref, zerak.SimpleReturn: simple_ref}


@pytest.mark.parametrize("cls", list(RETURNS), ids=lambda c: c.__name__)
def test_surface(cls):
    assert cls.__text_signature__ == "(inputs, window, outputs)"
    assert cls.__doc__ == RETURNS[cls]
    assert (
        cls.update.__doc__
        == "Process one bar. Returns ``[NaN]`` during warm-up or on ``NaN`` input."
    )
    assert cls.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    obj = cls(["close"], 5, ["r", "s"])
    assert repr(obj) == f'{cls.__name__}(inputs=["close"], window=5, outputs=["r", "s"])'
    assert obj.warm_up_period() == 5


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: zerak.LogReturn([], 0, []), "inputs must not be empty"),
        (lambda: zerak.SimpleReturn(["p"], 0, []), "outputs must not be empty"),
        (lambda: zerak.LogReturn(["p"], 0, ["r"]), "window must be non-zero"),
    ],
)
def test_rejected_configurations(make, message):
    with pytest.raises(zerak.InvalidInputError) as info:
        make()
    assert info.value.args == (message,)


@pytest.mark.parametrize("cls", list(RETURNS), ids=lambda c: c.__name__)
def test_window_plus_one_cannot_wrap(cls):
    with pytest.raises(MemoryError):
        cls(["p"], 2**64 - 1, ["r"])


@pytest.mark.parametrize(
    "cls, window, xs, expected",
    [
        (zerak.LogReturn, 1, [100.0, 110.0], [nan, math.log(1.1)]),
        (zerak.SimpleReturn, 2, [100.0, 50.0, 120.0], [nan, nan, 0.2]),
        (zerak.SimpleReturn, 1, [100.0, 0.0], [nan, -1.0]),
        (zerak.SimpleReturn, 1, [100.0, -50.0], [nan, -1.5]),
        (zerak.LogReturn, 1, [100.0, 0.0, -50.0], [nan, nan, nan]),
        (zerak.SimpleReturn, 1, [0.0, 5.0, -1.0, 5.0], [nan, nan, -1.2, nan]),
    ],
)
def test_worked_values(cls, window, xs, expected):
    same_floats(run_live(cls(["p"], window, ["r"]), xs), expected)


@pytest.mark.parametrize("cls", list(RETURNS), ids=lambda c: c.__name__)
@pytest.mark.parametrize("window", [1, 3, 25])
def test_against_plain_reference(cls, window):
    xs = gappy_walk(window)
    xs[10:14] = [0.0, -3.0, 5.0, 0.0]  # non-positive prices on either end
    ref = REFS[cls]
    expected = [nan] * window + [ref(xs[t - window], xs[t]) for t in range(window, len(xs))]
    same_floats(run_live(cls(["p"], window, ["r"]), xs), expected)
    if cls is zerak.LogReturn:  # numpy's vectorised log may differ by an ulp
        old, new = np.array(xs[:-window]), np.array(xs[window:])
        with np.errstate(all="ignore"):
            oracle = np.where((old > 0) & (new > 0), np.log(new / old), np.nan)
        np.testing.assert_allclose(expected[window:], oracle, rtol=1e-15, atol=1e-300)


@pytest.mark.parametrize("cls", list(RETURNS), ids=lambda c: c.__name__)
def test_a_gap_blanks_its_bar_and_the_bar_window_later(cls):
    xs = [10.0 + i for i in range(20)]
    xs[8] = nan
    out = run_live(cls(["p"], 4, ["r"]), xs)
    assert [t for t in range(4, 20) if math.isnan(out[t])] == [8, 12]


@pytest.mark.parametrize("cls", list(RETURNS), ids=lambda c: c.__name__)
def test_reset_reproduces_a_new_object(cls):
    xs = gappy_walk(11, 100)
    obj = cls(["p"], 3, ["r"])
    first = run_live(obj, xs)
    obj.reset()
    same_floats(run_live(obj, xs), first)
    same_floats(run_live(cls(["p"], 3, ["r"]), xs), first)


@needs_pipeline
@pytest.mark.parametrize("cls", list(RETURNS), ids=lambda c: c.__name__)
def test_in_a_pipeline(cls):
    check_in_pipeline(lambda: cls(["x"], 3, ["y"]), gappy_walk(17, 300))
