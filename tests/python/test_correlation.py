"""Correlation and AutoCorrelation: rolling Pearson, Spearman and Kendall tau-b."""

import math
import warnings

import numpy as np
import pytest
from scipy import stats

import zerak
from zerak import AutoCorrelation, Correlation, InvalidConfigError, InvalidInputError

METHODS = ["pearson", "spearman", "kendall"]
NAN = float("nan")


def scipy_corr(method, a, b):
    """The oracle: NaN where scipy warns about a constant input."""
    if np.ptp(a) == 0 or np.ptp(b) == 0:
        return NAN
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        if method == "pearson":
            return stats.pearsonr(a, b).statistic
        if method == "spearman":
            return stats.spearmanr(a, b).statistic
        return stats.kendalltau(a, b).statistic  # tau-b by default


def tied_series(rng, n):
    """Few distinct levels (many ties) and one constant stretch of 15 bars."""
    x = rng.integers(0, 6, n) * 0.5
    start = rng.integers(0, n - 15)
    x[start : start + 15] = 1.5
    return x


def feed(transform, rows):
    return np.array([transform.update(list(r))[0] for r in rows])


# ---- behaviour ---------------------------------------------------------------


@pytest.mark.parametrize("method", METHODS)
def test_warm_up_then_perfect_association(method):
    c = Correlation(["a", "b"], 3, ["r"], method=method)
    assert c.warm_up_period() == 2
    out = feed(c, [(1, 2), (2, 4), (3, 6), (4, 3)])
    assert np.isnan(out[:2]).all()
    assert out[2] == 1.0

    a = AutoCorrelation(["x"], 3, ["r"], lag=2, method=method)
    assert a.warm_up_period() == 4
    out = feed(a, [(v,) for v in [1, 2, 3, 4, 5, 6]])
    assert np.isnan(out[:4]).all() and out[4] == 1.0

    # windows [2, 3, 4] and [1, 2, 3]
    a1 = AutoCorrelation(["x"], 3, ["r"], method=method)
    assert feed(a1, [(v,) for v in [1, 2, 3, 4, 5]])[3] == 1.0


@pytest.mark.parametrize("method", METHODS)
def test_constant_window_gives_nan(method):
    c = Correlation(["a", "b"], 3, ["r"], method)
    assert math.isnan(feed(c, [(5, 1), (5, 2), (5, 3)])[-1])
    a = AutoCorrelation(["x"], 3, ["r"], 1, method)
    assert math.isnan(feed(a, [(7,)] * 4)[-1])


@pytest.mark.parametrize("method", METHODS)
@pytest.mark.parametrize("window", [2, 5, 12])
def test_correlation_agrees_with_scipy_on_tied_and_constant_windows(method, window):
    rng = np.random.default_rng(window)
    n = 120
    x = tied_series(rng, n)
    y = np.where(rng.random(n) < 0.5, tied_series(rng, n), rng.normal(size=n))
    out = feed(Correlation(["x", "y"], window, ["r"], method), zip(x, y, strict=True))
    want = [NAN] * (window - 1) + [
        scipy_corr(method, x[t + 1 - window : t + 1], y[t + 1 - window : t + 1])
        for t in range(window - 1, n)
    ]
    np.testing.assert_allclose(out, want, rtol=1e-12, atol=1e-12)
    assert np.isnan(want).sum() > window - 1  # the constant stretch was exercised


@pytest.mark.parametrize("method", METHODS)
@pytest.mark.parametrize(("window", "lag"), [(2, 1), (6, 3), (4, 9)])
def test_autocorrelation_is_the_correlation_of_shifted_slices(method, window, lag):
    rng = np.random.default_rng(lag)
    n = 100
    x = tied_series(rng, n)
    out = feed(AutoCorrelation(["x"], window, ["r"], lag, method), ((v,) for v in x))
    start = window + lag - 1
    want = [NAN] * start + [
        scipy_corr(method, x[t + 1 - window : t + 1], x[t + 1 - window - lag : t + 1 - lag])
        for t in range(start, n)
    ]
    np.testing.assert_allclose(out, want, rtol=1e-12, atol=1e-12)


