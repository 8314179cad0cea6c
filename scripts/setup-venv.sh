#!/usr/bin/env bash
# Creates the virtual environment with a Python 3.13+ and installs what
# building zerak needs (the build backend, the package's own dependencies and
# CMake, if the machine has none recent enough), plus the optional dependency
# groups of pyproject.toml named after the venv path (`setup-venv.sh .venv test`).
set -euo pipefail
venv=${1:-.venv}
shift || true
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -x "$venv/bin/python" ] || ! "$venv/bin/python" -c 'import sys; sys.exit(sys.version_info < (3, 13))'; then
  python=$("$here/find-python.sh")
  echo "creating $venv with $python"
  rm -rf "$venv"
  "$python" -m venv "$venv"
fi

pip=("$venv/bin/python" -m pip --disable-pip-version-check -q)
# pyproject.toml is the one list of requirements.
mapfile -t requirements < <("$venv/bin/python" - "$here/../pyproject.toml" "$@" <<'PY'
import sys, tomllib
with open(sys.argv[1], "rb") as f:
    toml = tomllib.load(f)
wanted = toml["build-system"]["requires"] + toml["project"]["dependencies"]
for group in sys.argv[2:]:
    wanted += toml["project"]["optional-dependencies"][group]
print("\n".join(dict.fromkeys(wanted)))
PY
)
"${pip[@]}" install "${requirements[@]}"

if ! cmake_version=$(cmake --version 2>/dev/null | head -n 1 | grep -oE '[0-9]+\.[0-9]+') ||
   [ "$(printf '%s\n3.21\n' "$cmake_version" | sort -V | head -n 1)" != "3.21" ]; then
  "${pip[@]}" install "cmake>=3.21" ninja
fi
