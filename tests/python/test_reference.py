"""docs/reference.md covers every public name and method, and its examples
return and print what they say."""

import ast
import contextlib
import io
import math
import re
from pathlib import Path

import numpy as np
import pytest

import zerak
import zerak.snapshot

REFERENCE = (Path(__file__).resolve().parents[2] / "docs" / "reference.md").read_text()
HEADINGS = set(re.findall(r"^#{3,4} `([^`]+)`$", REFERENCE, flags=re.MULTILINE))
SECTIONS = dict(
    re.findall(
        r"^### `?([^`\n]+?)`?\n(.*?)(?=^#{2,3} )",
        REFERENCE + "\n## ",
        flags=re.MULTILINE | re.DOTALL,
    )
)
EXAMPLES = re.findall(r"^```python\n(.*?)^```$", REFERENCE, flags=re.MULTILINE | re.DOTALL)


def public_methods(cls):
    return sorted(n for n in dir(cls) if not n.startswith("_") and callable(getattr(cls, n)))


PUBLIC = zerak.__all__ + [f"snapshot.{n}" for n in zerak.snapshot.__all__]


@pytest.mark.parametrize("name", PUBLIC)
def test_every_public_name_has_an_entry_with_an_example(name):
    assert name in SECTIONS, f"docs/reference.md has no '### `{name}`' entry"
    assert "```python" in SECTIONS[name]


def test_every_method_has_an_entry():
    shared = {"update", "reset", "input_names", "output_names", "warm_up_period", "forward_period"}
    common = re.findall(
        r"`(\w+)\(\w*\) ->", SECTIONS["Transform methods"] + SECTIONS["Target methods"]
    )
    assert shared <= set(common)
    for name in zerak.__all__:
        cls = getattr(zerak, name)
        if not isinstance(cls, type) or issubclass(cls, BaseException):
            continue
        for method in public_methods(cls):
            if name.endswith("Pipeline"):
                assert f"{name}.{method}" in HEADINGS, f"no entry for {name}.{method}"
            else:
                assert method in shared, f"{name}.{method} is not in the shared method lists"


def same(actual, expected):
    if isinstance(expected, float) and math.isnan(expected):
        return isinstance(actual, float) and math.isnan(actual)
    if isinstance(expected, (list, tuple)):
        return (
            type(actual) is type(expected)
            and len(actual) == len(expected)
            and all(same(a, e) for a, e in zip(actual, expected, strict=True))
        )
    return type(actual) is type(expected) and actual == expected


def run_example(source):
    """Runs one example; each `code  # -> expected` line is checked, and the
    `# prints:` texts must be what the example prints, in order."""
    env = {"zerak": zerak, "np": np, "nan": float("nan")}
    printed = re.findall(r"# prints: (.*)$", source, flags=re.MULTILINE)
    lines = []
    for line in source.splitlines():
        code, arrow, expected = line.partition("  # -> ")
        if not arrow:
            lines.append(line)
            continue
        *before, last = ast.parse(code).body
        assert isinstance(last, ast.Expr), line
        lines.append(ast.unparse(before) if before else "pass")
        lines.append(f"__checks__.append(({ast.unparse(last.value)}, {expected}, {line!r}))")
    env["__checks__"] = checks = []
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        exec(compile("\n".join(lines), "<reference example>", "exec"), env)
    for actual, expected, line in checks:
        assert same(actual, expected), f"{line}\n  gave {actual!r}"
    assert out.getvalue().splitlines() == printed


@pytest.mark.parametrize("source", EXAMPLES, ids=[e.splitlines()[0][:50] for e in EXAMPLES])
def test_examples_do_what_they_say(source):
    run_example(source)
