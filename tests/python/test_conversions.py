"""Argument binding and conversions shared by every class."""

import gc
import itertools
import sys

import failing_allocations
import pytest

import zerak


def needs(name):
    return pytest.mark.skipif(not hasattr(zerak, name), reason=f"{name} not built")


class Raising:
    def __float__(self):
        raise ZeroDivisionError("no float")

    def __index__(self):
        raise ZeroDivisionError("no index")


class ShrinksOnConversion:
    """An item whose conversion empties the list that holds it."""

    def __init__(self, owner):
        self.owner = owner

    def __float__(self):
        self.owner.clear()
        return 1.0


@pytest.mark.parametrize(
    "call, message",
    [
        (
            lambda: zerak.Add(),
            "Add.__new__() missing 2 required positional arguments: 'inputs' and 'outputs'",
        ),
        (
            lambda: zerak.Add(["a", "b"]),
            "Add.__new__() missing 1 required positional argument: 'outputs'",
        ),
        (
            lambda: zerak.Add([], [], []),
            "Add.__new__() takes 2 positional arguments but 3 were given",
        ),
        (
            lambda: zerak.Add(["a"], ["b"], x=1),
            "Add.__new__() got an unexpected keyword argument 'x'",
        ),
        (
            lambda: zerak.Add(["a"], inputs=["b"]),
            "Add.__new__() got multiple values for argument 'inputs'",
        ),
        (
            lambda: zerak.Log(["x"], ["y"]).update(),
            "Log.update() missing 1 required positional argument: 'values'",
        ),
        (
            lambda: zerak.Log(["x"], ["y"]).update([1.0], [2.0]),
            "Log.update() takes 1 positional arguments but 2 were given",
        ),
        (
            lambda: zerak.Log(["x"], ["y"]).update(value=[1.0]),
            "Log.update() got an unexpected keyword argument 'value'",
        ),
        (lambda: zerak.Add("ab", ["s"]), "argument 'inputs': Can't extract `str` to `Vec`"),
        (
            lambda: zerak.Add(["a", "b"], 3),
            "argument 'outputs': 'int' object cannot be converted to 'Sequence'",
        ),
        (
            lambda: zerak.Add(["a", b"b"], ["s"]),
            "argument 'inputs': 'bytes' object cannot be converted to 'PyString'",
        ),
        (
            lambda: zerak.Log(["x"], ["y"]).update("1"),
            "argument 'values': Can't extract `str` to `Vec`",
        ),
        (
            lambda: zerak.Log(["x"], ["y"]).update({1: 2.0}),
            "argument 'values': 'dict' object cannot be converted to 'Sequence'",
        ),
        (
            lambda: zerak.Log(["x"], ["y"]).update([None]),
            "argument 'values': must be real number, not NoneType",
        ),
    ],
)
def test_type_errors_name_the_function_or_argument(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_keyword_values_and_any_sequence_are_accepted():
    log = zerak.Log(inputs=("x",), outputs=range(0) or ["y"])
    assert log.update(values=(1.0,)) == [0.0]
    assert log.update(range(1, 2)) == [0.0]  # ints convert through __index__
    assert zerak.Add(outputs=["s"], inputs=["a", "b"]).input_names() == ["a", "b"]


def test_errors_from_item_conversion_pass_through_or_get_named():
    log = zerak.Log(["x"], ["y"])
    with pytest.raises(ZeroDivisionError, match="no float"):
        log.update([Raising()])
    with pytest.raises(TypeError) as info:
        log.update([object()])
    assert str(info.value).startswith("argument 'values': must be real number")


def test_a_list_that_shrinks_during_conversion_is_read_safely():
    values = [1.0, 2.0]
    values.insert(1, ShrinksOnConversion(values))
    add = zerak.Add(["a", "b"], ["s"])
    assert add.update(values) == [2.0]  # two items were read before the list emptied
    values[:] = [ShrinksOnConversion(values), 5.0]
    with pytest.raises(zerak.InvalidInputError, match=r"got 1$"):
        add.update(values)
    assert add.update([1.0, 2.0]) == [3.0]


def test_returned_name_lists_are_copies():
    add = zerak.Add(["a", "b"], ["s"])
    names = add.input_names()
    names.append("zzz")
    assert add.input_names() == ["a", "b"]


def test_reentrant_use_during_update_raises_borrow_errors():
    log = zerak.Log(["x"], ["y"])
    seen = []

    class Reentrant:
        def __float__(self):
            for call in (log.input_names, lambda: log.update([1.0]), log.reset, lambda: repr(log)):
                try:
                    call()
                except RuntimeError as e:
                    seen.append(str(e))
            return 1.0

    assert log.update([Reentrant()]) == [0.0]
    assert seen == [
        "Already mutably borrowed",
        "Already borrowed",
        "Already borrowed",
        "Already mutably borrowed",
    ]
    assert log.update([1.0]) == [0.0]  # the borrow was released


def test_no_references_leak_on_success_or_failure():
    inputs, outputs, row, bad = ["a", "b"], ["s"], [1.0, 2.0], [1.0, "x"]
    before = [sys.getrefcount(o) for o in (inputs, outputs, row, bad)]
    for _ in range(100):
        add = zerak.Add(inputs, outputs)
        add.update(row)
        with pytest.raises(TypeError):
            add.update(bad)
        with pytest.raises(zerak.InvalidInputError):
            zerak.Add(outputs, inputs)
    del add
    gc.collect()
    assert [sys.getrefcount(o) for o in (inputs, outputs, row, bad)] == before


@needs("Sma")
@pytest.mark.parametrize(
    "window, error, message",
    [
        (-1, OverflowError, "can't convert negative int to unsigned"),
        (2**64, OverflowError, None),
        (2.5, TypeError, "argument 'window': 'float' object cannot be interpreted as an integer"),
        ("3", TypeError, "argument 'window': 'str' object cannot be interpreted as an integer"),
        (Raising(), ZeroDivisionError, "no index"),
    ],
)
def test_unsigned_integer_conversion(window, error, message):
    with pytest.raises(error) as info:
        zerak.Sma(["c"], window, ["x"])
    if message:
        assert str(info.value) == message
    assert not str(info.value).startswith("argument") or error is TypeError


@needs("Sma")
def test_unsigned_integers_accept_index_objects():
    import numpy as np

    assert (
        repr(zerak.Sma(["c"], np.uint8(3), ["x"])) == 'Sma(inputs=["c"], window=3, outputs=["x"])'
    )
    assert zerak.Sma(("c",), True, ("x",)).warm_up_period() == 0  # bool is an int


@needs("ShannonEntropy")
@pytest.mark.parametrize("flag, ok", [(True, True), (False, True), (1, False), (None, False)])
def test_boolean_conversion(flag, ok):
    if ok:
        zerak.ShannonEntropy(["c"], 10, ["h"], normalize=flag)
    else:
        with pytest.raises(
            TypeError, match=r"^argument 'normalize': '\w+' object cannot be converted to 'PyBool'$"
        ):
            zerak.ShannonEntropy(["c"], 10, ["h"], normalize=flag)


@needs("ShannonEntropy")
def test_numpy_booleans_convert_through_their_truth_value():
    import numpy as np

    zerak.ShannonEntropy(["c"], 10, ["h"], normalize=np.bool_(False))


@needs("FixedZScore")
def test_float_conversion():
    z = zerak.FixedZScore(["x"], ["z"], 1, 2)  # ints convert
    assert z.update([5.0]) == [2.0]
    with pytest.raises(TypeError, match=r"^argument 'mean': must be real number, not str$"):
        zerak.FixedZScore(["x"], ["z"], "1", 2.0)
    with pytest.raises(ZeroDivisionError):
        zerak.FixedZScore(["x"], ["z"], Raising(), 2.0)


@needs("Correlation")
def test_string_conversion():
    with pytest.raises(
        TypeError, match=r"^argument 'method': 'int' object cannot be converted to 'PyString'$"
    ):
        zerak.Correlation(["a", "b"], 10, ["c"], method=1)


@pytest.mark.parametrize(
    "name, rendered",
    [
        ('q"\\', '"q\\"\\\\"'),
        ("a\nb\t\r\0", '"a\\nb\\t\\r\\0"'),
        ("\x1b\x7f", '"\\u{1b}\\u{7f}"'),
        ("\x80x\x85\x9f", '"\\u{80}x\\u{85}\\u{9f}"'),
        ("\xa0é\u200b€", '"\xa0é\u200b€"'),
    ],
)
def test_names_render_with_quotes_backslashes_and_controls_escaped(name, rendered):
    assert repr(zerak.Log([name], ["y"])) == f'Log(inputs=[{rendered}], outputs=["y"])'
    with pytest.raises(zerak.MissingInputColumnError) as err:
        zerak.FeaturePipeline([zerak.Log([name], ["y"])], [])
    assert str(err.value) == f"missing input column(s): [{rendered}]"


@needs("ShannonEntropy")
@needs("Correlation")
@pytest.mark.parametrize(
    "call, message",
    [
        ('zerak.ShannonEntropy(["c"], 10, ["h"], normalize=np.bool_(False))', None),
        (
            'zerak.ShannonEntropy(["c"], 10, ["h"], normalize=1)',
            "argument 'normalize': 'int' object cannot be converted to 'PyBool'",
        ),
        (
            'zerak.Add(["a", b"b"], ["s"])',
            "argument 'inputs': 'bytes' object cannot be converted to 'PyString'",
        ),
        (
            'zerak.Add(["a", "b"], 3)',
            "argument 'outputs': 'int' object cannot be converted to 'Sequence'",
        ),
        (
            'zerak.Correlation(["a", "b"], 10, ["c"], method=1)',
            "argument 'method': 'int' object cannot be converted to 'PyString'",
        ),
    ],
)
def test_memory_errors_during_conversion_pass_through(call, message):
    # Only the value's own type makes the documented TypeError; a failed
    # allocation on the way stays a MemoryError.
    got = failing_allocations.outcomes(call, setup="import numpy as np, zerak")
    assert ["MemoryError", ""] in got
    allowed = [None] if message is None else [["TypeError", message]]
    assert all(o in allowed or o[0] == "MemoryError" for o in got), got


@pytest.mark.parametrize(
    "make, what",
    [
        (lambda: zerak.Sma(["close"], 10**12, ["s"]), "a window of 1000000000000 values"),
        (
            lambda: zerak.Adf(["x"], 2**62, ["s", "p"], lags=1),
            f"a window of {2**62} values with a workspace of {2**62} x 1 values",
        ),
        (
            lambda: zerak.AutoCorrelation(["x"], 2**64 - 1, ["a"], lag=2),
            f"a window of {2**64 + 1} values",
        ),
    ],
)
def test_memory_error_says_what_could_not_be_allocated(make, what):
    with pytest.raises(MemoryError, match=f"^cannot allocate {what}$"):
        make()


def an_instance(cls):
    """One valid object of any exported class, built from its text signature."""
    if cls is zerak.FeaturePipeline:
        return cls([zerak.Sma(["a"], 3, ["s"])], ["a"])
    if cls is zerak.TargetPipeline:
        return cls([zerak.FutureReturn(["a"], 2, ["r"])], ["a"])
    for inputs, outputs in itertools.product(
        (["a"], ["a", "b"], list("hloc")), (["o"], ["o", "p"], ["o", "p", "q"])
    ):
        given = {
            "inputs": inputs,
            "window": 20,
            "horizon": 3,
            "outputs": outputs,
            "mean": 0.0,
            "std": 1.0,
        }
        given["periods"] = 2
        names = [p.strip().split("=")[0] for p in cls.__text_signature__.strip("()").split(",")]
        try:
            return cls(**{n: given[n] for n in names if n in given})
        except (zerak.InvalidInputError, zerak.InvalidConfigError):
            continue
    raise AssertionError(cls)


NO_ARGUMENT_METHODS = [
    (name, method)
    for name in zerak.__all__
    if isinstance(getattr(zerak, name), type) and not issubclass(getattr(zerak, name), Exception)
    for method in ("reset", "input_names", "output_names", "warm_up_period", "forward_period")
    if hasattr(getattr(zerak, name), method)
]


@pytest.mark.parametrize("name, method", NO_ARGUMENT_METHODS)
def test_methods_without_parameters_bind_like_every_other_callable(name, method):
    bound = getattr(an_instance(getattr(zerak, name)), method)
    with pytest.raises(
        TypeError, match=rf"^{name}\.{method}\(\) takes 0 positional arguments but 1 was given$"
    ):
        bound(1)
    with pytest.raises(
        TypeError, match=rf"^{name}\.{method}\(\) takes 0 positional arguments but 2 were given$"
    ):
        bound(1, 2)
    with pytest.raises(
        TypeError, match=rf"^{name}\.{method}\(\) got an unexpected keyword argument 'x'$"
    ):
        bound(x=1)
    assert bound() == bound()
