"""Users' own transforms: the protocol a Python object follows to join a
``FeaturePipeline``, and the function kinds ``WindowApply`` accepts."""

from __future__ import annotations

import ctypes
from collections.abc import Sequence
from typing import Any, Protocol, runtime_checkable

from ._custom import WindowApply as WindowApply

__all__ = ["Transform", "WindowApply"]


@runtime_checkable
class Transform(Protocol):
    """What a Python object needs to run inside a ``FeaturePipeline``.

    The pipeline takes a deep copy and resets it. ``update`` gets one float per
    input name (NaN for missing) and returns one float per output name (NaN or
    None for missing). A class may add ``update_many(block)``: given a float64
    array of shape (bars, inputs) it returns one of shape (bars, outputs),
    equal to calling ``update`` on each row; research then calls it once per
    block of bars. Pickles and copies of the pipeline use the object's own.
    """

    def input_names(self) -> list[str]: ...

    def output_names(self) -> list[str]: ...

    def update(self, values: Sequence[float], /) -> Sequence[float | None]: ...

    def reset(self) -> None: ...

    def warm_up_period(self) -> int: ...


_ARGTYPES: tuple[object, ...] = (ctypes.POINTER(ctypes.c_double), ctypes.c_int64)
_CFuncPtr: type[Any] = ctypes.CFUNCTYPE(ctypes.c_double).__mro__[1]


def _window_function_address(fn: Any) -> int | None:
    """The address of a compiled window function (a ctypes function pointer,
    or a numba cfunc through its ctypes view), checked against the signature
    ``double fn(const double*, int64_t)``; None for a Python callable."""
    view: Any = fn if isinstance(fn, _CFuncPtr) else getattr(fn, "ctypes", None)
    if not isinstance(view, _CFuncPtr):
        if not callable(fn):
            raise TypeError(f"WindowApply: fn must be callable, not {type(fn).__name__!r}")
        return None
    if view.restype is not ctypes.c_double or tuple(view.argtypes or ()) != _ARGTYPES:
        raise TypeError(
            "WindowApply: a compiled fn must have the signature "
            "float64(CPointer(float64), int64), that is "
            "CFUNCTYPE(c_double, POINTER(c_double), c_int64)"
        )
    address = ctypes.cast(view, ctypes.c_void_p).value
    if not address:
        raise ValueError("WindowApply: fn is a null function pointer")
    return int(address)
