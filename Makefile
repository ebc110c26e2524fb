# Each target does the whole set-up on a fresh Debian machine: install what is missing,
# configure, build, then render or test.
BUILD_DIR ?= build
I686_BUILD_DIR ?= build-i686
DLL_BUILD_DIR ?= build-dll
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
export BUILD_DIR I686_BUILD_DIR DLL_BUILD_DIR JOBS CMAKE_FLAGS

.PHONY: all deps configure build render test bench dll fuzz fuzz-scenes studio-screenshot clean physical-references

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

render: build
	./$(BUILD_DIR)/bin/brumo render -o brumo.png

# Every suite: the 64-bit build, the 32-bit Linux build, the Windows DLL under Wine, and the
# 64-bit build under AddressSanitizer with UBSan and under ThreadSanitizer
# (scripts/run-suites.sh says which ran).
test:
	@bash scripts/install-deps.sh i686 dll wine python blender studio
	@bash scripts/run-suites.sh

# brumo.dll for 32-bit Windows, in $(DLL_BUILD_DIR)/bin.
dll:
	@bash scripts/install-deps.sh dll
	@bash scripts/run-suites.sh --build-only dll

# libFuzzer (clang) with AddressSanitizer and UBSan for FUZZ_SECONDS: new inputs go to
# $(FUZZ_DIR)/corpus, findings to tests/fuzz/corpus, which test_fuzz replays in every test run.
FUZZ_SECONDS ?= 600
FUZZ_DIR ?= build-fuzz
fuzz: deps
	@command -v clang++ >/dev/null || (apt-get update -qq && apt-get install -y -qq clang)
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DBRUMO_SANITIZE=address,undefined -DBRUMO_FUZZ=ON -DBRUMO_BUILD_BENCH=OFF \
		-DBRUMO_BUILD_CLI=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target brumo_fuzz
	@mkdir -p $(FUZZ_DIR)/corpus
	./$(FUZZ_DIR)/bin/brumo_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=60 -rss_limit_mb=4096 \
		-print_final_stats=1 -artifact_prefix=tests/fuzz/corpus/ $(FUZZ_DIR)/corpus tests/fuzz/corpus

# The same for scene files: findings go to tests/fuzz/scene_corpus, which test_scene_file replays.
fuzz-scenes: deps
	@command -v clang++ >/dev/null || (apt-get update -qq && apt-get install -y -qq clang)
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DBRUMO_SANITIZE=address,undefined -DBRUMO_FUZZ=ON -DBRUMO_BUILD_BENCH=OFF \
		-DBRUMO_BUILD_CLI=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target brumo_scene_fuzz
	@mkdir -p $(FUZZ_DIR)/scene_corpus
	./$(FUZZ_DIR)/bin/brumo_scene_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=60 -rss_limit_mb=4096 \
		-print_final_stats=1 -artifact_prefix=tests/fuzz/scene_corpus/ $(FUZZ_DIR)/scene_corpus \
		tests/fuzz/scene_corpus

# Every benchmark, then one table of render times: the examples and the default scene on one and
# two threads, scalar and in vector lanes (BASELINE_BRUMO=path/to/brumo adds an earlier build).
bench: build
	@bash scripts/perf-report.sh

# Remakes the path-traced references of the physical render mode (tests/data/physical) with
# Blender's Cycles; slow, and not part of `make test`. REFERENCE_SAMPLES per pixel.
REFERENCE_SAMPLES ?= 1024
physical-references: build
	@bash scripts/install-deps.sh blender
	blender -b --factory-startup --python tests/data/physical/make_references.py -- \
		--brumo $(BUILD_DIR)/bin/brumo --samples $(REFERENCE_SAMPLES)

# docs/images/studio.png, from the studio's browser test.
studio-screenshot: build
	@bash scripts/install-deps.sh studio
	@cmake --build $(BUILD_DIR) --target studio_screenshot

clean:
	rm -rf $(BUILD_DIR) $(I686_BUILD_DIR) $(DLL_BUILD_DIR) build-asan build-tsan $(FUZZ_DIR)
