"""The examples run as the README says, and say what they promise."""

import importlib.util
import subprocess
import sys
import warnings
from pathlib import Path

import pytest

import zerak

EXAMPLES = Path(__file__).resolve().parents[2] / "examples"


def run(script, *args):
    done = subprocess.run(
        [sys.executable, str(EXAMPLES / script), *args], capture_output=True, text=True, timeout=300
    )
    assert done.returncode == 0, done.stderr
    return done.stdout


def test_quickstart():
    assert "research mode equals live mode bit for bit: True" in run("quickstart.py")


def test_pandas_research_gives_complete_rows_for_a_model():
    out = run("pandas_research.py")
    assert "1560 bars, 13 features, 2 labels; warm-up 99 bars" in out
    assert "complete rows of 1560" in out


@pytest.mark.skipif(importlib.util.find_spec("matplotlib") is None, reason="matplotlib is optional")
def test_plot_features_saves_a_png(tmp_path):
    target = tmp_path / "features.png"
    run("plot_features.py", str(target))
    assert target.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_readme_code_runs_as_written():
    import re

    readme = (EXAMPLES.parent / "README.md").read_text()
    env = {}
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        for block in re.findall(r"^```python\n(.*?)^```$", readme, flags=re.MULTILINE | re.DOTALL):
            exec(block, env)
    # The live example leaves "open" unread on purpose, and says it warns.
    assert [str(w.message) for w in caught if w.category is zerak.ConfigWarning] == [
        'input column "open" is read by no transform'
    ]
    assert env["chain"].warm_up_period() == 19
    closes = [[100.0 + i % 7] for i in range(60)]
    rows = env["chain"].run_research(closes)
    assert next(i for i, row in enumerate(rows) if row[-1] == row[-1]) == 39
    assert list(env["X"].columns) == env["pipeline"].output_names()


def test_custom_feature_runs_alike_live_and_in_research():
    assert "live == research, bit for bit, across a pickle: True" in run("custom_feature.py")
