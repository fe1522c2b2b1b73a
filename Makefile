# Entry points: make run, make test, make package, make bench, make format, make format-check.
# Only make and bash are needed to start; scripts/install-deps brings the rest.
SHELL := bash
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
SAMPLE ?= samples/growth.kep
JOBS ?= $(shell nproc)
CONFIGURE = cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
HAVE_DISPLAY = $(DISPLAY)$(WAYLAND_DISPLAY)

.PHONY: all build run test package test-sanitize test-tsan fuzz bench format format-check clean

all: build

# Everything: the programs, the tests and the benchmarks. A build folder first
# configured by make run (without them) gets them from here on.
build:
	@scripts/install-deps test
	@grep -qx 'KEP_TESTS:BOOL=ON' $(BUILD)/CMakeCache.txt 2>/dev/null && \
	  grep -qx 'KEP_BENCH:BOOL=ON' $(BUILD)/CMakeCache.txt || $(CONFIGURE) -DKEP_TESTS=ON -DKEP_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)

# The viewer on a sample; without a display, the sample rendered to a GIF.
# Builds only the program it runs, so the first run is quick.
run:
	@scripts/install-deps run
	@[ -f $(BUILD)/build.ninja ] || $(CONFIGURE) -DKEP_TESTS=OFF -DKEP_BENCH=OFF
ifneq ($(HAVE_DISPLAY),)
	cmake --build $(BUILD) -j $(JOBS) --target kepgraph
	$(BUILD)/src/app/kepgraph $(SAMPLE)
else
	cmake --build $(BUILD) -j $(JOBS) --target kepgraph-render
	@out="$(CURDIR)/$(BUILD)/$$(basename $(SAMPLE) | sed 's/\.[^.]*$$//').gif"; \
	  $(BUILD)/src/cli/kepgraph-render $(SAMPLE) -o "$$out" && \
	  echo "No display found, so the viewer cannot open a window: $(SAMPLE) was rendered to $$out"
endif

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Every test once more under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, the Qt ones included. LeakSanitizer leaves alone what system
# libraries keep to the end (tests/support/lsan_suppressions.txt).
test-sanitize:
	@scripts/install-deps test
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DKEP_SANITIZE=ON -DKEP_BENCH=OFF
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan_suppressions.txt \
	  ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

# The loads on the worker thread, the reading of a file on several threads
# and the following of files under ThreadSanitizer, which cannot share a
# build with AddressSanitizer.
test-tsan:
	@scripts/install-deps test
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKEP_TSAN=ON -DKEP_WITH_QT=OFF -DKEP_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target load_tests sequence_tests
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(TSAN_BUILD) --output-on-failure -R '^(load_tests|sequence_tests)\.'

# Every libFuzzer target for FUZZ_SECONDS on its saved corpus (new finds go to
# a scratch folder; copy the ones worth keeping into tests/fuzz/corpus/).
fuzz:
	@scripts/install-deps test
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DKEP_FUZZ=ON -DKEP_WITH_QT=OFF -DKEP_TESTS=OFF -DKEP_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@for f in $(FUZZ_BUILD)/tests/fuzz/*_fuzz; do \
	  name=$$(basename $$f); scratch=$$(mktemp -d); \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
	    $$scratch tests/fuzz/corpus/$$name 2>&1 | grep -E '^(stat::number_of_executed_units|==|SUMMARY|Done)' ; \
	  status=$${PIPESTATUS[0]}; rm -rf $$scratch; [ $$status -eq 0 ] || exit 1; \
	done

# The Debian package $(BUILD)/kepgraph_<version>_<arch>.deb; its dependencies
# come from the shared libraries the programs link (dpkg-shlibdeps).
package: build
	cd $(BUILD) && cpack

bench: build
	@for b in $(BUILD)/bench/*/*_bench; do echo "== $$b"; "$$b" || exit 1; done

format:
	@git ls-files '*.h' '*.cpp' | xargs clang-format -i

# Fails, naming the places, where a file differs from what make format makes.
format-check:
	@git ls-files '*.h' '*.cpp' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
