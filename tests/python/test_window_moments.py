"""Rolling sum, variance, std, covariance and beta against exact per-window
oracles (fractions), pandas and bottleneck, in exact and running mode, on
data with NaN gaps, flat runs, ties, spikes of 1e12 and infinities."""

import math
from fractions import Fraction

import bottleneck as bn
import numpy as np
import pandas as pd
import pytest

import zerak
from zerak import InvalidInputError


def nasty(seed, n=700, spikes=True):
    """A random walk with NaN bars and a NaN run, flat runs (some right after a
    spike, so that the spike leaves a flat window behind), ties and spikes."""
    rng = np.random.default_rng(seed)
    x = 100.0 + np.cumsum(rng.normal(0.0, 1.0, n))
    x[rng.integers(0, n, 6)] = np.nan
    run = rng.integers(0, n - 10)
    x[run : run + 4] = np.nan
    for start in rng.integers(0, n - 80, 4):
        x[start : start + rng.integers(3, 70)] = x[start]
    x[rng.integers(0, n, 10)] = np.round(x[rng.integers(0, n, 10)])  # ties
    if spikes:
        for at in rng.integers(0, n - 80, 4):
            x[at] = 1e12 * rng.choice([-1.0, 1.0])
            x[at + 1 : at + 1 + rng.integers(20, 70)] = x[at - 1] if at else 5.0
    return x


def exact_window(kind, xs, ys, ddof):
    """The statistic of one window of finite floats, rounded once from exact rationals."""
    n = len(xs)
    fx = [Fraction(v) for v in xs]
    if kind == "sum":
        return float(sum(fx))
    mx = sum(fx) / n
    sxx = sum((v - mx) ** 2 for v in fx)
    if kind in ("var", "std"):
        var = sxx / (n - ddof)
        return float(var) if kind == "var" else math.sqrt(var)
    fy = [Fraction(v) for v in ys]
    my = sum(fy) / n
    sxy = sum((a - mx) * (b - my) for a, b in zip(fx, fy, strict=True))
    if kind == "cov":
        return float(sxy / (n - ddof))
    return float(sxy / sxx) if sxx else math.nan


def oracle(kind, x, y, w, ddof):
    if kind not in ("cov", "beta"):
        y = np.zeros_like(x)
    out = np.full(len(x), np.nan)
    for i in range(w - 1, len(x)):
        xs, ys = x[i + 1 - w : i + 1], y[i + 1 - w : i + 1]
        if np.isnan(xs).any() or np.isnan(ys).any():
            continue
        if not (np.isfinite(xs).all() and np.isfinite(ys).all()):
            out[i] = np.inf  # marks a window with an infinity: checked separately
            continue
        out[i] = exact_window(kind, xs, ys, ddof)
    return out


CLASSES = {
    "sum": lambda w, ddof, running: zerak.RollingSum(["x"], w, ["o"], running=running),
    "var": lambda w, ddof, running: zerak.RollingVariance(
        ["x"], w, ["o"], ddof=ddof, running=running
    ),
    "std": lambda w, ddof, running: zerak.RollingStd(["x"], w, ["o"], ddof=ddof, running=running),
    "cov": lambda w, ddof, running: zerak.RollingCovariance(
        ["x", "y"], w, ["o"], ddof=ddof, running=running
    ),
    "beta": lambda w, ddof, running: zerak.RollingBeta(["x", "y"], w, ["o"], running=running),
}


def pair_of(x, seed):
    rng = np.random.default_rng(seed + 100)
    y = 0.7 * np.nan_to_num(x, nan=0.0, posinf=0.0, neginf=0.0) + rng.normal(0.0, 3.0, len(x))
    y[rng.integers(0, len(x), 5)] = np.nan
    y[200:260] = 42.0  # a constant y: covariance 0, beta 0
    return y


def run(obj, x, y):
    data = np.column_stack([x, y])[:, : len(obj.input_names())]
    pipe = zerak.FeaturePipeline([obj], obj.input_names())
    return pipe.run_research_array(np.ascontiguousarray(data))[:, 0]


