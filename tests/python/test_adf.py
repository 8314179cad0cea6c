"""Rolling augmented Dickey-Fuller test: surface, checks, and agreement with statsmodels."""

import math
import warnings
import zlib

import pytest

import zerak
from zerak import Adf, InvalidConfigError, InvalidInputError

np = pytest.importorskip("numpy")

NAN = float("nan")
EXAMPLE = [1, 3, 2, 5, 4, 6, 8, 7, 9, 12, 10, 11]

# Asymptotic p-values at tau = -6.0 + 0.2 i, as documented.
TABLE = {
    "c": [
        1.6661204834e-07,
        4.6549534731e-07,
        1.2711717107e-06,
        3.3872038899e-06,
        8.7920835785e-06,
        2.2193154714e-05,
        5.4385935695e-05,
        0.00012916964005,
        0.00029683262235,
        0.00065890020605,
        0.001410511253,
        0.0029073149933,
        0.0057610277513,
        0.010958871608,
        0.019984679219,
        0.034894400275,
        0.058273768069,
        0.092997267439,
        0.14173640869,
        0.20624545685,
        0.28657309917,
        0.38046169361,
        0.48359346965,
        0.58227611852,
        0.67359571193,
        0.7532643012,
        0.81912206764,
        0.87098202687,
        0.91009877736,
        0.93852161743,
        0.95853208606,
        0.97226159393,
        0.98149494162,
        0.98761562917,
        0.99163616803,
        0.99426594855,
        0.99598588316,
        0.99711414191,
        0.99785757578,
        0.99834901705,
        0.9986729512,
        0.99888250502,
        0.99901030962,
        0.99907515515,
        1.0,
    ],
    "ct": [
        2.1968599946e-06,
        5.722001011e-06,
        1.4572870684e-05,
        3.620969718e-05,
        8.7581674237e-05,
        0.00020574728264,
        0.00046839591299,
        0.0010310555371,
        0.0021897009369,
        0.0044769711121,
        0.0087937012311,
        0.016560672206,
        0.029846151131,
        0.051387926684,
        0.084401702427,
        0.13208098478,
        0.19694444231,
        0.27989264978,
        0.37961893275,
        0.48985051943,
        0.60143377224,
        0.70475832317,
        0.79243229243,
        0.86091256022,
        0.91050285805,
        0.9441147109,
        0.96568254785,
        0.97895129765,
        0.98687903442,
        0.99153194645,
        0.99423316769,
        0.99577753487,
        0.99661680562,
        0.99698697776,
    ]
    + [1.0] * 11,
}


def table_pvalue(stat, regression):
    t = TABLE[regression]
    if stat <= -6.0:
        return t[0]
    if stat >= 2.8000000000000007:
        return 1.0
    i = min(int((6.0 + stat) / 0.2), 43)
    frac = (stat - (i * 0.2 - 6.0)) / 0.2
    return t[i] + (t[i + 1] - t[i]) * frac


def run(adf, series):
    return [adf.update([v]) for v in series]


def series_of(kind, n, seed):
    rng = np.random.default_rng(seed)
    e = rng.standard_normal(n)
    if kind == "walk":
        return 100.0 + np.cumsum(e)
    if kind == "drift":
        return np.cumsum(e) + 0.3 * np.arange(n)
    x = np.zeros(n)  # stationary AR(1)
    for i in range(1, n):
        x[i] = 0.5 * x[i - 1] + e[i]
    return x


# ---- surface ------------------------------------------------------------------


def test_surface():
    assert Adf.__text_signature__ == '(inputs, window, outputs, lags=None, regression="c")'
    assert Adf.__module__ == "zerak"
    assert Adf.__doc__.startswith("Rolling Augmented Dickey-Fuller test.\n\nProduces two outputs")
    assert Adf.__doc__.endswith("Results are most\nreliable for ``window >= 100``.")
    assert Adf.update.__doc__ == (
        "Process one bar. Returns ``[adf_stat, adf_pval]``, both ``NaN`` during\n"
        "warm-up, on ``NaN`` input, or when OLS is singular."
    )
    assert Adf.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    assert zerak.__all__.index("Adf") == 6


@pytest.mark.parametrize(
    "kwargs, text",
    [
        ({}, 'Adf(inputs=["x"], window=100, outputs=["s", "p"], regression="c")'),
        (
            {"lags": 3, "regression": "ct"},
            'Adf(inputs=["x"], window=100, outputs=["s", "p"], regression="ct")',
        ),
    ],
)
def test_repr_hides_lags(kwargs, text):
    adf = Adf(["x"], 100, ["s", "p"], **kwargs)
    assert repr(adf) == text
    assert adf.warm_up_period() == 99
    assert adf.output_names() == ["s", "p"]


# ---- construction -------------------------------------------------------------

MSG_OUTPUTS = "outputs must contain exactly two names: [adf_stat, adf_pvalue]"


