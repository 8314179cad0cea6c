"""The extension module ``zerak._zerak`` under its own name ``_zerak``.

Its exception classes report the module "_zerak"; this alias lets pickle
find them there, so that they travel between processes as themselves.
"""

import sys

from zerak import _zerak as _module

sys.modules[__name__] = _module
