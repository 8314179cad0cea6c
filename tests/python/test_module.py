import subprocess
import sys
import textwrap

import pytest

import zerak
from zerak import _zerak

EXCEPTIONS = [
    "ZerakError",
    "InvalidConfigError",
    "InvalidInputError",
    "MissingInputColumnError",
    "DuplicateOutputKeyError",
    "CyclicDependencyError",
]


FIRST_TRANSFORMS = [
    "Adf",
    "Sma",
    "Ema",
    "Kama",
    "SimpleReturn",
    "LogReturn",
    "Mma",
    "Skewness",
    "Kurtosis",
    "LinearSlope",
    "ParkinsonVolatility",
    "RogersSatchellVolatility",
    "ShannonEntropy",
    "Correlation",
    "AutoCorrelation",
    "Add",
    "Subtract",
    "Multiply",
    "Divide",
    "Reciprocal",
    "NegLog",
    "Log",
    "Logit",
    "RollingZScore",
    "FixedZScore",
]
# The families that came later, in the order the class list exports them.
FAMILIES = [
    ["RollingSum", "RollingVariance", "RollingStd", "RollingCovariance", "RollingBeta"],
    ["RollingQuantile", "RollingRank"],
    [
        "RollingMin",
        "RollingMax",
        "BarsSinceMax",
        "BarsSinceMin",
        "Stochastic",
        "WilliamsR",
        "Aroon",
        "DonchianChannel",
    ],
    [
        "Lag",
        "Diff",
        "Abs",
        "Sqrt",
        "Exp",
        "Sign",
        "Scale",
        "Clip",
        "Maximum",
        "Minimum",
        "EwmVariance",
        "EwmStd",
    ],
    [
        "Rsi",
        "Macd",
        "Roc",
        "Momentum",
        "StochasticRsi",
        "Wma",
        "Dema",
        "Tema",
        "Trix",
        "BollingerBands",
        "Trima",
    ],
    ["TrueRange", "Atr", "Natr", "Adx", "Cci", "UltimateOscillator", "KeltnerChannel"],
    [
        "Obv",
        "AccumulationDistribution",
        "ChaikinMoneyFlow",
        "Mfi",
        "Vwap",
        "GarmanKlassVolatility",
        "YangZhangVolatility",
    ],
]
TRANSFORMS = FIRST_TRANSFORMS + [name for family in FAMILIES for name in family]
ALL = (
    EXCEPTIONS
    + TRANSFORMS
    + [
        "fit_standard_scaler",
        "FutureReturn",
        "FutureCTCVolatility",
        "FutureLinearSlope",
        "FeaturePipeline",
        "TargetPipeline",
    ]
)


def test_all_lists_every_export_in_registration_order():
    assert _zerak.__all__ == ALL
    assert [n for n in vars(_zerak) if not n.startswith("__")] == ALL
    assert zerak.__all__ == _zerak.__all__ + [
        "research_frame",
        "label_frame",
        "select",
        "check",
        "ConfigWarning",
    ]
    assert len(set(_zerak.__all__)) == len(_zerak.__all__)
    for name in _zerak.__all__:
        assert getattr(zerak, name) is getattr(_zerak, name)
    assert _zerak.__doc__ == ""


@pytest.mark.parametrize("name", EXCEPTIONS)
def test_exception_classes(name):
    cls = getattr(_zerak, name)
    assert cls.__module__ == "_zerak"
    assert cls.__qualname__ == name
    assert cls.__doc__ is None
    assert cls.__bases__ == ((Exception,) if name == "ZerakError" else (_zerak.ZerakError,))


def test_a_second_import_returns_the_same_module():
    del sys.modules["zerak._zerak"]
    import importlib

    again = importlib.import_module("zerak._zerak")
    assert again is _zerak
    sys.modules["zerak._zerak"] = _zerak


@pytest.mark.parametrize("config", ["legacy", "isolated"])
def test_import_from_another_interpreter_fails_with_import_error(config):
    script = textwrap.dedent(f"""
        import _interpreters
        import zerak
        interp = _interpreters.create({config!r})
        err = _interpreters.run_string(interp, "import zerak._zerak")
        print(err.type.__name__ if err is not None else "imported")
    """)
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, check=True)
    assert out.stdout.strip() == "ImportError", out.stderr


