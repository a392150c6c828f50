# Front door. `make test` sets up everything it needs, builds both trees and runs every test.
SHELL := /bin/bash
ROOT := $(CURDIR)
JOBS ?= $(shell nproc)
NATIVE := build/native
WIN32 := build/win32
BENCH := build/bench
TSAN := build/tsan
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all test bootstrap native win32 dll test-native test-win32 tsan demo bench fuzz dist installer clean latency soak

all: native win32

bootstrap:
	@bash scripts/bootstrap.sh

$(NATIVE)/CMakeCache.txt:
	cmake -S . -B $(NATIVE) $(CMAKE_FLAGS) -DTIDEWELL_SANITIZE=ON

$(WIN32)/CMakeCache.txt:
	cmake -S . -B $(WIN32) $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/mingw-i686.cmake

native: $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)

win32: $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS)

dll: bootstrap $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS) --target dsp_qxtidewell

# Benchmarks: a Release native tree without sanitizers, every *_bench program run in turn.
$(BENCH)/CMakeCache.txt:
	cmake -S . -B $(BENCH) -DCMAKE_BUILD_TYPE=Release -DTIDEWELL_SANITIZE=OFF

bench: $(BENCH)/CMakeCache.txt
	cmake --build $(BENCH) -j $(JOBS) --target tidewell_benches
	@for b in $(BENCH)/bench/*_bench; do echo "== $$b"; $$b $(BENCH_ARGS) || exit 1; done

test-native: native
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

# One Xvfb and one wineserver for the whole Win32 run, stopped at the end even on failure.
test-win32: win32
	scripts/with-xvfb bash -c 'cd $(WIN32) && ctest --output-on-failure -j $(JOBS) -LE soak'

# The native tests again in a ThreadSanitizer tree (same sources): the first report fails
# its test, and no suppression file is used (scripts/tsan-run). Left out: the whole-signal
# mixer checks, a minute of audio each on one thread, which have no second thread to race
# with and would add some 80 s of processor time.
TSAN_SKIP := ^MixerWholeSignal\.
$(TSAN)/CMakeCache.txt:
	cmake -S . -B $(TSAN) $(CMAKE_FLAGS) -DTIDEWELL_TSAN=ON

tsan: $(TSAN)/CMakeCache.txt
	@scripts/tsan-run --check
	cmake --build $(TSAN) -j $(JOBS)
	cd $(TSAN) && ctest --output-on-failure -j $(JOBS) -E '$(TSAN_SKIP)'

test: bootstrap
	$(MAKE) native win32
	$(MAKE) test-native
	$(MAKE) tsan
	$(MAKE) test-win32

# Every fuzz target in turn for FUZZ_SECONDS each (make test runs them all within 60 s in
# all, as the ctest "fuzz_targets"), growing the scratch corpus in the build tree; the seed
# corpus under fuzz/corpus stays as it is.
FUZZ_SECONDS ?= 300
fuzz: $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS) --target fuzz_all
	cd $(NATIVE)/fuzz && sh $(ROOT)/fuzz/run_fuzzers.sh --each $(FUZZ_SECONDS) \
	  $(ROOT)/$(NATIVE)/fuzz/targets.txt $(ROOT)/fuzz/corpus $(ROOT)/$(NATIVE)/fuzz/corpus

clean:
	rm -rf build out dist

# The long run (not part of make test): the plug-in on air for SOAK_MINUTES minutes (default
# 10) with a real microphone removed and returned, Init/Quit cycles, Config, faulting
# modules, remote clients killed mid-transfer and a read-only settings file. See
# docs/reliability.md; figures land in build/soak/summary.txt.
SOAK_MINUTES ?= 10
soak: bootstrap win32
	SOAK_MINUTES=$(SOAK_MINUTES) scripts/with-xvfb scripts/pulse-session run -- scripts/soak.sh

VERSION := $(shell awk '/^project/ {print $$3}' CMakeLists.txt)

# The release archive: the DLL, the tools, and the user guide (scripts/stage-release: a tool
# the tree could not build stops it, rather than shipping without it).
dist: bootstrap win32
	scripts/stage-release $(WIN32) dist/stage
	rm -f dist/tidewell-$(VERSION)-win32.zip
	cd dist/stage && zip -q -r ../tidewell-$(VERSION)-win32.zip .
	rm -rf dist/stage
	@echo "dist/tidewell-$(VERSION)-win32.zip"

# The setup program (NSIS): finds the player's folder, installs the DLL into its Plugins
# folder and the tools, guide and uninstaller into Plugins\Tidewell (installer/tidewell.nsi).
installer: bootstrap win32
	scripts/build-installer $(WIN32) dist/tidewell-$(VERSION)-setup.exe
	@echo "dist/tidewell-$(VERSION)-setup.exe"

# The main job: music through the plug-in with a live voice mixed in; see out/.
demo: bootstrap
	$(MAKE) native win32
	bash scripts/demo.sh

# Mic-to-mix latency of each latency setting: tone bursts into a private PulseAudio
# microphone, the plug-in in tidewell-host in real time, 60 s of mixing per setting, then a
# steady tone's impurity (25 s per setting) and one player-paced Lowest run with a seek
# (about seven minutes in all). Prints the tables that docs/benchmarks.md keeps.
LATENCY_ARGS ?=
latency: bootstrap
	$(MAKE) win32
	scripts/with-xvfb scripts/pulse-session run --sink "latency_mic=Tidewell Latency Mic" -- \
	  python3 scripts/measure-latency.py --build $(WIN32) --sink latency_mic \
	  --description "Tidewell Latency Mic" $(LATENCY_ARGS)
