import math

import numpy as np
import pytest
from rough_data import assert_close, check_in_pipeline, rough_walk, run, windows

import zerak

nan = np.nan
FOUR_LN2 = 4 * math.log(2)
CLASSES = {
    zerak.ParkinsonVolatility: ("Rolling Parkinson volatility estimator (high/low).", 2),
    zerak.RogersSatchellVolatility: ("Rolling Rogers-Satchell volatility estimator (OHLC).", 4),
}


def ohlc(n, seed):
    """Bars with the faults real feeds have: gaps, zero and negative prices,
    high below low, and opens or closes outside the high-low range."""
    rng = np.random.default_rng(seed)
    close = rough_walk(n, seed, gap=0.01)
    open_ = np.roll(close, 1) + rng.normal(0, 0.2, n)
    high = np.fmax(open_, close) + np.abs(rng.normal(0, 0.5, n))
    low = np.fmin(open_, close) - np.abs(rng.normal(0, 0.5, n))
    flat = rng.random(n) < 0.03
    high[flat] = low[flat] = open_[flat] = close[flat] = 100.0
    swap = rng.random(n) < 0.01
    high[swap], low[swap] = low[swap], high[swap]
    high[rng.random(n) < 0.01] = 0.0
    low[rng.random(n) < 0.005] = -1.0
    outside = rng.random(n) < 0.05
    open_[outside] = high[outside] + 3.0
    close[outside] = low[outside] - 3.0
    return high, low, open_, close


def rolling_mean(terms, window):
    out = np.full(len(terms), nan)
    out[window - 1 :] = windows(terms, window).mean(axis=1)
    return out


def parkinson(h, l, window):
    with np.errstate(all="ignore"):
        terms = np.where((h > 0) & (l > 0) & (h >= l), np.log(h / l) ** 2, nan)
        return np.sqrt(rolling_mean(terms, window) / FOUR_LN2)


def rogers_satchell(h, l, o, c, window):
    with np.errstate(all="ignore"):
        ok = (h > 0) & (l > 0) & (o > 0) & (h >= l) & (c > 0)
        terms = np.where(ok, np.log(h / c) * np.log(h / o) + np.log(l / c) * np.log(l / o), nan)
        mean = rolling_mean(terms, window)
        return np.where(mean >= 0, np.sqrt(mean), nan)


@pytest.mark.parametrize("cls", CLASSES)
def test_surface(cls):
    doc, reads = CLASSES[cls]
    names = ["h", "l", "o", "c", "extra"][: reads + 1]
    v = cls(names, 14, ["vol", "spare"])
    assert cls.__text_signature__ == "(inputs, window, outputs)"
    assert cls.__doc__ == doc
    assert (
        cls.update.__doc__
        == "Process one bar. Returns ``[NaN]`` during warm-up or on invalid input."
    )
    assert cls.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    quoted = ", ".join(f'"{n}"' for n in names)
    assert repr(v) == f'{cls.__name__}(inputs=[{quoted}], window=14, outputs=["vol", "spare"])'
    assert v.warm_up_period() == 13
    with pytest.raises(
        zerak.InvalidInputError,
        match=rf"^expected at least {reads} input value\(s\), got {reads - 1}$",
    ):
        v.update([1.0] * (reads - 1))
    with pytest.raises(MemoryError):
        cls(names, 2**62, ["vol"])


@pytest.mark.parametrize(
    "make, message",
    [
        (
            lambda: zerak.ParkinsonVolatility(["h"], 0, []),
            "inputs must contain high and low columns",
        ),
        (lambda: zerak.ParkinsonVolatility(["h", "l"], 0, []), "outputs must not be empty"),
        (lambda: zerak.ParkinsonVolatility(["h", "l"], 0, ["v"]), "window must be non-zero"),
        (
            lambda: zerak.RogersSatchellVolatility(["h", "l", "o"], 1, ["v"]),
            "inputs must contain high, low, open, and close columns",
        ),
        (
            lambda: zerak.RogersSatchellVolatility(["h", "l", "o", "c"], 0, []),
            "window must be non-zero",
        ),
        (
            lambda: zerak.RogersSatchellVolatility(["h", "l", "o", "c"], 1, []),
            "outputs must not be empty",
        ),
    ],
)
def test_rejected_configurations(make, message):
    with pytest.raises(zerak.InvalidInputError) as info:
        make()
    assert info.value.args == (message,)


@pytest.mark.parametrize(
    "cls, bars, expected",
    [
        (zerak.ParkinsonVolatility, [[math.e, 1.0]], 0.6005612043932249),
        (zerak.ParkinsonVolatility, [[5.0, 5.0]], 0.0),
        (zerak.ParkinsonVolatility, [[4.0, 5.0]], nan),
        (zerak.RogersSatchellVolatility, [[110.0, 90.0, 100.0, 105.0]], 0.14379),
        (zerak.RogersSatchellVolatility, [[110.0, 90.0, 110.0, 90.0]], 0.0),
        (zerak.RogersSatchellVolatility, [[101.0, 99.0, 150.0, 50.0]], nan),  # negative term
    ],
)
def test_worked_values(cls, bars, expected):
    (out,) = cls(["h", "l", "o", "c"][: len(bars[0])], 1, ["v"]).update(bars[0])
    assert_close([out], [expected], rtol=1e-5 if cls is zerak.RogersSatchellVolatility else 1e-15)


@pytest.mark.parametrize("window", [1, 2, 10, 30])
def test_against_numpy(window):
    h, l, o, c = ohlc(3000, seed=window)
    got_p = run(zerak.ParkinsonVolatility(["h", "l"], window, ["v"]), h, l)[:, 0]
    got_rs = run(zerak.RogersSatchellVolatility(["h", "l", "o", "c"], window, ["v"]), h, l, o, c)[
        :, 0
    ]
    assert_close(got_p, parkinson(h, l, window), rtol=1e-12)
    assert_close(got_rs, rogers_satchell(h, l, o, c, window), rtol=1e-12)
    assert np.isfinite(got_rs).sum() > len(h) // 10
    assert ((got_rs == 0) | np.isnan(got_rs)).sum() < len(h)


@pytest.mark.parametrize("cls", CLASSES)
def test_one_bad_bar_blanks_exactly_window_bars(cls):
    h, l, o, c = (np.full(30, v) for v in (105.0, 95.0, 99.0, 101.0))
    h += np.arange(30.0)
    make = lambda: cls(["h", "l", "o", "c"], 5, ["v"])  # noqa: E731
    clean = run(make(), h, l, o, c)[:, 0]
    o[12] = nan  # unread by the high-low estimator
    l[20] = h[20] + 1  # high below low
    gapped = run(make(), h, l, o, c)[:, 0]
    blank = np.flatnonzero(np.isnan(gapped) & ~np.isnan(clean)).tolist()
    expect = list(range(20, 25))
    if cls is zerak.RogersSatchellVolatility:
        expect = list(range(12, 17)) + expect
    assert blank == expect
    v = make()
    first = run(v, h, l, o, c)
    v.reset()
    np.testing.assert_array_equal(run(v, h, l, o, c), first)


def test_in_a_pipeline():
    h, l, o, c = ohlc(400, seed=8)
    check_in_pipeline(
        [
            lambda: zerak.ParkinsonVolatility(["high", "low"], 10, ["pk"]),
            lambda: zerak.RogersSatchellVolatility(["high", "low", "open", "close"], 4, ["rs"]),
        ],
        {"open": o, "high": h, "low": l, "close": c},
    )
