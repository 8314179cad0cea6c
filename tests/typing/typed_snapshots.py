"""Snapshots, pickles and mapping frames as a strictly type-checked script
sees them; checked, not run. It imports neither pandas nor polars, and is
also checked as a machine without them sees it
(scripts/typecheck-without-frames.py)."""

import pickle
from typing import Any, assert_type

import numpy as np
from numpy.typing import NDArray

import zerak
import zerak.snapshot
from zerak import FeaturePipeline, Sma

pipeline = FeaturePipeline([Sma(["close"], 2, ["sma"])], ["close"])

# A snapshot restores one of four kinds of object, or the class asked for.
restored = zerak.snapshot.load(zerak.snapshot.save(pipeline))
assert_type(restored.output_names(), list[str])
assert_type(zerak.snapshot.load(b"", cls=FeaturePipeline), FeaturePipeline)
assert_type(zerak.snapshot.load(bytearray(), cls=Sma).update([1.0]), list[float])
rebuild, args = pipeline.__reduce__()
assert_type(rebuild(*args), FeaturePipeline)
assert_type(pickle.loads(pickle.dumps(pipeline)), Any)  # pickle's own stub says Any

# The mapping overloads stay first, whether or not the frame libraries exist.
assert_type(zerak.research_frame(pipeline, {"close": [1.0, None]}), dict[str, NDArray[np.float64]])

restored.update([1.0])  # type: ignore[union-attr]
zerak.snapshot.load(b"", cls=3)  # type: ignore[call-overload]
