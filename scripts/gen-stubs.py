#!/usr/bin/env python3
"""Writes the generated parts of src/zerak/_zerak.pyi from the built module
zerak._zerak: `__all__`, and one entry per transform (a class with `update`)
and target (a class with `forward_period`), with the docstring and text
signature the binding declares, parameter types looked up by name below, and
a read-only property per parameter the class gives back as an attribute.
Everything else in the stub is written by hand.

    gen-stubs.py           rewrite the generated regions
    gen-stubs.py --check   exit 1, printing a diff, if the stub is not up to date
"""

import argparse
import difflib
import inspect
import pathlib
import re
import sys
import types

STUB = pathlib.Path(__file__).resolve().parent.parent / "src" / "zerak" / "_zerak.pyi"
WIDTH = 100

# A parameter's type follows from its name, the same for every class.
PARAM_TYPES = {
    "inputs": "_Names",
    "outputs": "_Names",
    "window": "SupportsIndex",
    "horizon": "SupportsIndex",
    "lag": "SupportsIndex",
    "fast": "SupportsIndex",
    "slow": "SupportsIndex",
    "lags": "SupportsIndex | None",
    "bins": "SupportsIndex | None",
    "normalize": "bool | np.bool_",
    "ddof": "SupportsIndex",
    "running": "bool | np.bool_",
    "accurate": "bool | np.bool_",
    "mean": "_Number",
    "std": "_Number",
    "method": "_Method",
    "regression": "_Regression",
    "q": "_Number",
    "periods": "SupportsIndex",
    "scale": "_Number",
    "offset": "_Number",
    "lower": "_Number | None",
    "upper": "_Number | None",
    "fastk": "SupportsIndex",
    "slowk": "SupportsIndex",
    "slowd": "SupportsIndex",
    "signal": "SupportsIndex",
    "fastd": "SupportsIndex",
    "nbdevup": "_Number",
    "nbdevdn": "_Number",
    "timeperiod1": "SupportsIndex",
    "timeperiod2": "SupportsIndex",
    "timeperiod3": "SupportsIndex",
    "atr_window": "SupportsIndex",
    "multiplier": "_Number",
}
# A parameter read back as an attribute: its type as given where that is a
# concrete type, else as the class keeps it.
ATTRIBUTE_TYPES = {
    "SupportsIndex": "int",
    "SupportsIndex | None": "int | None",
    "bool | np.bool_": "bool",
    "_Number": "float",
    "_Number | None": "float | None",
    "_Names": "list[str]",
}
RESOLVED = {"lags": "int"}  # None picks a count, which the attribute gives
BASES = {"transform": "_Transform", "target": "_Target"}
REGION = re.compile(r"(# BEGIN GENERATED (\S+)[^\n]*\n)(.*?)(# END GENERATED \2\n)", re.S)


def family(cls):
    """ "transform", "target", or None; the pipelines also have update or
    forward_period, but hold other objects (they have a length)."""
    if not isinstance(cls, type) or hasattr(cls, "__len__"):
        return None
    if hasattr(cls, "update"):
        return "transform"
    if hasattr(cls, "forward_period"):
        return "target"
    return None


def default(value):
    return f'"{value}"' if isinstance(value, str) else repr(value)


def parameters(cls):
    """The parameters of __new__ as the stub writes them, with / and * where
    the text signature has positional-only or keyword-only ones."""
    out, before = ["cls"], None
    for p in inspect.signature(cls).parameters.values():
        if p.name not in PARAM_TYPES:
            sys.exit(
                f"{cls.__name__}: no type for parameter {p.name!r}; "
                f"add it to PARAM_TYPES in {pathlib.Path(__file__).name}"
            )
        if p.kind in (p.VAR_POSITIONAL, p.VAR_KEYWORD):
            sys.exit(f"{cls.__name__}: *args and **kwargs are not supported")
        if before is p.POSITIONAL_ONLY and p.kind is not p.POSITIONAL_ONLY:
            out.append("/")
        if p.kind is p.KEYWORD_ONLY and before is not p.KEYWORD_ONLY:
            out.append("*")
        text = f"{p.name}: {PARAM_TYPES[p.name]}"
        out.append(text if p.default is p.empty else f"{text} = {default(p.default)}")
        before = p.kind
    if before is inspect.Parameter.POSITIONAL_ONLY:
        out.append("/")
    return out


def attribute_type(name):
    given = PARAM_TYPES[name]
    return RESOLVED.get(name) or ATTRIBUTE_TYPES.get(given, given)


def attributes(cls):
    """The properties of the parameters the class gives back, in order."""
    given = [
        p.name
        for p in inspect.signature(cls).parameters.values()
        if isinstance(vars(cls).get(p.name), types.GetSetDescriptorType)
    ]
    return "".join(
        f"    @property\n    def {name}(self) -> {attribute_type(name)}: ...\n" for name in given
    )


def docstring(doc, indent):
    doc = doc.replace("\\", "\\\\").replace('"""', '\\"\\"\\"')
    lines = [(indent + line if line else "") for line in doc.split("\n")]
    lines[0] = lines[0][len(indent) :]
    return f'{indent}"""{"\n".join(lines)}"""\n'


def entry(name, cls):
    head = "    def __new__("
    tail = f") -> {name}: ..."
    params = parameters(cls)
    one_line = head + ", ".join(params) + tail
    if len(one_line) <= WIDTH:
        new = one_line + "\n"
    else:
        new = head + "\n" + "".join(f"        {p},\n" for p in params) + f"    {tail}\n"
    doc = docstring(cls.__doc__, "    ") + "\n" if cls.__doc__ else ""
    return f"@final\nclass {name}({BASES[family(cls)]}):\n{doc}{new}{attributes(cls)}"


def regions(module):
    names = "".join(f'    "{n}",\n' for n in module.__all__)
    classes = [
        entry(n, getattr(module, n))
        for n in module.__all__
        if family(getattr(module, n)) is not None
    ]
    # The blank line before the end marker is ruff format's; the stub is formatted whole.
    return {"__all__": f"__all__ = [\n{names}]\n", "classes": "\n".join(classes) + "\n"}


def generate(text, module):
    wanted = regions(module)
    found = set()

    def fill(match):
        found.add(match[2])
        if match[2] not in wanted:
            sys.exit(f"{STUB}: unknown generated region {match[2]!r}")
        return match[1] + wanted[match[2]] + match[4]

    text = REGION.sub(fill, text)
    if missing := set(wanted) - found:
        sys.exit(f"{STUB}: no '# BEGIN GENERATED' region for {sorted(missing)}")
    return text


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    parser.add_argument(
        "--check", action="store_true", help="only compare; exit 1 with a diff if the stub differs"
    )
    args = parser.parse_args()
    from zerak import _zerak

    current = STUB.read_text()
    wanted = generate(current, _zerak)
    if not args.check:
        if wanted != current:
            STUB.write_text(wanted)
            print(f"rewrote {STUB}")
        return
    if wanted != current:
        sys.stdout.writelines(
            difflib.unified_diff(
                current.splitlines(True),
                wanted.splitlines(True),
                f"{STUB.name} (committed)",
                f"{STUB.name} (generated)",
            )
        )
        sys.exit(f"{STUB} is out of date: run scripts/gen-stubs.py")


if __name__ == "__main__":
    main()