@pytest.mark.parametrize("method", METHODS)
def test_nan_blanks_exactly_the_windows_that_hold_it(method):
    rng = np.random.default_rng(1)
    n, window = 40, 5
    x, y = rng.normal(size=n), rng.normal(size=n)
    clean = feed(Correlation(["x", "y"], window, ["r"], method), zip(x, y, strict=True))
    for column in (x, y):
        saved = column[17]
        column[17] = NAN
        out = feed(Correlation(["x", "y"], window, ["r"], method), zip(x, y, strict=True))
        column[17] = saved
        blank = np.zeros(n, bool)
        blank[17 : 17 + window] = True
        assert np.isnan(out[blank]).all()
        np.testing.assert_array_equal(out[~blank], clean[~blank])

    # lag 1: the bar sits in the newer window, then in the older one.
    z = rng.normal(size=n)
    z[20] = NAN
    out = feed(AutoCorrelation(["x"], 3, ["r"], 1, method), ((v,) for v in z))
    assert np.isnan(out[20:24]).all() and not np.isnan(out[[19, 24]]).any()
    # lag 6 > window 2: bars between the two windows belong to neither.
    out = feed(AutoCorrelation(["x"], 2, ["r"], 6, method), ((v,) for v in z))
    assert not np.isnan(out[22:26]).any()
    assert np.isnan(out[[20, 21, 26, 27]]).all()


def test_infinity_is_a_value_not_missing():
    c = Correlation(["a", "b"], 3, ["r"])
    assert math.isnan(feed(c, [(1, 1), (math.inf, 2), (3, 3)])[-1])
    k = Correlation(["a", "b"], 3, ["r"], "kendall")
    # Two concordant pairs, and (inf, 3) -> (3, 4) discordant.
    assert feed(k, [(1, 1), (math.inf, 3), (3, 4)])[-1] == pytest.approx(1 / 3)


def test_kendall_past_the_sixty_four_bit_denominator():
    # 78,000 points: (total - ties)^2 exceeds 2^63. One window, ~3e9 pairs.
    rng = np.random.default_rng(0)
    n = 78_000
    x = rng.normal(size=n)
    y = x + rng.normal(size=n)
    c = Correlation(["x", "y"], n, ["r"], "kendall")
    out = feed(c, zip(x, y, strict=True))
    assert np.isnan(out[:-1]).all()
    assert out[-1] == pytest.approx(stats.kendalltau(x, y).statistic, rel=1e-12)


@pytest.mark.parametrize("method", METHODS)
def test_reset_replays_like_new(method):
    rng = np.random.default_rng(2)
    rows = list(zip(tied_series(rng, 50), rng.normal(size=50), strict=True))
    for t in (
        Correlation(["a", "b"], 7, ["r"], method),
        AutoCorrelation(["a"], 7, ["r"], 2, method),
    ):
        first = feed(t, rows)
        t.reset()
        np.testing.assert_array_equal(feed(t, rows), first)


@pytest.mark.skipif(not hasattr(zerak, "FeaturePipeline"), reason="needs FeaturePipeline")
@pytest.mark.parametrize("method", METHODS)
def test_pipeline_research_equals_live(method):
    rng = np.random.default_rng(3)
    data = [list(r) for r in zip(tied_series(rng, 80), rng.normal(size=80), strict=True)]
    data[30][1] = NAN
    features = [
        Correlation(["a", "b"], 6, ["c"], method),
        AutoCorrelation(["c"], 4, ["ac"], 3, method),  # fed by the first
    ]
    for f in features:
        feed(f, data[:9])  # a used object still gives a fresh copy
    pipe = zerak.FeaturePipeline(features, ["a", "b"])
    research = np.array(pipe.run_research(data))
    pipe.reset()
    live = np.array([pipe.update(row) for row in data])
    np.testing.assert_array_equal(research, live)
    c = Correlation(["a", "b"], 6, ["c"], method)
    np.testing.assert_array_equal(research[:, 0], feed(c, data))


