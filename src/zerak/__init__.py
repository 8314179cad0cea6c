"""Streaming feature engineering for financial time series.

The classes and functions of the compiled module ``zerak._zerak`` are
re-exported here, with ``research_frame`` and ``label_frame`` for data frames,
``select`` and ``check`` for reading pipelines, ``ConfigWarning`` for
configurations that lose data, and ``UniversePipeline`` with
the cross-sectional transforms for many symbols at once (``zerak.universe``);
see ``zerak.__all__``.
"""

import sys as _sys

from . import (
    _errors,  # noqa: F401  (how the exception classes pickle)
    _zerak,
)
from ._errors import ConfigWarning as ConfigWarning
from ._version import __version__ as __version__

# Every class and function of the extension: its own __all__ lists them, in
# the order the module registers them.
from ._zerak import *  # noqa: F403

# Users' own transforms: public names, kept out of __all__, which lists
# zerak's own catalogue of classes.
from .custom import Transform as Transform, WindowApply as WindowApply
from .frames import label_frame as label_frame, research_frame as research_frame
from .live import check as check, select as select
from .universe import (
    CrossSectionalBucket as CrossSectionalBucket,
    CrossSectionalClip as CrossSectionalClip,
    CrossSectionalDemean as CrossSectionalDemean,
    CrossSectionalRank as CrossSectionalRank,
    CrossSectionalZScore as CrossSectionalZScore,
    UniversePipeline as UniversePipeline,
    universe_frame as universe_frame,
)

# The exception classes name their module "_zerak": their instances pickle
# through zerak._errors, the classes themselves by that name, found here once
# zerak is imported.
_sys.modules.setdefault("_zerak", _zerak)
del _sys

# The extension's names in registration order, then the package's own. Set
# through globals() so that type checkers, which cannot read a computed list,
# take the public names of the star import above instead (the same names).
globals()["__all__"] = [
    *_zerak.__all__,
    "research_frame",
    "label_frame",
    "select",
    "check",
    "ConfigWarning",
]