@pytest.mark.parametrize("running", [False, True])
@pytest.mark.parametrize(
    "kind,w,ddof",
    [
        ("sum", 1, 0),
        ("sum", 17, 0),
        ("var", 2, 1),
        ("var", 25, 0),
        ("std", 1, 0),
        ("std", 20, 1),
        ("std", 60, 1),
        ("cov", 12, 1),
        ("cov", 40, 0),
        ("beta", 2, 0),
        ("beta", 30, 0),
    ],
)
@pytest.mark.parametrize("seed", [1, 2])
def test_against_exact_oracle(kind, w, ddof, running, seed):
    x = nasty(seed)
    x[rng_index(seed, len(x))] = np.inf
    y = pair_of(x, seed)
    obj = CLASSES[kind](w, ddof, running)
    ours = run(obj, x, y)
    expected = oracle(kind, x, y, w, ddof)
    # Warm-up and the missing-data rule: NaN exactly where the oracle has none.
    assert obj.warm_up_period() == w - 1
    assert np.array_equal(
        np.isnan(ours[expected != np.inf]), np.isnan(expected[expected != np.inf])
    )
    finite = np.isfinite(expected)
    # Flat windows give exactly 0, never a rounding residue or a negative value.
    zero = finite & (expected == 0.0)
    assert (ours[zero] == 0.0).all()
    if kind in ("var", "std"):
        assert (ours[~np.isnan(ours)] >= 0.0).all()
    tol = 1e-11 if running else 1e-12
    if kind in ("cov", "beta"):  # near-zero results: relative to the spread
        sx = pd.Series(x).rolling(w).std().to_numpy()
        sy = pd.Series(y).rolling(w).std().to_numpy()
        with np.errstate(divide="ignore", invalid="ignore"):
            scale = sx * sy if kind == "cov" else sy / sx
        scale = np.maximum(np.abs(expected), np.nan_to_num(scale, nan=0.0))
    else:
        scale = np.abs(expected)
    assert (np.abs(ours[finite] - expected[finite]) <= tol * scale[finite]).all()
    # A window with an infinity: what exact mode gives (NaN or inf), in either mode.
    inf = expected == np.inf
    exact = run(CLASSES[kind](w, ddof, False), x, y)
    assert np.array_equal(ours[inf], exact[inf], equal_nan=True)


def rng_index(seed, n):
    return np.random.default_rng(seed + 7).integers(0, n, 2)


@pytest.mark.parametrize("running", [False, True])
@pytest.mark.parametrize(
    "kind,w,ddof",
    [
        ("sum", 20, 0),
        ("var", 20, 1),
        ("var", 100, 0),
        ("std", 20, 1),
        ("std", 50, 0),
        ("cov", 30, 1),
        ("beta", 30, 0),
    ],
)
def test_against_pandas_and_bottleneck(kind, w, ddof, running):
    # No spikes: the peers' running sums keep their residue after one.
    x = nasty(5, n=3000, spikes=False)
    y = pair_of(x, 5)
    ours = run(CLASSES[kind](w, ddof, running), x, y)
    sx, sy = pd.Series(x), pd.Series(y)
    roll = sx.rolling(w)
    peers = {
        "sum": [roll.sum(), bn.move_sum(x, w)],
        "var": [roll.var(ddof=ddof), bn.move_var(x, w, ddof=ddof)],
        "std": [roll.std(ddof=ddof), bn.move_std(x, w, ddof=ddof)],
        "cov": [roll.cov(sy, ddof=ddof)],
        "beta": [roll.cov(sy) / roll.var()],
    }[kind]
    flat = ours == 0.0  # exactly; the peers leave a residue of their running sums
    for series in peers:
        peer = np.array(series, dtype=float)
        if kind == "beta":  # a constant x: pandas divides rounding noise
            peer[np.isclose(roll.var().to_numpy(), 0.0, atol=1e-9)] = np.nan
        assert np.array_equal(np.isnan(ours), np.isnan(peer))
        np.testing.assert_allclose(ours[~flat], peer[~flat], rtol=1e-7, atol=1e-9)
        assert (np.abs(peer[flat]) < 1e-5).all()


@pytest.mark.parametrize("kind", ["sum", "std", "beta"])
def test_running_stays_exact_over_a_long_series(kind):
    # Many spikes over a long walk: the running sums are recomputed when a
    # spike leaves, so every flat window after one is exactly 0 and the rest
    # stays within the oracle's tolerance.
    rng = np.random.default_rng(11)
    n, w = 60_000, 50
    x = 1000.0 + np.cumsum(rng.normal(0.0, 1.0, n))
    for at in rng.integers(0, n - 200, 60):
        x[at] = 1e12
        x[at + 1 : at + 101] = x[at - 1]
    y = 2.0 * x + rng.normal(0.0, 1.0, n)
    y[x == 1e12] = 0.0
    ours = run(CLASSES[kind](w, 1, True), x, y)
    probe = rng.integers(w, n, 400)
    probe = np.concatenate([probe, np.flatnonzero(x == 1e12) + w + 1])
    for i in probe:
        expected = exact_window(kind, x[i + 1 - w : i + 1], y[i + 1 - w : i + 1], 1)
        if math.isnan(expected):  # beta of a constant x
            assert math.isnan(ours[i])
        else:
            assert abs(ours[i] - expected) <= 1e-11 * abs(expected), (i, ours[i], expected)


