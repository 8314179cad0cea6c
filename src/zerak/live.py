"""Reading a pipeline and choosing what it returns.

``select`` gives a view of a ``FeaturePipeline`` that returns only some of its
output columns (helper columns are still computed, only left out of the
results); ``check`` lists likely mistakes in how a pipeline was put together,
without raising.
"""

from __future__ import annotations

from collections.abc import Sequence
from typing import TYPE_CHECKING, Any, NamedTuple

from ._zerak import FeaturePipeline, InvalidConfigError, ZerakError

if TYPE_CHECKING:
    import numpy as np
    from numpy.typing import NDArray

__all__ = ["PipelineView", "select", "Finding", "check"]


class PipelineView:
    """A ``FeaturePipeline`` that returns only the columns ``columns``, in that
    order. It shares the pipeline: updating either advances both."""

    __slots__ = ("_pipeline", "_columns", "_index")

    def __init__(self, pipeline: FeaturePipeline, columns: Sequence[str]) -> None:
        if isinstance(columns, str):
            raise TypeError("columns must be a sequence of output names, not a str")
        names = pipeline.output_names()
        chosen = list(columns)
        unknown = [c for c in chosen if c not in names]
        if unknown:
            raise InvalidConfigError(
                f"not an output of the pipeline: {unknown!r}; its outputs are {names!r}"
            )
        repeated = sorted({c for c in chosen if chosen.count(c) > 1})
        if repeated:
            raise InvalidConfigError(f"columns chosen more than once: {repeated!r}")
        self._pipeline = pipeline
        self._columns = chosen
        self._index = [names.index(c) for c in chosen]

    @property
    def pipeline(self) -> FeaturePipeline:
        """The pipeline this view reads."""
        return self._pipeline

    def output_names(self) -> list[str]:
        """The chosen output columns, in the order the view returns them."""
        return list(self._columns)

    def input_names(self) -> list[str]:
        return self._pipeline.input_names()

    def warm_up_period(self) -> int:
        return self._pipeline.warm_up_period()

    def transforms(self) -> list[Any]:
        return self._pipeline.transforms()

    def reset(self) -> None:
        self._pipeline.reset()

    def update(self, values: Any) -> list[float]:
        """``FeaturePipeline.update``, the chosen columns only."""
        out = self._pipeline.update(values)
        return [out[i] for i in self._index]

    def peek(self, values: Any) -> list[float]:
        """``FeaturePipeline.peek``, the chosen columns only."""
        out = self._pipeline.peek(values)
        return [out[i] for i in self._index]

    # The research methods take every keyword their pipeline's method takes
    # (progress=, threads=, ...), passed on as given.

    def update_many(self, data: Any, **options: Any) -> NDArray[np.float64]:
        """``FeaturePipeline.update_many``, the chosen columns only."""
        return self._pipeline.update_many(data, **options)[:, self._index]

    def run_research(self, data: Any, **options: Any) -> list[list[float]]:
        """``FeaturePipeline.run_research``, the chosen columns only."""
        index = self._index
        return [[bar[i] for i in index] for bar in self._pipeline.run_research(data, **options)]

    def run_research_array(self, data: Any, **options: Any) -> NDArray[np.float64]:
        """``FeaturePipeline.run_research_array``, the chosen columns only
        (``zerak.research_frame`` takes a view too)."""
        return self._pipeline.run_research_array(data, **options)[:, self._index]

    def __repr__(self) -> str:
        return f"PipelineView({self._pipeline!r}, {self._columns!r})"


def select(pipeline: FeaturePipeline, columns: Sequence[str]) -> PipelineView:
    """A view of ``pipeline`` returning only the output columns ``columns``;
    raises ``InvalidConfigError`` for a name that is no output of it."""
    return PipelineView(pipeline, columns)


class Finding(NamedTuple):
    """One likely mistake: ``kind`` is one of ``"duplicate-output"``,
    ``"never-written"``, ``"shadows-input"``, ``"unread-input"``,
    ``"window-too-long"`` or ``"not-built"``; ``message`` says which names."""

    kind: str
    message: str


def check(
    pipeline: FeaturePipeline | PipelineView | Sequence[Any],
    input_columns: Sequence[str] | None = None,
    *,
    data_length: int | None = None,
) -> list[Finding]:
    """Lists likely mistakes in a pipeline, without raising: outputs that no
    transform can ever write, outputs named like an input column, input
    columns nothing reads, and, given ``data_length`` (bars), transforms whose
    first value would come after the data ends.

    ``pipeline`` may also be the transforms a pipeline would be built from,
    with ``input_columns``: outputs written twice are then listed too, and a
    pipeline that cannot be built, for whatever reason, is one finding
    (``"not-built"``).
    """
    if isinstance(pipeline, PipelineView):
        pipeline = pipeline.pipeline
    if not isinstance(pipeline, FeaturePipeline):
        try:
            features = list(pipeline)
            found = _duplicates(features)
            if found:
                return found
            columns = [] if input_columns is None else input_columns
            pipeline = FeaturePipeline._unwarned(features, columns)
        except MemoryError:
            raise
        except Exception as error:  # whatever stops the build is the finding
            return [Finding("not-built", _reason(error))]
    return [Finding(kind, message) for kind, message in pipeline._findings(data_length)]


def _shown(obj: object) -> str:
    try:
        return repr(obj)
    except Exception:
        return f"a {type(obj).__name__} object"


def _reason(error: Exception) -> str:
    # zerak's own errors are sentences; others need their class to make sense.
    return str(error) if isinstance(error, ZerakError) else f"{type(error).__name__}: {error}"


def _duplicates(features: list[Any]) -> list[Finding]:
    writers: dict[str, int] = {}
    found = []
    for i, feature in enumerate(features):
        try:
            names = list(feature.output_names())
        except Exception:
            continue  # no transform: building the pipeline says so
        for name in names:
            if not isinstance(name, str):
                continue
            if name in writers:
                found.append(
                    Finding(
                        "duplicate-output",
                        f"output {name!r} is written by transform {writers[name]} "
                        f"and by transform {i} ({_shown(feature)})",
                    )
                )
            else:
                writers[name] = i
    return found
