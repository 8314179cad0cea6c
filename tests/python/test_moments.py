from decimal import Decimal, localcontext
from fractions import Fraction

import numpy as np
import pandas as pd
import pytest
from rough_data import assert_close, check_in_pipeline, rolling_expected, rough_walk, run
from scipy import stats

import zerak

CLASSES = {
    zerak.Skewness: ("Rolling sample skewness (Fisher-Pearson corrected).", 3),
    zerak.Kurtosis: ("Rolling excess kurtosis (Fisher).", 4),
}


def scipy_moment(cls):
    if cls is zerak.Skewness:
        return lambda w: stats.skew(w, bias=False)
    return lambda w: stats.kurtosis(w, fisher=True, bias=False)


def constant_or(stat):
    return lambda w: np.nan if (w == w[0]).all() else stat(w)


@pytest.mark.parametrize("cls", CLASSES)
def test_surface(cls):
    doc, min_window = CLASSES[cls]
    m = cls(["close", "volume"], 20, ["m", "extra"])
    assert cls.__text_signature__ == "(inputs, window, outputs, accurate=False)"
    assert cls.__doc__ == doc
    assert (
        cls.update.__doc__
        == "Process one bar. Returns ``[NaN]`` during warm-up or on ``NaN`` input."
    )
    assert cls.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    assert (
        repr(m) == f'{cls.__name__}(inputs=["close", "volume"], window=20, outputs=["m", "extra"])'
    )
    assert m.warm_up_period() == 19
    assert len(m.update([1.0])) == 1
    with pytest.raises(zerak.InvalidInputError, match=f"^window must be >= {min_window}$"):
        cls(["x"], min_window - 1, ["m"])
    with pytest.raises(zerak.InvalidInputError, match=r"^inputs must not be empty$"):
        cls([], 0, [])
    with pytest.raises(zerak.InvalidInputError, match=r"^outputs must not be empty$"):
        cls(["x"], 0, [])


@pytest.mark.parametrize(
    "cls, window, values, expected",
    [
        (zerak.Skewness, 3, [1, 2, 3], 0.0),
        (zerak.Skewness, 3, [0, 0, 3], 3**0.5),
        (zerak.Kurtosis, 4, [1, 2, 3, 4], -1.2),
        (zerak.Kurtosis, 4, [5, 5, 5, 5], np.nan),
        (zerak.Skewness, 3, [0.1, 0.1, 0.1], np.nan),  # constant although the mean rounds off 0.1
        (zerak.Kurtosis, 4, [0.1, 0.1, 0.1, 0.1], np.nan),
    ],
)
def test_worked_values(cls, window, values, expected):
    out = run(cls(["x"], window, ["m"]), values)[:, 0]
    assert np.isnan(out[:-1]).all()
    assert_close(out[-1:], [expected], rtol=1e-14, atol=1e-15)


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("window", [4, 5, 20, 63])
def test_against_scipy_and_pandas(cls, window):
    x = rough_walk(2000, seed=window)
    got = run(cls(["x"], window, ["m"]), x)[:, 0]
    want = rolling_expected(x, window, constant_or(scipy_moment(cls)))
    assert_close(got, want, rtol=1e-9, atol=1e-11)
    assert np.isfinite(got).sum() > len(x) // 10
    # pandas keeps running sums, so only a looser agreement is expected.
    rolling = pd.Series(x).rolling(window)
    theirs = (rolling.skew() if cls is zerak.Skewness else rolling.kurt()).to_numpy()
    both = np.isfinite(got) & np.isfinite(theirs)
    assert both.sum() == np.isfinite(got).sum()
    np.testing.assert_allclose(got[both], theirs[both], rtol=1e-6, atol=1e-6)


@pytest.mark.parametrize("cls", CLASSES)
def test_one_gap_blanks_exactly_window_bars(cls):
    window = 7
    x = np.sin(np.arange(40.0))
    clean = run(cls(["x"], window, ["m"]), x)[:, 0]
    x[20] = np.nan
    gapped = run(cls(["x"], window, ["m"]), x)[:, 0]
    assert np.flatnonzero(np.isnan(gapped) & ~np.isnan(clean)).tolist() == list(range(20, 27))


