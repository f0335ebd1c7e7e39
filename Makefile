# Thin wrapper over CMake. `make run` and `make test` install what is missing,
# build, and run; see README.md.
BUILD      ?= build
ASAN_BUILD ?= build-asan
GENERATOR  ?= Ninja
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/range

.PHONY: deps configure build run test asan bench format clean package

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Builds only the solver program, so that the example's result shows soon;
# `make test` builds the rest.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target solver
	@bash scripts/run-example.sh $(BUILD) $(EXAMPLE)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	    -DMODAL_SANITIZE=ON -DMODAL_BUILD_BENCH=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD)

# The Debian packages (the programs, and the library for developers), in $(BUILD)/.
package: build
	@cmake --build $(BUILD) --target package
