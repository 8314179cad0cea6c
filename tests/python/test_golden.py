"""Every class, research and live, on every instruction set path, gives the
bits recorded in golden.json (`scripts/golden.py --write` records them anew
when a change of results is intended)."""

from golden_outputs import build, catalogue, load, on_every_level


def test_the_recorded_configurations_cover_every_class():
    assert set(catalogue()) <= {type(obj).__name__ for obj in build().values()}


def test_every_class_gives_the_recorded_bits_on_every_path():
    got = on_every_level("golden_outputs", "digests")
    (first, want), *others = got.items()
    for level, table in others:
        differ = sorted(k for k in want if table.get(k) != want[k])
        assert not differ, f"{level} differs from {first} on {differ}"
    golden = load()
    assert set(want) == set(golden), "the configurations changed: scripts/golden.py --write"
    differ = {k: [path for path in want[k] if want[k][path] != golden[k].get(path)] for k in want}
    assert not any(differ.values()), {k: v for k, v in differ.items() if v}
