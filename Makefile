# make demo   set everything up, then run examples/quickstart.py
# make test   set everything up, then run the C++ core tests (plain and
#             sanitized) and the Python tests
# make bench  set everything up, then print the benchmark ratio tables
# Each target works on a fresh machine and is quick when already set up.

VENV    := .venv
PY      := $(VENV)/bin/python
PIP     := $(PY) -m pip --disable-pip-version-check -q
JOBS    ?= 2
CMAKE   := $(shell command -v cmake 2>/dev/null || echo $(VENV)/bin/cmake)

.PHONY: demo test bench build core-tests core-tests-asan pytest clean

demo: build
	$(PY) examples/quickstart.py

test: core-tests core-tests-asan pytest

bench: build $(VENV)/.bench-deps
	$(PY) bench/run.py

# ---- set-up --------------------------------------------------------------

$(VENV)/.deps: pyproject.toml scripts/setup-venv.sh
	scripts/setup-venv.sh $(VENV)
	touch $@

$(VENV)/.bench-deps: $(VENV)/.deps
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

pytest: build
	$(PY) -m pytest tests/python

clean:
	rm -rf build $(VENV)
