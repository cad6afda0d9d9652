# The two commands a new user needs: `make run` and `make test`.
BUILD ?= build
MODEL ?= examples/model1.dat3
JOBS  ?= $(shell nproc)
# The test suite again under AddressSanitizer (with LeakSanitizer) and
# UBSan, and the fuzz targets (clang): `make test` runs both, the fuzz
# targets for SMOKE_SECONDS each; `make fuzz` runs them for FUZZ_SECONDS each.
ASAN_BUILD    ?= build-asan
TSAN_BUILD    ?= build-tsan
FUZZ_BUILD    ?= build-fuzz
FUZZ_SECONDS  ?= 180
FUZZ_JOBS     ?= 1
FUZZ_CXX      ?= clang++-14
SMOKE_SECONDS ?= 10
SANITIZE      := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer

.PHONY: all deps test-deps build run test clean package

all: build

deps:
	@scripts/install-deps

test-deps:
	@scripts/install-deps test

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Status 0 and 3 both mean the file was written: `make run` then ends with
# status 0 and says how many input problems the program listed (each on a
# line of its own, the rest counted in a last "... and N more problems").
# The listing goes through a file to be counted, so no progress line shows.
run: build
	@log=$$(mktemp); \
	  $(BUILD)/cli/Cor2TavikCmd "$(MODEL)" 2>"$$log"; status=$$?; \
	  cat "$$log" >&2; \
	  problems=$$(awk '/^\.\.\. and [0-9]+ more problems$$/ { n += $$3; next } { n++ } END { print n + 0 }' "$$log"); \
	  rm -f "$$log"; \
	  case $$status in \
	    0) echo "wrote $(basename $(MODEL)).std" ;; \
	    3) echo "wrote $(basename $(MODEL)).std; the model's files have $$problems input problems, listed above" ;; \
	    *) exit $$status ;; \
	  esac

# Configured again so that the tests join a build that `make run` made
# before the test packages were installed.
test: test-deps build
	cmake $(BUILD)
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-asan test-tsan fuzz-smoke test-windows

# The Debian package, $(BUILD)/cor2tavik_VERSION_ARCH.deb (needs dpkg-dev
# for dpkg-shlibdeps).
package: build
	@scripts/install-deps package
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(WIN32_BUILD)

# The Windows programs, cross-built with mingw-w64 for x86-64 and for
# 32-bit x86, and their tests under Wine. The zips and the installers to
# hand out (Cor2Tavik-VERSION-win64.zip and -x64.msi, -win32.zip and
# -x86.msi) land in $(WIN_BUILD) and $(WIN32_BUILD) too; the installers'
# tests run among each build's tests, each in a Wine prefix of its own.
WIN_BUILD   ?= build-windows
WIN32_BUILD ?= build-windows32
.PHONY: windows windows64 windows32 test-windows test-windows64 test-windows32
$(WIN_BUILD)/build.ninja:
	cmake -S . -B $(WIN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
$(WIN32_BUILD)/build.ninja:
	cmake -S . -B $(WIN32_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake

windows: windows64 windows32
windows64: test-deps $(WIN_BUILD)/build.ninja
	cmake --build $(WIN_BUILD) -j $(JOBS)
windows32: test-deps $(WIN32_BUILD)/build.ninja
	cmake --build $(WIN32_BUILD) -j $(JOBS)

# Each build's tests in its own prefix (win64, win32), made again when the
# Wine installation has changed. Wine's server and its services are started
# before ctest and stopped after: started by the first test instead, they
# would inherit ctest's pipes and hold them open.
test-windows: test-windows64 test-windows32
test-windows64: windows64
	@$(MAKE) --no-print-directory wine-ctest WINE_DIR=$(WIN_BUILD) WINE_ARCH=win64
test-windows32: windows32
	@$(MAKE) --no-print-directory wine-ctest WINE_DIR=$(WIN32_BUILD) WINE_ARCH=win32

.PHONY: wine-ctest
wine-ctest:
	scripts/wine-prefix $(WINE_DIR)/wineprefix $(WINE_ARCH)
	WINEPREFIX=$(CURDIR)/$(WINE_DIR)/wineprefix wineserver -p >/dev/null 2>&1
	WINEPREFIX=$(CURDIR)/$(WINE_DIR)/wineprefix WINEDEBUG=-all wine cmd /c exit >/dev/null 2>&1
	status=0; ctest --test-dir $(WINE_DIR) --output-on-failure -j $(JOBS) || status=$$?; \
	  WINEPREFIX=$(CURDIR)/$(WINE_DIR)/wineprefix wineserver -k; exit $$status

.PHONY: test-asan test-tsan fuzz-build fuzz-smoke fuzz
$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOR2TAVIK_GUI=OFF \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)"

test-asan: test-deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:check_initialization_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The conversion tests under ThreadSanitizer: the cases run with two
# threads forced on, and the in-process conversions. Only what they need is
# built.
$(TSAN_BUILD)/build.ninja:
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOR2TAVIK_GUI=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"

test-tsan: test-deps $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target Cor2TavikCmd conversion_tests allocation_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -L conversion -E '\.t1$$'

$(FUZZ_BUILD)/build.ninja:
	CXX=$(FUZZ_CXX) cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCOR2TAVIK_FUZZ=ON -DCOR2TAVIK_GUI=OFF -DCOR2TAVIK_TESTS=OFF

fuzz-build: test-deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Each target over its seeds and new inputs for a few seconds, two at a time.
fuzz-smoke: fuzz-build
	rm -rf $(FUZZ_BUILD)/fuzz-smoke
	fuzz/run -j 2 -w $(FUZZ_BUILD)/fuzz-smoke $(FUZZ_BUILD) $(SMOKE_SECONDS)

# Longer runs, FUZZ_JOBS at a time; the corpus grows in $(FUZZ_BUILD)/fuzz-work.
fuzz: fuzz-build
	fuzz/run -j $(FUZZ_JOBS) -w $(FUZZ_BUILD)/fuzz-work $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Conversion speed against the time to move the bytes: `make bench`, or one
# size: `make bench N=60` (N x N x N nodes); `DIGITS=7 make bench` on reals
# with 7 significant digits. Builds into build-bench; the data sets go to
# $(TMPDIR) or /tmp. With mingw-w64 and Wine installed the Windows builds of
# Cor2TavikCmd (build-bench-win64, build-bench-win32) run in the same rounds,
# as ratios to Linux; WINDOWS=0 leaves them out.
N ?= 20 60 100
WINDOWS ?= $(shell command -v x86_64-w64-mingw32-g++ >/dev/null && command -v wine >/dev/null && echo 1 || echo 0)
.PHONY: bench
bench: test-deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOR2TAVIK_BENCH=ON -DCOR2TAVIK_GUI=OFF
	cmake --build build-bench -j $(JOBS) --target Cor2TavikCmd GenerateModel RunTimed core_bench
ifeq ($(WINDOWS),1)
	for arch in win64:x86_64 win32:i686; do \
	  cmake -S . -B build-bench-$${arch%%:*} -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOR2TAVIK_GUI=OFF \
	    -DCOR2TAVIK_TESTS=OFF -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-$${arch#*:}.cmake && \
	  cmake --build build-bench-$${arch%%:*} -j $(JOBS) --target Cor2TavikCmd || exit 1; \
	done
	WINE_X64=build-bench-win64/cli/Cor2TavikCmd.exe WINE_X86=build-bench-win32/cli/Cor2TavikCmd.exe \
	  bench/run-bench.sh build-bench $(N)
else
	bench/run-bench.sh build-bench $(N)
endif
	build-bench/bench/core_bench --benchmark_min_time=0.2
