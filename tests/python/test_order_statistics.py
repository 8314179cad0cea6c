"""Medians, quantiles and ranks over a window against pandas, bottleneck and numpy."""

import bottleneck as bn
import numpy as np
import pandas as pd
import pytest

import zerak

WINDOWS = [1, 2, 3, 4, 10, 385, 1000]


def nasty(n=4000, seed=0):
    """Ties, flat runs, NaN gaps, 1e12 spikes, infinities and both zeros."""
    rng = np.random.default_rng(seed)
    x = np.round(np.cumsum(rng.normal(0.0, 1.0, n)), 1)  # rounding makes ties
    for start in rng.integers(0, n - 60, 6):
        x[start : start + rng.integers(5, 60)] = x[start]
    x[rng.integers(0, n, 8)] = 1e12
    x[rng.integers(0, n, 8)] = -1e12
    x[rng.integers(0, n, 4)] = np.inf
    x[rng.integers(0, n, 4)] = -np.inf
    x[rng.integers(0, n, 60)] = 0.0
    x[rng.integers(0, n, 60)] = -0.0
    x[rng.integers(0, n, 10)] = np.nan
    gap = rng.integers(0, n - 30)
    x[gap : gap + 25] = np.nan
    return x


def research(obj, x):
    pipe = zerak.FeaturePipeline([obj], ["x"])
    return pipe.run_research_array(np.ascontiguousarray(x[:, None]))[:, 0]


def same(got, want):
    """Equal bit for bit (NaN equals NaN; -0.0 equals 0.0, whose order in a
    window pandas leaves to arrival)."""
    np.testing.assert_array_equal(np.isnan(got), np.isnan(want))
    ok = ~np.isnan(want)
    bad = np.flatnonzero(got[ok] != want[ok])
    assert bad.size == 0, (np.flatnonzero(ok)[bad[:5]], got[ok][bad[:5]], want[ok][bad[:5]])


def windowed(x, w):
    """Each full window as a row (NaN rows where the window is not full)."""
    padded = np.concatenate([np.full(w - 1, np.nan), x])
    return np.lib.stride_tricks.sliding_window_view(padded, w)


def no_inf(x, w):
    """Windows without an infinity: pandas' rolling methods take infinities
    for missing values, ours keep them as values."""
    return ~np.isinf(windowed(x, w)).any(axis=1)


def sorted_rows(x, w):
    """The full windows without NaN, each sorted, and where they are."""
    rows = windowed(x, w)
    full = ~np.isnan(rows).any(axis=1)
    return np.sort(rows[full], axis=1), full


@pytest.mark.parametrize("w", WINDOWS)
def test_median_against_pandas_bottleneck_and_numpy(w):
    x = nasty(seed=w)
    got = research(zerak.Mma(["x"], w, ["m"]), x)
    ok = no_inf(x, w)
    same(got[ok], pd.Series(x).rolling(w).median().to_numpy()[ok])
    same(got[ok], bn.move_median(x, w)[ok])
    rows, full = sorted_rows(x, w)  # infinities included
    same(got[full], np.median(rows, axis=1))


@pytest.mark.parametrize("w", WINDOWS)
@pytest.mark.parametrize("q", [0.0, 0.1, 0.25, 0.5, 0.7, 0.999, 1.0])
def test_quantile_against_pandas_and_numpy(w, q):
    x = nasty(seed=w + 1)
    got = research(zerak.RollingQuantile(["x"], w, ["m"], q=q), x)
    ok = no_inf(x, w)
    same(got[ok], pd.Series(x).rolling(w).quantile(q).to_numpy()[ok])
    rows, full = sorted_rows(x, w)
    p = q * (w - 1)
    i = int(p)
    lo, hi = rows[:, i], rows[:, min(i + 1, w - 1)]
    # numpy's lerp switches form at a fraction of 0.5: equal up to the
    # rounding of the two order statistics' difference.
    finite = np.isfinite(rows).all(axis=1)
    error = np.abs(got[full][finite] - np.quantile(rows[finite], q, axis=1))
    assert (error <= 4e-16 * (np.abs(lo) + np.abs(hi))[finite]).all()
    # With infinities: the interpolation's limit (an infinite lower end wins,
    # but -inf to inf stays NaN).
    with np.errstate(invalid="ignore"):
        want = lo if p == i else lo + (hi - lo) * (p - i)
    if p != i:
        want = np.where(np.isinf(lo) & ~((lo == -np.inf) & (hi == np.inf)), lo, want)
    same(got[full], want)


@pytest.mark.parametrize(
    "pair", [(np.inf, np.inf), (-np.inf, -np.inf), (-np.inf, 1.0), (1.0, np.inf), (-np.inf, np.inf)]
)
def test_median_and_middle_quantile_interpolate_infinities_alike(pair):
    x = np.array(pair)
    median = research(zerak.Mma(["x"], 2, ["m"]), x)[1]
    quantile = research(zerak.RollingQuantile(["x"], 2, ["m"], q=0.5), x)[1]
    same(np.array([quantile]), np.array([median]))
    assert np.isnan(median) == (pair == (-np.inf, np.inf))


@pytest.mark.parametrize("w", WINDOWS)
def test_rank_against_pandas_and_bottleneck(w):
    x = nasty(seed=w + 2)
    got = research(zerak.RollingRank(["x"], w, ["r"]), x)
    ok = no_inf(x, w)
    same(got[ok], pd.Series(x).rolling(w).rank(pct=True).to_numpy()[ok])
    if w > 1:  # bottleneck scales to [-1, 1]: 2 (rank - 1) / (n - 1) - 1
        scaled = bn.move_rank(x, w)
        ok &= ~np.isnan(scaled)
        np.testing.assert_allclose(got[ok], ((scaled[ok] + 1) * (w - 1) / 2 + 1) / w, rtol=1e-14)
    # infinities rank as the largest and smallest values
    top = np.flatnonzero((x == np.inf) & ~np.isnan(got))
    np.testing.assert_array_less(1 - 1 / w, got[top] + 1e-12)


@pytest.mark.parametrize(
    "make",
    [
        lambda w: zerak.Mma(["x"], w, ["m"]),
        lambda w: zerak.RollingQuantile(["x"], w, ["m"], q=0.3),
        lambda w: zerak.RollingRank(["x"], w, ["m"]),
    ],
)
@pytest.mark.parametrize("w", [1, 6, 500])
def test_live_equals_research_and_missing_rule(make, w):
    x = nasty(1500, seed=7)
    x[np.isinf(x)] = 5.0  # inf - inf would be a NaN of its own
    obj = make(w)
    live = np.array([obj.update([v])[0] for v in x])
    same(live, research(make(w), x))
    np.testing.assert_array_equal(live[: w - 1], np.nan)
    # A missing value gives missing exactly while it is in the window.
    gone = np.convolve(np.isnan(x), np.ones(w), mode="full")[: len(x)] > 0
    np.testing.assert_array_equal(np.isnan(live[w - 1 :]), gone[w - 1 :])


@pytest.mark.parametrize("q", [-0.1, 1.5, float("nan"), float("inf")])
def test_quantile_outside_unit_interval_is_refused(q):
    with pytest.raises(zerak.InvalidInputError, match=r"q must be in \[0, 1\]"):
        zerak.RollingQuantile(["x"], 5, ["m"], q=q)
