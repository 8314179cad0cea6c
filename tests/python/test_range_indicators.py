"""Indicators of high, low and close against TA-Lib (Keltner against its
pandas formula): the numbers after warm-up, the warm-up itself, what a NaN
or infinite bar does, and the configurations refused."""

import numpy as np
import pandas as pd
import pytest
import talib

import zerak

HLC = ["h", "l", "c"]


def walk_bars(n=200_000, seed=11):
    """Random-walk high, low, close with flat stretches (zero ranges) and ties."""
    rng = np.random.default_rng(seed)
    mid = 100.0 + np.cumsum(rng.normal(0.0, 1.0, n))
    h = mid + rng.random(n) * 2.0
    lo = mid - rng.random(n) * 2.0
    c = lo + (h - lo) * rng.random(n)
    for start in rng.integers(0, n - 100, 30):
        h[start : start + 60] = lo[start : start + 60] = c[start : start + 60] = c[start]
    h[::97] = h[1::97][: len(h[::97])]  # repeated highs: ties in the moves
    return np.maximum(h, c), np.minimum(lo, c), c


def co2_bars():
    """A real series as bars: four weeks of CO2 readings each (max, min, last)."""
    import statsmodels.datasets

    x = statsmodels.datasets.co2.load_pandas().data["co2"].dropna().to_numpy()
    x = x[: len(x) // 4 * 4].reshape(-1, 4)
    return x.max(axis=1), x.min(axis=1), x[:, -1]


def research(obj, h, lo, c):
    data = np.ascontiguousarray(np.column_stack([h, lo, c]))
    return zerak.FeaturePipeline([obj], HLC).run_research_array(data)


# name: (our object, TA-Lib's outputs in ours' order, TA-Lib's lookback)
ORACLES = {
    "TRANGE": (lambda: zerak.TrueRange(HLC, ["o"]), lambda h, lo, c: [talib.TRANGE(h, lo, c)], 1),
    "ATR 14": (lambda: zerak.Atr(HLC, 14, ["o"]), lambda h, lo, c: [talib.ATR(h, lo, c)], 14),
    "ATR 1": (lambda: zerak.Atr(HLC, 1, ["o"]), lambda h, lo, c: [talib.ATR(h, lo, c, 1)], 1),
    "NATR 14": (lambda: zerak.Natr(HLC, 14, ["o"]), lambda h, lo, c: [talib.NATR(h, lo, c)], 14),
    "ADX 14": (
        lambda: zerak.Adx(HLC, 14, ["p", "m", "a"]),
        lambda h, lo, c: [talib.PLUS_DI(h, lo, c), talib.MINUS_DI(h, lo, c), talib.ADX(h, lo, c)],
        27,
    ),
    "ADX 2": (
        lambda: zerak.Adx(HLC, 2, ["p", "m", "a"]),
        lambda h, lo, c: [
            talib.PLUS_DI(h, lo, c, 2),
            talib.MINUS_DI(h, lo, c, 2),
            talib.ADX(h, lo, c, 2),
        ],
        3,
    ),
    "CCI 14": (lambda: zerak.Cci(HLC, 14, ["o"]), lambda h, lo, c: [talib.CCI(h, lo, c)], 13),
    "CCI 2": (lambda: zerak.Cci(HLC, 2, ["o"]), lambda h, lo, c: [talib.CCI(h, lo, c, 2)], 1),
    "ULTOSC": (
        lambda: zerak.UltimateOscillator(HLC, ["o"]),
        lambda h, lo, c: [talib.ULTOSC(h, lo, c)],
        28,
    ),
    "ULTOSC unsorted": (
        lambda: zerak.UltimateOscillator(HLC, ["o"], 20, 3, 9),
        lambda h, lo, c: [talib.ULTOSC(h, lo, c, 20, 3, 9)],
        20,
    ),
}
# Same bits as TA-Lib on clean data; the others round their smoothing differently.
EXACT = {"TRANGE", "ATR 1", "ADX 14", "ADX 2", "CCI 14", "CCI 2"}
# Our windows are summed afresh: a window of flat bars is exactly 0 where
# TA-Lib's running sums leave residues of order 1e-12.
ABSOLUTE = {"ULTOSC": 1e-10, "ULTOSC unsorted": 1e-10}


@pytest.mark.parametrize("series", ["walk", "co2"])
@pytest.mark.parametrize("name", ORACLES)
def test_matches_talib_after_the_same_warm_up(name, series):
    make, oracle, lookback = ORACLES[name]
    h, lo, c = walk_bars() if series == "walk" else co2_bars()
    obj = make()
    got = research(obj, h, lo, c)
    assert obj.warm_up_period() == lookback
    for k, want in enumerate(oracle(h, lo, c)):
        ours = got[:, k]
        # The DIs of Adx come before the ADX, at PLUS_DI's lookback.
        assert np.array_equal(np.isnan(ours), np.isnan(want)), k
        assert not np.isnan(want[lookback if k == got.shape[1] - 1 else -1])
        if name in EXACT:
            np.testing.assert_array_equal(ours, want)
        else:
            np.testing.assert_allclose(ours, want, rtol=1e-9, atol=ABSOLUTE.get(name, 1e-12))


def keltner_formula(h, lo, c, window, atr_window, multiplier):
    """EMA of close seeded with the mean of the first `window` closes, and
    Wilder's ATR seeded with the mean of the first `atr_window` true ranges,
    each written as pandas' recursive ewm started at its seed."""

    def seeded_ewm(x, n, alpha, first):
        s = np.full(len(x), np.nan)
        s[first + n - 1] = x[first : first + n].mean()
        s[first + n :] = x[first + n :]
        return pd.Series(s).ewm(alpha=alpha, adjust=False).mean().to_numpy().copy()

    prev = np.concatenate([[np.nan], c[:-1]])
    tr = np.fmax(h - lo, np.fmax(np.abs(h - prev), np.abs(lo - prev)))
    middle = seeded_ewm(c, window, 2.0 / (window + 1), 0)
    atr = seeded_ewm(tr, atr_window, 1.0 / atr_window, 1)
    middle[: max(window - 1, atr_window)] = np.nan
    return [middle + multiplier * atr, middle, middle - multiplier * atr]


@pytest.mark.parametrize(
    "window, atr_window, multiplier", [(20, 10, 2.0), (3, 30, 0.5), (1, 1, 0.0)]
)
def test_keltner_channel_is_its_formula_and_its_middle_is_our_ema(window, atr_window, multiplier):
    h, lo, c = walk_bars(20_000)
    got = research(
        zerak.KeltnerChannel(
            HLC, ["u", "m", "d"], window=window, atr_window=atr_window, multiplier=multiplier
        ),
        h,
        lo,
        c,
    )
    for k, want in enumerate(keltner_formula(h, lo, c, window, atr_window, multiplier)):
        np.testing.assert_allclose(got[:, k], want, rtol=1e-9, atol=1e-12)
    ema = zerak.FeaturePipeline([zerak.Ema(["c"], window, ["e"])], ["c"]).run_research_array(
        np.ascontiguousarray(c[:, None])
    )[:, 0]
    start = max(window - 1, atr_window)
    np.testing.assert_array_equal(got[start:, 1], ema[start:])


# name: (factory, what a bad bar does: "reseed" (the object starts afresh on
# the next bar) or the number of bars it blanks, itself included)
GAP_RULES = {
    "TrueRange": (lambda: zerak.TrueRange(HLC, ["o"]), 2),
    "Atr": (lambda: zerak.Atr(HLC, 5, ["o"]), "reseed"),
    "Natr": (lambda: zerak.Natr(HLC, 5, ["o"]), "reseed"),
    "Adx": (lambda: zerak.Adx(HLC, 4, ["p", "m", "a"]), "reseed"),
    "Cci": (lambda: zerak.Cci(HLC, 6, ["o"]), 6),
    "UltimateOscillator": (lambda: zerak.UltimateOscillator(HLC, ["o"], 2, 7, 4), 8),
    "KeltnerChannel": (
        lambda: zerak.KeltnerChannel(HLC, ["u", "m", "d"], window=5, atr_window=3),
        "reseed",
    ),
}


@pytest.mark.parametrize("bad", [np.nan, np.inf, -np.inf])
@pytest.mark.parametrize("column", [0, 1, 2])
@pytest.mark.parametrize("name", GAP_RULES)
def test_a_bad_bar_blanks_its_windows_or_reseeds(name, column, bad):
    make, rule = GAP_RULES[name]
    h, lo, c = (x[:300] for x in walk_bars(400, seed=5))
    gap = 120
    bars = np.column_stack([h, lo, c])
    clean = _run(make, bars)
    bars[gap, column] = bad
    got = _run(make, bars)
    np.testing.assert_array_equal(got[:gap], clean[:gap])
    if rule == "reseed":
        assert np.isnan(got[gap]).all()
        np.testing.assert_array_equal(got[gap + 1 :], _run(make, bars[gap + 1 :]))
    else:
        assert np.isnan(got[gap : gap + rule]).all()
        np.testing.assert_array_equal(got[gap + rule :], clean[gap + rule :])


def _run(make, bars):
    """Bar by bar, after checking that research gives the same bits."""
    obj = make()
    live = np.array([obj.update(row) for row in bars.tolist()])
    research = zerak.FeaturePipeline([make()], HLC).run_research_array(np.ascontiguousarray(bars))
    assert np.array_equal(research.view(np.uint64), live.view(np.uint64))
    return live


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: zerak.TrueRange(["h", "l"], ["o"]), "inputs must contain high, low and close"),
        (lambda: zerak.Atr(HLC, 0, ["o"]), "window must be non-zero"),
        (lambda: zerak.Natr(HLC, 3, []), "outputs must not be empty"),
        (lambda: zerak.Adx(HLC, 1, ["p", "m", "a"]), "window must be >= 2"),
        (lambda: zerak.Adx(HLC, 14, ["a"]), "exactly 3 names: [plus_di, minus_di, adx]"),
        (lambda: zerak.Cci(HLC, 1, ["o"]), "window must be >= 2"),
        (lambda: zerak.UltimateOscillator(HLC, ["o"], timeperiod2=0), "timeperiod2 must be >= 1"),
        (lambda: zerak.KeltnerChannel(HLC, ["u", "m"]), "exactly 3 names: [upper, middle, lower]"),
        (lambda: zerak.KeltnerChannel(HLC, ["u", "m", "d"], atr_window=0), "atr_window"),
        (lambda: zerak.KeltnerChannel(HLC, ["u", "m", "d"], multiplier=float("nan")), "multiplier"),
        (lambda: zerak.KeltnerChannel(HLC, ["u", "m", "d"], multiplier=-1.0), "multiplier"),
    ],
)
def test_bad_configurations_are_refused(make, message):
    with pytest.raises(zerak.InvalidInputError, match=message.replace("[", r"\[")):
        make()
