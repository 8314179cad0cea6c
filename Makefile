# make demo       set up what the demo needs, then run examples/quickstart.py
# make test       set up with the test tools too, then check the layout and lint
#                 (make lint, seconds), run the C++ core tests
#                 (plain and sanitized, and the threaded ones under
#                 ThreadSanitizer), the type checks, the check of the built
#                 sdist and manylinux wheel, and the Python tests
# make bench      set everything up, then print the benchmark ratio tables
# make dist       the sdist and the manylinux wheel, in build/dist
# make lint       install the formatters and linters into .venv, then check
#                 the tracked files: ruff (lint and format) and clang-format
# make format     apply the formatters to the whole tree (scripts/format-tree.sh)
# make tidy       clang-tidy over the core and the binding (slow: minutes)
# make tsan       the threaded C++ core tests under ThreadSanitizer
# make coverage   line coverage of the C++ (by the core and Python tests) and
#                 of src/zerak (by the Python tests), in an instrumented tree
# make clean      remove the build trees (build/), keeping .venv
# make clean-all  remove build/ and .venv: the state of a fresh clone
# Each target works on a fresh machine and is quick when already set up:
# builds are incremental, and each check (the C++ suites, the type checks,
# the dist build, pytest) reruns only when a file it depends on changed
# (their stamps: build/*.passed; delete them to force a rerun).

VENV    := .venv
PY      := $(VENV)/bin/python
PIP     := $(PY) -m pip --disable-pip-version-check -q
JOBS    ?= 2
CMAKE   := $(shell command -v cmake 2>/dev/null || echo $(VENV)/bin/cmake)
# Wheels pip downloads are installed once: keeping copies only costs disk.
export PIP_NO_CACHE_DIR := 1

# A step's stamp carries the time the step started, not the time it ended: a
# file edited while the step runs is newer than the stamp and reruns it.
stamp_start = @mkdir -p $(@D) && touch $@.started
stamp_done  = @mv $@.started $@

# What each step is built from; a change to any of these reruns it.
files    = $(shell find $(1) -type f -not -path '*/__pycache__/*' -not -name '*.pyc' 2>/dev/null)
CORE     := $(call files,core) CMakeLists.txt
MODULE   := $(CORE) $(call files,binding src) pyproject.toml
CORE_TESTS := $(CORE) $(call files,tests/core)

.PHONY: demo test bench build dist core-tests core-tests-asan typecheck dist-check pytest \
        clean clean-all lint format tidy tsan coverage

demo: build
	$(PY) examples/quickstart.py

test: lint core-tests core-tests-asan tsan typecheck dist-check pytest

bench: build $(VENV)/.bench-deps
	$(PY) bench/run.py

# ---- set-up --------------------------------------------------------------

$(VENV)/.deps: pyproject.toml scripts/setup-venv.sh
	scripts/setup-venv.sh $(VENV)
	touch $@

$(VENV)/.test-deps: $(VENV)/.deps
	scripts/setup-venv.sh $(VENV) test dask numba
	touch $@

$(VENV)/.bench-deps: $(VENV)/.test-deps
	$(PIP) install numpy pandas scipy statsmodels talipp river ta-lib polars
	touch $@

# Installs into .venv only when a source changed; the build tree under
# build/ keeps the compiler's work between installs.
build: $(VENV)/.installed
$(VENV)/.installed: $(VENV)/.deps $(MODULE)
	$(stamp_start)
	$(PIP) install --no-build-isolation --no-deps .
	$(stamp_done)

/usr/include/gtest/gtest.h:
	scripts/install-gtest.sh

# ---- tests ---------------------------------------------------------------

core-tests: build/core-tests.passed
core-tests-asan: build/core-asan.passed

# $(1): build tree, $(2): its CMake options. The suite's output is kept in
# the tree; a failure prints it and fails, a pass prints its summary.
define core_suite
	$(stamp_start)
	$(CMAKE) -S . -B build/$(1) -DZERAK_BUILD_TESTS=ON -DZERAK_BUILD_PYTHON=OFF $(2) >/dev/null
	$(CMAKE) --build build/$(1) -j $(JOBS)
	cd build/$(1) && { ctest --output-on-failure -j $(JOBS) >ctest.log 2>&1 || \
	  { cat ctest.log; exit 1; }; } && tail -n 3 ctest.log
	$(stamp_done)
