import math

import numpy as np
import pandas as pd
import pytest
from conftest import check_in_pipeline, gappy_walk, needs_pipeline, run_live, same_floats

import zerak

nan, inf = float("nan"), float("inf")


def rolling_zscore_ref(xs, w):
    out = []
    for t in range(len(xs)):
        win = xs[max(0, t - w + 1) : t + 1]
        if len(win) < w or any(map(math.isnan, win)) or all(v == win[0] for v in win):
            out.append(nan)
            continue
        s = 0.0
        for v in win:
            s += v
        mean = s / w
        sq = 0.0
        for v in win:
            sq += (v - mean) * (v - mean)
        var = sq / (w - 1)
        out.append((xs[t] - mean) / math.sqrt(var) if var > 0 else nan)
    return out


def test_surface():
    f = zerak.FixedZScore(["x"], ["z", "w"], 2.0, 0.5)
    r = zerak.RollingZScore(["x"], 20, ["z"])
    assert zerak.FixedZScore.__text_signature__ == "(inputs, outputs, mean, std)"
    assert zerak.RollingZScore.__text_signature__ == "(inputs, window, outputs)"
    assert zerak.FixedZScore.__doc__ == "Z-score normalization with pre-fitted mean and std."
    assert zerak.RollingZScore.__doc__ == "Rolling z-score normalization over a sliding window."
    assert (
        zerak.FixedZScore.update.__doc__
        == "Process one bar. Returns ``[NaN]`` if input is ``NaN``."
    )
    assert zerak.RollingZScore.update.__doc__ == (
        "Process one bar. Returns ``[NaN]`` during warm-up or on ``NaN`` input."
    )
    assert zerak.FixedZScore.reset.__doc__ == "Reset (no-op for stateless scalers)."
    assert zerak.RollingZScore.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    assert repr(f) == 'FixedZScore(inputs=["x"], outputs=["z", "w"])'
    assert repr(r) == 'RollingZScore(inputs=["x"], window=20, outputs=["z"])'
    assert (f.warm_up_period(), r.warm_up_period()) == (0, 19)
    assert zerak.fit_standard_scaler.__text_signature__ == "(data)"
    assert zerak.fit_standard_scaler.__doc__ == (
        "Compute mean and std from a column of data.\n\nArgs:\n    data: List of floats. "
        "Use ``float('nan')`` for missing values.\n\nReturns:\n    Tuple ``(mean, std)``."
    )


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: zerak.FixedZScore(["x"], ["z"], 0.0, 0.0), "std must be > 0"),
        (lambda: zerak.FixedZScore(["x"], ["z"], 0.0, -1.0), "std must be > 0"),
        (
            lambda: zerak.FixedZScore(["x", "y"], [], 0.0, 0.0),
            "inputs must contain exactly 1 column",
        ),
        (lambda: zerak.FixedZScore(["x"], [], 0.0, 1.0), "outputs must not be empty"),
        (
            lambda: zerak.RollingZScore(["x"], 1, ["z"]),
            "window must be >= 2 (need at least 2 values for std)",
        ),
        (lambda: zerak.RollingZScore([], 1, []), "inputs must contain exactly 1 column"),
        (lambda: zerak.RollingZScore(["x"], 2, []), "outputs must not be empty"),
        (lambda: zerak.fit_standard_scaler([]), "not enough valid values to compute mean"),
        (lambda: zerak.fit_standard_scaler([nan]), "not enough valid values to compute mean"),
        (
            lambda: zerak.fit_standard_scaler([5.0]),
            "not enough valid values to compute std (need >= 2)",
        ),
        (
            lambda: zerak.fit_standard_scaler([4.0, 4.0]),
            "standard deviation is zero (all values are equal)",
        ),
        # Equal values whose rounded mean is off by an ulp are still all equal.
        (
            lambda: zerak.fit_standard_scaler([0.1] * 3),
            "standard deviation is zero (all values are equal)",
        ),
    ],
)
def test_rejections(make, message):
    with pytest.raises(zerak.InvalidInputError) as info:
        make()
    assert info.value.args == (message,)


