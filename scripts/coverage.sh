#!/usr/bin/env bash
# Line coverage, in a tree of its own (build/coverage), leaving .venv's install
# alone: the core, its tests and the binding built with gcov instrumentation;
# the C++ core tests, then the Python tests with that module first on
# PYTHONPATH; then the line coverage of the C++ (core/ and binding/, by both
# suites) and of src/zerak (by the Python tests). Counts start from zero on
# every run. Takes .venv's Python, test requirements, coverage and gcovr.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bin=$(realpath -m "${VENV:-.venv}")/bin
tree=$root/build/coverage
jobs=${JOBS:-2}
export PATH="$bin:$PATH"  # CMake too, where setup-venv.sh put it there

cmake -S . -B "$tree" -DZERAK_COVERAGE=ON -DZERAK_BUILD_PYTHON=ON -DZERAK_BUILD_TESTS=ON \
  "-DPython_EXECUTABLE=$bin/python" -DCMAKE_BUILD_TYPE=Debug '-DCMAKE_CXX_FLAGS_DEBUG=-O1' >/dev/null
cmake --build "$tree" -j "$jobs" --target _zerak zerak_core_tests
find "$tree" -name '*.gcda' -delete
rm -f "$tree"/.coverage*

# The package as the tests import it: the sources, linked, beside the
# instrumented module and the version file the wheel build would write.
site=$tree/site/zerak
rm -rf "$tree/site" && mkdir -p "$site"
ln -s "$root"/src/zerak/* "$site"/
ln -s "$tree"/_zerak*.so "$site"/
"$bin/python" - "$site/_version.py" <<'PY'
import sys, tomllib
version = tomllib.load(open("pyproject.toml", "rb"))["project"]["version"]
open(sys.argv[1], "w").write(f'__version__ = "{version}"\n')
PY
cat >"$tree/coveragerc" <<RC
[run]
source = zerak
omit = */_version.py
parallel = true
data_file = $tree/.coverage
[report]
precision = 1
[paths]
source =
    $root/src/zerak
    $site
RC

echo "C++ core tests:"
(cd "$tree" && ctest -j "$jobs" >ctest.log 2>&1 || { cat ctest.log; exit 1; }; tail -n 3 ctest.log)
echo "Python tests, against the instrumented module:"
failed=0
PYTHONPATH=$tree/site "$bin/python" -m coverage run --rcfile="$tree/coveragerc" \
  -m pytest tests/python -p no:cacheprovider || failed=1
"$bin/python" -m coverage combine --quiet --rcfile="$tree/coveragerc"

echo
echo "C++ line coverage (core/ and binding/):"
# The innermost kernel loops run billions of times, which gcovr takes for
# gcov's old overflow bug unless told otherwise.
"$bin/gcovr" --root "$root" --filter core/ --filter binding/ -j "$jobs" \
  --gcov-ignore-parse-errors=suspicious_hits.warn_once_per_file \
  --gcov-ignore-parse-errors=negative_hits.warn_once_per_file \
  --print-summary "$tree" 2>"$tree/gcovr.log" | grep -E '^(lines|functions):' ||
  { cat "$tree/gcovr.log"; exit 1; }
echo "Python line coverage (src/zerak):"
"$bin/python" -m coverage report --rcfile="$tree/coveragerc" | tail -n 1
exit $failed
