"""A feature pipeline as a scikit-learn transformer.

``FeatureTransformer(features, input_columns)`` takes what ``FeaturePipeline``
takes, as estimator parameters: ``get_params``/``set_params``, ``clone``,
``Pipeline``, grid search and cross-validation work as for any transformer.
``transform`` computes the features of the bars it is given, in order, from a
reset state: each call (each fold of a ``TimeSeriesSplit``) starts warming up
afresh, so no state leaks from one call to the next. With ``carry_state=True``
each call continues from the state the previous one left instead, for a live
loop that transforms the newest bars only. scikit-learn is imported with this
module, never by ``import zerak``.
"""

from __future__ import annotations

import copy
from collections.abc import Mapping, Sequence
from typing import Any

import numpy as np
from numpy.typing import NDArray

# scikit-learn ships no annotations: its names type as Any.
from sklearn.base import BaseEstimator, TransformerMixin  # type: ignore[import-untyped, import-not-found, unused-ignore]
from sklearn.utils.validation import check_array, check_is_fitted, validate_data  # type: ignore[import-untyped, import-not-found, unused-ignore]

from ._zerak import FeaturePipeline, MissingInputColumnError
from .frames import _Source

__all__ = ["FeatureTransformer"]


def _is_frame(X: object) -> bool:
    """A data frame, an Arrow producer or a mapping of columns: read by name."""
    if isinstance(X, (np.ndarray, list, tuple)):
        return False
    return isinstance(X, Mapping) or any(
        hasattr(X, name) for name in ("columns", "__arrow_c_stream__", "__dataframe__")
    )


def _frame_bars(X: Any, names: Sequence[str]) -> NDArray[np.float64]:
    """The columns ``names`` of a frame as a (bars, inputs) float64 array, read
    as ``research_frame`` reads them."""
    columns = _Source(X, "FeatureTransformer.transform", names, None, ()).columns(names)
    data = np.empty((len(columns), len(columns[0]) if columns else 0), dtype=np.float64)
    for j, column in enumerate(columns):  # whole rows: the pipeline reads the transpose in place
        data[j] = column
    return data.T


def _render(names: Sequence[str]) -> str:
    return "[" + ", ".join(f'"{n}"' for n in names) + "]"


def _free_inputs(features: Sequence[Any]) -> list[str]:
    """The columns the transforms read that none of them writes, in order of use."""
    written = {name for t in features for name in t.output_names()}
    read = [name for t in features for name in t.input_names() if name not in written]
    return list(dict.fromkeys(read))


class FeatureTransformer(TransformerMixin, BaseEstimator):  # type: ignore[misc]  # Any bases
    """scikit-learn transformer computing zerak features in research mode.

    ``features``: zerak transforms, as for ``FeaturePipeline``; ``clone``
    copies them, and ``fit`` builds its own pipeline from copies, so the
    objects passed in are never changed or shared. ``input_columns``: the
    pipeline's input columns; ``None`` takes, for a frame, the columns the
    transforms read that none of them writes (in order of first use) and, for
    an array, ``x0``, ``x1``, ... one per column.

    ``carry_state``: False (the default) computes each ``transform`` from a
    reset state, as cross-validation needs. True continues each ``transform``
    from the state the previous one left (``fit`` resets it), as a live loop
    needs: ``transform(history)`` then ``transform(new_rows)`` gives for the
    new rows exactly what ``transform(history + new_rows)`` gives for them.
    One call at a time then: the calls share the pipeline's state.

    Frames (any that ``zerak.research_frame`` reads) are read by name, other
    columns ignored; arrays give the input columns in order. The output has
    one column per pipeline output, named by ``get_feature_names_out``, and
    follows ``set_output`` (numpy by default, or pandas or polars). Missing
    values (NaN) are allowed in and come out during warm-up; infinities are
    values, in arrays as in frames.
    """

    def __init__(
        self,
        features: Sequence[Any] = (),
        input_columns: Sequence[str] | None = None,
        carry_state: bool = False,
    ) -> None:
        self.features = features
        self.input_columns = input_columns
        self.carry_state = carry_state

    @classmethod
    def from_pipeline(
        cls, pipeline: FeaturePipeline, carry_state: bool = False
    ) -> FeatureTransformer:
        """The transformer of ``pipeline``'s transforms and input columns."""
        return cls(pipeline.transforms(), pipeline.input_names(), carry_state)

    def fit(self, X: Any, y: object = None) -> FeatureTransformer:
        """Builds the pipeline from reset copies of ``features`` and records the
        input's feature names; reads no values."""
        if _is_frame(X):
            validate_data(self, X, skip_check_array=True, reset=True)
            names = (
                list(self.input_columns)
                if self.input_columns is not None
                else _free_inputs(self.features)
            )
            have = set(getattr(self, "feature_names_in_", names))
            if missing := [n for n in names if n not in have]:  # said now, not at transform
                raise MissingInputColumnError(
                    f"missing input column(s): {_render(missing)}; "
                    f"the frame has columns {_render(self.feature_names_in_)}"
                )
        else:
            X = validate_data(self, X, reset=True, dtype=np.float64, ensure_all_finite=False)
            names = (
                list(self.input_columns)
                if self.input_columns is not None
                else [f"x{i}" for i in range(X.shape[1])]
            )
            self._check_width(X, len(names))
        # Columns named x0, x1, ... by us that no feature reads are simply not
        # features: no warning for them. Names the user gave still warn.
        synthesized = not _is_frame(X) and self.input_columns is None
        build = FeaturePipeline._unwarned if synthesized else FeaturePipeline
        pipeline = build(list(self.features), names)
        pipeline.reset()
        self.pipeline_ = pipeline
        return self

    def transform(self, X: Any) -> NDArray[np.float64]:
        """The features of the bars of ``X`` (a row per bar): a float64 array
        (bars, outputs) unless ``set_output`` asks for a frame. Computed from a
        reset state, or with ``carry_state`` from the state the previous call
        left. Without ``carry_state`` threads may transform with one fitted
        transformer at once: each call runs a copy of the pipeline."""
        check_is_fitted(self)
        names = self.pipeline_.input_names()
        if _is_frame(X):
            bars = _frame_bars(X, names)
        else:
            bars = check_array(X, dtype=np.float64, ensure_all_finite=False)
            self._check_width(bars, len(names))
        if self.carry_state:
            return self.pipeline_.update_many(bars)
        # A pipeline serves one call at a time: each call runs its own copy.
        return copy.copy(self.pipeline_).run_research_array(bars)

    def get_feature_names_out(self, input_features: Sequence[str] | None = None) -> NDArray[Any]:
        """The pipeline's output names; ``input_features``, when given, must be
        the input's feature names seen by ``fit``."""
        check_is_fitted(self)
        if input_features is not None:
            seen = getattr(self, "feature_names_in_", None)
            if len(input_features) != self.n_features_in_ or (
                seen is not None and list(input_features) != list(seen)
            ):
                raise ValueError("input_features is not equal to feature_names_in_")
        return np.asarray(self.pipeline_.output_names(), dtype=object)

    def _check_width(self, X: NDArray[np.float64], width: int) -> None:
        if X.shape[1] != width:
            raise ValueError(
                f"X has {X.shape[1]} features, but {type(self).__name__} is "
                f"expecting {width} features as input"
            )

    def __sklearn_tags__(self) -> Any:
        tags = super().__sklearn_tags__()
        tags.input_tags.allow_nan = True
        return tags
