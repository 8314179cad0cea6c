#!/usr/bin/env bash
# Applies every formatter to the tracked files, in place: ruff's safe fixes,
# then its formatter, over the Python; clang-format over the C++ (less what
# .clang-format-ignore lists). What is left is what scripts/lint.sh reports:
# lint findings that need a person. The tools are those `make lint` installs.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${VENV:-.venv}/bin

mapfile -d '' python < <(git ls-files -z '*.py' '*.pyi')
mapfile -d '' cxx < <(git ls-files -z '*.cpp' '*.hpp' '*.inc')

# Fixes first: sorting imports can leave lines for the formatter to lay out.
"$bin/ruff" check --force-exclude --fix --exit-zero --quiet "${python[@]}"
"$bin/ruff" format --force-exclude --quiet "${python[@]}"
"$bin/clang-format" -i "${cxx[@]}"
