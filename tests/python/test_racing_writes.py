"""Another thread writing into the array research is reading (research lets
go of the interpreter lock) gets results that may be anything, but never a
crash nor a broken structure: every class of the catalogue, raced for a
fraction of a second."""

import pickle
import threading
import time

import numpy as np
import pytest
from snapshot_objects import TRANSFORMS

import zerak


def scribble(data, stop):
    """Overwrites the columns with other plain numbers, extremes and NaNs,
    as fast as it can: each column stays mostly NaN-free, so research keeps
    reading it where it lies."""
    rng = np.random.default_rng(7)
    n = data.shape[0]
    fills = [rng.normal(100.0, 30.0, n), rng.normal(-5.0, 1e3, n), np.full(n, np.inf)]
    while not stop.is_set():
        for column in data.T:
            for fill in fills:
                column[:] = fill
                spots = rng.integers(0, n, 64)
                column[spots] = np.nan
                column[spots] = fill[spots]
                column[spots[:8]] = -np.inf


@pytest.mark.parametrize("name", sorted(TRANSFORMS))
def test_writes_racing_research_never_crash(name):
    names = TRANSFORMS[name]().input_names()
    rng = np.random.default_rng(1)
    # Column-major: each column is contiguous, the layout research reads in place.
    data = np.asfortranarray(rng.normal(100.0, 5.0, (4_000, len(names))))
    pipe = zerak.FeaturePipeline([TRANSFORMS[name]()], names)
    stop = threading.Event()
    writer = threading.Thread(target=scribble, args=(data, stop))
    writer.start()
    try:
        deadline = time.monotonic() + 0.25
        while time.monotonic() < deadline:
            out = pipe.run_research_array(data)
            assert out.shape == (data.shape[0], len(pipe.output_names()))
    finally:
        stop.set()
        writer.join()
    # Nothing inside was left at odds with its window: a copy, which rebuilds
    # every derived structure from the windows, goes on exactly the same.
    twin = pickle.loads(pickle.dumps(pipe))
    calm = np.asfortranarray(rng.normal(100.0, 5.0, (500, len(names))))
    np.testing.assert_array_equal(pipe.update_many(calm), twin.update_many(calm))
