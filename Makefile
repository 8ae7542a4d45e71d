# Quick start: `make run` and `make test`. Both install missing Debian
# packages, configure and build with CMake, then run.
BUILD_DIR ?= build
BUILD_TYPE ?= Release
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap configure build run test bench fuzz clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh

configure: bootstrap
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target velquor
	@bash scripts/run.sh $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --no-tests=error --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# The libFuzzer harnesses: a clang build with every part instrumented (in $(FUZZ_DIR)),
# each harness run FUZZ_RUNS times from a generated seed corpus.
FUZZ_DIR ?= build-fuzz
FUZZ_RUNS ?= 200000
fuzz:
	@bash scripts/bootstrap.sh fuzz
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DVELQUOR_FUZZ=ON -DVELQUOR_BUILD_TESTS=OFF -DVELQUOR_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_wavefile fuzz_settings fuzz_ini fuzz_make_seeds
	@bash scripts/fuzz.sh $(FUZZ_DIR) $(FUZZ_RUNS)

clean:
	@rm -rf $(BUILD_DIR)
