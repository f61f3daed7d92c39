# Thin wrapper over the CMake presets.
PRESET ?= default
BUILD_DIR := $(if $(filter default,$(PRESET)),build,build-$(PRESET))

.PHONY: all deps configure build test test-core run clean crashtest fuzz fuzz-run bench install package

all: build

deps:
	bash scripts/install-deps.sh

configure:
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

test: build
	ctest --preset $(PRESET)

# The tests without windows only, with their libraries (for the sanitizer preset: make PRESET=asan test-core).
test-core: configure
	cmake --build --preset $(PRESET) --target core_tests
	ctest --preset $(PRESET) -L core

# Kills a writing child 100 times per scenario and checks the database after each kill.
crashtest: build
	nice -n 5 ./$(BUILD_DIR)/tests/crashtool --kills 100 $(ARGS)

# Measures the program on synthetic databases of 1,000 to 100,000 drinks (kept in $(BUILD_DIR)/bench-data)
# against naive and set-based baselines; prints the tables and writes bench/RESULTS.md.
bench: configure
	cmake --build --preset $(PRESET) --target tumblerix tumblerix-bench
	nice -n 5 ./$(BUILD_DIR)/bench/tumblerix-bench --data $(BUILD_DIR)/bench-data --out bench/RESULTS.md \
	  --program $(BUILD_DIR)/src/tumblerix \
	  --command "make bench$(if $(BENCH_ARGS), BENCH_ARGS='$(BENCH_ARGS)')" $(BENCH_ARGS)

# Installs under PREFIX (default /usr/local); DESTDIR stages it elsewhere.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package in $(BUILD_DIR): tumblerix_<version>_<arch>.deb.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

run: build
	./$(BUILD_DIR)/src/tumblerix $(ARGS)

# libFuzzer targets in build-fuzz (clang); fuzz-run runs each for FUZZ_SECONDS on the seed corpus.
FUZZ_SECONDS ?= 60
fuzz:
	cmake --preset fuzz
	cmake --build --preset fuzz

fuzz-run: fuzz
	bash tests/fuzz/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build build-debug build-asan build-fuzz
