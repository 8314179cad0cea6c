#!/usr/bin/env python3
"""mypy --strict over the package and tests/typing/typed_snapshots.py, and
stubtest over the package, as on a machine without pandas, polars or
scikit-learn.

mypy reads third-party packages from the site-packages of the interpreter it
is given (--python-executable). Here that is a bare venv (no pip, kept in
build/) whose site-packages holds links to just the installed numpy,
narwhals and zerak: what mypy cannot find there is missing, exactly as on such a machine,
without installing anything. Run with the project's venv python after
`make build`.
"""

import subprocess
import sys
import sysconfig
from pathlib import Path

root = Path(__file__).resolve().parent.parent
venv = root / "build" / "venv-without-frames"
if not (venv / "bin" / "python").exists():
    subprocess.run([sys.executable, "-m", "venv", "--without-pip", str(venv)], check=True)
site = Path(
    subprocess.run(
        [venv / "bin" / "python", "-c", "import sysconfig; print(sysconfig.get_path('purelib'))"],
        capture_output=True,
        text=True,
        check=True,
    ).stdout.strip()
)
installed = Path(sysconfig.get_path("purelib"))
for package in ["numpy", "narwhals", "zerak"]:  # zerak's own dependencies
    link = site / package
    link.unlink(missing_ok=True)
    link.symlink_to(installed / package, target_is_directory=True)

python = venv / "bin" / "python"
cache = root / "build" / "mypy-without-frames-cache"
# stubtest imports the package here (zerak imports no frame library), and
# reads the stubs as the bare venv shows them through this config.
config = root / "build" / "mypy-without-frames.ini"
config.write_text(f"[mypy]\npython_executable = {python}\ncache_dir = {cache}\n")
runs = [
    [
        "mypy",
        "--strict",
        "--python-executable",
        str(python),
        "--cache-dir",
        str(cache),
        "-p",
        "zerak",
    ],
    [
        "mypy",
        "--strict",
        "--python-executable",
        str(python),
        "--cache-dir",
        str(cache),
        str(root / "tests" / "typing" / "typed_snapshots.py"),
    ],
    [
        "mypy.stubtest",
        "zerak",
        "--mypy-config-file",
        str(config),
        "--allowlist",
        str(root / "tests" / "typing" / "stubtest-allowlist.txt"),
    ],
]
for run in runs:
    if subprocess.run([sys.executable, "-m", *run], cwd=root).returncode != 0:
        sys.exit(1)
