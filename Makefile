# The README's commands. Each one installs what it needs first.
.PHONY: all deps build test test-asan coverage run bench fuzz-smoke format clean

all: build

deps:
	@scripts/install-deps

build: deps
	@test -f build/build.ninja || cmake --preset release
	cmake --build --preset release

test: build
	ctest --preset release

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@test -f build-debug/build.ninja || cmake --preset debug
	cmake --build --preset debug
	ctest --preset debug

# Line and branch coverage of the product code by the whole suite: an instrumented build of its
# own (build-coverage), counters cleared, every test run, one table per library (scripts/coverage).
# The tables are printed also when a test fails; the target then fails after them.
coverage: deps
	@test -f build-coverage/build.ninja || cmake --preset coverage
	cmake --build --preset coverage
	@find build-coverage -name '*.gcda' -delete
	@status=0; ctest --preset coverage || status=$$?; scripts/coverage build-coverage && exit $$status

run: build
	@scripts/run-demo

# Every benchmark, ending with one table of our figures beside their peers' (bench/table).
bench: deps
	@test -f build-bench/build.ninja || cmake --preset bench
	cmake --build --preset bench
	@bench/table build-bench

# Every fuzz target for 30 seconds from its seed corpus (clang's libFuzzer).
fuzz-smoke: deps
	@test -f build-fuzz/build.ninja || CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DGW_BUILD_FUZZ=ON -DGW_BUILD_TESTS=OFF
	cmake --build build-fuzz -j2
	@fuzz/run-all build-fuzz 30

.PHONY: soak
# 200 play cycles of the demo game in one launcher run; fails when descriptors or memory grow
# or a game, helper or zombie is left (scripts/soak). Not part of `make test`: it takes minutes.
soak: build
	@scripts/soak build

format:
	@git ls-files '*.h' '*.cpp' '*.c' | xargs clang-format -i

clean:
	rm -rf build build-debug build-bench build-fuzz build-coverage
