"""Building from source (the sdist) on a machine without a C++ compiler stops
with a message saying what to install, not CMake's own about CXX."""

import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
CMAKE = shutil.which("cmake") or shutil.which("cmake", path=str(Path(sys.executable).parent))


@pytest.mark.skipif(CMAKE is None, reason="needs cmake")
@pytest.mark.parametrize("compiler", ["/nonexistent/c++", "/bin/false"])
def test_no_compiler_says_what_to_install(tmp_path: Path, compiler: str) -> None:
    env = {**os.environ, "CXX": compiler}
    run = subprocess.run(
        [str(CMAKE), "-S", str(ROOT), "-B", str(tmp_path)], env=env, capture_output=True, text=True
    )
    assert run.returncode != 0
    message = " ".join(run.stderr.split())
    assert "needs a C++20 compiler" in message, run.stderr
    assert "apt install g++" in message and "xcode-select --install" in message, run.stderr
