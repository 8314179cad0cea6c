import numpy as np
import pytest
from rough_data import assert_close, check_in_pipeline, rough_walk, run, windows
from scipy import stats

import zerak

nan = np.nan


def test_surface():
    s = zerak.LinearSlope(["t", "price", "unused"], 5, ["slope", "r2"])
    assert zerak.LinearSlope.__text_signature__ == "(inputs, window, outputs)"
    assert (
        zerak.LinearSlope.__doc__
        == "Rolling OLS regression: slope and R² of y on x over a sliding window."
    )
    assert (
        zerak.LinearSlope.update.__doc__
        == "Process one bar. Returns ``[slope, r2]``, ``NaN`` during warm-up."
    )
    assert zerak.LinearSlope.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    assert (
        repr(s) == 'LinearSlope(inputs=["t", "price", "unused"], window=5, outputs=["slope", "r2"])'
    )
    assert s.warm_up_period() == 4
    out = s.update([1.0, 2.0])
    assert len(out) == 2 and np.isnan(out).all()
    with pytest.raises(
        zerak.InvalidInputError, match=r"^expected at least 2 input value\(s\), got 1$"
    ):
        s.update([1.0])


@pytest.mark.parametrize(
    "inputs, window, outputs, message",
    [
        (["x"], 1, ["b"], "inputs must contain x and y columns"),
        (["x", "y"], 1, ["b"], "window must be >= 2"),
        (["x", "y"], 2, ["b"], "outputs must contain exactly 2 names: [slope, r2]"),
        (["x", "y"], 2, ["a", "b", "c"], "outputs must contain exactly 2 names: [slope, r2]"),
    ],
)
def test_rejected_configurations(inputs, window, outputs, message):
    with pytest.raises(zerak.InvalidInputError) as info:
        zerak.LinearSlope(inputs, window, outputs)
    assert info.value.args == (message,)


@pytest.mark.parametrize(
    "x, y, expected",
    [
        ([1, 2, 3], [2, 4, 6], [2.0, 1.0]),
        ([1, 2, 3], [3, 1, 2], [-0.5, 0.25]),
        ([1, 2, 3], [5, 5, 5], [0.0, nan]),
        ([4, 4, 4], [1, 9, 2], [nan, nan]),
        ([0.1, 0.1, 0.1], [100.3, 100.1, 100.2], [nan, nan]),  # identical x, inexact mean
    ],
)
def test_worked_values(x, y, expected):
    out = run(zerak.LinearSlope(["x", "y"], 3, ["b", "r2"]), x, y)
    assert np.isnan(out[:2]).all()
    assert_close(out[2], expected, rtol=1e-15)


def linregress_or_nan(wx, wy):
    if (wx == wx[0]).all():
        return nan, nan
    fit = stats.linregress(wx, wy)
    return fit.slope, (nan if (wy == wy[0]).all() else fit.rvalue**2)


@pytest.mark.parametrize("window", [2, 3, 10, 50])
def test_against_scipy_linregress(window):
    # x on the tick grid too, with its own gaps and flat stretches, so that
    # constant-x and constant-y windows both occur.
    x = rough_walk(2000, seed=100 + window, flat=0.05)
    y = rough_walk(2000, seed=200 + window)
    got = run(zerak.LinearSlope(["x", "y"], window, ["b", "r2"]), x, y)
    want = np.full((len(x), 2), nan)
    for i, (wx, wy) in enumerate(zip(windows(x, window), windows(y, window), strict=True)):
        if not (np.isnan(wx).any() or np.isnan(wy).any()):
            want[i + window - 1] = linregress_or_nan(wx, wy)
    assert_close(got, want, rtol=1e-9, atol=1e-12)
    assert np.isfinite(got[:, 0]).sum() > len(x) // 20


def test_one_missing_y_blanks_exactly_window_bars():
    t = np.arange(30.0)
    y = np.cos(t)
    clean = run(zerak.LinearSlope(["t", "y"], 4, ["b", "r2"]), t, y)
    y[10] = nan
    gapped = run(zerak.LinearSlope(["t", "y"], 4, ["b", "r2"]), t, y)
    blank = np.isnan(gapped) & ~np.isnan(clean)
    assert (blank[:, 0] == blank[:, 1]).all()
    assert np.flatnonzero(blank[:, 0]).tolist() == [10, 11, 12, 13]


def test_reset_starts_over_and_huge_windows_fail_cleanly():
    x, y = rough_walk(100, seed=3), rough_walk(100, seed=4)
    s = zerak.LinearSlope(["x", "y"], 6, ["b", "r2"])
    first = run(s, x, y)
    s.reset()
    np.testing.assert_array_equal(run(s, x, y), first)
    with pytest.raises(MemoryError):
        zerak.LinearSlope(["x", "y"], 2**63, ["b", "r2"])


def test_in_a_pipeline():
    x, y = rough_walk(400, seed=5, flat=0.05), rough_walk(400, seed=6)
    check_in_pipeline(
        [
            lambda: zerak.LinearSlope(["x", "y"], 7, ["b", "r2"]),
            lambda: zerak.LinearSlope(["y", "x"], 3, ["b_yx", "r2_yx"]),
        ],
        {"x": x, "y": y},
    )
