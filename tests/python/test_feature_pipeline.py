"""FeaturePipeline from Python: construction, routing, live and research mode."""

import gc
import math
import random
import sys

import numpy as np
import pytest
from conftest import same_floats

import zerak
from zerak import FeaturePipeline as FP

nan = float("nan")


def needs(name):
    return pytest.mark.skipif(not hasattr(zerak, name), reason=f"{name} not built")


def chain():
    """Ten chained operators over four columns, plus stateful features when built."""
    features = [
        zerak.Log(["close"], ["lc"]),
        zerak.Log(["open"], ["lo"]),
        zerak.Subtract(["lc", "lo"], ["body"]),
        zerak.Divide(["high", "low"], ["range"]),
        zerak.Log(["range"], ["lr"]),
        zerak.Multiply(["body", "lr"], ["bl"]),
        zerak.Add(["bl", "close"], ["s"]),
        zerak.Reciprocal(["s"], ["inv"]),
        zerak.NegLog(["inv"], ["nl"]),
        zerak.Logit(["inv"], ["lg"]),
    ]
    if hasattr(zerak, "Sma"):
        features += [zerak.Sma(["body"], 3, ["sma"]), zerak.Ema(["sma"], 4, ["ema"])]
    return features


COLUMNS = ["open", "high", "low", "close"]


def bars(n=40, seed=0):
    rng = random.Random(seed)
    out = []
    for i in range(n):
        o = 100 + rng.gauss(0, 2)
        c = o + rng.gauss(0, 1)
        bar = [o, max(o, c) + rng.random(), min(o, c) - rng.random(), c]
        if i % 7 == 3:
            bar[rng.randrange(4)] = nan
        out.append(bar)
    return out


def local():
    class Local:  # its __name__, not its __qualname__, is reported
        pass

    return Local()


def by_name(pipeline, rows):
    names = pipeline.output_names()
    return {name: [row[i] for row in rows] for i, name in enumerate(names)}


def test_surface():
    assert FP.__module__ == "zerak" and FP.__qualname__ == "FeaturePipeline"
    assert FP.__text_signature__ == "(features, input_columns)"
    assert FP.__doc__ == (
        "Orchestrates features in DAG-resolved order.\n\n"
        "Features are resolved automatically \u2014 pass them in any order.\n"
        "Use ``run_research()`` for batch mode or ``update()`` for live mode."
    )
    methods = [n for n in vars(FP) if not n.startswith("__")]
    assert methods == [
        "update",
        "run_research",
        "reset",
        "output_names",
        "input_names",
        "warm_up_period",
        "run_research_array",
        "update_many",
        "peek",
        "transforms",
        "_findings",
        "_unwarned",
        "_repr_pretty_",
    ]
    assert FP.update.__text_signature__ == "($self, values)"
    assert FP.update.__doc__.startswith(
        "Process one bar (live mode).\n\nArgs:\n    values: One float"
    )
    assert FP.run_research.__doc__.endswith(
        "Returns:\n    List of bars, each bar is a list of output values."
    )
    assert FP.reset.__doc__ == "Reset all features (e.g. between CPCV splits)."
    assert FP.output_names.__doc__ == "Output column names in execution order."
    assert FP.input_names.__doc__ == "Input columns in the order expected by ``update()``."
    assert FP.warm_up_period.__doc__ == "Maximum warm-up period across all features."
    with pytest.warns(zerak.ConfigWarning, match='"unused" is read by no transform'):
        p = FP([zerak.Log(["x"], ["y"]), zerak.Add(["x", "y"], ["z"])], ("x", "unused"))
    assert repr(p).startswith("<zerak.FeaturePipeline object at 0x")
    assert len(p) == 2 and p.warm_up_period() == 0
    assert p.input_names() == ["x", "unused"] and p.output_names() == ["y", "z"]


