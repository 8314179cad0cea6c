import math
from fractions import Fraction

import numpy as np
import pandas as pd
import pytest
from conftest import check_in_pipeline, gappy_walk, needs_pipeline, run_live, same_floats

import zerak

nan = float("nan")
AVERAGES = {
    zerak.Sma: "Simple Moving Average over a rolling window.",
    zerak.Ema: "Exponential Moving Average with SMA seeding.",
    zerak.Kama: "Kaufman's Adaptive Moving Average.",
    zerak.Mma: "Median Moving Average over a rolling window.",
    zerak.Trima: "Triangular Moving Average with triangular weights.",
}


# ---- plain-Python references, step for step ---------------------------------


def plain_sum(values):
    s = 0.0
    for v in values:
        s += v
    return s


def sma_ref(xs, w):
    out = []
    for t in range(len(xs)):
        win = xs[max(0, t - w + 1) : t + 1]
        out.append(nan if len(win) < w or any(map(math.isnan, win)) else plain_sum(win) / w)
    return out


def ema_ref(xs, w):
    alpha = 2.0 / (w + 1.0)
    current, seed, out = None, [], []
    for x in xs:
        if current is not None:
            if math.isnan(x):
                current, seed = None, []
                out.append(nan)
            else:
                current = (1.0 - alpha) * current + alpha * x
                out.append(current)
            continue
        seed = (seed + [x])[-w:]
        if len(seed) == w and not any(map(math.isnan, seed)):
            current, seed = plain_sum(seed) / w, []
            out.append(current)
        else:
            out.append(nan)
    return out


def trima_exact(xs, w):
    """The triangular weighted mean in exact rationals, rounded once."""
    weights = [min(i + 1, w - i) for i in range(w)]
    out = []
    for t in range(len(xs)):
        win = xs[max(0, t - w + 1) : t + 1]
        if len(win) < w or any(map(math.isnan, win)):
            out.append(nan)
        else:
            exact = sum(Fraction(k) * Fraction(x) for k, x in zip(weights, win, strict=True))
            out.append(float(exact / sum(weights)))
    return out


def kama_ref(xs, w, fast=2, slow=30):
    fc, sc_slow = 2.0 / (fast + 1.0), 2.0 / (slow + 1.0)
    current, out = None, []
    for t in range(len(xs)):
        p = xs[max(0, t - w) : t + 1]
        if len(p) < w + 1:
            out.append(nan)
            continue
        if any(map(math.isnan, p)):
            current = None
            out.append(nan)
            continue
        change = abs(p[w] - p[0])
        volatility = plain_sum(abs(p[i] - p[i - 1]) for i in range(1, w + 1))
        er = change / volatility if volatility > 0 else 0.0
        sc = (fc - sc_slow) * er + sc_slow
        sc = sc * sc
        prev = current if current is not None else p[w - 1]
        current = sc * (p[w] - prev) + prev
        out.append(current)
    return out


# ---- surface -----------------------------------------------------------------


@pytest.mark.parametrize("cls", list(AVERAGES), ids=lambda c: c.__name__)
def test_surface(cls):
    name = cls.__name__
    extra = ", fast=2, slow=30" if cls is zerak.Kama else ""
    assert cls.__text_signature__ == f"(inputs, window, outputs{extra})"
    assert cls.__doc__ == AVERAGES[cls]
    assert (
        cls.update.__doc__
        == "Process one bar. Returns ``[NaN]`` during warm-up or on ``NaN`` input."
    )
    assert cls.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    obj = cls(["close", 'q"\\'], 20, ["out_20"])
    assert repr(obj) == f'{name}(inputs=["close", "q\\"\\\\"], window=20, outputs=["out_20"])'
    assert obj.warm_up_period() == (20 if cls is zerak.Kama else 19)
    # Extra names are kept; only the first input is read, one value comes back.
    obj = cls(["a", "b"], 1, ["x", "y"])
    assert obj.output_names() == ["x", "y"]
    assert len(obj.update([5.0])) == 1


def test_kama_parameters_by_keyword():
    xs = gappy_walk(3, 200)
    kama = zerak.Kama(slow=20, fast=5, outputs=["k"], window=10, inputs=["c"])
    same_floats(run_live(kama, xs), kama_ref(xs, 10, 5, 20))
    assert repr(kama) == 'Kama(inputs=["c"], window=10, outputs=["k"])'


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: zerak.Sma([], 0, []), "inputs must not be empty"),
        (lambda: zerak.Ema(["x"], 0, []), "outputs must not be empty"),
        (lambda: zerak.Mma(["x"], 0, ["y"]), "window must be non-zero"),
        (lambda: zerak.Kama(["x"], 0, ["y"]), "window must be >= 1"),
        (lambda: zerak.Kama(["x"], 5, ["y"], fast=0, slow=0), "fast must be >= 1"),
        (lambda: zerak.Kama(["x"], 5, ["y"], fast=2, slow=2), "slow must be > fast"),
    ],
)
def test_rejected_configurations(make, message):
    with pytest.raises(zerak.InvalidInputError) as info:
        make()
    assert info.value.args == (message,)


@pytest.mark.parametrize("cls", list(AVERAGES), ids=lambda c: c.__name__)
@pytest.mark.parametrize("window", [2**46, 2**63, 2**64 - 1])
def test_impossible_windows_raise_memory_error(cls, window):
    with pytest.raises(MemoryError):
        cls(["x"], window, ["y"])


# ---- values --------------------------------------------------------------------


