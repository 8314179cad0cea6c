import subprocess
import sys
import textwrap

import pytest

import zerak
from zerak import _zerak

EXCEPTIONS = ["ZerakError", "InvalidConfigError", "InvalidInputError", "MissingInputColumnError",
              "DuplicateOutputKeyError", "CyclicDependencyError"]


ALL = EXCEPTIONS + [
    "Adf", "Sma", "Ema", "Kama", "SimpleReturn", "LogReturn", "Mma", "Skewness", "Kurtosis",
    "LinearSlope", "ParkinsonVolatility", "RogersSatchellVolatility", "ShannonEntropy",
    "Correlation", "AutoCorrelation", "Add", "Subtract", "Multiply", "Divide", "Reciprocal",
    "NegLog", "Log", "Logit", "RollingZScore", "FixedZScore", "fit_standard_scaler",
    "FutureReturn", "FutureCTCVolatility", "FutureLinearSlope", "FeaturePipeline", "TargetPipeline",
]


def test_all_lists_every_export_in_registration_order():
    assert _zerak.__all__ == ALL
    assert [n for n in vars(_zerak) if not n.startswith("__")] == ALL
    assert zerak.__all__ == _zerak.__all__ + ["research_frame", "label_frame"]
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
