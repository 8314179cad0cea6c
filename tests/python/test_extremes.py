"""Window extremes and the indicators built on them, against pandas,
bottleneck, numpy and TA-Lib: values, warm-up, ties and the missing rule."""

import bottleneck as bn
import numpy as np
import pandas as pd
import pytest
import talib
from rough_data import assert_close, windows

import zerak

nan, inf = np.nan, np.inf


def research(obj, *columns):
    """(bars, outputs) from run_research_array, the columns named as the object reads them."""
    names = obj.input_names()
    pipe = zerak.FeaturePipeline([obj], names)
    return pipe.run_research_array(np.column_stack(columns[: len(names)]))


def nasty(n, seed):
    """A walk with NaN gaps, flat runs, tick-grid ties, spikes of 1e12 and infinities."""
    rng = np.random.default_rng(seed)
    x = 100.0 + np.cumsum(np.round(rng.normal(0.0, 1.0, n) * 4) / 4)
    for s in np.flatnonzero(rng.random(n) < 0.02):
        x[s : s + 8] = x[s]
    x[rng.random(n) < 0.003] = 1e12
    x[rng.random(n) < 0.003] = -1e12
    x[rng.random(n) < 0.001] = inf
    x[rng.random(n) < 0.001] = -inf
    x[rng.random(n) < 0.01] = nan
    return x


def walk_ohlc(n, seed):
    """NaN-free random-walk high, low, close with close inside [low, high]."""
    rng = np.random.default_rng(seed)
    close = 100.0 + np.cumsum(rng.normal(0.0, 1.0, n))
    high = close + np.abs(rng.normal(0.0, 0.7, n))
    low = close - np.abs(rng.normal(0.0, 0.7, n))
    return high, low, close


def macro_hlc():
    """A real series: quarterly US real GDP as close, with the high and low of
    each pair of consecutive quarters (an OHLC-like bar of real data)."""
    sm = pytest.importorskip("statsmodels.datasets.macrodata")
    gdp = sm.load_pandas().data["realgdp"].to_numpy(float)
    close = gdp[1:]
    return np.maximum(gdp[1:], gdp[:-1]), np.minimum(gdp[1:], gdp[:-1]), close


def oracle_bars_since(x, window, pick):
    """Bars since the most recent window extreme, NaN for windows holding NaN."""
    out = np.full(len(x), nan)
    w = windows(x, window)[:, ::-1]  # newest first: argmax/argmin find the most recent
    ok = ~np.isnan(w).any(axis=1)
    out[window - 1 :][ok] = pick(w[ok], axis=1)
    return out


EXTREMES = {
    zerak.RollingMin: lambda x, w: pd.Series(x).rolling(w).min().to_numpy(),
    zerak.RollingMax: lambda x, w: pd.Series(x).rolling(w).max().to_numpy(),
    zerak.BarsSinceMax: lambda x, w: oracle_bars_since(x, w, np.argmax),
    zerak.BarsSinceMin: lambda x, w: oracle_bars_since(x, w, np.argmin),
}


@pytest.mark.parametrize("window", [1, 2, 7, 64, 500])
@pytest.mark.parametrize("cls", EXTREMES)
def test_extremes_against_oracles(cls, window):
    x = nasty(6000, window)
    got = research(cls(["x"], window, ["y"]), x)[:, 0]
    # pandas takes an infinity for a missing value: it sees them as huge values.
    finite = np.nan_to_num(x, nan=nan, posinf=1e300, neginf=-1e300)
    want = EXTREMES[cls](finite, window)
    np.testing.assert_array_equal(research(cls(["x"], window, ["y"]), finite)[:, 0], want)
    # bottleneck too, ties included (its arg functions also count the most recent).
    move = {
        zerak.RollingMin: bn.move_min,
        zerak.RollingMax: bn.move_max,
        zerak.BarsSinceMax: bn.move_argmax,
        zerak.BarsSinceMin: bn.move_argmin,
    }[cls]
    np.testing.assert_array_equal(got, move(x, window))


def test_ties_count_the_most_recent():
    x = [3.0, 1.0, 3.0, 1.0, 2.0, 1.0]
    assert research(zerak.BarsSinceMax(["x"], 5, ["y"]), x)[4:, 0].tolist() == [2.0, 3.0]
    assert research(zerak.BarsSinceMin(["x"], 5, ["y"]), x)[4:, 0].tolist() == [1.0, 0.0]


# name -> (factory, TA-Lib call on (high, low, close), TA-Lib lookback)
INDICATORS = {
    "Stochastic default": (
        lambda: zerak.Stochastic(["h", "l", "c"], ["k", "d"]),
        lambda h, l, c: talib.STOCH(h, l, c),
        8,
    ),
    "Stochastic 14 1 5": (
        lambda: zerak.Stochastic(["h", "l", "c"], ["k", "d"], fastk=14, slowk=1, slowd=5),
        lambda h, l, c: talib.STOCH(h, l, c, 14, 1, 0, 5, 0),
        17,
    ),
    "Stochastic 1 4 2": (
        lambda: zerak.Stochastic(["h", "l", "c"], ["k", "d"], fastk=1, slowk=4, slowd=2),
        lambda h, l, c: talib.STOCH(h, l, c, 1, 4, 0, 2, 0),
        4,
    ),
    "WilliamsR 14": (
        lambda: zerak.WilliamsR(["h", "l", "c"], 14, ["r"]),
        lambda h, l, c: talib.WILLR(h, l, c, 14),
        13,
    ),
    "WilliamsR 2": (
        lambda: zerak.WilliamsR(["h", "l", "c"], 2, ["r"]),
        lambda h, l, c: talib.WILLR(h, l, c, 2),
        1,
    ),
    "Aroon 14": (
        lambda: zerak.Aroon(["h", "l"], 14, ["down", "up"]),
        lambda h, l, c: talib.AROON(h, l, 14),
        14,
    ),
    "Aroon 2": (
        lambda: zerak.Aroon(["h", "l"], 2, ["down", "up"]),
        lambda h, l, c: talib.AROON(h, l, 2),
        2,
    ),
}


