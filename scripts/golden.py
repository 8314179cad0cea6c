#!/usr/bin/env python3
"""Compares what every class computes, on every instruction set path, with
tests/python/golden.json; `--write` records the current results instead, for
a change of results that is meant."""

import argparse
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "python"))
import golden_outputs


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--write", action="store_true", help="record the current results")
    args = parser.parse_args()
    got = golden_outputs.on_every_level("golden_outputs", "digests")
    (first, table), *others = got.items()
    differ = [level for level, other in others if other != table]
    if differ:
        sys.exit(f"instruction sets {differ} differ from {first}: nothing recorded")
    if args.write:
        golden_outputs.write(table)
        print(f"wrote {golden_outputs.GOLDEN} ({len(table)} configurations, {len(got)} levels)")
        return
    golden = golden_outputs.load()
    changed = sorted(k for k in table.keys() | golden.keys() if table.get(k) != golden.get(k))
    for k in changed:
        print(f"{k}: {golden.get(k)} -> {table.get(k)}")
    sys.exit(1 if changed else 0)


if __name__ == "__main__":
    main()