endef

build/core-tests.passed: $(CORE_TESTS) | /usr/include/gtest/gtest.h $(VENV)/.deps
	$(call core_suite,core-tests,)

# Line tables only (-g1): enough for the sanitizers' reports, a fraction of
# the size of full debug information.
build/core-asan.passed: $(CORE_TESTS) | /usr/include/gtest/gtest.h $(VENV)/.deps
	$(call core_suite,core-asan,-DZERAK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1)

# The stubs against the built module (their generated part as the binding
# declares it), then user code as a strict checker sees it, with and without
# pandas, polars and scikit-learn installed.
typecheck: build/typecheck.passed
build/typecheck.passed: $(VENV)/.installed $(VENV)/.test-deps $(MODULE) \
                        $(call files,examples tests/typing scripts)
	$(stamp_start)
	$(PY) scripts/gen-stubs.py --check
	$(PY) -m mypy.stubtest zerak --allowlist tests/typing/stubtest-allowlist.txt
	$(PY) -m mypy --strict -p zerak
	$(PY) -m mypy --strict examples tests/typing
	$(PY) scripts/typecheck-without-frames.py
	$(stamp_done)

# The sdist, and the wheel built from the tree (sharing the incremental build
# tree of `build`) and made a manylinux wheel by auditwheel, which picks the
# oldest tag the module's glibc symbol versions allow.
dist: build/dist.passed
build/dist.passed: $(MODULE) README.md LICENSE | $(VENV)/.test-deps
	$(stamp_start)
	rm -rf build/dist
	$(PY) -m build --no-isolation --sdist --outdir build/dist . >/dev/null
	$(PY) -m build --no-isolation --wheel --outdir build/dist/linux . >/dev/null
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" auditwheel repair --wheel-dir build/dist build/dist/linux/*.whl
	rm -rf build/dist/linux
	$(stamp_done)

# As released: stubs, py.typed, licence, stripped module, manylinux tag.
dist-check: dist
	$(PY) scripts/check-dist.py build/dist

# Rerun when the installed module, the tests, or what they read changed.
pytest: build/pytest.passed
build/pytest.passed: $(VENV)/.installed $(VENV)/.test-deps $(MODULE) README.md \
                     $(call files,tests/python examples docs scripts)
	$(stamp_start)
	$(PY) -m pytest tests/python
	$(stamp_done)

# ---- formatting, lint and instrumented builds -----------------------------

$(VENV)/.lint-deps: $(VENV)/.deps
	scripts/setup-venv.sh $(VENV) lint
	touch $@

lint: $(VENV)/.lint-deps
	scripts/lint.sh

format: $(VENV)/.lint-deps
	scripts/format-tree.sh

# Needs the compile commands only, not a build: configuring is enough.
tidy: $(VENV)/.lint-deps
	scripts/tidy.sh

# The core at -O1 with ThreadSanitizer, and only the suites that run threads:
# a few CPU minutes to build from scratch, seconds to run.
tsan: build/core-tsan.passed
build/core-tsan.passed: $(CORE_TESTS) | /usr/include/gtest/gtest.h $(VENV)/.deps
	$(stamp_start)
	$(CMAKE) -S . -B build/core-tsan -DZERAK_BUILD_TESTS=ON -DZERAK_BUILD_PYTHON=OFF \
	  -DZERAK_SANITIZE_THREAD=ON -DCMAKE_BUILD_TYPE=Debug '-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1' >/dev/null
	$(CMAKE) --build build/core-tsan -j $(JOBS) --target zerak_thread_tests
	TSAN_OPTIONS=halt_on_error=1 build/core-tsan/zerak_thread_tests --gtest_brief=1
	$(stamp_done)

$(VENV)/.coverage-deps: $(VENV)/.test-deps
	$(PIP) install coverage gcovr
	touch $@

coverage: $(VENV)/.coverage-deps | /usr/include/gtest/gtest.h
	scripts/coverage.sh

clean:
	rm -rf build

clean-all: clean
	rm -rf $(VENV) .mypy_cache .pytest_cache .hypothesis
