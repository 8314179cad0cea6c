#!/usr/bin/env python3
"""Checks the sdist and wheel in a folder as a user would get them: the wheel
carries the stubs, py.typed, the licence and a stripped module, and both carry
the version of pyproject.toml."""

import sys
import tarfile
import tomllib
import zipfile
from email.parser import Parser
from pathlib import Path

root = Path(__file__).resolve().parent.parent
dist = Path(sys.argv[1])
version = tomllib.loads((root / "pyproject.toml").read_text())["project"]["version"]
failures: list[str] = []
checks = 0


def check(ok: bool, what: str) -> None:
    global checks
    checks += 1
    if not ok:
        failures.append(what)


wheels = sorted(dist.glob("zerak-*.whl"))
sdists = sorted(dist.glob("zerak-*.tar.gz"))
check(len(wheels) == 1 and len(sdists) == 1, f"one wheel and one sdist in {dist}")

for wheel in wheels:
    with zipfile.ZipFile(wheel) as z:
        names = set(z.namelist())
        for member in ["__init__.py", "_zerak.pyi", "py.typed", "frames.py", "live.py",
                       "_version.py", "snapshot.py", "_snapshot.pyi", "custom.py", "_custom.pyi"]:
            check(f"zerak/{member}" in names, f"wheel has zerak/{member}")
        modules = [n for n in names if n.startswith("zerak/_zerak.") and n.endswith(".so")]
        check(len(modules) == 1, "wheel has one compiled module")
        for module in modules:
            # A stripped module has no static symbol table section left.
            check(b"\0.symtab\0" not in z.read(module), f"{module} is stripped")
        info = f"zerak-{version}.dist-info"
        check(f"{info}/licenses/LICENSE" in names, "wheel carries LICENSE")
        metadata = Parser().parsestr(z.read(f"{info}/METADATA").decode())
        check(metadata["Version"] == version, f"wheel version {metadata['Version']} is {version}")
        check(metadata["License-Expression"] == "MIT", "licence is MIT")
        check("Typing :: Typed" in metadata.get_all("Classifier", []), "typed classifier")
        written = z.read("zerak/_version.py").decode()
        check(f'__version__ = "{version}"' in written, "_version.py holds the version")

for sdist in sdists:
    with tarfile.open(sdist) as t:
        top = f"zerak-{version}"
        names = set(t.getnames())
        for member in ["LICENSE", "pyproject.toml", "CMakeLists.txt", "README.md",
                       "src/zerak/_zerak.pyi", "src/zerak/py.typed", "python/module.cpp"]:
            check(f"{top}/{member}" in names, f"sdist has {member}")

for failure in failures:
    print(f"dist check failed: {failure}")
print(f"dist check: {checks - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
