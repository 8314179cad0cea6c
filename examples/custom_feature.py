"""A user's own feature inside a zerak pipeline: a Python object with the
transform protocol, and a window function through WindowApply. Live and
research give the same values bit for bit; the pipeline pickles with them.

Run with `python examples/custom_feature.py`.
"""

import math
import pickle
from collections import deque
from collections.abc import Sequence

import numpy as np
from numpy.typing import NDArray

import zerak


class UpFraction:
    """The fraction of the last `window` bars that closed higher than the bar
    before: any class with these five methods joins a pipeline."""

    def __init__(self, window: int = 10) -> None:
        self.window = window
        self.reset()

    def input_names(self) -> list[str]:
        return ["close"]

    def output_names(self) -> list[str]:
        return ["up_fraction"]

    def warm_up_period(self) -> int:
        return self.window

    def reset(self) -> None:
        self.prev = math.nan
        self.ups: deque[float] = deque(maxlen=self.window)

    def update(self, values: Sequence[float]) -> list[float]:
        close = values[0]
        self.ups.append(1.0 if close > self.prev else 0.0)
        self.prev = close
        full = len(self.ups) == self.window and not math.isnan(close)
        return [sum(self.ups) / self.window if full else math.nan]


def spread(window: NDArray[np.float64]) -> float:
    """Last close against the window's median, for WindowApply."""
    return float(window[-1] - np.median(window))


rng = np.random.default_rng(3)
bars = (100 + rng.standard_normal(500).cumsum()).reshape(-1, 1)

pipeline = zerak.FeaturePipeline(
    [
        zerak.Sma(["up_fraction"], 5, ["up_fraction_sma"]),  # a built-in reading the user's output
        UpFraction(10),
        zerak.WindowApply(spread, "close", 20, "spread"),
    ],
    ["close"],
)

research = pipeline.run_research_array(bars)
pipeline.reset()
live = np.array([pipeline.update(list(bar)) for bar in bars[:300]])
restored = pickle.loads(pickle.dumps(pipeline))  # carries UpFraction's own pickle
live = np.vstack([live, restored.update_many(bars[300:])])

assert np.array_equal(live, research, equal_nan=True)
print(pipeline.output_names())
print(
    "live == research, bit for bit, across a pickle:",
    np.array_equal(live, research, equal_nan=True),
)
print("last bar:", dict(zip(pipeline.output_names(), research[-1].round(4).tolist(), strict=True)))