# Every transform in one pipeline and every target in another, on fixed data:
# what a module computes with the copies its pipelines take of its objects.
EVERY_CLASS = """
import math, random

def build(cls, columns, outputs):
    given = {"window": 12, "horizon": 3, "lags": 1, "mean": 0.5, "std": 2.0}
    given["periods"] = 2
    names = [p.strip().split("=")[0] for p in cls.__text_signature__.strip("()").split(",")]
    for k in (1, 2, 4):
        for n in (1, 2, 3):
            args = {"inputs": columns[:k], "outputs": [f"{outputs}_{i}" for i in range(n)]}
            args.update({p: given[p] for p in names if p in given})
            try:
                return cls(**args)
            except Exception:
                pass
    raise AssertionError(cls)

def every_class(m):
    columns = ["a", "b", "c", "d"]
    classes = [getattr(m, n) for n in m.__all__ if isinstance(getattr(m, n), type)
               and not issubclass(getattr(m, n), Exception)]
    classes = [c for c in classes if c not in (m.FeaturePipeline, m.TargetPipeline)]
    features = [build(c, columns, c.__name__) for c in classes if hasattr(c, "update")]
    targets = [build(c, columns, c.__name__) for c in classes if hasattr(c, "forward_period")]
    rng = random.Random(7)
    bars = [[rng.uniform(0.05, 0.95) for _ in columns] for _ in range(40)]
    live = m.FeaturePipeline(features, columns)
    rows = [live.update(bar) for bar in bars]
    labels = m.TargetPipeline(targets, columns).run_research([list(c) for c in zip(*bars)])
    clean = lambda xs: [None if math.isnan(x) else x for x in xs]
    return [len(features), len(targets), [clean(r) for r in rows], [clean(c) for c in labels]]
"""

LOADER = """
import _imp, gc, importlib.util, json, os, sys, _testcapi
from importlib.machinery import EXTENSION_SUFFIXES
folder = importlib.util.find_spec("zerak").submodule_search_locations[0]
path = next(os.path.join(folder, f) for f in os.listdir(folder)
            if f.startswith("_zerak.") and f.endswith(EXTENSION_SUFFIXES[0]))
spec = importlib.util.spec_from_file_location("zerak._zerak", path)

def attempt(failing):
    error = None
    _testcapi.set_nomemory(failing, failing + 1)
    try:
        module = _imp.create_dynamic(spec)
    except Exception as e:
        error, module = e, None
    finally:
        _testcapi.remove_mem_hooks()
    return module, error
"""

# Whether an import failing at allocation `sys.argv[1]` got as far as creating
# ZerakError (kept for the life of the process, so visible after the failure).
REACHED_INIT = (
    LOADER
    + """
attempt(int(sys.argv[1]))
print(any(isinstance(o, type) and o.__qualname__ == "ZerakError" for o in gc.get_objects()))
"""
)

RETRIED_IMPORT = (
    LOADER
    + """
failed = []
while True:
    module, error = attempt(int(sys.argv[1]) + len(failed))
    if error is None:
        break
    failed.append(type(error).__name__)
    gc.collect()  # frees the attempt's classes, so that new ones may take their addresses
print(json.dumps([sorted(set(failed)), len(failed), every_class(module)]))
"""
)


def python(code, *args):
    out = subprocess.run(
        [sys.executable, "-c", code, *map(str, args)], capture_output=True, text=True, timeout=900
    )
    assert out.returncode == 0, out.stderr[-3000:]
    return out.stdout.splitlines()[-1]


def test_initialisation_failing_at_each_allocation_leaves_a_sound_module():
    import json

    pytest.importorskip("_testcapi")
    # The loader's own allocations come first; failing several of them in a
    # row breaks this interpreter version by itself, so the sweep starts where
    # the initialisation has begun (found by bisection, one process a probe).
    low, high = 0, 4000
    while low < high:
        mid = (low + high) // 2
        low, high = (low, mid) if python(REACHED_INIT, mid) == "True" else (mid + 1, high)
    # Then allocation `low` fails, then `low + 1`, ... until an attempt succeeds:
    # the module built last must compute what one built without failures does.
    errors, attempts, got = json.loads(python(EVERY_CLASS + RETRIED_IMPORT, low))
    assert errors == ["MemoryError"]
    assert attempts > 500  # every class, its docstrings and methods were in the way
    scope = {}
    exec(EVERY_CLASS, scope)
    want = scope["every_class"](zerak)
    assert want[:2] == [len(TRANSFORMS), 3]
    assert got == want
