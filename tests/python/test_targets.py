"""Forward-looking targets and TargetPipeline from Python."""

import itertools
import math
import sys

import numpy as np
import pandas as pd
import pytest
from scipy import stats

import zerak
from zerak import (
    FutureCTCVolatility,
    FutureLinearSlope,
    FutureReturn,
    InvalidConfigError,
    InvalidInputError,
    TargetPipeline,
)

nan = math.nan
TARGETS = [FutureReturn, FutureCTCVolatility, FutureLinearSlope]


def run(target, *columns):
    """Runs one target alone, one column per distinct input name."""
    names = list(dict.fromkeys(target.input_names()))
    return TargetPipeline([target], names).run_research([list(c) for c in columns])


def assert_columns(got, want):
    assert len(got) == len(want)
    for g, w in zip(got, want, strict=True):
        np.testing.assert_array_equal(np.array(g, dtype=float), np.array(w, dtype=float))


def prices(n, seed, gaps=True, non_positive=True):
    """A random walk of closes, with NaN gaps and a few zero or negative closes."""
    rng = np.random.default_rng(seed)
    c = 100.0 * np.exp(np.cumsum(rng.normal(0.0, 0.02, n)))
    if gaps:
        c[rng.choice(n, n // 25, replace=False)] = nan
    if non_positive:
        c[rng.choice(n, n // 40, replace=False)] = 0.0
        c[rng.choice(n, n // 40, replace=False)] *= -1.0
    return c


# ---- worked values -------------------------------------------------------------


@pytest.mark.parametrize(
    "target, columns, want",
    [
        (
            FutureReturn(["c"], 1, ["r"]),
            [[100.0, 110.0, 99.0]],
            [[0.1, (99.0 - 110.0) / 110.0, nan]],
        ),
        (FutureReturn(["c"], 3, ["r"]), [[100.0, 110.0, 99.0]], [[nan, nan, nan]]),
        (FutureReturn(["c"], 1, ["r"]), [[0.0, 10.0]], [[nan, nan]]),
        (FutureReturn(["c"], 1, ["r"]), [[-5.0, nan, 2.0, 3.0]], [[nan, nan, 0.5, nan]]),
        (
            FutureLinearSlope(["x", "y"], 3, ["s", "r2"]),
            [[0, 1, 2, 3, 4], [0, 2, 4, 6, 8]],
            [[2, 2, 2, nan, nan], [1, 1, 1, nan, nan]],
        ),
        # constant x: no line; constant y: slope 0 without R²
        (
            FutureLinearSlope(["x", "y"], 3, ["s", "r2"]),
            [[1, 1, 1, 2], [5, 5, 5, 5]],
            [[nan, 0.0, nan, nan], [nan, nan, nan, nan]],
        ),
        (
            FutureCTCVolatility(["c"], 2, ["v"]),
            [[1.0, 2.0, 4.0, 16.0]],
            [[0.0, math.log(2.0) * math.sqrt(0.5), nan, nan]],
        ),
    ],
)
def test_worked_values(target, columns, want):
    got = run(target, *columns)
    np.testing.assert_allclose(np.array(got), np.array(want, dtype=float), rtol=1e-15, atol=0)


@pytest.mark.parametrize("h", [3, 10])
@pytest.mark.parametrize("c", [0.1, 0.3, 1 / 3])
def test_future_linear_slope_on_constant_windows_whose_mean_rounds(c, h):
    ramp = [float(i) for i in range(h)]
    # x constant: no line at all; y constant: a flat line without R².
    assert_columns(
        run(FutureLinearSlope(["x", "y"], h, ["s", "r2"]), [c] * h, ramp), [[nan] * h] * 2
    )
    slope, r2 = run(FutureLinearSlope(["x", "y"], h, ["s", "r2"]), ramp, [c] * h)
    assert_columns([slope, r2], [[0.0] + [nan] * (h - 1), [nan] * h])
    assert math.copysign(1.0, slope[0]) == 1.0


# ---- against plain references on random data -------------------------------------


@pytest.mark.parametrize("h", [1, 2, 7, 30])
def test_future_return_matches_pandas(h):
    c = pd.Series(prices(400, seed=h))
    want = ((c.shift(-h) - c) / c).where(c > 0)
    (got,) = run(FutureReturn(["c"], h, ["r"]), c)
    np.testing.assert_array_equal(got, want.to_numpy())


@pytest.mark.parametrize("h", [2, 3, 10, 40])
def test_future_ctc_volatility_matches_pandas(h):
    c = pd.Series(prices(500, seed=100 + h))
    prev = c.shift(1)
    lr = np.log((c / prev).where((c > 0) & (prev > 0)))
    want = lr.rolling(h).std().shift(-h)
    (got,) = run(FutureCTCVolatility(["c"], h, ["v"]), c)
    got = np.array(got)
    np.testing.assert_array_equal(np.isnan(got), want.isna().to_numpy())
    np.testing.assert_allclose(got, want.to_numpy(), rtol=1e-9, atol=1e-15)


@pytest.mark.parametrize("h", [2, 3, 8, 25])
def test_future_linear_slope_matches_linregress(h):
    rng = np.random.default_rng(h)
    n = 300
    x = rng.normal(size=n).cumsum()
    y = 0.7 * x + rng.normal(size=n)
    x[rng.choice(n, 8, replace=False)] = nan
    y[rng.choice(n, 8, replace=False)] = nan
    slope, r2 = run(FutureLinearSlope(["x", "y"], h, ["s", "r2"]), x, y)
    for i in range(n):
        wx, wy = x[i : i + h], y[i : i + h]
        if len(wx) < h or np.isnan(wx).any() or np.isnan(wy).any():
            assert math.isnan(slope[i]) and math.isnan(r2[i]), i
            continue
        fit = stats.linregress(wx, wy)
        assert slope[i] == pytest.approx(fit.slope, rel=1e-9, abs=1e-12)
        assert r2[i] == pytest.approx(fit.rvalue**2, rel=1e-9, abs=1e-12)
        assert slope[i] == pytest.approx(np.polyfit(wx, wy, 1)[0], rel=1e-7, abs=1e-12)


@pytest.mark.parametrize("h", [2, 5, 20])
@pytest.mark.parametrize("n", [0, 1, 4, 5, 6, 20, 21, 60])
def test_exact_nan_tails(h, n):
    c = prices(n, seed=n, gaps=False, non_positive=False)
    x = np.arange(n, dtype=float)
    p = TargetPipeline(
        [
            FutureReturn(["c"], h, ["r"]),
            FutureLinearSlope(["x", "c"], h, ["s", "r2"]),
            FutureCTCVolatility(["c"], h, ["v"]),
        ],
        ["c", "x"],
    )
    tails = dict(zip(p.output_names(), [h, h - 1, h - 1, h], strict=True))
    for name, column in zip(p.output_names(), p.run_research([c, x]), strict=True):
        missing = np.isnan(column)
        tail = min(tails[name], n)
        assert missing[n - tail :].all() and not missing[: n - tail].any(), name


# ---- the pipeline ------------------------------------------------------------------


def three():
    return [
        FutureReturn(["close"], 3, ["ret"]),
        FutureLinearSlope(["t", "close"], 4, ["slope", "r2"]),
        FutureCTCVolatility(["close"], 5, ["vol"]),
    ]


def test_targets_in_any_order_and_a_shared_column():
    c = prices(120, seed=5)
    t = np.arange(120.0)
    alone = {}
    for target in three():
        cols = TargetPipeline([target], ["close", "t"]).run_research([c, t])
        alone.update(zip(target.output_names(), cols, strict=True))
    for order in itertools.permutations(three()):
        p = TargetPipeline(list(order), ["close", "t"])
        got = dict(zip(p.output_names(), p.run_research([c, t]), strict=True))
        assert p.output_names() == [n for target in order for n in target.output_names()]
        for name, column in got.items():
            np.testing.assert_array_equal(column, alone[name])
    # One column read as both x and y: a perfect fit wherever the window is clean.
    s, r2 = run(FutureLinearSlope(["c", "c"], 3, ["s", "r2"]), [1.0, 4.0, 2.0, nan, 5.0, 6.0, 7.0])
    np.testing.assert_allclose(s, [1.0, nan, nan, nan, 1.0, nan, nan])
    np.testing.assert_allclose(r2, [1.0, nan, nan, nan, 1.0, nan, nan])


def test_extra_output_names_get_nan_columns_of_the_same_length():
    p = TargetPipeline(
        [FutureReturn(["c"], 1, ["a", "b"]), FutureCTCVolatility(["c"], 2, ["v", "w", "z"])], ["c"]
    )
    assert p.output_names() == ["a", "b", "v", "w", "z"]
    got = p.run_research([[1.0, 2.0, 4.0, 8.0]])
    assert_columns(got, [[1, 1, 1, nan], [nan] * 4, [0, 0, nan, nan], [nan] * 4, [nan] * 4])


def test_unequal_column_lengths_follow_each_targets_first_column():
    p = TargetPipeline(
        [FutureLinearSlope(["x", "y"], 2, ["s", "r2"]), FutureReturn(["y"], 1, ["r", "extra"])],
        ["x", "y", "short"],
    )
    got = p.run_research([[0.0, 1.0, 2.0, 3.0, 4.0], [1.0, 3.0, 5.0], []])
    assert_columns(got, [[2, 2, nan, nan, nan], [1, 1, nan, nan, nan], [2, 2 / 3, nan], [nan] * 3])


@pytest.mark.parametrize(
    "make",
    [
        lambda a: a,  # 2-D C-ordered
        np.asfortranarray,
        lambda a: np.ascontiguousarray(a.T).T,  # strided rows
        lambda a: np.repeat(a, 2, axis=0)[::2],  # every other row of a bigger array
        lambda a: list(a),  # 1-D float64 buffers
        lambda a: [memoryview(row.copy()) for row in a],
        lambda a: a.astype(np.float32),  # not float64: converted in place
        lambda a: a.tolist(),
        lambda a: tuple(tuple(r) for r in a.tolist()),
        lambda a: [pd.Series(r) for r in a],
    ],
)
def test_run_research_reads_buffers_and_sequences_alike(make):
    a = np.vstack([prices(50, seed=1), np.arange(50.0)])
    a = a.astype(np.float32).astype(np.float64)  # representable in float32 too
    p = TargetPipeline(three(), ["close", "t"])
    assert_columns(p.run_research(make(a)), p.run_research(a.tolist()))


def test_nan_and_infinities_cross_the_edge():
    (got,) = run(FutureReturn(["c"], 1, ["r"]), [nan, 1.0, math.inf, 2.0])
    assert math.isnan(got[0]) and got[1] == math.inf and math.isnan(got[2])
    assert np.isnan(got[3])


def test_the_pipeline_keeps_no_reference_to_its_arguments():
    targets = three()
    cols = [list(prices(30, seed=3)), list(range(30))]
    before = [sys.getrefcount(t) for t in targets] + [sys.getrefcount(c) for c in cols]
    p = TargetPipeline(targets, ["close", "t"])
    p.run_research(cols)
    p.run_research(np.array(cols))
    after = [sys.getrefcount(t) for t in targets] + [sys.getrefcount(c) for c in cols]
    assert before == after


# ---- bad input ------------------------------------------------------------------------


@pytest.mark.parametrize(
    "cls, inputs, horizon, outputs, message",
    [
        (FutureReturn, [], 0, [], "inputs must not be empty"),
        (FutureReturn, ["c"], 0, [], "horizon must be > 0"),
        (FutureReturn, ["c"], 1, [], "outputs must not be empty"),
        (FutureCTCVolatility, [], 0, [], "inputs must not be empty"),
        (
            FutureCTCVolatility,
            ["c"],
            1,
            [],
            "horizon must be >= 2 (std_dev requires at least 2 log returns)",
        ),
        (FutureCTCVolatility, ["c"], 2, [], "outputs must not be empty"),
        (FutureLinearSlope, ["x"], 0, [], "inputs must contain x and y columns"),
        (FutureLinearSlope, ["x", ""], 0, [], "input names must not be empty"),
        (FutureLinearSlope, ["x", "y"], 1, [], "horizon must be >= 2"),
        (
            FutureLinearSlope,
            ["x", "y"],
            2,
            ["s", "r", "q"],
            "outputs must contain exactly 2 names: [slope, r2]",
        ),
    ],
)
def test_target_construction_messages(cls, inputs, horizon, outputs, message):
    with pytest.raises(InvalidInputError) as e:
        cls(inputs, horizon, outputs)
    assert str(e.value) == message


@pytest.mark.parametrize("cls", TARGETS)
def test_a_horizon_beyond_any_dataset_gives_nan(cls):
    with pytest.raises(OverflowError):
        cls(["a", "b"], 2**64, ["x", "y"])
    t = cls(["a", "b"], 2**64 - 1, ["x", "y"])
    assert t.forward_period() == 2**64 - 1
    assert all(math.isnan(v) for col in run(t, [1.0, 2.0], [3.0, 4.0]) for v in col)


@pytest.mark.parametrize(
    "targets, columns, exc, message",
    [
        ([], ["c", "c"], InvalidConfigError, "targets must not be empty"),
        (three(), ["c", "t", "c"], InvalidConfigError, 'duplicate input column: "c"'),
        ([zerak.Add(["a", "b"], ["s"])], ["a"], InvalidConfigError, "unsupported target type: Add"),
        ([three()[0], 5], ["close"], InvalidConfigError, "unsupported target type: int"),
        (
            [TargetPipeline(three(), ["t", "close"])],
            ["close"],
            InvalidConfigError,
            "unsupported target type: TargetPipeline",
        ),
        (
            [
                FutureReturn(["c"], 1, ["y"]),
                FutureReturn(["c"], 2, ["q"]),
                FutureCTCVolatility(["v"], 2, ["y"]),
            ],
            ["c"],
            zerak.DuplicateOutputKeyError,
            "duplicate output key 'y': produced by index 0 and 2",
        ),
        (
            [FutureReturn(["c"], 1, ["y", "y"])],
            ["c"],
            zerak.DuplicateOutputKeyError,
            "duplicate output key 'y': produced by index 0 and 0",
        ),
        (
            [
                FutureLinearSlope(["x", "v"], 2, ["s", "r"]),
                FutureReturn(["w"], 1, ["q"]),
                FutureCTCVolatility(["v"], 2, ["z"]),
            ],
            ["c"],
            zerak.MissingInputColumnError,
            'missing input column(s): ["x", "v", "w"]',
        ),
        ("close", ["c"], TypeError, "argument 'targets': Can't extract `str` to `Vec`"),
        (5, ["c"], TypeError, "argument 'targets': 'int' object cannot be converted to 'Sequence'"),
        (three(), "c", TypeError, "argument 'input_columns': Can't extract `str` to `Vec`"),
        (
            [zerak.Add(["a", "b"], ["s"])],
            [1],
            TypeError,
            "argument 'input_columns': 'int' object cannot be converted to 'PyString'",
        ),
    ],
)
def test_pipeline_construction_errors(targets, columns, exc, message):
    with pytest.raises(exc) as e:
        TargetPipeline(targets, columns)
    assert str(e.value) == message


@pytest.mark.parametrize(
    "data, exc, message",
    [
        ([[1.0, 2.0]], InvalidInputError, 'expected 2 input column(s) ["close", "t"], got 1'),
        ([[1.0, 2.0]] * 3, InvalidInputError, 'expected 2 input column(s) ["close", "t"], got 3'),
        (np.zeros((3, 2)), InvalidInputError, 'expected 2 input column(s) ["close", "t"], got 3'),
        ("ab", TypeError, "argument 'data': Can't extract `str` to `Vec`"),
        ([[1.0], "ab"], TypeError, "argument 'data': Can't extract `str` to `Vec`"),
        (
            np.zeros(2),
            TypeError,
            (
                "argument 'data': expected a 2-dimensional array of columns "
                "(one row per input column), got a 1-dimensional one: "
                "use data.reshape(1, -1) or [data] for a single input column"
            ),
        ),
        ([[1.0], [None]], TypeError, "argument 'data': must be real number, not NoneType"),
    ],
)
def test_run_research_errors(data, exc, message):
    p = TargetPipeline(three(), ["close", "t"])
    with pytest.raises(exc) as e:
        p.run_research(data)
    assert str(e.value) == message
    with pytest.raises(TypeError, match=r"run_research\(\) missing 1 required positional"):
        p.run_research()
    assert_columns(p.run_research(data=[[1.0], [2.0]]), [[nan]] * 4)


# ---- class surface ------------------------------------------------------------------------


@pytest.mark.parametrize(
    "cls, doc, outputs_doc",
    [
        (FutureReturn, "Future simple return over ``horizon`` bars.", "Output column names."),
        (FutureCTCVolatility, "Future close-to-close realized volatility.", "Output column names."),
        (
            FutureLinearSlope,
            "Future OLS slope and R² of y on x over the next ``horizon`` bars.",
            "Output column names (slope, r2).",
        ),
    ],
)
def test_target_class_surface(cls, doc, outputs_doc):
    assert cls.__text_signature__ == "(inputs, horizon, outputs)"
    assert cls.__doc__ == doc
    assert cls.__module__ == "zerak"
    assert cls.output_names.__doc__ == outputs_doc
    assert cls.input_names.__doc__ == "Input column names."
    assert cls.forward_period.__doc__ == "Number of bars at the end that will be ``NaN``."
    for absent in ("update", "reset", "warm_up_period", "run_research"):
        assert not hasattr(cls, absent)
    t = cls(["a", 'q"b'], 7, ["x", "y"])
    name = cls.__name__
    assert repr(t) == f'{name}(inputs=["a", "q\\"b"], horizon=7, outputs=["x", "y"])'


def test_pipeline_class_surface():
    assert TargetPipeline.__text_signature__ == "(targets, input_columns)"
    assert TargetPipeline.__doc__ == (
        "Orchestrates multiple targets over a full dataset.\n\n"
        "Targets are stateless and independent \u2014 no DAG needed.\n"
        "Use ``run_research()`` to label an entire dataset at once."
    )
    assert TargetPipeline.run_research.__text_signature__ == "($self, data, *, progress=None)"
    assert TargetPipeline.run_research.__doc__.startswith(
        "Run all targets over the full dataset (research mode).\n\nArgs:\n    data: One list per"
    )
    assert TargetPipeline.output_names.__doc__ == "Output column names, in order."
    assert TargetPipeline.input_names.__doc__ == (
        "Input columns in the order expected by ``run_research()``."
    )
    assert TargetPipeline.forward_period.__doc__ == "Maximum forward period across all targets."
    assert [n for n in vars(TargetPipeline) if not n.startswith("__")] == [
        "run_research",
        "output_names",
        "input_names",
        "forward_period",
        "run_research_array",
        "_repr_pretty_",
    ]
    assert TargetPipeline.__repr__ is object.__repr__
    p = TargetPipeline(three(), ["t", "close", "unused"])
    assert (len(p), p.input_names(), p.output_names(), p.forward_period()) == (
        3,
        ["t", "close", "unused"],
        ["ret", "slope", "r2", "vol"],
        5,
    )
    ours = ["FutureReturn", "FutureCTCVolatility", "FutureLinearSlope", "TargetPipeline"]
    assert [n for n in zerak.__all__ if n in ours] == ours
    assert zerak._zerak.__all__[-1] == "TargetPipeline"
    assert zerak.__all__.index("FutureReturn") > zerak.__all__.index("Logit")