@pytest.mark.parametrize("cls", CLASSES)
def test_reset_starts_over_and_huge_windows_fail_cleanly(cls):
    x = rough_walk(200, seed=1)
    m = cls(["x"], 9, ["m"])
    first = run(m, x)
    m.reset()
    np.testing.assert_array_equal(run(m, x), first)
    with pytest.raises(MemoryError):
        cls(["x"], 2**62, ["m"])


def test_in_a_pipeline():
    x = rough_walk(400, seed=9)
    check_in_pipeline(
        [lambda: zerak.Skewness(["x"], 5, ["s"]), lambda: zerak.Kurtosis(["x"], 12, ["k"])],
        {"x": x},
    )


def signed_root(q):
    """sign(q) * sqrt(|q|) of a Fraction, correct to 40 digits."""
    with localcontext() as ctx:
        ctx.prec = 40
        r = float((Decimal(abs(q.numerator)) / Decimal(q.denominator)).sqrt())
    return r if q >= 0 else -r


def exact_statistics(x, y, n):
    """Exact skewness, kurtosis and Pearson r of every full window: the values
    scaled to integers by a common power of two, which these statistics ignore."""
    scale = max(Fraction(v).denominator for v in np.concatenate([x, y]))
    xi = [int(Fraction(v) * scale) for v in x]
    yi = [int(Fraction(v) * scale) for v in y]
    out = {"skew": [], "kurt": [], "corr": []}
    for i in range(n - 1, len(x)):
        mx, my = Fraction(sum(xi[i + 1 - n : i + 1]), n), Fraction(sum(yi[i + 1 - n : i + 1]), n)
        dx = [v - mx for v in xi[i + 1 - n : i + 1]]
        dy = [v - my for v in yi[i + 1 - n : i + 1]]
        m2, m3, m4 = (sum(d**k for d in dx) for k in (2, 3, 4))
        sxy, syy = sum(a * b for a, b in zip(dx, dy, strict=True)), sum(b * b for b in dy)
        if m2 == 0:  # a constant window: no moments, no correlation
            for name in out:
                out[name].append(np.nan)
            continue
        g1 = Fraction(n, (n - 1) * (n - 2)) * (n - 1) * signed_root((n - 1) * m3 * abs(m3) / m2**3)
        out["skew"].append(float(g1))
        out["kurt"].append(
            float(
                Fraction(n * (n + 1) * (n - 1), (n - 2) * (n - 3)) * m4 / m2**2
                - Fraction(3 * (n - 1) ** 2, (n - 2) * (n - 3))
            )
        )
        out["corr"].append(signed_root(sxy * abs(sxy) / (m2 * syy)) if syy else np.nan)
    return out


@pytest.mark.parametrize("w", [4, 20, 250])
@pytest.mark.parametrize("offset,noise", [(1e8, 2.0**-26), (1.7e9, 1e-3), (1e14, 4.0)])
def test_accurate_mode_far_from_zero(offset, noise, w):
    rng = np.random.default_rng(w)
    x = offset + np.cumsum(rng.normal(0.0, noise, 600))
    if noise < 1e-7:  # a few ulps around the level: 1e8 + ulp * [0, 1, 0, 2], ...
        x = offset + noise * rng.integers(0, 3, 600)
    y = offset / 2 + np.cumsum(rng.normal(0.0, noise * 3, 600)) + (x - offset)
    want = exact_statistics(x, y, w)
    makers = {
        "skew": lambda: zerak.Skewness(["x"], w, ["o"], accurate=True),
        "kurt": lambda: zerak.Kurtosis(["x"], w, ["o"], accurate=True),
        "corr": lambda: zerak.Correlation(["x", "y"], w, ["o"], accurate=True),
    }
    for name, make in makers.items():
        obj = make()
        k = len(obj.input_names())
        data = np.column_stack([x, y])[:, :k]
        live = run(obj, *data.T)[:, 0]
        research = zerak.FeaturePipeline([make()], obj.input_names()).run_research_array(data)[:, 0]
        np.testing.assert_array_equal(live, research)
        expected = np.array(want[name])
        got = live[w - 1 :]
        np.testing.assert_array_equal(np.isnan(got), np.isnan(expected))
        # Relative, with statistics near 0 measured against 1e-2.
        ok = np.isnan(expected) | (
            np.abs(got - expected) <= 1e-12 * np.maximum(np.abs(expected), 1e-2)
        )
        assert ok.all(), (name, np.flatnonzero(~ok)[:5], got[~ok][:5], expected[~ok][:5])