@pytest.mark.parametrize(
    "make,message",
    [
        (lambda: zerak.RollingVariance(["x"], 3, ["o"], ddof=3), "ddof (3) must be < window (3)"),
        (lambda: zerak.RollingStd(["x"], 1, ["o"]), "ddof (1) must be < window (1)"),
        (
            lambda: zerak.RollingCovariance(["x", "y"], 5, ["o"], ddof=7),
            "ddof (7) must be < window (5)",
        ),
        (lambda: zerak.RollingSum(["x"], 0, ["o"]), "window must be non-zero"),
        (lambda: zerak.RollingBeta(["x", "y"], 1, ["o"]), "window must be >= 2"),
        (lambda: zerak.RollingBeta(["x"], 5, ["o"]), "inputs must contain exactly 2 columns"),
        (lambda: zerak.RollingStd(["x", "y"], 5, ["o"]), "inputs must contain exactly 1 column"),
        (lambda: zerak.RollingSum(["x"], 5, ["o", "p"]), "outputs must contain exactly 1 name"),
    ],
)
def test_bad_configurations(make, message):
    with pytest.raises(InvalidInputError, match=message.replace("(", r"\(").replace(")", r"\)")):
        make()


def far_from_zero(offset, noise, n=1200, seed=3):
    """offset + a walk of `noise` steps, with spikes of 1e12 that enter and
    leave every window size tried."""
    rng = np.random.default_rng(seed)
    x = offset + np.cumsum(rng.normal(0.0, noise, n))
    x[[5, 300, 301, 700]] = offset + 1e12
    return x


def exact_centred(x, y, w):
    """n * (centred sums xx and xy) of every window, exactly, as integers over
    a common power of two: window sums of integers slide without error."""
    scale = max(Fraction(v).denominator for v in np.concatenate([x, y]))
    xi = [int(Fraction(v) * scale) for v in x]
    yi = [int(Fraction(v) * scale) for v in y]
    sx = sy = sxx = sxy = 0
    out = []
    for i, (a, b) in enumerate(zip(xi, yi, strict=True)):
        sx, sy, sxx, sxy = sx + a, sy + b, sxx + a * a, sxy + a * b
        if i >= w:
            c, d = xi[i - w], yi[i - w]
            sx, sy, sxx, sxy = sx - c, sy - d, sxx - c * c, sxy - c * d
        out.append(
            (
                Fraction(w * sxx - sx * sx, w * scale * scale),
                Fraction(w * sxy - sx * sy, w * scale * scale),
            )
            if i >= w - 1
            else None
        )
    return out


@pytest.mark.parametrize("running", [False, True])
@pytest.mark.parametrize("w", [2, 3, 20, 250])
@pytest.mark.parametrize("offset,noise", [(1e8, 1e-3), (1e10, 0.1), (1e14, 4.0)])
def test_accurate_far_from_zero(offset, noise, w, running):
    x = far_from_zero(offset, noise)
    y = far_from_zero(offset / 3, noise, seed=4) + 0.5 * (x - offset)
    sums = exact_centred(x, y, w)
    for kind in ("var", "std", "cov", "beta"):
        obj = CLASSES[kind](w, 1, running)
        live = np.array(
            [obj.update([a, b][: len(obj.input_names())])[0] for a, b in zip(x, y, strict=True)]
        )
        research = run(CLASSES[kind](w, 1, running), x, y)
        np.testing.assert_array_equal(live, research)
        for i in range(w - 1, len(x)):
            sxx, sxy = sums[i]
            if kind == "beta" and sxx == 0:  # the two spikes side by side: a flat x
                assert math.isnan(live[i])
                continue
            want = {
                "var": sxx / (w - 1),
                "std": sxx / (w - 1),
                "cov": sxy / (w - 1),
                "beta": sxy / (sxx or 1),
            }[kind]
            want = math.sqrt(want) if kind == "std" else float(want)
            assert abs(live[i] - want) <= 1e-12 * abs(want), (kind, i, live[i], want)


@pytest.mark.parametrize("kind", ["var", "std", "cov", "beta"])
def test_overflow_gives_one_answer_in_both_modes(kind):
    x = np.tile([1.0, 2.0, 3e200, 4.0, 5.0, 6.0, 7.0], 4)
    y = np.roll(x, 3) + 1.0
    exact = run(CLASSES[kind](3, 1, False), x, y)
    running = run(CLASSES[kind](3, 1, True), x, y)
    big = np.convolve(np.abs(x) > 1e100, np.ones(3))[: len(x)] > 0
    big[:2] = False
    np.testing.assert_array_equal(running[big], exact[big])
    np.testing.assert_allclose(running[~big], exact[~big], rtol=1e-14)
    want = {"var": np.inf, "std": np.inf, "beta": np.nan}.get(kind)
    if want is not None:
        np.testing.assert_array_equal(exact[big], np.full(big.sum(), want))
