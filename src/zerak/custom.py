"""Users' own transforms: the protocol a Python object follows to join a
``FeaturePipeline``, and the function kinds ``WindowApply`` accepts."""

from __future__ import annotations

import ctypes
import pickle
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
    block of bars. ``FeaturePipeline.peek`` calls the object's ``peek(values)``
    if it has one (what ``update`` would return, changing nothing), else
    ``update`` on a copy: by its ``__copy__`` if it has one, else a deep copy.
    Pickles and copies of the pipeline use the object's own.
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


# How numba spells the one signature of a compiled window function.
_NUMBA_SIGNATURE = "float64(CPointer(float64), int64)"


class _CompiledOnLoad:
    """Stands in for a numba cfunc in a pickle: pickles its Python function by
    value (a module-level cfunc hides the function's own name), with the
    options it was compiled with, and unpickles as that function compiled
    again."""

    __slots__ = ("_pyfunc", "_options")

    def __init__(self, pyfunc: Any, options: dict[str, Any]) -> None:
        self._pyfunc = pyfunc
        self._options = options

    def __reduce__(self) -> tuple[Any, ...]:
        from numba import cloudpickle  # type: ignore[import-untyped, import-not-found, unused-ignore]

        by_value: Any = cloudpickle.dumps  # untyped
        return (_compile_window_function, (by_value(self._pyfunc), self._options))


def _compile_window_function(source: bytes, options: dict[str, Any]) -> Any:
    import numba  # type: ignore[import-untyped, import-not-found, unused-ignore]

    return numba.cfunc(_NUMBA_SIGNATURE, **options)(pickle.loads(source))


def _portable_compiled_fn(fn: Any) -> _CompiledOnLoad:
    """What a WindowApply pickles in place of its compiled ``fn``: a numba
    cfunc's Python function; any other compiled function cannot be pickled."""
    pyfunc = None if isinstance(fn, _CFuncPtr) else getattr(fn, "__wrapped__", None)
    if pyfunc is None:
        raise TypeError(
            "cannot pickle a WindowApply with a compiled fn: pickle the Python "
            "function and compile it again where it is loaded"
        )
    compiler = getattr(fn, "_compiler", None)  # fastmath and the like change the bits
    options = dict(getattr(compiler, "targetoptions", None) or {})
    if local_types := getattr(compiler, "locals", None):
        options["locals"] = dict(local_types)
    return _CompiledOnLoad(pyfunc, options)
