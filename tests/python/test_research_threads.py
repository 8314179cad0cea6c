"""Research runs sharing threads: the same bits for any thread count."""

import numpy as np
import pytest
from conftest import gappy_walk

import zerak

# (inputs read, outputs written, factory)
MAKERS = [
    (1, 1, lambda i, o: zerak.Sma(i, 5, o)),
    (1, 1, lambda i, o: zerak.Ema(i, 6, o)),
    (1, 1, lambda i, o: zerak.Kama(i, 5, o, fast=3, slow=20)),
    (1, 1, lambda i, o: zerak.LogReturn(i, 2, o)),
    (1, 1, lambda i, o: zerak.Skewness(i, 9, o)),
    (1, 1, lambda i, o: zerak.ShannonEntropy(i, 12, o, bins=7)),
    (1, 1, lambda i, o: zerak.RollingZScore(i, 7, o)),
    (2, 2, lambda i, o: zerak.LinearSlope(i, 8, o)),
    (2, 1, lambda i, o: zerak.Correlation(i, 9, o, method="kendall")),
    (2, 1, lambda i, o: zerak.Multiply(i, o)),
    (2, 1, lambda i, o: zerak.Divide(i, o)),
    (1, 2, lambda i, o: zerak.Adf(i, 30, o, lags=1)),
]
COLUMNS = ["a", "b", "c"]


def random_pipeline(seed):
    """Transforms reading the columns and each other's outputs, given shuffled."""
    rng = np.random.default_rng(seed)
    names, made = list(COLUMNS), []
    for k in range(rng.integers(3, 10)):
        n_in, n_out, make = MAKERS[rng.integers(len(MAKERS))]
        inputs = [names[j] for j in rng.integers(0, len(names), n_in)]
        outputs = [f"f{k}_{j}" for j in range(n_out)]
        made.append(make(inputs, outputs))
        names += outputs
    order = rng.permutation(len(made))
    return lambda: zerak.FeaturePipeline([made[j] for j in order], COLUMNS)


@pytest.mark.filterwarnings("ignore::zerak.ConfigWarning")  # random: some columns unread
@pytest.mark.parametrize("seed", range(8))
def test_any_thread_count_gives_the_same_bits(seed):
    make = random_pipeline(seed)
    data = np.column_stack([gappy_walk(seed * 3 + k, 4000) for k in range(3)])
    expected = make().run_research_array(data)
    for threads in (2, 3, 64):
        got = make().run_research_array(data, threads=threads)
        assert got.tobytes() == expected.tobytes(), threads
    lists = make().run_research(data[:500], threads=2)
    assert np.array_equal(np.array(lists), expected[:500], equal_nan=True)
    live = make()
    live.update_many(data[:1500])
    assert live.update_many(data[1500:], threads=3).tobytes() == expected[1500:].tobytes()


@pytest.mark.parametrize("method", ["run_research", "run_research_array", "update_many"])
@pytest.mark.parametrize(
    "threads, error, message",
    [
        (0, ValueError, "threads must be at least 1, got 0"),
        (-2, ValueError, "threads must be at least 1, got -2"),
        (-(10**30), ValueError, "threads must be at least 1"),
        (2.0, TypeError, "threads must be an int, not float"),
        (True, TypeError, "threads must be an int, not bool"),
    ],
)
def test_bad_thread_counts_are_refused_before_anything_runs(method, threads, error, message):
    pipe = zerak.FeaturePipeline([zerak.Sma(["a"], 2, ["s"]), zerak.Ema(["a"], 2, ["e"])], ["a"])
    pipe.update([1.0])
    with pytest.raises(error, match=message):
        getattr(pipe, method)([[2.0]], threads=threads)
    with pytest.raises(TypeError, match="takes 1 positional arguments but 2 were given"):
        getattr(pipe, method)([[2.0]], 2)
    assert pipe.update([3.0]) == [2.0, 2.0]
