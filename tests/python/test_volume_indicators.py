"""Volume indicators and open-high-low-close volatilities against their oracles:
TA-Lib where it has the indicator (run on each stretch without NaN, since
there one NaN poisons every later value), numpy/pandas formulas elsewhere."""

import math

import numpy as np
import pytest
import talib
import talib.abstract
from rough_data import assert_close, run, windows

import zerak

nan = np.nan
HLCV = ["h", "l", "c", "v"]
OHLC = ["o", "h", "l", "c"]


def ohlcv(n, seed, gaps=True, infs=False):
    """A geometric walk on a tick grid (ties in the close) with flat bars of
    zero volume, volume spikes of 1e12, NaN in each column of its own, and
    infinite prices and volumes if asked."""
    rng = np.random.default_rng(seed)
    c = np.round(100 * np.exp(np.cumsum(rng.normal(0, 0.01, n))) * 64) / 64
    o = np.concatenate([[c[0]], c[:-1]]) * np.exp(rng.normal(0, 0.002, n))
    h = np.fmax(o, c) * (1 + np.abs(rng.normal(0, 0.004, n)))
    lo = np.fmin(o, c) * (1 - np.abs(rng.normal(0, 0.004, n)))
    v = np.round(rng.lognormal(12, 1, n))
    for s in np.flatnonzero(rng.random(n) < 0.002):
        o[s : s + 25] = h[s : s + 25] = lo[s : s + 25] = c[s : s + 25] = c[s]
        v[s : s + 25] = 0.0
    v[rng.random(n) < 0.001] = 1e12
    cols = dict(o=o, h=h, l=lo, c=c, v=v)
    for x in cols.values():
        if infs:
            x[rng.random(n) < 0.0002] = np.inf
        if gaps:
            x[rng.random(n) < 0.002] = nan
    return cols


def goog():
    """Daily bars of a real share, as matplotlib ships them."""
    from matplotlib import cbook

    d = cbook.get_sample_data("goog.npz")["price_data"]
    return dict(o=d["open"], h=d["high"], l=d["low"], c=d["close"], v=d["volume"].astype(float))


def research(obj, cols):
    names = obj.input_names()
    data = np.column_stack([cols[n] for n in names])
    return zerak.FeaturePipeline([obj], names).run_research_array(data)[:, 0]


def by_segments(fn, *xs):
    """fn on each stretch of bars where no input is NaN; NaN elsewhere."""
    xs = [np.asarray(x, float) for x in xs]
    bad = np.isnan(np.column_stack(xs)).any(axis=1)
    out = np.full(len(bad), nan)
    edges = np.flatnonzero(np.diff(np.concatenate([[1], bad.astype(int), [1]])))
    for start, stop in zip(edges[::2], edges[1::2], strict=True):
        out[start:stop] = fn(*(x[start:stop] for x in xs))
    return out


def window_sums(x, w):
    out = np.full(len(x), nan)
    out[w - 1 :] = windows(x, w).sum(axis=1)
    return out


def money_flow_volume(h, lo, c, v):
    with np.errstate(all="ignore"):
        rng = h - lo
        mfv = np.where(rng > 0, ((c - lo) - (h - c)) / rng * v, 0.0)
    return np.where(np.isnan(h + lo + c + v), nan, mfv)


def ratio(num, den):
    """num / den, NaN where den is 0."""
    with np.errstate(all="ignore"):
        return np.where(den == 0, nan, num / den)


def cmf(h, lo, c, v, w):
    return ratio(window_sums(money_flow_volume(h, lo, c, v), w), window_sums(v, w))


def vwap(h, lo, c, v, w):
    # numpy's window sums: pandas' rolling sums would read inf as NaN.
    with np.errstate(all="ignore"):
        return ratio(window_sums((h + lo + c) / 3 * v, w), window_sums(v, w))


def garman_klass(o, h, lo, c, w):
    with np.errstate(all="ignore"):
        ok = (o > 0) & (h > 0) & (lo > 0) & (c > 0) & (h >= lo)
        terms = np.where(
            ok, 0.5 * np.log(h / lo) ** 2 - (2 * math.log(2) - 1) * np.log(c / o) ** 2, nan
        )
        mean = window_sums(terms, w) / w
        return np.where(mean >= 0, np.sqrt(mean), nan)


