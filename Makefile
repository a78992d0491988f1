# Thin wrapper over CMake. `make run` and `make test` do the whole set-up.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
FUZZ_SECONDS ?= 60
CMAKE_GEN  := -G Ninja
SHELL      := /bin/bash

# GUI tests need a display; without one they run under a virtual one.
ifeq ($(strip $(DISPLAY)$(WAYLAND_DISPLAY)),)
  # -noreset: the server would reset whenever the last test closes its
  # connection, and refuse the next test that connects meanwhile.
  WITH_DISPLAY := xvfb-run -a -s "-screen 0 1280x1024x24 -noreset"
else
  WITH_DISPLAY :=
endif

.PHONY: all deps build test test-asan bench fuzz run install clean

all: build

deps:
	@deps/install.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && $(WITH_DISPLAY) ctest --output-on-failure -j $(JOBS)

# The headless tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKAV_SANITIZE=ON -DKAV_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -L headless

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

# Each fuzz target runs for FUZZ_SECONDS on its seeds.
fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKAV_FUZZ=ON -DKAV_TESTS=OFF -DKAV_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@set -eo pipefail; for f in $(FUZZ_BUILD)/fuzz/fuzz_*; do \
	  name=$$(basename $$f); mkdir -p fuzz-corpus/$$name; \
	  echo "fuzzing $$name for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -timeout=20 fuzz-corpus/$$name fuzz/seeds/$$name 2>&1 | tail -n 25; \
	done

run: build
	@if [ -z "$(DISPLAY)$(WAYLAND_DISPLAY)" ]; then \
	  echo "No display: run it under a virtual one with  xvfb-run -a make run"; exit 1; fi
	cd samples && ../$(BUILD)/src/app/kavelin demo.mod

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