@pytest.mark.parametrize(
    "make, xs, expected",
    [
        (lambda: zerak.Sma(["x"], 3, ["y"]), [1.0, 2.0, 3.0], [nan, nan, 2.0]),
        (lambda: zerak.Mma(["x"], 3, ["y"]), [3.0, 1.0, 2.0], [nan, nan, 2.0]),
        (lambda: zerak.Mma(["x"], 4, ["y"]), [1.0, 2.0, 3.0, 4.0], [nan, nan, nan, 2.5]),
        (lambda: zerak.Ema(["x"], 3, ["y"]), [1.0, 2.0, 3.0, 4.0], [nan, nan, 2.0, 3.0]),
        (lambda: zerak.Kama(["x"], 2, ["y"]), [4.0, 4.0, 4.0, 4.0], [nan, nan, 4.0, 4.0]),
        # er = 3 / 3 = 1, so sc = (2/3)^2 and the KAMA moves 4/9 of the way from 2 to 4.
        (lambda: zerak.Kama(["x"], 2, ["y"]), [1.0, 2.0, 4.0], [nan, nan, 2.8888888888888884]),
        *[
            (lambda c=c: c(["x"], 1, ["y"]), [5.0, -2.5, nan, 7.0], [5.0, -2.5, nan, 7.0])
            for c in (zerak.Sma, zerak.Mma, zerak.Ema)
        ],
    ],
)
def test_worked_values(make, xs, expected):
    same_floats(run_live(make(), xs), expected)


@pytest.mark.parametrize("seed", range(3))
@pytest.mark.parametrize("window", [1, 2, 7, 30])
def test_against_plain_references_bit_for_bit(seed, window):
    xs = gappy_walk(seed)
    same_floats(run_live(zerak.Sma(["x"], window, ["y"]), xs), sma_ref(xs, window))
    same_floats(run_live(zerak.Ema(["x"], window, ["y"]), xs), ema_ref(xs, window))
    same_floats(run_live(zerak.Kama(["x"], window, ["y"]), xs), kama_ref(xs, window))


@pytest.mark.parametrize("seed", range(3))
@pytest.mark.parametrize("window", [1, 2, 7, 30])
def test_against_pandas_rolling(seed, window):
    xs = gappy_walk(seed)
    s = pd.Series(xs)
    sma = np.array(run_live(zerak.Sma(["x"], window, ["y"]), xs))
    expected = s.rolling(window).mean().to_numpy()
    np.testing.assert_array_equal(np.isnan(sma), np.isnan(expected))
    np.testing.assert_allclose(sma, expected, rtol=1e-13)
    # The median is a selection, so pandas must agree exactly.
    mma = run_live(zerak.Mma(["x"], window, ["y"]), xs)
    np.testing.assert_array_equal(mma, s.rolling(window).median().to_numpy())


@pytest.mark.parametrize("window", [1, 2, 5, 30, 31])
def test_trima_within_ulps_of_the_exact_weighted_mean(window):
    xs = gappy_walk(window, 400)
    got = np.array(run_live(zerak.Trima(["x"], window, ["y"]), xs))
    want = np.array(trima_exact(xs, window))
    np.testing.assert_array_equal(np.isnan(got), np.isnan(want))
    ok = ~np.isnan(got)
    assert np.all(np.abs(got[ok] - want[ok]) <= 2 * np.spacing(np.abs(want[ok])))
    if window == 1:
        same_floats(got.tolist(), xs)


@pytest.mark.parametrize("window", [2, 3, 4, 5, 30, 31])
def test_trima_matches_talib_before_its_running_sums_drift(window):
    talib = pytest.importorskip("talib")
    x = 1000.0 + np.cumsum(np.random.default_rng(window).normal(0.0, 1.0, 500))
    got = np.array(run_live(zerak.Trima(["x"], window, ["y"]), x.tolist()))
    assert np.isnan(got[: window - 1]).all()
    np.testing.assert_allclose(got[window - 1 :], talib.TRIMA(x, window)[window - 1 :], rtol=1e-12)


def test_median_orders_signed_zeros():
    # -0 sorts before +0, so the middle of (-0, +0, +0) is +0 and of (-0, -0, +0) is -0.
    same_floats(run_live(zerak.Mma(["x"], 3, ["y"]), [0.0, -0.0, 0.0, -0.0])[2:], [0.0, -0.0])


# ---- state -----------------------------------------------------------------------


@pytest.mark.parametrize(
    "make, blanked",
    [
        (lambda: zerak.Sma(["x"], 5, ["y"]), 5),
        (lambda: zerak.Mma(["x"], 5, ["y"]), 5),
        (lambda: zerak.Ema(["x"], 5, ["y"]), 5),
        (lambda: zerak.Kama(["x"], 5, ["y"]), 6),
        (lambda: zerak.Trima(["x"], 5, ["y"]), 5),
    ],
)
def test_one_missing_input_blanks_exactly(make, blanked):
    xs = [100.0 + math.sin(i) for i in range(40)]
    xs[20] = nan
    obj = make()
    out = run_live(obj, xs)
    for t in range(obj.warm_up_period(), 40):
        assert math.isnan(out[t]) == (20 <= t < 20 + blanked), t


@pytest.mark.parametrize("cls", list(AVERAGES), ids=lambda c: c.__name__)
def test_reset_reproduces_a_new_object(cls):
    xs = gappy_walk(7, 200)
    obj = cls(["x"], 6, ["y"])
    first = run_live(obj, xs)
    obj.reset()
    same_floats(run_live(obj, xs), first)
    same_floats(run_live(cls(["x"], 6, ["y"]), xs), first)


@needs_pipeline
@pytest.mark.parametrize("cls", list(AVERAGES), ids=lambda c: c.__name__)
def test_in_a_pipeline(cls):
    check_in_pipeline(lambda: cls(["x"], 7, ["y"]), gappy_walk(13, 300))
