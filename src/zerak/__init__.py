"""Streaming feature engineering for financial time series.

Every class and function of the compiled module ``zerak._zerak`` is
re-exported here; see ``zerak.__all__``.
"""

import sys as _sys

from . import _zerak
from ._zerak import *  # noqa: F403
from ._zerak import __all__

# The exception classes name their module "_zerak" (pickle looks them up there).
_sys.modules.setdefault("_zerak", _zerak)
del _sys

__version__ = "0.1.0"
