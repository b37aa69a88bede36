# Thin wrapper around the one CMake build in build/.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
BENCH_DIR ?= build-bench

.PHONY: all configure test bench clean

all: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

configure:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

test: all
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Kernel benchmarks and whole calls in Octave, in a build of their own;
# prints one markdown table of results and leaves it in $(BENCH_DIR)/results.md.
bench:
	bash scripts/install-deps.sh
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DMEX_SUITE_BENCH=ON -DMEX_SUITE_TESTS=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS)
	MEX_SUITE_BENCH_COMMAND="make bench" bash bench/run_benchmarks.sh $(BENCH_DIR)

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR)