@pytest.mark.parametrize("data", ["walk", "ticks", "macro"])
@pytest.mark.parametrize("name", INDICATORS)
def test_indicators_against_talib(name, data):
    make, reference, lookback = INDICATORS[name]
    if data == "macro":
        h, l, c = macro_hlc()
    else:
        h, l, c = walk_ohlc(20_000, len(name))
        if data == "ticks":  # coarse prices: tied extremes and zero ranges
            h, l, c = np.round(h), np.round(l), np.round(c)
    obj = make()
    assert obj.warm_up_period() == lookback
    out = reference(h, l, c)
    want = np.column_stack(out if isinstance(out, tuple) else [out])
    assert np.isnan(want[:lookback]).all() and not np.isnan(want[lookback:]).any()
    assert_close(research(obj, h, l, c), want, rtol=1e-9, atol=1e-12)


@pytest.mark.parametrize("window", [1, 5, 50])
def test_donchian_against_pandas(window):
    h, l = (np.nan_to_num(nasty(3000, s), nan=nan, posinf=1e300, neginf=-1e300) for s in (1, 2))
    upper = pd.Series(h).rolling(window).max().to_numpy()
    lower = pd.Series(l).rolling(window).min().to_numpy()
    with np.errstate(invalid="ignore"):
        want = np.column_stack([upper, (upper + lower) / 2, lower])
    got = research(zerak.DonchianChannel(["h", "l"], window, ["u", "m", "l"]), h, l)
    np.testing.assert_array_equal(got, want)


# factory, bars a gap in each column it reads keeps blocking (the gap's bar
# included): a close is read on its own bar only.
GAPPED = {
    "RollingMin": (lambda: zerak.RollingMin(["h"], 6, ["y"]), (6,)),
    "BarsSinceMax": (lambda: zerak.BarsSinceMax(["h"], 6, ["y"]), (6,)),
    "Stochastic": (
        lambda: zerak.Stochastic(["h", "l", "c"], ["k", "d"], fastk=5, slowk=3, slowd=4),
        (10, 10, 6),
    ),
    "WilliamsR": (lambda: zerak.WilliamsR(["h", "l", "c"], 6, ["r"]), (6, 6, 1)),
    "Aroon": (lambda: zerak.Aroon(["h", "l"], 6, ["down", "up"]), (7, 7)),
    "DonchianChannel": (lambda: zerak.DonchianChannel(["h", "l"], 6, ["u", "m", "l"]), (6, 6)),
}


@pytest.mark.parametrize("column", [0, 1, 2])
@pytest.mark.parametrize("name", GAPPED)
def test_a_gap_blocks_while_in_a_window_then_outputs_recover(name, column):
    make, reaches = GAPPED[name]
    cols = list(walk_ohlc(200, 7))
    plain = research(make(), *cols)
    cols[column] = cols[column].copy()
    cols[column][100] = nan
    got = research(make(), *cols)
    if column >= len(reaches):  # a column the class does not read
        np.testing.assert_array_equal(got, plain)
        return
    end = 100 + reaches[column]
    # Lines of another column only (Aroon, Donchian) keep their values.
    hit = np.isnan(got[100:end]).any(axis=0)
    assert hit.any() and np.isnan(got[100:end][:, hit]).all()
    np.testing.assert_array_equal(got[:100], plain[:100])
    np.testing.assert_array_equal(got[end:], plain[end:])
    np.testing.assert_array_equal(got[100:end][:, ~hit], plain[100:end][:, ~hit])


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: zerak.RollingMin(["x"], 0, ["y"]), "window must be non-zero"),
        (lambda: zerak.WilliamsR(["h", "l"], 14, ["r"]), "inputs must contain high, low and close"),
        (lambda: zerak.WilliamsR(["h", "l", "c"], 1, ["r"]), "window must be >= 2"),
        (lambda: zerak.Aroon(["h", "l"], 1, ["d", "u"]), "window must be >= 2"),
        (lambda: zerak.Aroon(["h", "l"], 14, ["d"]), "exactly 2 names: [down, up]"),
        (lambda: zerak.Stochastic(["h", "l", "c"], ["k"]), "exactly 2 names: [slowk, slowd]"),
        (lambda: zerak.Stochastic(["h", "l", "c"], ["k", "d"], slowd=0), "slowd must be >= 1"),
        (lambda: zerak.DonchianChannel(["h", "l"], 5, ["u", "l"]), "exactly 3 names"),
    ],
)
def test_bad_configurations(make, message):
    with pytest.raises(zerak.InvalidInputError, match=message.replace("[", r"\[")):
        make()
