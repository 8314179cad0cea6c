import math

import pytest

import zerak


def same_floats(actual, expected):
    """Element-wise equality where NaN equals NaN (bit-exact otherwise)."""
    assert len(actual) == len(expected), (actual, expected)
    for a, e in zip(actual, expected, strict=True):
        if isinstance(e, float) and math.isnan(e):
            assert math.isnan(a), (actual, expected)
        else:
            assert a == e and math.copysign(1, a) == math.copysign(1, e), (actual, expected)


@pytest.fixture
def nan():
    return float("nan")


def transform_classes():
    """Every exported class that follows the transform surface."""
    return [
        getattr(zerak, n)
        for n in zerak.__all__
        if isinstance(getattr(zerak, n), type) and hasattr(getattr(zerak, n), "update")
    ]


def gappy_walk(seed, n=600):
    """A positive random walk with single NaN bars, a NaN run and constant stretches."""
    import numpy as np

    rng = np.random.default_rng(seed)
    x = 100.0 + np.cumsum(rng.normal(0.0, 1.0, n))
    for start in rng.integers(0, n - 40, 5):
        x[start : start + rng.integers(3, 30)] = x[start]
    x[rng.integers(0, n, 8)] = np.nan
    run = rng.integers(0, n - 10)
    x[run : run + 4] = np.nan
    return x.tolist()


def run_live(obj, xs):
    return [obj.update([x])[0] for x in xs]


def check_in_pipeline(make, xs, warm=50):
    """A used object handed to a one-feature pipeline gives, live and in
    research mode, exactly what a new object gives alone; the object keeps
    its own state."""
    used, twin = make(), make()
    run_live(used, xs[:warm])
    run_live(twin, xs[:warm])
    pipe = zerak.FeaturePipeline([used], used.input_names()[:1])
    live = [pipe.update([x])[0] for x in xs]
    research = [row[0] for row in pipe.run_research([[x] for x in xs])]
    expected = run_live(make(), xs)
    same_floats(live, expected)
    same_floats(research, expected)
    same_floats(run_live(used, xs[warm:]), run_live(twin, xs[warm:]))


needs_pipeline = pytest.mark.skipif(
    not hasattr(zerak, "FeaturePipeline"), reason="FeaturePipeline is not built yet"
)
