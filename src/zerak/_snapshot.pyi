"""Stubs for zerak._snapshot, created by the extension module (public as zerak.snapshot)."""

from collections.abc import Buffer

from ._zerak import ZerakError

class SnapshotError(ValueError, ZerakError): ...

def save(obj: object, /) -> bytes: ...
def load(data: Buffer, /) -> object: ...
