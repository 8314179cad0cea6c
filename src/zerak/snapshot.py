"""Snapshots of zerak objects: configuration and state as bytes.

``save(obj)`` returns the snapshot of any transform, target or pipeline;
``load(data)`` restores it, and the restored object continues exactly where
the saved one stood (the same next outputs, bit for bit). Pickle, ``copy``
and ``deepcopy`` of zerak objects go through the same format, described in
docs/snapshots.md.

A snapshot that is truncated, corrupted, of another format version or
describes an impossible object raises ``SnapshotError``, a subclass of both
``ValueError`` and ``zerak.ZerakError``.
"""

from ._snapshot import SnapshotError, load, save

__all__ = ["SnapshotError", "load", "save"]
