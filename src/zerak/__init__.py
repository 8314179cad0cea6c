"""Streaming feature engineering for financial time series.

Every class and function of the compiled module ``zerak._zerak`` is
re-exported here; see ``zerak.__all__``.
"""

from ._zerak import *  # noqa: F403
from ._zerak import __all__

__version__ = "0.1.0"
