"""The bar behind ``progress=True``: tqdm, which is optional."""

from __future__ import annotations

from typing import Any


class _TqdmBar:
    """Called with (bars done, total); moves the bar by what was done since."""

    def __init__(self, total: int) -> None:
        try:
            from tqdm.auto import tqdm  # type: ignore[import-untyped, import-not-found, unused-ignore]
        except ImportError as error:
            raise ImportError(
                "progress=True shows a tqdm bar, and tqdm is not installed: install it "
                "(pip install tqdm), or pass a callable taking (bars done, total)"
            ) from error
        self._bar: Any = tqdm(total=total, unit="bar")
        self._done = 0

    def __call__(self, done: int, total: int) -> None:
        self._bar.update(done - self._done)
        self._done = done

    def close(self) -> None:
        self._bar.close()


def tqdm_bar(total: int) -> _TqdmBar:
    return _TqdmBar(total)