@pytest.mark.parametrize(
    "args, kwargs, exc, message",
    [
        (([], 0, ["a", "b", "c"]), {}, InvalidInputError, "inputs must not be empty"),
        ((["x"], 100, ["a", "b", "c"]), {}, InvalidInputError, MSG_OUTPUTS),
        ((["x"], 0, ["s"]), {}, InvalidInputError, MSG_OUTPUTS),
        ((["x"], 0, ["s", "p"]), {}, InvalidInputError, "window must be non-zero"),
        (
            (["x"], 17, ["s", "p"]),
            {},
            InvalidInputError,
            "window (17) must be > 3 + 2 * lags (7) = 17",
        ),
        (
            (["x"], 100, ["s", "p"]),
            {"lags": 2**63 - 1},
            InvalidInputError,
            "window (100) must be > 3 + 2 * lags (9223372036854775807) = 18446744073709551617",
        ),
        # The regression string is parsed before any core check.
        (
            ([], 0, ["a"]),
            {"regression": "n"},
            InvalidConfigError,
            "regression must be 'c' or 'ct', got 'n'",
        ),
        (
            (["x"], 100, ["s", "p"]),
            {"regression": "CT"},
            InvalidConfigError,
            "regression must be 'c' or 'ct', got 'CT'",
        ),
    ],
)
def test_rejected_configurations(args, kwargs, exc, message):
    with pytest.raises(exc) as info:
        Adf(*args, **kwargs)
    assert str(info.value) == message


def test_impossible_window_is_memory_error():
    with pytest.raises(MemoryError):
        Adf(["x"], 2**62, ["s", "p"], lags=1)


# ---- values -------------------------------------------------------------------


@pytest.mark.parametrize(
    "lags, regression, stat, pvalue",
    [(1, "c", -0.612889, 0.867640), (1, "ct", -5.55536, 1.94017e-05), (0, "c", -1.11115, 0.708988)],
)
def test_worked_example(lags, regression, stat, pvalue):
    rows = run(Adf(["x"], 12, ["s", "p"], lags=lags, regression=regression), EXAMPLE)
    assert all(math.isnan(a) and math.isnan(b) for a, b in rows[:11])
    assert rows[11][0] == pytest.approx(stat, abs=5e-6)
    assert rows[11][1] == pytest.approx(pvalue, rel=1e-5)


def adfuller_stat(window, lags, regression):
    stattools = pytest.importorskip("statsmodels.tsa.stattools")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        result = stattools.adfuller(window, maxlag=lags, regression=regression, autolag=None)
    return result[0], result[1]


@pytest.mark.parametrize("kind", ["walk", "drift", "ar"])
@pytest.mark.parametrize("regression", ["c", "ct"])
@pytest.mark.parametrize("window, lags", [(100, None), (40, 3), (25, 0)])
def test_agrees_with_statsmodels(kind, regression, window, lags):
    n = window + 60
    x = series_of(kind, n, seed=zlib.crc32(f"{kind} {regression} {window}".encode()))
    rows = run(Adf(["x"], window, ["s", "p"], lags=lags, regression=regression), x.tolist())
    resolved = lags if lags is not None else math.floor(12 * (window / 100) ** 0.25)
    for i in range(window - 1, n, 5):
        stat, their_p = adfuller_stat(x[i - window + 1 : i + 1], resolved, regression)
        ours, our_p = rows[i]
        assert ours == pytest.approx(stat, rel=1e-9, abs=1e-9)
        assert our_p == pytest.approx(table_pvalue(ours, regression), rel=1e-12, abs=1e-15)
        assert our_p == pytest.approx(their_p, abs=0.01)  # a different approximation


@pytest.mark.parametrize("regression", ["c", "ct"])
@pytest.mark.parametrize("level, step", [(2e-5, 1e-8), (3e-9, 1e-12), (1e170, 1e168)])
def test_the_statistic_does_not_depend_on_the_scale_of_the_series(level, step, regression):
    # A low-priced token, or a price quoted in another coin: the same walk at
    # any magnitude is tested the same. The oracle sees the walk at unit scale,
    # where its own least squares are well conditioned.
    walk = np.cumsum(np.random.default_rng(abs(round(math.log(level)))).standard_normal(160))
    x = level + step * walk
    rows = run(Adf(["x"], 100, ["s", "p"], regression=regression), x.tolist())
    for i in range(99, 160, 6):
        stat, _ = adfuller_stat(walk[i - 99 : i + 1], 12, regression)
        assert rows[i][0] == pytest.approx(stat, rel=1e-8), i
    if level == 2e-5:  # close enough to ordinary scales for the oracle itself
        stat, _ = adfuller_stat(x[-100:], 12, regression)
        assert rows[-1][0] == pytest.approx(stat, rel=1e-6)


