"""Stubs for zerak._snapshot, created by the extension module (public as zerak.snapshot)."""

from collections.abc import Buffer
from typing import TypeVar, overload

from ._zerak import FeaturePipeline, TargetPipeline, ZerakError, _Target, _Transform

_Loaded = TypeVar("_Loaded")

class SnapshotError(ValueError, ZerakError): ...

def save(obj: object, /) -> bytes: ...
@overload
def load(
    data: Buffer, /, *, cls: None = None
) -> _Transform | _Target | FeaturePipeline | TargetPipeline: ...
@overload
def load(data: Buffer, /, *, cls: type[_Loaded]) -> _Loaded: ...
