# Thin wrapper around the one CMake build in build/.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
BENCH_DIR ?= build-bench

SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
WINDOWS_DIR ?= build-windows
SUNDIALS7_DIR ?= build-sundials7
SUNDIALS7_SOURCE ?= ../shared/sundials/sundials-7.5.0.tar.gz
PYTHON_VENV ?= $(BUILD_DIR)/python-venv
DIST_DIR ?= $(BUILD_DIR)/dist

.PHONY: all configure test demo package python python-test wheel bench clean sanitize fuzz \
	windows sundials7

all: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

configure:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

# Installs what is missing first (every set of scripts/install-deps.sh), so
# that it works on a fresh machine; when everything is there that costs a second.
test:
	bash scripts/install-deps.sh test
	$(MAKE) all
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The worked examples: installs what is missing, builds, then simulates the
# controlled vaporizer (with vaporizer_step, and again with ode15s), sweeps
# it over feed steps and gains on every core (figures in $(BUILD_DIR)/demo/),
# counts with murtal, designs an LQR from the exact linear model
# (vaporizer_linearize) and runs it beside the PI loop, and fits three
# physical properties to an hour of noisy plant data with the exact
# parameter sensitivities (octave-optim's Levenberg-Marquardt).
# Installs only the demo's packages (install-deps.sh --list demo).
# (--no-history: a batch run has no command history to save at exit.)
demo:
	bash scripts/install-deps.sh demo
	$(MAKE) configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target octave_modules
	octave-cli --norc --quiet --no-window-system --no-history --eval \
	  "addpath('$(BUILD_DIR)/octave'); addpath('examples'); vaporizer_level_control('$(BUILD_DIR)/demo'); feed_step_sweep('$(BUILD_DIR)/demo'); murtal_clusters(); linear_control_design('$(BUILD_DIR)/demo'); \
	   model_calibration('$(BUILD_DIR)/demo');"

# The GNU Octave package, $(BUILD_DIR)/package/mex_suite-<version>.tar.gz,
# for pkg install; written from the repository's folders, nothing compiled.
package:
	cmake -DOUTPUT_DIR=$(abspath $(BUILD_DIR))/package -P package/make_package.cmake

# The Python package installed as pip install . installs it (pyproject.toml,
# setup.py: the project's CMake build, in build/pip/), into a venv of Debian's
# Python that sees its NumPy, SciPy, matplotlib and Dask; offline, with the
# build tools of the python set (--no-index, --no-build-isolation).
python:
	bash scripts/install-deps.sh python
	/usr/bin/python3 -m venv --system-site-packages $(PYTHON_VENV)
	CMAKE_BUILD_PARALLEL_LEVEL=$(JOBS) $(PYTHON_VENV)/bin/python -m pip install --no-index --no-build-isolation .
	cd / && $(abspath $(PYTHON_VENV))/bin/python -c "import mex_suite; print('mex_suite installed in $(PYTHON_VENV):', mex_suite.__file__)"

# tests/python against the package make python installed, run from outside
# the source tree; the Octave side of each comparison from $(BUILD_DIR)/octave.
python-test:
	cmake --build $(BUILD_DIR) -j $(JOBS) --target octave_modules
	cd / && MEX_SUITE_OCTAVE_DIR=$(abspath $(BUILD_DIR))/octave MEX_SUITE_SOURCE_DIR=$(CURDIR) \
	  PYTHONDONTWRITEBYTECODE=1 $(abspath $(PYTHON_VENV))/bin/python -m pytest -q \
	  -p no:cacheprovider $(CURDIR)/tests/python

# The source distribution and the wheel built from it, into $(DIST_DIR), with
# Debian's build tools (python3-build) and no download.
wheel:
	bash scripts/install-deps.sh python
	/usr/bin/python3 -m build --no-isolation --outdir $(DIST_DIR) .

# Kernel benchmarks and whole calls in Octave, in a build of their own;
# prints one markdown table of results and leaves it in $(BENCH_DIR)/results.md.
bench:
	bash scripts/install-deps.sh test
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DMEX_SUITE_BENCH=ON -DMEX_SUITE_TESTS=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS)
	MEX_SUITE_BENCH_COMMAND="make bench" bash bench/run_benchmarks.sh $(BENCH_DIR)

# Unit tests under AddressSanitizer and UBSan, in a build of their own.
sanitize:
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Release -DMEX_SUITE_SANITIZE=ON -DMEX_SUITE_OCTAVE=OFF
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

# Every gateway's libFuzzer target (clang), FUZZ_SECONDS each.
fuzz:
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
	  -DMEX_SUITE_FUZZ=ON -DMEX_SUITE_OCTAVE=OFF -DMEX_SUITE_TESTS=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	bash tests/fuzz/run_fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# The Windows modules (.mexw64, mingw-w64 cross build) into $(WINDOWS_DIR)/windows/, checked.
windows:
	JOBS=$(JOBS) bash windows/build_and_check.sh . $(WINDOWS_DIR)

# vaporizer_step built against SUNDIALS 7 from its source tarball, in a
# build of its own: its unit and Octave tests, and the bits of the build
# with the system's SUNDIALS 6 (make test makes that one).
sundials7:
	JOBS=$(JOBS) bash tests/sundials7/run.sh $(SUNDIALS7_SOURCE) $(SUNDIALS7_DIR) $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(WINDOWS_DIR) $(SUNDIALS7_DIR)