@pytest.mark.parametrize(
    "features, columns, error, message",
    [
        ("abc", ["x"], TypeError, "argument 'features': Can't extract `str` to `Vec`"),
        (
            3,
            ["x"],
            TypeError,
            "argument 'features': 'int' object cannot be converted to 'Sequence'",
        ),
        ([], "x", TypeError, "argument 'input_columns': Can't extract `str` to `Vec`"),
        ([42], ["x"], zerak.InvalidConfigError, "unsupported feature type: int"),
        (
            [zerak.Log, zerak.Log(["x"], ["y"])],
            ["x"],
            zerak.InvalidConfigError,
            "unsupported feature type: type",
        ),
        ([local()], ["x"], zerak.InvalidConfigError, "unsupported feature type: Local"),
        (
            [FP([zerak.Log(["x"], ["y"])], ["x"])],
            ["x"],
            zerak.InvalidConfigError,
            "unsupported feature type: FeaturePipeline",
        ),
        (
            [zerak.FutureReturn(["x"], 1, ["r"])],
            ["x"],
            zerak.InvalidConfigError,
            "unsupported feature type: FutureReturn",
        ),
        (
            [zerak.Log(["x"], ["y"]), "Log"],
            ["x"],
            zerak.InvalidConfigError,
            "unsupported feature type: str",
        ),
        ([], ["x"], zerak.InvalidConfigError, "features must not be empty"),
        (
            [zerak.Log(["a"], ["y"])],
            ["a", "b", "a"],
            zerak.InvalidConfigError,
            'duplicate input column: "a"',
        ),
        (
            [zerak.Log(["x"], ["y"]), zerak.Log(["y"], ["y2"]), zerak.Log(["x"], ["y"])],
            ["x"],
            zerak.DuplicateOutputKeyError,
            "duplicate output key 'y': produced by index 0 and 2",
        ),
        (
            [zerak.Log(["b"], ["a"]), zerak.Log(["a"], ["b"]), zerak.Log(["x"], ["c"])],
            ["x"],
            zerak.CyclicDependencyError,
            "cyclic dependency detected among features",
        ),
        (
            [zerak.Add(["close", "vol"], ["s"]), zerak.Log(["vol"], ["l"])],
            ["open"],
            zerak.MissingInputColumnError,
            'missing input column(s): ["close", "vol"]',
        ),
    ],
)
def test_construction_errors(features, columns, error, message):
    with pytest.raises(error) as info:
        FP(features, columns)
    assert str(info.value) == message and info.value.args == (message,)


def test_any_feature_order_gives_the_same_columns():
    data = bars()
    expected = by_name(FP(chain(), COLUMNS), FP(chain(), COLUMNS).run_research(data))
    rng = random.Random(1)
    for _ in range(5):
        features = chain()
        rng.shuffle(features)
        p = FP(features, COLUMNS)
        got = by_name(p, p.run_research(data))
        assert got.keys() == expected.keys()
        for name in expected:
            same_floats(got[name], expected[name])


def test_live_research_and_reset_agree():
    data = bars()
    live = FP(chain(), COLUMNS)
    rows = [live.update(bar) for bar in data]
    research = FP(chain(), COLUMNS)
    for bar in data[:5]:
        research.update(bar)  # forgotten: research starts from the reset state
    for got, want in zip(research.run_research(data), rows, strict=True):
        same_floats(got, want)
    same_floats(research.update(data[0]), live.update(data[0]))  # both continue from the last bar
    live.reset()
    for bar, want in zip(data, rows, strict=True):
        same_floats(live.update(bar), want)


@pytest.mark.parametrize(
    "layout",
    [
        lambda a: a,
        np.asfortranarray,
        lambda a: np.repeat(a, 2, axis=1)[:, ::2],  # strided columns
        lambda a: a[::-1][::-1],
        lambda a: np.ascontiguousarray(a.T).T,
        lambda a: a.astype(np.float32),  # other dtypes: converted in place
        lambda a: a.astype(np.dtype(">f8")),  # not native: byte-swapped in place
        lambda a: a.astype(object),
        lambda a: memoryview(np.ascontiguousarray(a)),
    ],
)
def test_numpy_input_in_any_layout_equals_the_list_path(layout):
    data = np.array(bars(), dtype=np.float64)
    p = FP(chain(), COLUMNS)
    converted = layout(data)
    expected = p.run_research(np.asarray(converted).tolist())
    got = p.run_research(converted)
    assert isinstance(got, list) and all(type(row) is list for row in got)
    for g, e in zip(got, expected, strict=True):
        same_floats(g, e)


