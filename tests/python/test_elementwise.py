"""Lags, differences, element-wise math and the exponentially weighted spread
against numpy and pandas, live and in research, on awkward values."""

import itertools
import math
import pickle

import numpy as np
import pandas as pd
import pytest
from conftest import gappy_walk

import zerak

inf, nan = float("inf"), float("nan")
AWKWARD = [
    0.0,
    -0.0,
    5e-324,
    -5e-324,
    2.2e-308,
    0.25,
    -0.5,
    1.0,
    -1.0,
    3.0,
    709.0,
    710.0,
    -746.0,
    1e12,
    -1e12,
    1e308,
    -1e308,
    inf,
    -inf,
    nan,
]


def run(obj, *columns):
    """Live and research outputs of `obj` over its input columns, after
    checking that both agree bit for bit."""
    data = np.column_stack([np.asarray(c, dtype=float) for c in columns])
    pipe = zerak.FeaturePipeline([obj], obj.input_names())  # a fresh copy of obj
    live = np.array([obj.update(row)[0] for row in data])
    research = pipe.run_research_array(data)[:, 0]
    assert_same(research, live)
    return live


def assert_same(actual, expected, ulps=0):
    """Equal bits (the sign of zero included), or within `ulps` units in the
    last place; NaN where the other has NaN."""
    actual, expected = np.asarray(actual, float), np.asarray(expected, float)
    assert np.array_equal(np.isnan(actual), np.isnan(expected)), (actual, expected)
    ok = ~np.isnan(expected)
    if ulps:
        np.testing.assert_array_max_ulp(actual[ok], expected[ok], maxulp=ulps)
        return
    assert np.array_equal(actual[ok].view(np.int64), expected[ok].view(np.int64)), (
        actual[ok],
        expected[ok],
    )


def spiky_walk(seed, n=3000):
    """A gappy walk with spikes of +-1e12 and a few infinities."""
    x = np.array(gappy_walk(seed, n))
    rng = np.random.default_rng(seed)
    x[rng.integers(0, n, 6)] = 1e12
    x[rng.integers(0, n, 6)] = -1e12
    x[rng.integers(0, n, 3)] = rng.choice([inf, -inf], 3)
    return x


def clip(x, lower, upper):
    """numpy's clip, but a zero keeps its sign at a zero bound (numpy's own
    array and scalar paths disagree there)."""
    out = np.clip(x, lower, upper)
    zero = (out == 0) & (x == 0)
    out[zero] = x[zero]
    return out


UNARY = [
    (lambda: zerak.Abs(["x"], ["y"]), np.abs),
    (lambda: zerak.Sqrt(["x"], ["y"]), np.sqrt),
    (lambda: zerak.Exp(["x"], ["y"]), np.exp),  # within 1 ulp: numpy's exp is its own
    (lambda: zerak.Sign(["x"], ["y"]), lambda x: np.sign(x) + 0.0),  # +0.0 for both zeros
    (lambda: zerak.Scale(["x"], ["y"]), lambda x: x * 1.0 + 0.0),
    (lambda: zerak.Scale(["x"], ["y"], scale=-2.5, offset=1e-3), lambda x: x * -2.5 + 1e-3),
    (lambda: zerak.Scale(["x"], ["y"], 0.0, 7.0), lambda x: x * 0.0 + 7.0),
    (lambda: zerak.Clip(["x"], ["y"]), lambda x: x),
    (lambda: zerak.Clip(["x"], ["y"], lower=-0.5, upper=3.0), lambda x: clip(x, -0.5, 3.0)),
    (lambda: zerak.Clip(["x"], ["y"], lower=0.0), lambda x: clip(x, 0.0, None)),
    (lambda: zerak.Clip(["x"], ["y"], upper=-inf), lambda x: clip(x, None, -inf)),
    (lambda: zerak.Clip(["x"], ["y"], 1.0, 1.0), lambda x: clip(x, 1.0, 1.0)),
]


@pytest.mark.parametrize("make, oracle", UNARY)
def test_unary_matches_numpy(make, oracle):
    rng = np.random.default_rng(0)
    x = np.concatenate([AWKWARD, rng.normal(0.0, 50.0, 2000), rng.integers(-3, 4, 200)])
    with np.errstate(all="ignore"):
        expected = oracle(x)
    obj = make()
    assert obj.warm_up_period() == 0
    assert_same(run(obj, x), expected, ulps=1 if oracle is np.exp else 0)


@pytest.mark.parametrize("cls, oracle", [(zerak.Maximum, np.maximum), (zerak.Minimum, np.minimum)])
def test_binary_matches_numpy(cls, oracle):
    a, b = np.array(list(itertools.product(AWKWARD, repeat=2))).T
    assert_same(run(cls(["a", "b"], ["y"]), a, b), oracle(a, b))


