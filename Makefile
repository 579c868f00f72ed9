# The two commands: `make run` starts the program, `make test` builds and runs every test.
BUILD ?= build
# The same tests once more, built with AddressSanitizer and UndefinedBehaviorSanitizer (without
# optimisation, which makes that build three times quicker to compile).
ASAN_BUILD ?= build-asan
WINBUILD ?= build-win
JOBS ?= $(shell nproc)

.PHONY: all build run test bench clean deps screenshots package windows test-windows windows-package

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
	  -DTAVREL_SANITIZE=ON -DTAVREL_BUILD_BENCH=OFF

run: build
	@scripts/run $(BUILD)/tavrel

test: build $(ASAN_BUILD)/build.ninja
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS) --timeout 300
	@$(MAKE) --no-print-directory test-windows

# Windows: Tavrel.exe cross-built with mingw-w64, its tests run under Wine.
$(WINBUILD)/build.ninja:
	cmake --preset windows -B $(WINBUILD)

windows: deps $(WINBUILD)/build.ninja
	cmake --build $(WINBUILD) -j $(JOBS)

# $(WINBUILD)/tavrelnoinstall.zip: Tavrel.exe and its read-me, to copy to a Windows machine.
windows-package: windows
	cmake --build $(WINBUILD) --target windows-package

test-windows: windows
	scripts/wine-test $(WINBUILD) -j $(JOBS) --timeout 300

# The Google Benchmark programs, then the whole program against a bare Qt window (as root; about
# ten minutes: bench/whole-program says how to run it on its own).
bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2; done
	@echo "== bench/whole-program"; bench/whole-program $(BUILD) || [ $$? -eq 77 ]

# The Debian package, $(BUILD)/tavrel_<version>_<architecture>.deb.
package: build
	cmake --build $(BUILD) --target package

# The Windows program's windows too, when build-win/Tavrel.exe has been built (make windows).
screenshots: build
	scripts/screenshots $(BUILD)/screenshots $(BUILD)/tavrel $(wildcard $(WINBUILD)/Tavrel.exe)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINBUILD)