# ---- construction and surface --------------------------------------------------


@pytest.mark.parametrize(
    ("make", "message"),
    [
        (lambda: Correlation(["a"], 1, []), "inputs must contain at least 2 column names"),
        (lambda: Correlation(["a", "b"], 1, []), "window must be >= 2"),
        (lambda: Correlation(["a", "b"], 2, ["x", "y"]), "outputs must contain exactly 1 name"),
        (
            lambda: AutoCorrelation(["a", "b"], 1, [], 0),
            "inputs must contain exactly 1 column name",
        ),
        (lambda: AutoCorrelation(["a"], 1, [], 0), "window must be >= 2"),
        (lambda: AutoCorrelation(["a"], 2, [], 0), "outputs must contain exactly 1 name"),
        (lambda: AutoCorrelation(["a"], 2, ["r"], 0), "lag must be >= 1"),
    ],
)
def test_rejected_configurations(make, message):
    with pytest.raises(InvalidInputError) as info:
        make()
    assert info.value.args == (message,)


@pytest.mark.parametrize("cls", [Correlation, AutoCorrelation])
@pytest.mark.parametrize("method", ["Pearson", "", "pearson ", "kendall\0"])
def test_method_is_parsed_before_the_other_checks(cls, method):
    # The other arguments are invalid too; the method is reported.
    with pytest.raises(InvalidConfigError) as info:
        cls(["a"] if cls is Correlation else [], 1, [], method=method)
    assert str(info.value) == f"method must be 'pearson', 'spearman', or 'kendall', got '{method}'"


def test_method_must_be_a_str():
    with pytest.raises(
        TypeError, match=r"^argument 'method': 'int' object cannot be converted to 'PyString'$"
    ):
        Correlation(["a", "b"], 3, ["r"], 1)


@pytest.mark.parametrize(
    "make",
    [
        lambda: Correlation(["a", "b"], 2**62, ["r"]),
        lambda: AutoCorrelation(["a"], 2**62, ["r"], 2**62),
        lambda: AutoCorrelation(["a"], 2, ["r"], 2**64 - 2),  # window + lag wraps
    ],
)
def test_impossible_buffer_is_a_memory_error(make):
    with pytest.raises(MemoryError):
        make()


def test_third_input_is_listed_but_not_read():
    c = Correlation(["a", "b", "c"], 2, ["r"], "spearman")
    assert c.input_names() == ["a", "b", "c"]
    c.update([1.0, 2.0])
    assert c.update([2.0, 3.0]) == [1.0]


@pytest.mark.parametrize(
    ("obj", "text"),
    [
        (
            Correlation(["a", "b"], 20, ["r"]),
            'Correlation(inputs=["a", "b"], window=20, outputs=["r"], method="pearson")',
        ),
        (
            Correlation(inputs=["x", 'q"'], window=5, outputs=["o"], method="kendall"),
            'Correlation(inputs=["x", "q\\""], window=5, outputs=["o"], method="kendall")',
        ),
        (
            AutoCorrelation(["c"], 10, ["ac"]),
            'AutoCorrelation(inputs=["c"], window=10, outputs=["ac"], lag=1, method="pearson")',
        ),
        (
            AutoCorrelation(["c"], 10, ["ac"], method="spearman", lag=5),
            'AutoCorrelation(inputs=["c"], window=10, outputs=["ac"], lag=5, method="spearman")',
        ),
    ],
)
def test_repr(obj, text):
    assert repr(obj) == text


