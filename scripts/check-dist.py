#!/usr/bin/env python3
"""Checks the sdist and wheel in a folder as a user would get them: the wheel
carries the stubs, py.typed, the licence and a stripped module, on Linux a
manylinux tag that auditwheel confirms, and both carry the version of
pyproject.toml."""

import platform
import re
import subprocess
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
        for member in [
            "__init__.py",
            "_zerak.pyi",
            "py.typed",
            "frames.py",
            "live.py",
            "_version.py",
            "snapshot.py",
            "_snapshot.pyi",
            "_errors.py",
            "sklearn.py",
            "universe.py",
            "_universe.pyi",
            "custom.py",
            "_custom.pyi",
        ]:
            check(f"zerak/{member}" in names, f"wheel has zerak/{member}")
        outside = [n for n in names if not n.startswith(("zerak/", "zerak-"))]
        check(not outside, f"wheel installs nothing beside the package: {outside}")
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

# The tag auditwheel gave when repairing must be the one it reads off the
# module again: the C++ runtime linked in, only glibc left to need.
for wheel in wheels if sys.platform == "linux" else []:
    tags = re.findall(r"manylinux_(\d+)_(\d+)_(\w+?)(?=[.-])", wheel.name)
    check(
        len(tags) == 1 and tags[0][2] == platform.machine(), f"{wheel.name} has one manylinux tag"
    )
    shown = subprocess.run(
        [Path(sys.executable).parent / "auditwheel", "show", wheel], capture_output=True, text=True
    )
    consistent = re.search(
        r'consistent\s+with\s+the\s+following\s+platform\s+tag:\s*"([^"]+)"', shown.stdout
    )
    for major, minor, machine in tags:
        check(
            consistent is not None
            and consistent.group(1) == f"manylinux_{major}_{minor}_{machine}",
            f"auditwheel show agrees with the tag of {wheel.name}: {shown.stdout}{shown.stderr}",
        )
    print(f"wheel: {wheel.name}, {wheel.stat().st_size / 1e6:.1f} MB")

for sdist in sdists:
    with tarfile.open(sdist) as t:
        top = f"zerak-{version}"
        names = set(t.getnames())
        for member in [
            "LICENSE",
            "pyproject.toml",
            "CMakeLists.txt",
            "README.md",
            "src/zerak/_zerak.pyi",
            "src/zerak/py.typed",
            "binding/module.cpp",
        ]:
            check(f"{top}/{member}" in names, f"sdist has {member}")

for failure in failures:
    print(f"dist check failed: {failure}")
print(f"dist check: {checks - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
