"""The indicators of one price column against TA-Lib, on clean, real, gappy
and spiky series: warm-up, values within 1e-9 relative (1e-12 absolute), and
the missing rule (a missing price blanks every output whose window or seed
holds it; the output then equals TA-Lib's on the bars after the gap). Roc
and Momentum read only the two end points, as TA-Lib's own do with NaN."""

import numpy as np
import pytest
import statsmodels.api as sm

import zerak

talib = pytest.importorskip("talib")
abstract = pytest.importorskip("talib.abstract")

nan = np.nan


def wma_exact(x, n):
    w = np.arange(1.0, n + 1.0)
    out = np.full(len(x), nan)
    if len(x) >= n:
        out[n - 1 :] = np.lib.stride_tricks.sliding_window_view(x, n) @ w / w.sum()
    return (out,)


def trima_exact(x, n):
    w = np.minimum(np.arange(1.0, n + 1.0), np.arange(n, 0.0, -1.0))
    out = np.full(len(x), nan)
    if len(x) >= n:
        out[n - 1 :] = np.lib.stride_tricks.sliding_window_view(x, n) @ w / w.sum()
    return (out,)


def bands_exact(x, n, up, dn):
    out = np.full((3, len(x)), nan)
    if len(x) >= n:
        win = np.lib.stride_tricks.sliding_window_view(x, n)
        mean, sd = win.mean(axis=1), win.std(axis=1)
        out[:, n - 1 :] = mean + up * sd, mean, mean - dn * sd
    return tuple(out)


# name: (make(outputs), TA-Lib function and parameters, and either an exact
# oracle where TA-Lib's running sums cannot follow a spike of 1e12 out of the
# window, or "ends" where only the end points of a window count)
CASES = {
    "Rsi 14": (lambda o: zerak.Rsi(["c"], 14, o(1)), ("RSI", {"timeperiod": 14}), None),
    "Rsi 2": (lambda o: zerak.Rsi(["c"], 2, o(1)), ("RSI", {"timeperiod": 2}), None),
    "Macd": (lambda o: zerak.Macd(["c"], o(3)), ("MACD", {}), None),
    "Macd 5 9 4": (
        lambda o: zerak.Macd(["c"], o(3), fast=5, slow=9, signal=4),
        ("MACD", {"fastperiod": 5, "slowperiod": 9, "signalperiod": 4}),
        None,
    ),
    "Macd 3 3 1": (
        lambda o: zerak.Macd(["c"], o(3), fast=3, slow=3, signal=1),
        ("MACD", {"fastperiod": 3, "slowperiod": 3, "signalperiod": 1}),
        None,
    ),
    "Roc 10": (lambda o: zerak.Roc(["c"], 10, o(1)), ("ROC", {"timeperiod": 10}), "ends"),
    "Momentum 10": (lambda o: zerak.Momentum(["c"], 10, o(1)), ("MOM", {"timeperiod": 10}), "ends"),
    "Momentum 1": (lambda o: zerak.Momentum(["c"], 1, o(1)), ("MOM", {"timeperiod": 1}), "ends"),
    "StochasticRsi": (lambda o: zerak.StochasticRsi(["c"], o(2)), ("STOCHRSI", {}), None),
    "StochasticRsi 9 3 1": (
        lambda o: zerak.StochasticRsi(["c"], o(2), window=9, fastk=3, fastd=1),
        ("STOCHRSI", {"timeperiod": 9, "fastk_period": 3, "fastd_period": 1}),
        None,
    ),
    "Wma 30": (
        lambda o: zerak.Wma(["c"], 30, o(1)),
        ("WMA", {"timeperiod": 30}),
        lambda x: wma_exact(x, 30),
    ),
    "Wma 1": (
        lambda o: zerak.Wma(["c"], 1, o(1)),
        ("WMA", {"timeperiod": 1}),
        lambda x: wma_exact(x, 1),
    ),
    "Dema 30": (lambda o: zerak.Dema(["c"], 30, o(1)), ("DEMA", {"timeperiod": 30}), None),
    "Dema 2": (lambda o: zerak.Dema(["c"], 2, o(1)), ("DEMA", {"timeperiod": 2}), None),
    "Tema 30": (lambda o: zerak.Tema(["c"], 30, o(1)), ("TEMA", {"timeperiod": 30}), None),
    "Tema 1": (lambda o: zerak.Tema(["c"], 1, o(1)), ("TEMA", {"timeperiod": 1}), None),
    "Trix 30": (lambda o: zerak.Trix(["c"], 30, o(1)), ("TRIX", {"timeperiod": 30}), None),
    "Trix 1": (lambda o: zerak.Trix(["c"], 1, o(1)), ("TRIX", {"timeperiod": 1}), None),
    **{
        f"Trima {n}": (
            lambda o, n=n: zerak.Trima(["c"], n, o(1)),
            ("TRIMA", {"timeperiod": n}),
            lambda x, n=n: trima_exact(x, n),
        )
        for n in (1, 2, 5, 30)
    },
    "BollingerBands 5": (
        lambda o: zerak.BollingerBands(["c"], 5, o(3)),
        ("BBANDS", {"timeperiod": 5}),
        lambda x: bands_exact(x, 5, 2.0, 2.0),
    ),
    "BollingerBands 20 1.5 2.5": (
        lambda o: zerak.BollingerBands(["c"], 20, o(3), nbdevup=1.5, nbdevdn=2.5),
        ("BBANDS", {"timeperiod": 20, "nbdevup": 1.5, "nbdevdn": 2.5}),
        lambda x: bands_exact(x, 20, 1.5, 2.5),
    ),
}
# TA-Lib's TRIMA steps running numerators that drift (5e-10 over the 20 000-bar
# walk, which crosses 0): there too the exact oracle stands in.
DRIFTS_ON_WALK = {case for case in CASES if case.startswith("Trima")}


