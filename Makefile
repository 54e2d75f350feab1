# Thin wrapper over CMake, Ninja and CTest. Every target installs what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)

.PHONY: all deps build run test test-asan test-card bench fuzz fuzz-build package clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: deps $(BUILD)/build.ninja
	@cmake --build $(BUILD) -j $(JOBS)

# Only the window program and what it loads at run time: a newcomer's first start builds no test.
RUN_TARGETS = sigcfg sigworkbookmodule sigaudiomodule sigplayermodule sigpreviewmodule

# Without a display the window cannot start: that is said in one line before anything is built, and
# make ends by a SIGPIPE, the one way to fail that neither make nor the shell adds lines to.
run:
	@scripts/run-sigcfg --check-display || kill -PIPE $$PPID
	@$(MAKE) --no-print-directory deps $(BUILD)/build.ninja
	@cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS)
	@scripts/run-sigcfg $(BUILD)/ui/sigcfg

test: build test-asan fuzz-build
	@cd $(BUILD) && ctest --output-on-failure -j 2

# The card image tests at length: 30 kill rounds per loop and every fault of the full-card table.
test-card: build
	@cd $(BUILD) && CARD_ROUNDS=30 ctest -L card --output-on-failure

# The core tests again, under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@test -f $(ASAN_BUILD)/build.ninja || cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DSIG_BUILD_UI=OFF -DSIG_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j 2

bench:
	@scripts/install-deps bench
	@test -f $(BENCH_BUILD)/build.ninja || cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DSIG_BUILD_BENCH=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS)
	@scripts/run-bench $(BENCH_BUILD)

# The libFuzzer targets and nothing else (clang); `make test` builds them too, so none can break unseen.
fuzz-build: deps
	@test -f $(FUZZ_BUILD)/build.ninja || CXX=clang++ CC=clang cmake -S . -B $(FUZZ_BUILD) -G Ninja \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DSIG_BUILD_UI=OFF -DSIG_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers

fuzz: fuzz-build
	@scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The Debian package, $(PACKAGE_BUILD)/sigcfg_<version>_<arch>.deb: a Release build of what it ships and
# nothing else (no test program), packed by cpack.
PACKAGE_BUILD ?= build-package
PACKAGE_TARGETS = sigcfg sigcfg-tool sigcfg-print sigworkbookmodule sigaudiomodule sigplayermodule \
	sigpreviewmodule sigcfg-dist
package: deps
	@test -f $(PACKAGE_BUILD)/build.ninja || cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target $(PACKAGE_TARGETS)
	@cd $(PACKAGE_BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD)
