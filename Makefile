# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands of the README, and a few helpers.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test screenshots asan tsan fuzz bench format-check windows-check clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Starts ZNK Tool on a scratch copy of the demo install (run/). With no display it takes the
# screenshots tour instead and leaves the pictures in run/screenshots.
run: build
	@bash scripts/run-demo.sh $(BUILD)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# A Debian package of the program, its menu entry, icons and AppStream data:
# $(BUILD)/znktool_<version>_<arch>.deb, to install with `sudo apt install ./$(BUILD)/znktool_*.deb`.
.PHONY: package
package: build
	cmake --build $(BUILD) -j $(JOBS) --target package

# The model library and its tests built for Windows (MinGW-w64) and run under Wine, in
# build-windows with a Wine prefix of its own.
windows-check:
	@JOBS=$(JOBS) bash scripts/windows-check.sh

# Every C++ file as .clang-format makes it (also a test of `make test` where clang-format 14 is).
format-check:
	@bash scripts/format-check.sh

screenshots: build
	@SCREENSHOTS=1 bash scripts/run-demo.sh $(BUILD)

# The same tests under the sanitizers.
asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DZNK_SANITIZE=address -DCMAKE_BUILD_TYPE=Debug"

tsan:
	TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp halt_on_error=1" \
	$(MAKE) test BUILD=build-tsan CMAKE_FLAGS="-DZNK_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug"

# Every decoder of outside input (datagrams, the game's files, the program's own files) under
# libFuzzer with address and undefined-behaviour sanitizers, FUZZ_SECONDS (default 60) each.
fuzz:
	@bash scripts/install-deps.sh fuzz
	JOBS=$(JOBS) bash scripts/run-fuzz.sh

# The benchmarks (Google Benchmark), built with the rest; fails when one of them fails.
bench: build
	bash scripts/run-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) run
