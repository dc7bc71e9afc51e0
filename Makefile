# The README's commands. Each one installs what it needs first.
.PHONY: all deps build test test-asan run bench format clean

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

run: build
	@scripts/run-demo

bench: deps
	@test -f build-bench/build.ninja || cmake --preset bench
	cmake --build --preset bench
	@bench/run-all build-bench
	@bench/window-startup build-bench

format:
	@git ls-files '*.h' '*.cpp' '*.c' | xargs clang-format -i

clean:
	rm -rf build build-debug build-bench
