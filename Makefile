# Front door over CMake. `make run` runs the command-line tool, `make check`
# the whole test suite; both install what they need first.
BUILD ?= build
BUILD_ASAN ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap build run check check-asan clean

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD)/build.ninja: | bootstrap
	cmake -S . -B $(BUILD) -G Ninja -DVELMOR_WERROR=ON $(CMAKE_FLAGS)

build: bootstrap $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/tools/velmor

check: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

check-asan: bootstrap
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DVELMOR_WERROR=ON -DVELMOR_SANITIZE=address \
	  -DVELMOR_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN)
