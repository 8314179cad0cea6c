"""Every transform and target the module exports has what a class needs: a
stub entry, a reference entry, a README row, a snapshot that continues
mid-stream, and a research path that gives update's bits on every
instruction set. The classes come from zerak._zerak.__all__; how to build
one comes from the TRANSFORMS and TARGETS tables of snapshot_objects.py,
the one place a new class adds a line."""

import ast
import copy
import functools
import inspect
import pathlib
import pickle
import re

import numpy as np
import pytest
from conftest import same_floats
from golden_outputs import catalogue, nasty_bars, on_every_level
from snapshot_objects import TARGETS, TRANSFORMS, bars, columns, step

import zerak
import zerak.snapshot

ROOT = pathlib.Path(__file__).resolve().parents[2]
CLASSES = catalogue()
TABLES = {"transform": ("TRANSFORMS", TRANSFORMS), "target": ("TARGETS", TARGETS)}


def make(name):
    table, factories = TABLES[CLASSES[name]]
    if name not in factories:
        pytest.fail(
            f"{name} has no constructor arguments: add a factory for it to {table} "
            f"in tests/python/snapshot_objects.py"
        )
    return factories[name]()


def stub_classes():
    tree = ast.parse((ROOT / "src" / "zerak" / "_zerak.pyi").read_text())
    return {
        node.name: [ast.unparse(b) for b in node.bases]
        for node in tree.body
        if isinstance(node, ast.ClassDef)
    }


def readme_rows():
    """Names in the first column of the README's tables of classes."""
    lines = (ROOT / "README.md").read_text().splitlines()
    names = set()
    for start, header in enumerate(lines):
        if not header.startswith("| Class | Kind |"):
            continue
        for line in lines[start + 2 :]:
            if not line.startswith("|"):
                break
            names.update(re.findall(r"`(\w+)`", line.split("|")[1]))
    return names


@pytest.mark.parametrize("name", CLASSES)
def test_documented_in_stub_reference_and_readme(name):
    base = {"transform": "_Transform", "target": "_Target"}[CLASSES[name]]
    assert stub_classes().get(name) == [base], (
        f"_zerak.pyi has no class {name}({base}): run scripts/gen-stubs.py"
    )
    reference = (ROOT / "docs" / "reference.md").read_text()
    assert re.search(rf"^#+ `{name}`$", reference, re.M), f"docs/reference.md: no ### `{name}`"
    assert name in readme_rows(), f"README.md: no row for `{name}` in the table of classes"


@pytest.mark.parametrize("name", CLASSES)
def test_parameters_read_back_as_read_only_attributes(name, monkeypatch):
    cls, given = getattr(zerak, name), []

    def recorded(*args, **kwargs):
        given.append(inspect.signature(cls).bind(*args, **kwargs))
        return cls(*args, **kwargs)

    monkeypatch.setattr(zerak, name, recorded)
    obj = make(name)
    given[0].apply_defaults()
    arguments = given[0].arguments
    for parameter, value in arguments.items():
        assert getattr(obj, parameter) == value, parameter
        with pytest.raises(AttributeError, match="not writable"):
            setattr(obj, parameter, value)
    # The attributes give the whole configuration back.
    twin = cls(**{parameter: getattr(obj, parameter) for parameter in arguments})
    assert zerak.snapshot.save(twin) == zerak.snapshot.save(obj)


@pytest.mark.parametrize("name", CLASSES)
def test_a_copy_made_mid_stream_continues_the_same(name):
    if CLASSES[name] == "target":  # configuration only: a copy labels the same
        original = make(name)
        names = original.input_names()
        data = columns()[: len(names)]
        for twin in (pickle.loads(pickle.dumps(original)), copy.deepcopy(original)):
            got = zerak.TargetPipeline([twin], names).run_research(data)
            want = zerak.TargetPipeline([original], names).run_research(data)
            for g, w in zip(got, want, strict=True):
                same_floats(g, w)
        return
    rows = bars()
    original, uninterrupted = make(name), make(name)
    for row in rows[:60]:
        step(original, row)
        step(uninterrupted, row)
    twins = [pickle.loads(pickle.dumps(original)), copy.copy(original)]
    for row in rows[60:]:
        want = step(uninterrupted, row)
        for obj in twins + [original]:
            same_floats(step(obj, row), want)


def _bits(values):
    values = np.asarray(values, dtype=np.float64)
    return np.where(np.isnan(values), np.nan, values).view(np.int64)


def _labels(make, names, part):
    """The target `make` builds, labelling `part` (inputs x bars) at once."""
    return zerak.TargetPipeline([make()], names).run_research_array(np.ascontiguousarray(part))


def paths_agree(level):
    """{name: None, or where research and one-bar-at-a-time first differ} on
    instruction set `level`. Transforms: run_research_array against update.
    Targets: the whole series labelled at once against each bar's label
    from only the bars it reads."""
    import zerak._dispatch as dispatch

    dispatch.use(level)
    data = nasty_bars(3000)[:, [1, 2, 0, 3, 4]]  # high, low, open, close, other
    out = {}
    for name, kind in CLASSES.items():
        factories = TABLES[kind][1]
        if name not in factories:
            continue
        names = factories[name]().input_names()
        if kind == "transform":
            cols = np.ascontiguousarray(data[:, : len(names)])
            obj = factories[name]()
            one_by_one = np.array([obj.update(row) for row in cols.tolist()])
            research = zerak.FeaturePipeline([factories[name]()], names).run_research_array(cols)
        else:
            cols = np.ascontiguousarray(data[:400, : len(names)].T)
            make = factories[name]
            reach = make().forward_period() + 1
            research = _labels(make, names, cols).T
            one_by_one = np.array(
                [_labels(make, names, cols[:, i : i + reach])[:, 0] for i in range(cols.shape[1])]
            )
        differ = np.argwhere(_bits(research) != _bits(one_by_one))
        out[name] = (
            None
            if not len(differ)
            else (
                f"bar {differ[0][0]}: research {float(research[tuple(differ[0])])!r}, "
                f"one by one {float(one_by_one[tuple(differ[0])])!r}"
            )
        )
    return out


@functools.cache
def every_level():
    return on_every_level("test_catalogue", "paths_agree")


@pytest.mark.parametrize("name", CLASSES)
def test_research_equals_one_bar_at_a_time_on_every_instruction_set(name):
    make(name)
    for level, result in every_level().items():
        assert result[name] is None, f"{name} on {level}: {result[name]}"
