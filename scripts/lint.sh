#!/usr/bin/env bash
# Checks, without changing anything, that the tracked files are formatted and
# lint-free: ruff's lint and format check over the Python, clang-format over
# the C++ (less what .clang-format-ignore lists). Runs every check, then exits
# 1 if any found something. The tools are those `make lint` installs in .venv.
set -uo pipefail
cd "$(dirname "$0")/.."
bin=${VENV:-.venv}/bin
failed=()

mapfile -d '' python < <(git ls-files -z '*.py' '*.pyi')
mapfile -d '' cxx < <(git ls-files -z '*.cpp' '*.hpp' '*.inc')

# --force-exclude: the files named here still honour pyproject.toml's excludes.
"$bin/ruff" check --force-exclude --quiet "${python[@]}" || failed+=("ruff check")
"$bin/ruff" format --force-exclude --check --quiet "${python[@]}" || failed+=("ruff format")
"$bin/clang-format" --dry-run --Werror "${cxx[@]}" || failed+=("clang-format")

if ((${#failed[@]})); then
  echo "lint: findings from ${failed[*]}; scripts/format-tree.sh applies the formatters" >&2
  exit 1
fi
echo "lint: ${#python[@]} Python and ${#cxx[@]} C++ files clean"