def test_numpy_edge_shapes():
    p = FP([zerak.Add(["a", "b"], ["s"])], ["a", "b"])
    assert p.run_research(np.empty((0, 2))) == []
    with pytest.raises(zerak.InvalidInputError, match=r"got 5$"):  # no bars, still 5 columns
        p.run_research(np.empty((0, 5)))
    with pytest.raises(
        zerak.InvalidInputError, match=r'^expected 2 input value\(s\) \["a", "b"\], got 3$'
    ):
        p.run_research(np.ones((4, 3)))
    with pytest.raises(zerak.InvalidInputError):  # before any output is allocated
        p.run_research(np.broadcast_to(np.ones(1), (2**40, 3)))
    with pytest.raises(MemoryError):
        p.run_research(np.broadcast_to(np.ones(1), (2**40, 2)))
    with pytest.raises(TypeError, match=r"^argument 'data': "):
        p.run_research(np.ones(4))
    same_floats(p.run_research(np.array([[1.0, nan], [np.inf, 1.0]]))[1], [math.inf])
    assert all(math.isnan(v) for v in FP(chain(), COLUMNS).update([nan] * 4))


@pytest.mark.parametrize(
    "call, error, message",
    [
        (
            lambda p: p.update([1.0]),
            zerak.InvalidInputError,
            'expected 2 input value(s) ["a", "b"], got 1',
        ),
        (
            lambda p: p.update([1.0, 2.0, 3.0]),
            zerak.InvalidInputError,
            'expected 2 input value(s) ["a", "b"], got 3',
        ),
        (lambda p: p.update("ab"), TypeError, "argument 'values': Can't extract `str` to `Vec`"),
        (
            lambda p: p.update([1.0, "x"]),
            TypeError,
            "argument 'values': must be real number, not str",
        ),
        (
            lambda p: p.run_research("ab"),
            TypeError,
            "argument 'data': Can't extract `str` to `Vec`",
        ),
        (
            lambda p: p.run_research([[1.0, 2.0], 3.0]),
            TypeError,
            "argument 'data': 'float' object cannot be converted to 'Sequence'",
        ),
        (
            lambda p: p.run_research([[1.0, 2.0], [1.0, None]]),
            TypeError,
            "argument 'data': must be real number, not NoneType",
        ),
        (
            lambda p: p.run_research([[1, 2], (3, 4), [5.0]]),
            zerak.InvalidInputError,
            'expected 2 input value(s) ["a", "b"], got 1',
        ),
        (
            lambda p: p.update(),
            TypeError,
            "FeaturePipeline.update() missing 1 required positional argument: 'values'",
        ),
        (
            lambda p: p.run_research(datum=[]),
            TypeError,
            "FeaturePipeline.run_research() got an unexpected keyword argument 'datum'",
        ),
    ],
)
def test_bad_input(call, error, message):
    p = FP([zerak.Add(["a", "b"], ["s"])], ["a", "b"])
    with pytest.raises(error) as info:
        call(p)
    assert str(info.value) == message
    assert p.update(values=(1, 2)) == [3.0] and p.run_research(data=[]) == []


@needs("Sma")
def test_state_is_private_and_failures_keep_documented_state():
    used = zerak.Sma(["close"], 3, ["s"])
    for x in range(10):
        used.update([float(x)])
    for obj in (zerak.Sma(["close"], 3, ["s"]), used):
        p = FP([obj], ["close"])
        same_floats([p.update([x])[0] for x in (1.0, 2.0, 3.0)], [nan, nan, 2.0])
    assert used.update([10.0]) == [9.0]  # the pipeline never touched it
    # a conversion error comes before the reset; a bad third bar comes after two bars
    with pytest.raises(TypeError):
        p.run_research([[5.0], ["x"]])
    assert p.update([4.0]) == [3.0]
    with pytest.raises(zerak.InvalidInputError):
        p.run_research([[6.0], [9.0], []])
    same_floats(p.update([12.0]), [9.0])
    assert FP([used, zerak.Sma(["close"], 20, ["t"])], ["close"]).warm_up_period() == 19


def test_reentrant_calls_raise_borrow_errors():
    p = FP([zerak.Log(["x"], ["y"])], ["x"])
    log = zerak.Log(["x"], ["y"])
    seen = []

    class Reentrant:
        def __float__(self):
            for call in (
                p.input_names,
                lambda: p.update([1.0]),
                p.reset,
                lambda: len(p),
                lambda: p.run_research([]),
            ):
                try:
                    call()
                except RuntimeError as e:
                    seen.append(str(e))
            return 1.0

    class Extracting:
        def __float__(self):
            try:
                FP([log], ["x"])
            except zerak.InvalidConfigError as e:
                seen.append(str(e))
            return 1.0

    assert p.update([Reentrant()]) == [0.0]
    assert p.run_research([[Reentrant()]]) == [[0.0]]
    assert log.update([Extracting()]) == [0.0]
    borrow = [
        "Already mutably borrowed",
        "Already borrowed",
        "Already borrowed",
        "Already mutably borrowed",
        "Already borrowed",
    ]
    assert seen == borrow + borrow + ["unsupported feature type: Log"]
    assert p.update([1.0]) == [0.0]