def test_signatures_and_docstrings():
    assert (
        Correlation.__text_signature__
        == '(inputs, window, outputs, method="pearson", accurate=False)'
    )
    assert (
        AutoCorrelation.__text_signature__ == '(inputs, window, outputs, lag=1, method="pearson")'
    )
    assert Correlation.__doc__ == (
        "Rolling pairwise correlation between two input series.\n\nSupports three methods:\n\n"
        "- ``'pearson'``: linear correlation, O(n) per bar. Suitable for live trading.\n"
        "- ``'spearman'``: rank correlation, O(n log n) per bar. Suitable for live trading.\n"
        "- ``'kendall'``: Kendall tau-b rank correlation, O(n^2) per bar. Prefer\n"
        "  small windows (window <= 30) for live trading.\n\n"
        "Returns ``NaN`` during warm-up or when either series is constant over the window."
    )
    assert AutoCorrelation.__doc__ == (
        "Rolling autocorrelation of a single series at a fixed lag.\n\n"
        "Computes the correlation between the current window ``x[t-window+1..t]``\n"
        "and the lagged window ``x[t-window+1-lag..t-lag]``. Supports the same\n"
        "three methods as ``Correlation``.\n\n"
        "Returns ``NaN`` during warm-up or when either sub-window is constant."
    )
    assert Correlation.update.__doc__ == (
        "Process one bar. Returns ``[NaN]`` during warm-up, on ``NaN`` input,\n"
        "or when either series is constant over the window."
    )
    assert AutoCorrelation.update.__doc__ == (
        "Process one bar. Returns ``[NaN]`` during warm-up, on ``NaN`` input,\n"
        "or when either sub-window is constant."
    )
    for cls in (Correlation, AutoCorrelation):
        assert cls.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    names = zerak.__all__
    assert names[names.index("Correlation") :][:3] == ["Correlation", "AutoCorrelation", "Add"]


@pytest.mark.parametrize(
    "xs, ys, expected",
    [
        ([0.1, 0.1, 0.1], [1.0, 2.0, 4.0], None),  # constant x whose mean rounds: no correlation
        ([1.0, 2.0, 4.0], [1e-160, 2e-160, 4e-160], 1.0),  # the squares underflow
        ([1e-170, 2e-170, 4e-170], [1.0, 2.0, 4.0], 1.0),  # the squares underflow to 0
        ([1e100, 2e100, 4e100], [1e100, 2e100, 4e100], 1.0),  # sxx * syy overflows
        ([1e100, 2e100, 4e100], [4.0, 2.0, 1.0], stats.pearsonr([1, 2, 4], [4, 2, 1]).statistic),
    ],
)
def test_pearson_at_extreme_scales_and_on_constant_windows(xs, ys, expected):
    c = zerak.Correlation(["x", "y"], 3, ["r"])
    (r,) = [c.update([x, y]) for x, y in zip(xs, ys, strict=True)][-1]
    if expected is None:
        assert math.isnan(r)
    else:
        assert r == pytest.approx(expected, rel=1e-12)


@pytest.mark.parametrize(
    "make",
    [
        lambda: Correlation(["x", "y"], 2, ["r"]),
        lambda: Correlation(["x", "y"], 2, ["r"], accurate=True),
        lambda: AutoCorrelation(["x"], 2, ["r"]),
    ],
)
def test_pearson_never_leaves_minus_one_to_one(make):
    # Two points always lie on a line: |r| is 1, which the rounded sums of
    # a random walk overshoot by an ulp on many windows (and undershoot on
    # others, which is within the range).
    x, y = np.cumsum(np.random.default_rng(3).normal(size=(2, 3000)), axis=1)
    obj = make()
    rows = np.column_stack([x, y])[:, : len(obj.input_names())]
    live = feed(obj, rows)
    research = zerak.FeaturePipeline([make()], obj.input_names()).run_research_array(rows)[:, 0]
    np.testing.assert_array_equal(live, research)
    r = np.abs(live[np.isfinite(live)])
    assert (
        len(r) == len(live) - obj.warm_up_period() and (r <= 1.0).all() and (r > 1.0 - 1e-15).all()
    )