@pytest.mark.parametrize("periods", [1, 3, 40])
def test_lag_and_diff_match_pandas(periods):
    x = pd.Series(spiky_walk(periods))
    lag, diff = zerak.Lag(["x"], periods, ["y"]), zerak.Diff(["x"], periods, ["y"])
    assert lag.warm_up_period() == diff.warm_up_period() == periods
    assert_same(run(lag, x), x.shift(periods))
    assert_same(run(diff, x), x.diff(periods))


def ewm_variance(x, window):
    """The seeded recursion in the weighted form pandas uses for adjust=False:
    a gap (NaN or +-inf) restarts the seeding."""
    a = 2.0 / (window + 1.0)
    out, seed, mean, var = np.full(len(x), nan), [], None, None
    for i, v in enumerate(x):
        if not math.isfinite(v):
            seed, mean = [], None
        elif mean is None:
            seed.append(v)
            if len(seed) == window:
                mean, var, seed = np.mean(seed), np.var(seed), []
                out[i] = var
        else:
            new = (1 - a) * mean + a * v
            var = (1 - a) * (var + (new - mean) ** 2) + a * (v - new) ** 2
            mean = new
            out[i] = var
    return out


@pytest.mark.parametrize("window", [2, 5, 30])
def test_ewm_spread_matches_recursion(window):
    x = spiky_walk(window)
    var = run(zerak.EwmVariance(["x"], window, ["v"]), x)
    np.testing.assert_allclose(var, ewm_variance(x, window), rtol=1e-9, atol=1e-20)
    assert_same(run(zerak.EwmStd(["x"], window, ["s"]), x), np.sqrt(var))
    # The seed moves the output only by (1 - alpha)^n: far from it, pandas agrees.
    clean = 100.0 + np.cumsum(np.random.default_rng(window).normal(size=2000))
    expected = pd.Series(clean).ewm(span=window, adjust=False).var(bias=True)
    got = run(zerak.EwmVariance(["x"], window, ["v"]), clean)
    np.testing.assert_allclose(got[40 * window :], expected[40 * window :], rtol=1e-9)


def test_ewm_warm_up_and_reseeding():
    ewm = zerak.EwmVariance(["x"], 3, ["v"])
    assert ewm.warm_up_period() == 2
    out = run(ewm, [1.0, 2.0, 3.0, nan, 5.0, inf, 1.0, 1.0, 1.0, 4.0])
    assert_same(out[:9], [nan, nan, 2 / 3, nan, nan, nan, nan, nan, 0.0])
    assert out[9] == 0.5 * (0.0 + 0.5 * 9.0)


@pytest.mark.parametrize(
    "make, error, message",
    [
        (lambda: zerak.Lag(["x"], 0, ["y"]), zerak.InvalidInputError, "periods must be >= 1"),
        (lambda: zerak.Diff([], 1, ["y"]), zerak.InvalidInputError, "inputs must not be empty"),
        (
            lambda: zerak.Clip(["x"], ["y"], 2.0, 1.0),
            zerak.InvalidInputError,
            "lower must be <= upper",
        ),
        (
            lambda: zerak.Clip(["x"], ["y"], lower=nan),
            zerak.InvalidInputError,
            "lower must not be NaN",
        ),
        (
            lambda: zerak.Clip(["x"], ["y"], upper=nan),
            zerak.InvalidInputError,
            "upper must not be NaN",
        ),
        (lambda: zerak.Scale(["x"], ["y"], nan), zerak.InvalidInputError, "scale must be finite"),
        (
            lambda: zerak.Scale(["x"], ["y"], offset=-inf),
            zerak.InvalidInputError,
            "offset must be finite",
        ),
        (
            lambda: zerak.Maximum(["a"], ["y"]),
            zerak.InvalidInputError,
            "inputs must contain exactly 2 columns",
        ),
        (lambda: zerak.EwmStd(["x"], 1, ["y"]), zerak.InvalidInputError, "window must be >= 2"),
        (
            lambda: zerak.Lag(["x"], 2**62, ["y"]),
            MemoryError,
            f"cannot allocate a window of {2**62} values",
        ),
    ],
)
def test_bad_configurations(make, error, message):
    with pytest.raises(error, match=f"^{message}$"):
        make()


@pytest.mark.parametrize(
    "obj, text",
    [
        (zerak.Scale(["x"], ["y"]), 'Scale(inputs=["x"], outputs=["y"], scale=1.0, offset=0.0)'),
        (
            zerak.Clip(["x"], ["y"], upper=2.5),
            'Clip(inputs=["x"], outputs=["y"], lower=None, upper=2.5)',
        ),
        (
            zerak.Clip(["x"], ["y"], -1e300),
            'Clip(inputs=["x"], outputs=["y"], lower=-1e+300, upper=None)',
        ),
        (zerak.Lag(["x"], 4, ["y"]), 'Lag(inputs=["x"], periods=4, outputs=["y"])'),
    ],
)
def test_real_parameters_survive_repr_and_pickle(obj, text):
    assert repr(obj) == text
    assert repr(pickle.loads(pickle.dumps(obj))) == text