def test_no_references_leak():
    features, columns = [zerak.Log(["x"], ["y"]), zerak.Add(["x", "y"], ["z"])], ["x"]
    row, data, bad = [1.0], [[1.0], [2.0]], [[1.0], ["a"]]
    matrix = np.ones((3, 1))
    watched = (*features, features, columns, row, data, bad, matrix)
    before = [sys.getrefcount(o) for o in watched]
    for _ in range(50):
        p = FP(features, columns)
        p.update(row)
        p.run_research(data)
        p.run_research(matrix)
        # the failures too: each error path gives back what it took
        with pytest.raises(TypeError, match="must be real number, not str"):
            p.run_research(bad)
        with pytest.raises(zerak.InvalidConfigError, match="unsupported feature type: int"):
            FP(features + [1], columns)
        with pytest.raises(zerak.MissingInputColumnError, match="x"):
            FP(features, ["y"])
    del p
    gc.collect()
    assert [sys.getrefcount(o) for o in watched] == before


def test_research_leaves_the_garbage_collector_as_it_found_it():
    import gc

    pipeline = zerak.FeaturePipeline([zerak.Log(["x"], ["y"])], ["x"])
    assert gc.isenabled()
    pipeline.run_research([[1.0], [2.0]])
    assert gc.isenabled()
    gc.disable()
    try:
        pipeline.run_research([[1.0]])
        assert not gc.isenabled()
    finally:
        gc.enable()


STR_FOR_LIST_ERROR = "argument '{}': Can't extract `str` to `Vec`"


@pytest.mark.parametrize(
    "make, parameter, given, message",
    [
        (lambda: zerak.Sma("close", 20, ["s"]), "inputs", "close", STR_FOR_LIST_ERROR),
        (lambda: zerak.Sma(["close"], 20, "s"), "outputs", "s", STR_FOR_LIST_ERROR),
        (lambda: FP([zerak.Log(["x"], ["y"])], "x"), "input_columns", "x", STR_FOR_LIST_ERROR),
        (
            lambda: zerak.TargetPipeline([zerak.FutureReturn(["x"], 1, ["r"])], "x"),
            "input_columns",
            "x",
            STR_FOR_LIST_ERROR,
        ),
        (
            lambda: zerak.UniversePipeline([zerak.Log(["x"], ["y"])], "x", ["A"]),
            "input_names",
            "x",
            "{} must be a list of names, not a str",
        ),
    ],
)
def test_a_str_for_names_keeps_its_error_and_shows_the_list_form(make, parameter, given, message):
    with pytest.raises(TypeError) as info:
        make()
    assert str(info.value) == message.format(parameter)
    assert info.value.__notes__ == [f"names go in a list, even one: {parameter}=[{given!r}]"]


class _Printer:
    """IPython's pretty printer, as far as _repr_pretty_ uses it."""

    def __init__(self):
        self.written = []

    def text(self, s):
        self.written.append(s)


@pytest.mark.filterwarnings("ignore::zerak.ConfigWarning")  # "y" is there to be listed
@pytest.mark.parametrize("count", [1, 6, 9])
def test_print_shows_members_inputs_and_outputs_while_repr_stays(count):
    from zerak.universe import UniversePipeline

    sma = [zerak.Sma(["x"], w, [f"sma{w}"]) for w in range(2, 2 + count)]
    targets = [zerak.FutureReturn(["x"], h, [f"r{h}"]) for h in range(1, 1 + count)]
    for p, members in [
        (FP(sma, ["x", "y"]), sma),
        (zerak.TargetPipeline(targets, ["x", "y"]), targets),
        (UniversePipeline(sma, ["x", "y"], 3), sma),
    ]:
        if not isinstance(p, UniversePipeline):
            assert repr(p) == object.__repr__(p)
        text = str(p)
        shown = [line.strip() for line in text.splitlines() if line.startswith("  ")]
        assert shown[:6] == [repr(m) for m in members[:6]]
        assert shown[6:] == ([f"... and {count - 6} more"] if count > 6 else [])
        assert 'input columns: ["x", "y"]' in text
        assert f"outputs: {p.output_names()}".replace("'", '"') in text
        printer = _Printer()
        p._repr_pretty_(printer, False)
        assert printer.written == [text]
