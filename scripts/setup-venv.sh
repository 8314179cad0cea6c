#!/usr/bin/env bash
# Creates the virtual environment with a Python 3.13+ and installs the build
# and test dependencies (and CMake, if the machine has none recent enough).
set -euo pipefail
venv=${1:-.venv}
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -x "$venv/bin/python" ] || ! "$venv/bin/python" -c 'import sys; sys.exit(sys.version_info < (3, 13))'; then
  python=$("$here/find-python.sh")
  echo "creating $venv with $python"
  rm -rf "$venv"
  "$python" -m venv "$venv"
fi

pip=("$venv/bin/python" -m pip --disable-pip-version-check -q)
"${pip[@]}" install "scikit-build-core>=0.10" pytest hypothesis numpy pandas scipy statsmodels \
  "dask[distributed]"  # the dask extra, for the universe example's test

if ! cmake_version=$(cmake --version 2>/dev/null | head -n 1 | grep -oE '[0-9]+\.[0-9]+') ||
   [ "$(printf '%s\n3.21\n' "$cmake_version" | sort -V | head -n 1)" != "3.21" ]; then
  "${pip[@]}" install "cmake>=3.21" ninja
fi
