# Front door over CMake. `make run` runs the command-line tool, `make check`
# the whole test suite; both install what they need first.
BUILD ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
BUILD_WINDOWS ?= build-windows
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
CMAKE_FLAGS ?=

.PHONY: all docs bootstrap bootstrap-windows build run check check-asan check-tsan check-windows clean install

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
check-tsan: bootstrap
	cmake -S . -B $(BUILD_TSAN) -G Ninja -DVELMOR_WERROR=ON -DVELMOR_SANITIZE=thread \
	  -DVELMOR_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target $(TSAN_TESTS)
	for suite in $(TSAN_TESTS); do \
	  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 $(BUILD_TSAN)/tests/$$suite \
	    --gtest_brief=1 || exit 1; \
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
bootstrap-windows:
	@scripts/bootstrap base windows

$(BUILD_WINDOWS)/build.ninja: | bootstrap-windows
	cmake -S . -B $(BUILD_WINDOWS) -G Ninja -DVELMOR_WERROR=ON \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

check-windows: bootstrap-windows $(BUILD_WINDOWS)/build.ninja
	cmake --build $(BUILD_WINDOWS) -j $(JOBS)
	cmake/wine-session start $(BUILD_WINDOWS)
	ctest --test-dir $(BUILD_WINDOWS) --output-on-failure -j $(JOBS); \
	  status=$$?; cmake/wine-session stop $(BUILD_WINDOWS); exit $$status

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_WINDOWS)
