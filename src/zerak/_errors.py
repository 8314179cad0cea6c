"""How the exception classes of ``zerak._zerak`` pickle, and the warning
the pipelines give for a configuration that loses data.

The classes name their module "_zerak" (``repr(zerak.ZerakError)`` is
``<class '_zerak.ZerakError'>``), which is no importable module of its own.
Their instances therefore pickle as a call of ``rebuild`` here, which finds
the class by name in the extension: a pickle loads in any process that can
import zerak, with nothing installed outside the package.
"""

from typing import Any

from . import _zerak

__all__ = ["rebuild", "ConfigWarning"]


class ConfigWarning(UserWarning):
    """A pipeline was built with a slip that loses data: an output its
    transform never writes, or an input column no transform reads. The
    pipeline runs anyway; silence it with the ``warnings`` module."""


# Shown, and pickled, as zerak.ConfigWarning: the name users import it by.
ConfigWarning.__module__ = "zerak"


def rebuild(name: str, args: tuple[Any, ...]) -> _zerak.ZerakError:
    """The exception ``name`` of the extension, made from ``args``."""
    cls = getattr(_zerak, name, None)
    if not (isinstance(cls, type) and issubclass(cls, _zerak.ZerakError)):
        raise TypeError(f"{name!r} is not an exception class of zerak")
    return cls(*args)


def _reduce(self: BaseException) -> str | tuple[Any, ...]:
    cls = type(self)
    if getattr(_zerak, cls.__name__, None) is not cls:
        # A subclass made elsewhere (zerak.snapshot.SnapshotError, a user's)
        # has an importable module of its own.
        return BaseException.__reduce__(self)
    # As BaseException.__reduce__ does: the attributes (notes) only when set.
    state = self.__dict__
    args = (cls.__name__, self.args)
    return (rebuild, args, state) if state else (rebuild, args)


setattr(_zerak.ZerakError, "__reduce__", _reduce)
