# The two commands of the README: `make run` and `make test`. Both install
# what is missing, configure and build first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test build configure deps bench sanitize clean

run: build
	./$(BUILD_DIR)/src/quillpost

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

deps:
	@scripts/install-deps

# Benchmarks: built in Release, run by hand (not by CI).
bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_BENCHMARKS=ON
	cmake --build build-bench -j $(JOBS) --target benchmarks
	for b in build-bench/bench/*_bench; do $$b; done

# The engine's tests under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B build-asan -G Ninja -DQP_SANITIZE=ON -DQP_BENCHMARKS=OFF
	cmake --build build-asan -j $(JOBS) --target xbase_tests
	build-asan/tests/xbase_tests

clean:
	rm -rf $(BUILD_DIR) build-bench build-asan