def test_fixed_zscore_values():
    f = zerak.FixedZScore(["x"], ["z"], 2.0, 0.5)
    same_floats(run_live(f, [3.0, nan, inf, -inf]), [2.0, nan, inf, -inf])
    # A NaN mean is accepted and gives NaN for every bar (a NaN std is not).
    same_floats(zerak.FixedZScore(["x"], ["z"], nan, 1.0).update([1.0]), [nan])
    # Any float-convertible mean and std are accepted.
    same_floats(zerak.FixedZScore(["x"], ["z"], mean=1, std=np.float64(2.0)).update([5.0]), [2.0])


def test_rolling_zscore_worked_values():
    r = zerak.RollingZScore(["x"], 3, ["z"])
    out = run_live(r, [1.0, 2.0, 3.0, 3.0, 3.0, 3.0])
    same_floats(out[:3], [nan, nan, 1.0])
    assert out[3] == pytest.approx(0.577350269189626, rel=1e-15)
    same_floats(out[4:], [out[4], nan])  # the last window is constant
    # A constant window whose sum rounds is constant all the same.
    same_floats(run_live(zerak.RollingZScore(["x"], 3, ["z"]), [0.1] * 3), [nan] * 3)


@pytest.mark.parametrize("seed", range(3))
@pytest.mark.parametrize("window", [2, 5, 30])
def test_rolling_zscore_against_reference_and_pandas(seed, window):
    xs = gappy_walk(seed)
    out = np.array(run_live(zerak.RollingZScore(["x"], window, ["z"]), xs))
    same_floats(out.tolist(), rolling_zscore_ref(xs, window))
    s = pd.Series(xs)
    roll = s.rolling(window)
    with np.errstate(all="ignore"):
        expected = ((s - roll.mean()) / roll.std()).to_numpy(copy=True)
    # pandas' running variance leaves a residue on constant windows (z = 0 there
    # instead of missing), so it only checks the bars where we give a value.
    present = ~np.isnan(out)
    np.testing.assert_allclose(out[present], expected[present], rtol=1e-9, atol=1e-9)


def test_rolling_zscore_gap_blanks_window_bars():
    xs = [float(i * i % 7) for i in range(30)]
    xs[12] = nan
    out = run_live(zerak.RollingZScore(["x"], 4, ["z"]), xs)
    assert [t for t in range(3, 30) if math.isnan(out[t])] == [12, 13, 14, 15]


def test_rolling_zscore_reset_reproduces_a_new_object():
    xs = gappy_walk(5, 150)
    r = zerak.RollingZScore(["x"], 6, ["z"])
    first = run_live(r, xs)
    r.reset()
    same_floats(run_live(r, xs), first)
    same_floats(run_live(zerak.RollingZScore(["x"], 6, ["z"]), xs), first)


@pytest.mark.parametrize(
    "data, expected",
    [
        ([1.0, 2.0, 3.0], (2.0, 1.0)),
        ([1.0, nan, 3.0], (2.0, 1.4142135623730951)),
        ((1, 2, 3), (2.0, 1.0)),
    ],
)
def test_fit_standard_scaler_values(data, expected):
    assert zerak.fit_standard_scaler(data) == expected
    assert zerak.fit_standard_scaler(data=data) == expected


@pytest.mark.parametrize("seed", range(3))
def test_fit_standard_scaler_against_numpy(seed):
    xs = np.array(gappy_walk(seed))
    mean, std = zerak.fit_standard_scaler(xs)
    assert mean == pytest.approx(np.nanmean(xs), rel=1e-13)
    assert std == pytest.approx(np.nanstd(xs, ddof=1), rel=1e-11)


def test_fit_standard_scaler_arguments():
    _, std = zerak.fit_standard_scaler([1.0, inf])
    assert math.isnan(std)  # a NaN variance is not an error
    with pytest.raises(TypeError, match=r"^argument 'data': Can't extract `str` to `Vec`$"):
        zerak.fit_standard_scaler("123")
    with pytest.raises(TypeError, match=r"^argument 'data': "):
        zerak.fit_standard_scaler([1.0, "x"])
    with pytest.raises(TypeError, match=r"missing 1 required positional argument: 'data'"):
        zerak.fit_standard_scaler()


@needs_pipeline
@pytest.mark.parametrize(
    "make",
    [
        lambda: zerak.RollingZScore(["x"], 7, ["z"]),
        lambda: zerak.FixedZScore(["x"], ["z"], 100.0, 2.5),
    ],
)
def test_in_a_pipeline(make):
    check_in_pipeline(make, gappy_walk(19, 300))
