# make        the library and its tools: build/win32/qndsetup.dll, build/win32/qndrun.exe
# make test   every test: native unit tests and fuzzing, then the Win32 tests under Wine
#             (JOBS=N compiles at a time in each build, TEST_JOBS=N tests at a time)
# make fuzz   each fuzz target for FUZZ_SECONDS (600 unless set), from what earlier runs found
# make fuzz-check SEEDS=N  qndcheck against DoReg and UndoReg on N more random scripts, and
#             against InstallOfficeSupport and Internal007 on N random Office states and font lists
# make demo   the library at work in a throwaway Wine prefix
# make bench  timings under Wine (not a test)
# make installer  build/installer/quindo-setup.exe, the example setup (examples/installer)
# make screenshot  docs/check-applications.png, the box of CheckApplicationsActive
# make dist   build/dist/qndsetup-VERSION-win32.zip and SHA256SUMS, the release package;
#             signed when SIGN_PFX and SIGN_PASS name a certificate file and its password
# make format  formats every C and C++ file of ours (clang-format, .clang-format)
# make tidy   clang-tidy (.clang-tidy) over the sources of the native and the Win32 builds
BUILD   ?= build
JOBS    ?= 2
MAKEFLAGS += --no-print-directory
CMAKE   ?= cmake
ROOT    := $(CURDIR)
# Every path is quoted where a shell sees it: the tree may lie in a folder with blanks.
MINGW   := -DCMAKE_TOOLCHAIN_FILE="$(ROOT)/cmake/mingw-i686.cmake"
# The version of every release: CMake's project version, the one place it is written (".", not
# "(", stands for its parenthesis: make would take that one for the start of a call).
VERSION := $(shell sed -n 's/^project.qndsetup VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

.PHONY: all bootstrap native win32-tests win32-bench installer test fuzz fuzz-check demo bench \
        screenshot dist format tidy clean

all: bootstrap
	@$(CMAKE) -S . -B "$(BUILD)/win32" $(MINGW) -DQND_MINGW_THREADS=win32 \
	    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
	@$(CMAKE) --build "$(BUILD)/win32" -j$(JOBS)

bootstrap:
	@scripts/bootstrap

native: bootstrap
	@CC=clang CXX=clang++ $(CMAKE) -S . -B "$(BUILD)/native" -DQND_UNIT_TESTS=ON -DQND_FUZZ=ON \
	    -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@$(CMAKE) --build "$(BUILD)/native" -j$(JOBS)

# The test programs carry line tables only (-g1): a backtrace still names each frame's line, and
# the build does a ninth less work. Their bench (with GoogleTest and the precompiled header, the
# longest serial steps of that build) needs nothing of the library's build: it is made while the
# library builds; the programs, some of which link the library's import libraries, after it.
win32-tests: installer win32-bench
	@$(CMAKE) --build "$(BUILD)/win32-tests" -j$(JOBS)

win32-bench: bootstrap
	@$(CMAKE) -S . -B "$(BUILD)/win32-tests" $(MINGW) -DQND_MINGW_THREADS=posix \
	    -DQND_WIN32_TESTS=ON -DQND_DLL_DIR="$(ROOT)/$(BUILD)/win32" -DCMAKE_BUILD_TYPE=Debug \
	    -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1 >/dev/null
	@$(CMAKE) --build "$(BUILD)/win32-tests" -j$(JOBS) --target bench

installer: all
	@scripts/fixture-fonts "$(BUILD)/win32/fixtures"
	@mkdir -p "$(BUILD)/installer"
	@makensis -V2 -DBUILD="$(ROOT)/$(BUILD)" -DVERSION=$(VERSION) examples/installer/quindo.nsi

# The native build, the library's and the test bench's side by side (a make of three jobs): the
# serial steps of each (configuring, GoogleTest's one large source, the precompiled header,
# links, the example setup) leave the cores to the others. Then one CTest run over all the
# builds, so that its summary is the last thing printed, TEST_JOBS tests at a time: most Win32
# tests spend their time waiting (for Wine to start, for a window or a box to answer), so twice
# as many as the cores keep the cores busy.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) * 2 )))
test:
	@$(MAKE) -j3 native win32-tests
	@printf 'subdirs("native")\nsubdirs("win32-tests")\n' > "$(BUILD)/CTestTestfile.cmake"
	@cd "$(BUILD)" && ctest --output-on-failure -j$(TEST_JOBS)

# The fuzz targets of make test, each for FUZZ_SECONDS instead of make test's few, JOBS at a time.
FUZZ_SECONDS ?= 600
fuzz: native
	@cd "$(BUILD)/native" && QND_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest -R '^fuzz\.' -j$(JOBS) \
	    --timeout $$(( $(FUZZ_SECONDS) + 120 )) --output-on-failure

# Seeds FIRST_SEED to FIRST_SEED + SEEDS - 1 (by default new ones every run; a failure names its
# seed, and FIRST_SEED=that SEEDS=1 runs it again), in a prefix of their own, about 0.5 s each.
SEEDS ?= 200
ifndef FIRST_SEED
FIRST_SEED := $(shell date +%s)
endif
fuzz-check: win32-tests
	@export QND_WINE_ROOT="$(ROOT)/$(BUILD)/win32-tests/wine"; \
	  [ -f "$$QND_WINE_ROOT/pristine/system.reg" ] || scripts/wine-prefix; \
	  echo "qndcheck against DoReg and UndoReg: seeds $(FIRST_SEED) to $$(( $(FIRST_SEED) + $(SEEDS) - 1 ))"; \
	  QND_CHECK_SEEDS=$(SEEDS) QND_CHECK_FIRST_SEED=$(FIRST_SEED) QND_RUN_SECONDS=$$(( $(SEEDS) + 120 )) \
	    scripts/wine-run "$(BUILD)/win32/check_diff_test.exe" --gtest_filter=CheckDiff.RandomScripts && \
	  echo "qndcheck office and fonts against InstallOfficeSupport and Internal007: the same seeds" && \
	  QND_CHECK_SEEDS=$(SEEDS) QND_CHECK_FIRST_SEED=$(FIRST_SEED) QND_RUN_SECONDS=$$(( 2 * $(SEEDS) + 120 )) \
	    scripts/wine-run "$(BUILD)/win32/check_areas_test.exe" --gtest_filter='*.Random*'

demo: installer
	@scripts/demo "$(BUILD)"

bench: win32-tests
	@$(CMAKE) --build "$(BUILD)/win32-tests" -j$(JOBS) --target regscript_bench
	@scripts/bench "$(BUILD)"

screenshot: all
	@scripts/screenshot "$(BUILD)"

dist: installer
	@scripts/dist "$(BUILD)/win32" "$(BUILD)/dist" $(VERSION)

format: bootstrap
	@scripts/format

tidy: all native
	@scripts/tidy "$(BUILD)/native"
	@scripts/tidy "$(BUILD)/win32"

clean:
	rm -rf "$(BUILD)"
