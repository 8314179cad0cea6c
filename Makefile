# make demo   set up what the demo needs, then run examples/quickstart.py
# make test   set up with the test tools too, then run the C++ core tests
#             (plain and sanitized), the type checks, the check of the built
#             sdist and wheel, and the Python tests
# make bench  set everything up, then print the benchmark ratio tables
# Each target works on a fresh machine and is quick when already set up.

VENV    := .venv
PY      := $(VENV)/bin/python
PIP     := $(PY) -m pip --disable-pip-version-check -q
JOBS    ?= 2
CMAKE   := $(shell command -v cmake 2>/dev/null || echo $(VENV)/bin/cmake)

.PHONY: demo test bench build core-tests core-tests-asan typecheck dist-check pytest clean

demo: build
	$(PY) examples/quickstart.py

test: core-tests core-tests-asan typecheck dist-check pytest

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

build: $(VENV)/.deps
	$(PIP) install --no-build-isolation --no-deps .

/usr/include/gtest/gtest.h:
	scripts/install-gtest.sh

# ---- tests ---------------------------------------------------------------

core-tests: /usr/include/gtest/gtest.h $(VENV)/.deps
	$(CMAKE) -S . -B build/core-tests -DZERAK_BUILD_TESTS=ON -DZERAK_BUILD_PYTHON=OFF >/dev/null
	$(CMAKE) --build build/core-tests -j $(JOBS)
	cd build/core-tests && ctest --output-on-failure -j $(JOBS) | tail -n 3

core-tests-asan: /usr/include/gtest/gtest.h $(VENV)/.deps
	$(CMAKE) -S . -B build/core-asan -DZERAK_BUILD_TESTS=ON -DZERAK_BUILD_PYTHON=OFF \
	  -DZERAK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	$(CMAKE) --build build/core-asan -j $(JOBS)
	cd build/core-asan && ctest --output-on-failure -j $(JOBS) | tail -n 3

# The stubs against the built module (their generated part as the binding
# declares it), then user code as a strict checker sees it.
typecheck: build $(VENV)/.test-deps
	$(PY) scripts/gen-stubs.py --check
	$(PY) -m mypy.stubtest zerak --allowlist tests/typing/stubtest-allowlist.txt
	$(PY) -m mypy --strict -p zerak
	$(PY) -m mypy --strict examples tests/typing

# sdist and wheel as released: stubs, py.typed, licence, stripped module.
dist-check: build $(VENV)/.test-deps
	rm -rf build/dist
	$(PY) -m build --no-isolation --sdist --wheel --outdir build/dist . >/dev/null
	$(PY) scripts/check-dist.py build/dist

pytest: build $(VENV)/.test-deps
	$(PY) -m pytest tests/python

clean:
	rm -rf build $(VENV)
