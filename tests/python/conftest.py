import math

import pytest

import zerak


def same_floats(actual, expected):
    """Element-wise equality where NaN equals NaN (bit-exact otherwise)."""
    assert len(actual) == len(expected), (actual, expected)
    for a, e in zip(actual, expected):
        if isinstance(e, float) and math.isnan(e):
            assert math.isnan(a), (actual, expected)
        else:
            assert a == e and math.copysign(1, a) == math.copysign(1, e), (actual, expected)


@pytest.fixture
def nan():
    return float("nan")


def transform_classes():
    """Every exported class that follows the transform surface."""
    return [getattr(zerak, n) for n in zerak.__all__
            if isinstance(getattr(zerak, n), type) and hasattr(getattr(zerak, n), "update")]
