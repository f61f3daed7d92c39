# Thin wrapper over the CMake presets.
PRESET ?= default
BUILD_DIR := $(if $(filter debug,$(PRESET)),build-debug,build)

.PHONY: all deps configure build test run clean

all: build

deps:
	bash scripts/install-deps.sh

configure:
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

test: build
	ctest --preset $(PRESET)

run: build
	./$(BUILD_DIR)/src/tumblerix $(ARGS)

clean:
	rm -rf build build-debug
