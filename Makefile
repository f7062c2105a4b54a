# The two commands: `make run` and `make test`. Both install what they need first.
BUILD        ?= build
ASAN_BUILD   ?= build-asan
FUZZ_BUILD   ?= build-fuzz
ARGS         ?=
FUZZ_SECONDS ?= 60

# CI builds treat warnings as errors.
ifeq ($(CI),true)
WERROR := -DTRELVO_WERROR=ON
endif

.PHONY: deps build run test package test-sanitize fuzz format format-check clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(WERROR)
	cmake --build $(BUILD)

# With windows on a desktop (DISPLAY or WAYLAND_DISPLAY set), without them
# elsewhere; ARGS=--headless runs without windows on a desktop too.
run: build
	$(BUILD)/src/KZ3_Trelvo $(ARGS)

# Two tests at a time: the suite is built to run in parallel (no fixed ports).
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

# The Debian package, $(BUILD)/trelvo_<version>-1_<arch>.deb (see "Install and run as
# a service" in the README).
package: build
	cmake --build $(BUILD) --target package

# The suite again under AddressSanitizer and UndefinedBehaviorSanitizer, stopping
# at the first error.
test-sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRELVO_SANITIZE=ON -DTRELVO_WERROR=ON
	cmake --build $(ASAN_BUILD)
	ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	ctest --test-dir $(ASAN_BUILD) --output-on-failure --stop-on-failure -j2

# libFuzzer targets (clang, ASan + UBSan), each run for FUZZ_SECONDS on its seed
# corpus; new inputs are kept in $(FUZZ_BUILD)/corpus/<target>.
FUZZ_TARGETS ?= player_message player_dispatch telnet_receive profile_file registry_file command_line btrieve_page0
fuzz:
	@scripts/install-deps.sh --fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRELVO_FUZZ=ON
	cmake --build $(FUZZ_BUILD) $(foreach t,$(FUZZ_TARGETS),--target fuzz_$(t))
	set -e; for t in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$t; \
	    echo "== fuzz_$$t: $(FUZZ_SECONDS) s"; \
	    $(FUZZ_BUILD)/fuzz/fuzz_$$t -max_len=65536 -max_total_time=$(FUZZ_SECONDS) \
	        -rss_limit_mb=4096 -print_final_stats=1 $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t; \
	done

format: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) --target format

# Fails when a source is not formatted as .clang-format says (CI runs it).
format-check: deps
	cmake -S . -B $(BUILD) -G Ninja $(WERROR)
	cmake --build $(BUILD) --target format-check

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
