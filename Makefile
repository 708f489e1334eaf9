# Front door over CMake. `make run` runs the command-line tool, `make check`
# the whole test suite; both install what they need first.
BUILD ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
BUILD_WINDOWS ?= build-windows
BUILD_FUZZ ?= build-fuzz
# Seconds each fuzzer runs in make fuzz.
FUZZ_SECONDS ?= 30
FUZZERS ?= mask_file config_file
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
CMAKE_FLAGS ?=

.PHONY: all docs bootstrap bootstrap-windows build run check check-asan check-tsan check-windows clean install \
	bootstrap-fuzz fuzz

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD)/build.ninja: | bootstrap
	cmake -S . -B $(BUILD) -G Ninja -DVELMOR_WERROR=ON $(CMAKE_FLAGS)

build: bootstrap $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/tools/velmor demo -o $(BUILD)/velmor-demo.png

# HTML reference of the public header with the getting-started page.
docs: build
	cmake --build $(BUILD) --target docs
	@echo "docs: $(BUILD)/docs/html/index.html"

check: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

check-asan: bootstrap
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DVELMOR_WERROR=ON -DVELMOR_SANITIZE=address \
	  -DVELMOR_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

# The threaded subsystems under ThreadSanitizer: the engine's transfer
# thread and frame ring, the controller's transfers beneath them, and the
# session's acquisition thread, hand-off and host threads racing on one
# handle above them.
TSAN_TESTS ?= test_engine test_transport test_session test_retrieval
# The fault matrix and the frame rate measurement assert timings, which the
# sanitizer's slowdown would break; their threads are those the race tests
# and the other acquisition tests cover.
TSAN_FILTER ?= -FaultMatrixTest.*:AcquisitionTest.FramesPerSecond*
check-tsan: bootstrap
	cmake -S . -B $(BUILD_TSAN) -G Ninja -DVELMOR_WERROR=ON -DVELMOR_SANITIZE=thread \
	  -DVELMOR_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target $(TSAN_TESTS)
	for suite in $(TSAN_TESTS); do \
	  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 $(BUILD_TSAN)/tests/$$suite \
	    --gtest_brief=1 --gtest_filter='$(TSAN_FILTER)' || exit 1; \
	done

# The library, its header, the pkg-config file and CMake package, the tool,
# the udev rule and the docs (`cmake --install`; DESTDIR stages it). udev
# rereads its rules only for a real install.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)
	@if [ -z "$(DESTDIR)" ]; then \
	  udevadm control --reload-rules && udevadm trigger --subsystem-match=usb || true; \
	fi

# The Windows DLL cross-built with mingw-w64, its tests run under Wine in a
# prefix inside the build tree; the wineserver lives for the test run only.
# Wine now and then leaves a test process that has finished hanging at its
# exit until the time-out: a test that fails runs once more before it counts.
bootstrap-windows:
	@scripts/bootstrap base windows

$(BUILD_WINDOWS)/build.ninja: | bootstrap-windows
	cmake -S . -B $(BUILD_WINDOWS) -G Ninja -DVELMOR_WERROR=ON \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

check-windows: bootstrap-windows $(BUILD_WINDOWS)/build.ninja
	cmake --build $(BUILD_WINDOWS) -j $(JOBS)
	cmake/wine-session start $(BUILD_WINDOWS)
	ctest --test-dir $(BUILD_WINDOWS) --output-on-failure -j $(JOBS) --repeat until-pass:2; \
	  status=$$?; cmake/wine-session stop $(BUILD_WINDOWS); exit $$status

# The mask and configuration file readers under libFuzzer (clang), each for
# FUZZ_SECONDS from the seeds in tests/fuzz/seeds; the corpus grows in the
# build tree. A crash stops with the input that caused it.
bootstrap-fuzz:
	@scripts/bootstrap base fuzz

fuzz: bootstrap-fuzz
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -G Ninja -DVELMOR_WERROR=ON -DVELMOR_FUZZ=ON \
	  -DVELMOR_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZERS))
	for fuzzer in $(FUZZERS); do \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$fuzzer && \
	  $(BUILD_FUZZ)/tests/fuzz/fuzz_$$fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(BUILD_FUZZ)/ $(BUILD_FUZZ)/corpus/$$fuzzer tests/fuzz/seeds/$$fuzzer || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_WINDOWS) $(BUILD_FUZZ)
