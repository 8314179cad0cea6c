"""Random Python values thrown at every constructor and method: only ordinary
Python exceptions may come out, never a crash or an internal error."""

import random

import pytest

import zerak


class Raising:
    def __float__(self):
        raise ArithmeticError("float")

    def __index__(self):
        raise ArithmeticError("index")

    def __len__(self):
        raise ArithmeticError("len")

    def __getitem__(self, i):
        raise ArithmeticError("getitem")


class Mutating(list):
    """A list subclass whose iteration empties it half way."""

    def __iter__(self):
        for i, x in enumerate(list.__iter__(self.copy())):
            if i == 1:
                self.clear()
            yield x


def scalars(rng):
    return [
        None,
        True,
        False,
        0,
        1,
        2,
        3,
        5,
        20,
        -1,
        2**63,
        2**64,
        10**30,
        0.5,
        2.0,
        float("nan"),
        float("inf"),
        -0.0,
        "c",
        "",
        "pearson",
        "spearman",
        "kendall",
        "c",
        "ct",
        b"x",
        object(),
        Raising(),
        rng.random() * 100,
        rng.randrange(1, 50),
    ]


def value(rng, depth=0):
    kind = rng.randrange(8 if depth < 2 else 5)
    pool = scalars(rng)
    if kind < 4:
        return rng.choice(pool)
    if kind == 4:
        return [rng.choice(["a", "b", "c", "d", "x"]) for _ in range(rng.randrange(4))]
    if kind == 5:
        return [
            rng.choice([1.0, float("nan"), -2.5, 3, Raising(), "z"])
            for _ in range(rng.randrange(5))
        ]
    if kind == 6:
        return Mutating(value(rng, depth + 1) for _ in range(rng.randrange(4)))
    return tuple(value(rng, depth + 1) for _ in range(rng.randrange(4)))


def classes():
    return [
        getattr(zerak, n)
        for n in zerak.__all__
        if isinstance(getattr(zerak, n), type) and not issubclass(getattr(zerak, n), BaseException)
    ]


def call_quietly(fn, *args, **kwargs):
    try:
        return fn(*args, **kwargs)
    except (SystemError, RuntimeError) as e:  # internal errors are faults
        if str(e) in ("Already borrowed", "Already mutably borrowed"):
            return None
        raise
    except Exception:
        return None


def rows(rng, n):
    return [
        [rng.choice([1.0, 2.0, -1.0, 0.0, float("nan"), 1e300]) for _ in range(n)]
        for _ in range(rng.randrange(1, 30))
    ]


@pytest.mark.parametrize("cls", classes(), ids=lambda c: c.__name__)
def test_random_arguments_never_crash(cls):
    rng = random.Random(cls.__name__)
    built = 0
    for _ in range(400):
        args = [value(rng) for _ in range(rng.randrange(6))]
        kwargs = {}
        if rng.random() < 0.3:
            kwargs[
                rng.choice(
                    [
                        "inputs",
                        "outputs",
                        "window",
                        "values",
                        "lag",
                        "method",
                        "bins",
                        "normalize",
                        "mean",
                        "std",
                        "lags",
                        "regression",
                        "fast",
                        "slow",
                        "horizon",
                        "nope",
                    ]
                )
            ] = value(rng)
        obj = call_quietly(cls, *args, **kwargs)
        if obj is None:
            continue
        built += 1
        repr(obj)
        for name in ("input_names", "output_names", "warm_up_period", "forward_period", "reset"):
            if hasattr(obj, name):
                getattr(obj, name)()
        if hasattr(obj, "update"):
            for _ in range(5):
                call_quietly(obj.update, value(rng))
            n = len(obj.input_names()) if hasattr(obj, "input_names") else 2
            for row in rows(rng, n):
                out = obj.update(row)
                assert isinstance(out, list) and all(isinstance(v, float) for v in out)
        if hasattr(obj, "run_research"):
            call_quietly(obj.run_research, value(rng))