def yang_zhang(o, h, lo, c, w):
    prev = np.concatenate([[nan], c[:-1]])
    with np.errstate(all="ignore"):
        ok = (o > 0) & (h > 0) & (lo > 0) & (c > 0) & (h >= lo) & (prev > 0)
        night = np.where(ok, np.log(o / prev), nan)
        body = np.where(ok, np.log(c / o), nan)
        rs = np.where(ok, np.log(h / c) * np.log(h / o) + np.log(lo / c) * np.log(lo / o), nan)
        k = 0.34 / (1.34 + (w + 1) / (w - 1))
        var = np.full(len(c), nan)
        var[w - 1 :] = (
            windows(night, w).var(axis=1, ddof=1)
            + k * windows(body, w).var(axis=1, ddof=1)
            + (1 - k) * windows(rs, w).mean(axis=1)
        )
        return np.where(var >= 0, np.sqrt(var), nan)


# name: (make(window), oracle(columns, window), windows tried, TA-Lib name or None)
CASES = {
    "Obv": (
        lambda w: zerak.Obv(["c", "v"], ["x"]),
        lambda d, w: by_segments(talib.OBV, d["c"], d["v"]),
        [None],
        "OBV",
    ),
    "AccumulationDistribution": (
        lambda w: zerak.AccumulationDistribution(HLCV, ["x"]),
        lambda d, w: by_segments(talib.AD, *(d[k] for k in HLCV)),
        [None],
        "AD",
    ),
    "Mfi": (
        lambda w: zerak.Mfi(HLCV, w, ["x"]),
        lambda d, w: by_segments(lambda *x: talib.MFI(*x, timeperiod=w), *(d[k] for k in HLCV)),
        [2, 14, 40],
        "MFI",
    ),
    "ChaikinMoneyFlow": (
        lambda w: zerak.ChaikinMoneyFlow(HLCV, w, ["x"]),
        lambda d, w: cmf(*(d[k] for k in HLCV), w),
        [1, 20],
        None,
    ),
    "Vwap": (
        lambda w: zerak.Vwap(HLCV, w, ["x"]),
        lambda d, w: vwap(*(d[k] for k in HLCV), w),
        [1, 20],
        None,
    ),
    "GarmanKlassVolatility": (
        lambda w: zerak.GarmanKlassVolatility(OHLC, w, ["x"]),
        lambda d, w: garman_klass(*(d[k] for k in OHLC), w),
        [1, 30],
        None,
    ),
    "YangZhangVolatility": (
        lambda w: zerak.YangZhangVolatility(OHLC, w, ["x"]),
        lambda d, w: yang_zhang(*(d[k] for k in OHLC), w),
        [2, 30],
        None,
    ),
}
ORACLE_RUNS = [(name, w) for name, case in CASES.items() for w in case[2]]


@pytest.mark.parametrize("data", ["walk", "goog"])
@pytest.mark.parametrize("name, window", ORACLE_RUNS)
def test_against_oracle(name, window, data):
    make, oracle, _, talib_name = CASES[name]
    # TA-Lib's MFI keeps an infinite flow in its running sums for good.
    cols = ohlcv(60_000, seed=window or 1, infs=name != "Mfi") if data == "walk" else goog()
    got = research(make(window), cols)
    want = oracle(cols, window)
    # Running totals repeat TA-Lib's arithmetic; window sums differ in rounding
    # from numpy's pairwise sums, and from TA-Lib's running sums, which keep
    # ~1e-16 of a 1e12 volume spike after it has left (MFI reads 1e-7, not 0).
    atol = {"ChaikinMoneyFlow": 1e-9, "Mfi": 1e-6}.get(name, 1e-12)
    assert_close(got, want, rtol=1e-9, atol=atol)
    assert np.isfinite(got).sum() > len(got) // 2
    # Warm-up: the first output comes after warm_up_period() bars, TA-Lib's lookback.
    obj = make(window)
    clean = research(make(window), ohlcv(300, seed=5, gaps=False))
    assert np.flatnonzero(~np.isnan(clean))[0] == obj.warm_up_period()
    if talib_name:
        params = {"timeperiod": window} if window else {}
        assert obj.warm_up_period() == talib.abstract.Function(talib_name, **params).lookback


