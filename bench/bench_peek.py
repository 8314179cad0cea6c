"""FeaturePipeline.peek with a protocol object, side by side in one run: the
object deep-copied per peek (no help from it), copied by its own
``__copy__``, and answering through its own ``peek``; against
``FeaturePipeline.update`` of the same pipeline.

    python bench/bench_peek.py
"""

import math

import numpy as np
from bench_custom import Momentum  # the same small user feature
from harness import per_call_ns, print_table

import zerak

BARS = 20_000


class CopyingMomentum(Momentum):
    def __copy__(self):
        twin = object.__new__(CopyingMomentum)
        twin.lag, twin.hist = self.lag, list(self.hist)
        return twin


class PeekingMomentum(Momentum):
    def peek(self, values):
        h = self.hist[-self.lag :] + [values[0]]
        return [h[-1] - h[0] if len(h) > self.lag else math.nan]


def main():
    x = 100 + np.random.default_rng(3).standard_normal(BARS).cumsum()
    bars = [[v] for v in x.tolist()]
    rows = []
    for label, cls in [
        ("deepcopy", Momentum),
        ("__copy__", CopyingMomentum),
        ("own peek", PeekingMomentum),
    ]:
        p = zerak.FeaturePipeline([cls()], ["x"])
        for bar in bars[:10]:
            p.update(bar)
        rows.append((f"peek, {label}", per_call_ns(p.peek, bars)))
    p = zerak.FeaturePipeline([Momentum()], ["x"])
    rows.append(("update", per_call_ns(p.update, bars)))
    print_table(f"A protocol object, {BARS:,} calls", rows)
    t = dict(rows)
    for label in ("deepcopy", "__copy__", "own peek"):
        print(f"  peek ({label}) / update: {t[f'peek, {label}'] / t['update']:.2f}x")


if __name__ == "__main__":
    main()
