import math
import struct

import pytest
from conftest import same_floats

import zerak

inf, nan = float("inf"), float("nan")

BINARY = {
    zerak.Add: ("Element-wise addition: A + B.", lambda a, b: a + b),
    zerak.Subtract: ("Element-wise subtraction: A - B.", lambda a, b: a - b),
    zerak.Multiply: ("Element-wise multiplication: A * B.", lambda a, b: a * b),
    zerak.Divide: ("Element-wise division: A / B.", lambda a, b: a / b if b != 0 else nan),
}
UNARY = {
    zerak.Log: ("Natural logarithm: ln(x).", lambda a: math.log(a) if a > 0 else nan),
    zerak.NegLog: ("Negative natural logarithm: -ln(x).", lambda a: -math.log(a) if a > 0 else nan),
    zerak.Logit: (
        "Logit function: ln(x / (1 - x)).",
        lambda a: math.log(a / (1 - a)) if 0 < a < 1 else nan,
    ),
    zerak.Reciprocal: ("Multiplicative inverse: 1 / x.", lambda a: 1 / a if a != 0 else nan),
}
SAMPLES = [0.0, -0.0, 0.25, 0.5, 1.0, -1.0, 3.0, 1e308, 5e-324, inf, -inf, nan]


@pytest.mark.parametrize(
    "op, values, expected",
    [
        (zerak.Divide, [1.0, 0.0], [nan]),
        (zerak.Divide, [1.0, -0.0], [nan]),
        (zerak.Divide, [1.0, inf], [0.0]),
        (zerak.Divide, [-1.0, inf], [-0.0]),
        (zerak.Log, [0.0], [nan]),
        (zerak.Log, [1.0], [0.0]),
        (zerak.Log, [-1.0], [nan]),
        (zerak.Log, [inf], [inf]),
        (zerak.NegLog, [math.e], [-1.0]),
        (zerak.Logit, [0.5], [0.0]),
        (zerak.Logit, [0.0], [nan]),
        (zerak.Logit, [1.0], [nan]),
        (zerak.Reciprocal, [4.0], [0.25]),
        (zerak.Reciprocal, [0.0], [nan]),
        (zerak.Reciprocal, [-inf], [-0.0]),
        (zerak.Subtract, [5.0, 3.0], [2.0]),
        (zerak.Multiply, [1e308, 10.0], [inf]),
        (zerak.Add, [inf, -inf], [nan]),
    ],
)
def test_documented_values(op, values, expected):
    names = ["a", "b"][: len(values)]
    same_floats(op(names, ["out"]).update(values), expected)


@pytest.mark.parametrize("op", list(BINARY))
def test_binary_matches_ieee_arithmetic(op):
    f = BINARY[op][1]
    o = op(["a", "b"], ["y"])
    for a in SAMPLES:
        for b in SAMPLES:
            expected = nan if math.isnan(a) or math.isnan(b) else f(a, b)
            same_floats(o.update([a, b]), [expected])


@pytest.mark.parametrize("op", list(UNARY))
def test_unary_matches_its_formula(op):
    f = UNARY[op][1]
    o = op(["x"], ["y"])
    for a in SAMPLES:
        expected = nan if math.isnan(a) else f(a)
        same_floats(o.update([a]), [expected])


def test_missing_is_the_canonical_quiet_nan():
    (out,) = zerak.Log(["x"], ["y"]).update([-1.0])
    assert struct.pack(">d", out) == bytes.fromhex("7ff8000000000000")


@pytest.mark.parametrize("op", [*BINARY, *UNARY])
def test_surface(op):
    binary = op in BINARY
    doc = (BINARY if binary else UNARY)[op][0]
    name = op.__name__
    inputs = ["a", "b"] if binary else ["x"]
    o = op(inputs, ["s", "t"])
    assert op.__module__ == "zerak"
    assert op.__text_signature__ == "(inputs, outputs)"
    assert op.__doc__ == doc
    assert repr(o) == f'{name}(inputs={str(inputs).replace(chr(39), chr(34))}, outputs=["s", "t"])'
    assert op.update.__text_signature__ == "($self, values)"
    assert op.update.__doc__.startswith("Process one bar. Returns ``[NaN]`` if ")
    assert op.reset.__doc__ == "Reset (no-op for stateless operators)."
    assert o.warm_up_period() == 0
    assert o.reset() is None
    assert o.output_names() == ["s", "t"]
    assert len(o.update([2.0, 3.0][: len(inputs)])) == 1  # one value whatever the names


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: zerak.Add(["a"], ["s"]), "inputs must contain exactly 2 columns"),
        (lambda: zerak.Add([], []), "inputs must contain exactly 2 columns"),
        (lambda: zerak.Divide(["a", "b", "c"], ["s"]), "inputs must contain exactly 2 columns"),
        (lambda: zerak.Add(["a", "b"], []), "outputs must not be empty"),
        (lambda: zerak.Log(["x"], []), "outputs must not be empty"),
        (lambda: zerak.Logit([], ["y"]), "inputs must contain exactly 1 column"),
    ],
)
def test_rejected_configurations(make, message):
    with pytest.raises(zerak.InvalidInputError) as info:
        make()
    assert info.value.args == (message,)
    assert isinstance(info.value, zerak.ZerakError)


def test_short_rows_are_rejected_and_the_object_stays_usable():
    add = zerak.Add(["a", "b"], ["s"])
    with pytest.raises(
        zerak.InvalidInputError, match=r"^expected at least 2 input value\(s\), got 1$"
    ):
        add.update([1.0])
    with pytest.raises(zerak.InvalidInputError, match="got 0"):
        zerak.Log(["x"], ["y"]).update([])
    assert add.update([1.0, 2.0, 9.0]) == [3.0]  # extra values are ignored