def outputs(k):
    return [f"o{i}" for i in range(k)]


def research(obj, x):
    pipe = zerak.FeaturePipeline([obj], ["c"])
    return np.asarray(pipe.run_research_array(np.asarray(x, dtype=float)[:, None]))


def by_segments(fn, x):
    """fn on each run of present values, NaN elsewhere: what re-seeding after
    every gap gives."""
    parts = None
    start = 0
    for end in [*np.flatnonzero(np.isnan(x)), len(x)]:
        seg = x[start:end]
        got = fn(seg) if len(seg) else ()
        if parts is None and len(got):
            parts = [np.full(len(x), nan) for _ in got]
        for p, g in zip(parts or [], got, strict=False):  # got is () on an empty run
            p[start:end] = g
        start = end + 1
    return np.vstack(parts) if parts else None


def talib_of(spec):
    name, params = spec
    fn = getattr(talib, name)

    def run(x):
        out = fn(np.ascontiguousarray(x), **params)
        return out if isinstance(out, tuple) else (out,)

    return run


def random_walk(seed, n):
    rng = np.random.default_rng(seed)
    return 100.0 + np.cumsum(rng.normal(0.0, 1.0, n))


def gappy(seed, n=4000):
    """Single missing bars, a missing run, flat runs and ties."""
    rng = np.random.default_rng(seed)
    x = np.round(random_walk(seed, n), 1)
    for start in rng.integers(0, n - 60, 8):
        x[start : start + rng.integers(3, 50)] = x[start]
    x[rng.integers(0, n, 12)] = nan
    run = rng.integers(0, n - 20)
    x[run : run + 7] = nan
    return x


def spiky(seed, n=4000):
    x = random_walk(seed, n)
    rng = np.random.default_rng(seed + 1)
    x[rng.integers(200, n, 4)] = 1e12
    return x


DATA = {
    "walk": lambda: random_walk(7, 20_000),
    "macro": lambda: sm.datasets.macrodata.load_pandas().data["realgdp"].to_numpy(float),
    "gappy": lambda: gappy(3),
    "spiky": lambda: spiky(5),
}


def assert_close(got, want, atol):
    assert np.array_equal(np.isnan(got), np.isnan(want))
    ok = ~np.isnan(want)
    np.testing.assert_allclose(got[ok], want[ok], rtol=1e-9, atol=atol)


@pytest.mark.parametrize("data", list(DATA))
@pytest.mark.parametrize("case", list(CASES))
def test_against_talib(case, data):
    make, spec, exact = CASES[case]
    x = DATA[data]()
    if exact == "ends":
        want = np.vstack(talib_of(spec)(x))
    else:
        use_exact = data == "spiky" or (data == "walk" and case in DRIFTS_ON_WALK)
        want = by_segments(exact if use_exact and exact else talib_of(spec), x)
    obj = make(outputs)
    got = research(obj, x).T
    assert got.shape == want.shape
    # A difference of EMAs that a spike of 1e12 went through keeps ~1e-16 of it.
    atol = 1e-3 if data == "spiky" else 1e-12
    for g, w in zip(got, want, strict=True):
        assert_close(g, w, atol)
    # warm-up: TA-Lib's lookback, and the first output on a clean series
    assert obj.warm_up_period() == abstract.Function(spec[0], **spec[1]).lookback
    if data == "walk":
        assert np.flatnonzero(~np.isnan(got[0]))[0] == obj.warm_up_period()


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: zerak.Rsi(["c"], 1, ["r"]), "window must be >= 2"),
        (
            lambda: zerak.Macd(["c"], ["m", "s"]),
            "outputs must contain exactly 3 names: [macd, signal, histogram]",
        ),
        (lambda: zerak.Macd(["c"], outputs(3), fast=1), "fast must be >= 2"),
        (lambda: zerak.Macd(["c"], outputs(3), fast=12, slow=11), "slow must be >= fast"),
        (lambda: zerak.Macd(["c"], outputs(3), signal=0), "signal must be >= 1"),
        (lambda: zerak.Roc(["c"], 0, ["r"]), "window must be non-zero"),
        (
            lambda: zerak.StochasticRsi(["c"], ["k"]),
            "outputs must contain exactly 2 names: [fastk, fastd]",
        ),
        (lambda: zerak.StochasticRsi(["c"], outputs(2), window=1), "window must be >= 2"),
        (lambda: zerak.StochasticRsi(["c"], outputs(2), fastk=0), "fastk must be >= 1"),
        (lambda: zerak.StochasticRsi(["c"], outputs(2), fastd=0), "fastd must be >= 1"),
        (lambda: zerak.Wma(["c"], 0, ["w"]), "window must be non-zero"),
        (lambda: zerak.Trix([], 3, ["t"]), "inputs must not be empty"),
        (lambda: zerak.BollingerBands(["c"], 1, outputs(3)), "window must be >= 2"),
        (
            lambda: zerak.BollingerBands(["c"], 5, outputs(3), nbdevup=float("inf")),
            "nbdevup must be finite",
        ),
        (
            lambda: zerak.BollingerBands(["c"], 5, outputs(3), nbdevdn=float("nan")),
            "nbdevdn must be finite",
        ),
    ],
)
def test_rejected_configurations(make, message):
    with pytest.raises(zerak.InvalidInputError) as info:
        make()
    assert info.value.args == (message,)
