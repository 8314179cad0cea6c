"""Random test series with the awkward parts of real data: gaps (NaN), flat
stretches, and prices on a tick grid (so that sums of a few of them are exact)."""

import numpy as np

TICK = 1 / 64


def rough_walk(n, seed, *, gap=0.02, flat=0.03, flat_len=6, start=100.0):
    rng = np.random.default_rng(seed)
    x = start + np.cumsum(np.round(rng.normal(0.0, 1.0, n) / TICK) * TICK)
    for s in np.flatnonzero(rng.random(n) < flat):
        x[s : s + flat_len] = x[s]
    x[rng.random(n) < gap] = np.nan
    return x


def windows(x, window):
    """Every full window of x, one per row (row i ends at bar i + window - 1)."""
    return np.lib.stride_tricks.sliding_window_view(x, window)


def rolling_expected(x, window, stat):
    """stat(w) for each full window without NaN, NaN elsewhere (warm-up included)."""
    out = np.full(len(x), np.nan)
    for i, w in enumerate(windows(x, window)):
        if not np.isnan(w).any():
            out[i + window - 1] = stat(w)
    return out


def run(obj, *columns):
    """Feeds the columns bar by bar; returns an array of shape (bars, outputs)."""
    return np.array([obj.update(list(bar)) for bar in zip(*columns, strict=True)])


def assert_close(got, want, rtol, atol=0.0):
    """Same NaN positions exactly, and the values within the tolerance."""
    got, want = np.asarray(got, float), np.asarray(want, float)
    np.testing.assert_array_equal(np.isnan(got), np.isnan(want))
    np.testing.assert_allclose(got, want, rtol=rtol, atol=atol, equal_nan=True)


def check_in_pipeline(makers, columns, warm=50):
    """Used objects handed to one FeaturePipeline give, live and in research
    mode (from a numpy array), bit for bit what new objects give alone, and
    keep their own state. `columns` maps input names to series."""
    import zerak

    names = list(columns)
    data = np.column_stack([columns[n] for n in names])
    bars = data.tolist()
    used = [make() for make in makers]
    twins = [make() for make in makers]
    for obj in used + twins:
        for bar in bars[:warm]:
            obj.update([bar[names.index(n)] for n in obj.input_names()])
    pipe = zerak.FeaturePipeline(used, names)

    def alone(obj, rows):
        picks = [names.index(n) for n in obj.input_names()]
        return np.array([obj.update([row[i] for i in picks]) for row in rows])

    expected = np.hstack([alone(make(), bars) for make in makers])
    live = np.array([pipe.update(bar) for bar in bars])
    research = np.array(pipe.run_research(data))
    for got in (live, research):
        np.testing.assert_array_equal(got, expected)
        np.testing.assert_array_equal(np.signbit(got), np.signbit(expected))
    for obj, twin in zip(used, twins, strict=True):
        np.testing.assert_array_equal(alone(obj, bars[warm:]), alone(twin, bars[warm:]))
