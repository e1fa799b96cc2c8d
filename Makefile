# Top-level commands. `make` builds everything into build/.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= 2
CMAKE_ARGS ?=

.PHONY: all build deps run test test-normal test-asan bench fuzz clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j$(JOBS)

deps:
	scripts/install-deps

run: deps build
	scripts/run $(BUILD)

# Every test on the normal build, then the unit tests (label "unit") again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps
	$(MAKE) test-normal
	$(MAKE) test-asan

test-normal: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

test-asan:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DORBICK_SANITIZE=ON -DORBICK_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 900 -L unit

bench: deps build
	scripts/bench $(BUILD)

# libFuzzer targets, built with clang in their own folder.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBICK_FUZZ=ON -DORBICK_BENCH=OFF
	cmake --build build-fuzz -j$(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
