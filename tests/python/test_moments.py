import numpy as np
import pandas as pd
import pytest
from scipy import stats

import zerak
from rough_data import assert_close, check_in_pipeline, rolling_expected, rough_walk, run

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
    assert cls.__text_signature__ == "(inputs, window, outputs)"
    assert cls.__doc__ == doc
    assert cls.update.__doc__ == "Process one bar. Returns ``[NaN]`` during warm-up or on ``NaN`` input."
    assert cls.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    assert repr(m) == f'{cls.__name__}(inputs=["close", "volume"], window=20, outputs=["m", "extra"])'
    assert m.warm_up_period() == 19
    assert len(m.update([1.0])) == 1
    with pytest.raises(zerak.InvalidInputError, match=f"^window must be >= {min_window}$"):
        cls(["x"], min_window - 1, ["m"])
    with pytest.raises(zerak.InvalidInputError, match="^inputs must not be empty$"):
        cls([], 0, [])
    with pytest.raises(zerak.InvalidInputError, match="^outputs must not be empty$"):
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
    check_in_pipeline([lambda: zerak.Skewness(["x"], 5, ["s"]),
                       lambda: zerak.Kurtosis(["x"], 12, ["k"])], {"x": x})
