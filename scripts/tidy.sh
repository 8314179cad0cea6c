#!/usr/bin/env bash
# clang-tidy (.clang-tidy's checks) over the core's and the binding's sources,
# from the compile commands of a configured (not built) tree, build/tidy.
# Prints each finding once (a header's findings repeat in every file that
# includes it) and exits 1 if there were any. Takes minutes: not part of lint.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath -m "${VENV:-.venv}")/bin
python=$bin/python
export PATH="$bin:$PATH"  # CMake too, where setup-venv.sh put it there

cmake -S . -B build/tidy -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DZERAK_BUILD_PYTHON=ON \
  -DZERAK_BUILD_TESTS=OFF "-DPython_EXECUTABLE=$python" >/dev/null

log=build/tidy/clang-tidy.log
git ls-files -z 'core/*.cpp' 'binding/*.cpp' |
  xargs -0 -n 4 -P "${JOBS:-2}" "$bin/clang-tidy" -p build/tidy --quiet >"$log" 2>/dev/null || true
# One line per finding, its path made plain (core/a/../b/x.hpp is core/b/x.hpp).
findings=$(grep -E '^/.*: (warning|error): ' "$log" |
  "$bin/python" -c 'import os, sys
for line in sys.stdin:
    path, rest = line.split(":", 1)
    print(os.path.relpath(os.path.normpath(path)) + ":" + rest, end="")' | sort -u || true)
if [ -n "$findings" ]; then
  echo "$findings"
  echo "tidy: $(wc -l <<<"$findings") findings (full report in $log)"
  exit 1
fi
echo "tidy: no findings"