@pytest.mark.parametrize("name", CASES)
@pytest.mark.parametrize("column", ["c", "v"])
def test_gap_rule(name, column):
    """A NaN blocks the outputs of the windows holding it, then the values are
    the clean ones again; the running totals start over after it."""
    make = lambda: CASES[name][0](CASES[name][2][-1])  # noqa: E731
    obj = make()
    cols = ohlcv(120, seed=3, gaps=False)
    names = obj.input_names()
    if column not in names:
        column = "o"
    clean = run(make(), *(cols[n] for n in names))[:, 0]
    cols[column][60] = nan
    got = run(make(), *(cols[n] for n in names))[:, 0]
    if obj.warm_up_period() == 0:
        assert np.isnan(got[60])
        np.testing.assert_array_equal(got[61:], run(make(), *(cols[n][61:] for n in names))[:, 0])
        return
    blocked = obj.warm_up_period() + 1
    # Yang-Zhang's overnight return reads the close of the bar before; its open does not.
    if name == "YangZhangVolatility" and column == "o":
        blocked -= 1
    blank = np.flatnonzero(np.isnan(got) & ~np.isnan(clean)).tolist()
    assert blank == list(range(60, 60 + blocked))
    keep = ~np.isnan(got)
    np.testing.assert_array_equal(got[keep], clean[keep])


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: zerak.Obv(["c"], ["x"]), "inputs must contain close and volume columns"),
        (lambda: zerak.Obv(["c", "v"], []), "outputs must not be empty"),
        (
            lambda: zerak.AccumulationDistribution(["h", "l", "c"], ["x"]),
            "inputs must contain high, low, close, and volume columns",
        ),
        (lambda: zerak.Mfi(HLCV, 1, ["x"]), "window must be >= 2"),
        (
            lambda: zerak.Mfi(HLCV[:3], 14, ["x"]),
            "inputs must contain high, low, close, and volume columns",
        ),
        (lambda: zerak.ChaikinMoneyFlow(HLCV, 0, ["x"]), "window must be non-zero"),
        (lambda: zerak.Vwap(HLCV, 5, []), "outputs must not be empty"),
        (
            lambda: zerak.GarmanKlassVolatility(OHLC[:3], 5, ["x"]),
            "inputs must contain open, high, low, and close columns",
        ),
        (lambda: zerak.YangZhangVolatility(OHLC, 1, ["x"]), "window must be >= 2"),
    ],
)
def test_rejected_configurations(make, message):
    with pytest.raises(zerak.InvalidInputError) as info:
        make()
    assert info.value.args == (message,)


def test_mfi_compares_typical_prices_exactly():
    # Hourly bars on a five-decimal grid, a seventh of them with the bar
    # before's H + L + C in other components: equal sums whose rounded
    # typical prices often differ by an ulp. Such a bar's flow is neither
    # positive nor negative.
    from fractions import Fraction

    rng = np.random.default_rng(8)
    n, w = 4000, 14
    c = np.round(1.1 + np.cumsum(rng.normal(0, 0.0005, n)), 5)
    h = np.round(c + np.abs(rng.normal(0, 0.0003, n)), 5)
    lo = np.round(c - np.abs(rng.normal(0, 0.0003, n)), 5)
    for i in np.flatnonzero(rng.random(n) < 0.2)[1:]:
        d = rng.integers(1, 9) * 1e-5
        h[i], lo[i], c[i] = np.round(h[i - 1] + d, 5), lo[i - 1], np.round(c[i - 1] - d, 5)
    v = np.round(rng.lognormal(8, 1, n))
    exact = [Fraction(a) + Fraction(b) + Fraction(d) for a, b, d in zip(h, lo, c, strict=True)]
    tp = (h + lo + c) / 3
    flat = np.array([False] + [exact[i] == exact[i - 1] for i in range(1, n)])
    assert (flat & (tp != np.roll(tp, 1))).sum() > 50  # the rounding disagrees there
    up = np.array([False] + [exact[i] > exact[i - 1] for i in range(1, n)])
    down = ~up & ~flat
    down[0] = False
    pos, neg = np.where(up, tp * v, 0.0), np.where(down, tp * v, 0.0)
    want = np.full(n, nan)
    for i in range(w, n):
        p, q = sum(pos[i + 1 - w : i + 1]), sum(neg[i + 1 - w : i + 1])
        want[i] = 0.0 if p + q < 1 else 100 * (p / (p + q))
    cols = dict(h=h, l=lo, c=c, v=v)
    live = run(zerak.Mfi(HLCV, w, ["x"]), h, lo, c, v)[:, 0]
    np.testing.assert_array_equal(live, research(zerak.Mfi(HLCV, w, ["x"]), cols))
    assert_close(live, want, rtol=1e-12)
