"""What ``print(pipeline)`` shows: the pipeline's members as their reprs, its
input columns and output names, shortened for long pipelines."""

from __future__ import annotations

from collections.abc import Sequence
from typing import Any

MEMBERS_SHOWN = 6
NAMES_SHOWN = 12


def _count(n: int, noun: str) -> str:
    return f"{n} {noun}" + ("" if n == 1 else "s")


def _names(names: Sequence[str]) -> str:
    shown = "[" + ", ".join(f'"{n}"' for n in names[:NAMES_SHOWN]) + "]"
    hidden = len(names) - NAMES_SHOWN
    return shown if hidden <= 0 else f"{shown[:-1]}, ...] ({len(names)} in all)"


def summary(
    pipeline: Any, members: Sequence[Any], noun: str = "transform", more: Sequence[str] = ()
) -> str:
    """The text of ``pipeline``, given its members in running order and any
    lines of its own (``more``)."""
    lines = [f"{type(pipeline).__name__} with {_count(len(members), noun)}:"]
    lines += [f"  {member!r}" for member in members[:MEMBERS_SHOWN]]
    if len(members) > MEMBERS_SHOWN:
        lines.append(f"  ... and {len(members) - MEMBERS_SHOWN} more")
    lines.append(f"input columns: {_names(pipeline.input_names())}")
    lines.append(f"outputs: {_names(pipeline.output_names())}")
    return "\n".join([*lines, *more])
