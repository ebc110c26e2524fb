# Each target does the whole set-up on a fresh Debian machine: install what is missing,
# configure, build, then render or test.
BUILD_DIR ?= build
I686_BUILD_DIR ?= build-i686
DLL_BUILD_DIR ?= build-dll
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
export BUILD_DIR I686_BUILD_DIR DLL_BUILD_DIR JOBS CMAKE_FLAGS

.PHONY: all deps configure build render test bench dll clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

render: build
	./$(BUILD_DIR)/bin/brumo render -o brumo.png

# Every suite: the 64-bit build, the 32-bit Linux build and the Windows DLL under Wine
# (scripts/run-suites.sh says which ran).
test:
	@bash scripts/install-deps.sh i686 dll wine
	@bash scripts/run-suites.sh

# brumo.dll for 32-bit Windows, in $(DLL_BUILD_DIR)/bin.
dll:
	@bash scripts/install-deps.sh dll
	@bash scripts/run-suites.sh --build-only dll

bench: build
	@for b in $(BUILD_DIR)/bin/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2; done

clean:
	rm -rf $(BUILD_DIR) $(I686_BUILD_DIR) $(DLL_BUILD_DIR)
