import math

import numpy as np
import pytest
from rough_data import assert_close, check_in_pipeline, rolling_expected, rough_walk, run

import zerak

nan = np.nan
DOC = (
    "Rolling Shannon entropy over a fixed window.\n\n"
    "Discretizes the last ``window`` values into equal-width bins and computes\n"
    "``H = -sum(p_i * ln(p_i))`` in nats. When ``normalize`` is ``True``,\n"
    "outputs ``H / ln(n_bins)`` in [0, 1].\n"
    "Returns ``NaN`` during warm-up or while any ``NaN`` is in the window."
)


def reference(values, k, normalize):
    """Straightforward binning: a dict of occupied bins, visited in bin order."""
    lo, hi = min(values), max(values)
    counts = {}
    for x in values:
        i = 0 if hi == lo else min(int(k * ((x - lo) / (hi - lo))), k - 1)
        counts[i] = counts.get(i, 0) + 1
    h = -0.0
    for i in sorted(counts):
        p = counts[i] / len(values)
        h -= math.log(p) * p
    return h / math.log(k) if normalize else h


def sturges(window):
    return math.ceil(math.log2(window) + 1)


def test_surface():
    e = zerak.ShannonEntropy(["x", "y"], 20, ["h", "g"])
    assert (
        zerak.ShannonEntropy.__text_signature__
        == "(inputs, window, outputs, bins=None, normalize=True)"
    )
    assert zerak.ShannonEntropy.__doc__ == DOC
    assert zerak.ShannonEntropy.update.__doc__ == (
        "Process one bar. Returns ``[NaN]`` during warm-up or while any ``NaN`` is in the window."
    )
    assert zerak.ShannonEntropy.reset.__doc__ == "Reset internal state (e.g. between CPCV splits)."
    assert repr(e) == (
        'ShannonEntropy(inputs=["x", "y"], window=20, outputs=["h", "g"], '
        "bins=None, normalize=true)"
    )
    assert repr(zerak.ShannonEntropy(["x"], 5, ["h"], 10, False)) == (
        'ShannonEntropy(inputs=["x"], window=5, outputs=["h"], bins=10, normalize=false)'
    )
    assert repr(zerak.ShannonEntropy(["x"], 5, ["h"], normalize=True, bins=None)).endswith(
        "bins=None, normalize=true)"
    )
    assert e.warm_up_period() == 19
    assert len(e.update([1.0])) == 1


@pytest.mark.parametrize(
    "args, message",
    [
        (([], 0, [], 1), "inputs must not be empty"),
        ((["x"], 0, [], 1), "outputs must not be empty"),
        ((["x"], 1, ["h"], 1), "window must be >= 2"),
        ((["x"], 2, ["h"], 1), "FixedCount bin count must be >= 2"),
        ((["x"], 2, ["h"], 0), "FixedCount bin count must be >= 2"),
    ],
)
def test_rejected_configurations(args, message):
    with pytest.raises(zerak.InvalidInputError) as info:
        zerak.ShannonEntropy(*args)
    assert info.value.args == (message,)


@pytest.mark.parametrize(
    "window, bins, normalize, values, expected",
    [
        (4, None, True, [1, 2, 3, 4], 0.9463946),
        (4, None, False, [1, 2, 3, 4], 1.0397208),
        (2, None, True, [1, 2], 1.0),
        (4, 4, True, [0, 10, 10, 10], 0.4056391),
        (4, 2**64 - 1, False, [0, 10, 10, 10], 0.5623351),  # two occupied bins of 2^64 - 1
    ],
)
def test_worked_values(window, bins, normalize, values, expected):
    out = run(zerak.ShannonEntropy(["x"], window, ["h"], bins, normalize), values)[:, 0]
    assert np.isnan(out[:-1]).all()
    assert out[-1] == pytest.approx(expected, abs=1e-7)


@pytest.mark.parametrize("bins", [None, 2**62])
def test_constant_window_is_negative_zero(bins):
    (out,) = run(zerak.ShannonEntropy(["x"], 4, ["h"], bins), [5, 5, 5, 5])[-1]
    assert out == 0.0 and math.copysign(1, out) == -1


@pytest.mark.parametrize(
    "window, bins",
    [(2, None), (10, None), (100, None), (10, 3), (10, 10), (10, 11), (8, 1000), (30, 2**62)],
)
@pytest.mark.parametrize("normalize", [True, False])
def test_against_plain_reference(window, bins, normalize):
    x = rough_walk(1500, seed=window + (bins or 0) % 1000)
    k = bins or sturges(window)
    got = run(zerak.ShannonEntropy(["x"], window, ["h"], bins, normalize), x)[:, 0]
    want = rolling_expected(x, window, lambda w: reference(list(w), k, normalize))
    assert_close(got, want, rtol=0)  # the same additions in the same order
    assert np.isfinite(got).sum() > len(x) // 10


def test_one_gap_blanks_exactly_window_bars_and_reset_starts_over():
    x = np.sin(np.arange(40.0))
    e = zerak.ShannonEntropy(["x"], 6, ["h"])
    clean = run(e, x)[:, 0]
    e.reset()
    np.testing.assert_array_equal(run(e, x)[:, 0], clean)
    x[15] = nan
    gapped = run(zerak.ShannonEntropy(["x"], 6, ["h"]), x)[:, 0]
    assert np.flatnonzero(np.isnan(gapped) & ~np.isnan(clean)).tolist() == list(range(15, 21))


def test_huge_window_fails_cleanly():
    with pytest.raises(MemoryError):
        zerak.ShannonEntropy(["x"], 2**62, ["h"])


def test_in_a_pipeline():
    x = rough_walk(400, seed=10)
    check_in_pipeline(
        [
            lambda: zerak.ShannonEntropy(["x"], 6, ["h"]),
            lambda: zerak.ShannonEntropy(["x"], 20, ["h_fine"], 2**40, False),
        ],
        {"x": x},
    )