def test_pvalues_across_the_whole_grid():
    # Stationary windows give very negative statistics, mildly explosive ones
    # positive ones: between them nearly every interval of both tables is hit.
    rng = np.random.default_rng(11)
    rhos = np.concatenate([np.linspace(-0.5, 0.9, 8), np.linspace(0.9, 1.06, 24)])
    for regression in ("c", "ct"):
        seen = set()
        for rho in rhos:
            x = [0.0]
            for v in rng.standard_normal(199):
                x.append(rho * x[-1] + v)
            for stat, p in run(Adf(["x"], 60, ["s", "p"], lags=1, regression=regression), x):
                if math.isnan(stat):
                    continue
                assert p == pytest.approx(table_pvalue(stat, regression), rel=1e-12, abs=1e-15)
                seen.add(max(-1, min(44, int((stat + 6.0) // 0.2))))
        assert len(seen) >= 44, sorted(set(range(-1, 45)) - seen)


def test_nan_blanks_exactly_the_windows_holding_it():
    x = series_of("walk", 80, seed=3).tolist()
    clean = run(Adf(["x"], 20, ["s", "p"]), x)
    x[30] = NAN
    rows = run(Adf(["x"], 20, ["s", "p"]), x)
    for i, (row, ref) in enumerate(zip(rows, clean, strict=True)):
        if 30 <= i < 50:
            assert all(math.isnan(v) for v in row), i
        else:
            assert np.array_equal(row, ref, equal_nan=True), i


def test_infinite_input_gives_nan_not_garbage():
    x = series_of("walk", 40, seed=4).tolist()
    x[25] = math.inf
    rows = run(Adf(["x"], 20, ["s", "p"], lags=1), x)
    assert all(math.isnan(v) for row in rows[25:] for v in row)
    assert not math.isnan(rows[24][0])


@pytest.mark.parametrize(
    "series, window, kwargs",
    [
        ([5.0] * 30, 20, {"lags": 0}),
        ([5.0] * 30, 20, {"lags": 2, "regression": "ct"}),
        # Accepted, but with as many rows as columns: never computable.
        (series_of("walk", 30, seed=5).tolist(), 10, {"lags": 3, "regression": "ct"}),
    ],
)
def test_degenerate_regressions_are_nan(series, window, kwargs):
    rows = run(Adf(["x"], window, ["s", "p"], **kwargs), series)
    assert all(len(r) == 2 and math.isnan(r[0]) and math.isnan(r[1]) for r in rows)


@pytest.mark.skipif(not hasattr(zerak, "FeaturePipeline"), reason="FeaturePipeline not built")
def test_pipeline_live_equals_research_and_owns_its_copies():
    x = series_of("walk", 300, seed=8).tolist()
    x[120] = NAN
    features = [
        Adf(["close"], 50, ["s", "p"]),
        Adf(["close"], 60, ["s_ct", "p_ct"], lags=2, regression="ct"),
    ]
    live_pipeline = zerak.FeaturePipeline(features, ["close"])
    live = [live_pipeline.update([v]) for v in x]
    research = zerak.FeaturePipeline(features, ["close"]).run_research([[v] for v in x])
    assert np.array_equal(live, research, equal_nan=True)
    assert np.array_equal(
        live, live_pipeline.run_research(np.array(x).reshape(-1, 1)), equal_nan=True
    )
    # The objects handed over were copied, not stepped.
    standalone = [a + b for a, b in zip(run(features[0], x), run(features[1], x), strict=True)]
    assert np.array_equal(live, standalone, equal_nan=True)


@pytest.fixture
def restore_dispatch():
    import zerak._dispatch as dispatch

    saved = dispatch.active()
    yield dispatch
    dispatch.use(saved)


@pytest.mark.skipif(not hasattr(zerak, "FeaturePipeline"), reason="FeaturePipeline not built")
@pytest.mark.parametrize("level", ["baseline", "avx2", "avx512"])
@pytest.mark.parametrize("regression", ["c", "ct"])
@pytest.mark.parametrize("window, lags", [(100, None), (23, None), (9, 0)])
def test_research_is_live_bit_for_bit_on_every_instruction_set(
    restore_dispatch, level, regression, window, lags
):
    if level not in restore_dispatch.available():
        pytest.skip(f"this CPU lacks {level}")
    restore_dispatch.use(level)
    # Between plain stretches, windows that only the rescaled refit can fit
    # (tiny changes, levels near overflow), a constant run, a perfect line, a gap.
    walk = np.cumsum(np.random.default_rng(window).standard_normal(1400))
    x = 100.0 + walk
    x[250:420] = 2e-5 + 1e-9 * walk[250:420]
    x[520:640] = 1e300 + 1e297 * walk[520:640]
    x[700:800] = 5.0
    x[880:980] = 0.25 * np.arange(100)
    x[1100] = NAN
    live = np.array(
        run(Adf(["x"], window, ["s", "p"], lags=lags, regression=regression), x.tolist())
    )
    pipeline = zerak.FeaturePipeline(
        [Adf(["x"], window, ["s", "p"], lags=lags, regression=regression)], ["x"]
    )
    research = pipeline.run_research_array(x.reshape(-1, 1))
    assert np.isfinite(live[:, 0]).sum() > 600
    bits = [np.where(np.isnan(a), NAN, a).view(np.int64) for a in (live, research)]
    assert np.array_equal(bits[0], bits[1]), np.argwhere(bits[0] != bits[1])[:5]
