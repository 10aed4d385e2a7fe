# The two set-up commands of the README (`make run`, `make test`), plus `make bench` and `make fuzz`.
# Every target installs what it needs first (scripts/install-deps), so a fresh Debian 12 needs only
# git and make.

BUILD        := build
ASAN_BUILD   := build-asan
FUZZ_BUILD   := build-fuzz
FUZZ_SECONDS ?= 60
CMAKE_GEN    := -G Ninja
CTEST_ARGS   := --output-on-failure --no-tests=error -j2

.PHONY: all deps build run test test-format test-main test-asan bench fuzz clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD)

run: build
	@scripts/run-demo $(BUILD)

# The whole suite, then again under AddressSanitizer and UndefinedBehaviorSanitizer (the Qt windows
# stay out of the second build; everything that parses outside data is in it).
test: deps test-format test-main test-asan

# Every tracked C++ file as the repository's .clang-format (clang-format 14) writes it.
test-format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run --Werror

test-main:
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIT_WERROR=ON >/dev/null
	@cmake --build $(BUILD)
	@cd $(BUILD) && ctest $(CTEST_ARGS) -LE 'bench|fuzz'

test-asan:
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g" \
	    -DKIT_SANITIZE=ON -DKIT_WITH_GUI=OFF -DKIT_BENCH=OFF -DKIT_WERROR=ON >/dev/null
	@cmake --build $(ASAN_BUILD)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest $(CTEST_ARGS) -LE 'bench|fuzz'

# simh's PDP-11 simulator is the yardstick bkrun is timed against.
bench: build
	@scripts/install-deps --bench
	@cd $(BUILD) && ctest --output-on-failure --no-tests=error -L bench -V

fuzz:
	@scripts/install-deps --fuzz
	@cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIT_FUZZ=ON -DKIT_WITH_GUI=OFF -DKIT_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD)
	@cd $(FUZZ_BUILD) && FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --output-on-failure --no-tests=error -L fuzz -V

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
