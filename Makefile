# Front door. `make test` sets up everything it needs, builds both trees and runs every test.
SHELL := /bin/bash
ROOT := $(CURDIR)
JOBS ?= $(shell nproc)
NATIVE := build/native
WIN32 := build/win32
BENCH := build/bench
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all test bootstrap native win32 dll test-native test-win32 demo bench fuzz dist clean soak

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

test: bootstrap
	$(MAKE) native win32
	$(MAKE) test-native
	$(MAKE) test-win32

# Every fuzz target for FUZZ_SECONDS each (make test runs them for 30 s), growing the
# scratch corpus in the build tree; the seed corpus under fuzz/corpus stays as it is.
FUZZ_SECONDS ?= 300
fuzz: $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS) --target fuzz_all
	cd $(NATIVE)/fuzz && for t in $$(cat targets.txt); do \
	  mkdir -p corpus/$$t && ./$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=1024 \
	    corpus/$$t $(ROOT)/fuzz/corpus/$$t || exit 1; \
	done

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

# The release archive: the DLL, the tools that exist, and the user guide.
dist: bootstrap win32
	rm -rf dist/stage && mkdir -p dist/stage
	cp $(WIN32)/dsp_qxtidewell.dll docs/user-guide.md dist/stage/
	for tool in tidewell-host.exe tidewell-remote.exe; do \
	  [ ! -f $(WIN32)/$$tool ] || cp $(WIN32)/$$tool dist/stage/; \
	done
	i686-w64-mingw32-strip dist/stage/*.dll dist/stage/*.exe 2>/dev/null || true
	rm -f dist/tidewell-$(VERSION)-win32.zip
	cd dist/stage && zip -q -r ../tidewell-$(VERSION)-win32.zip .
	rm -rf dist/stage
	@echo "dist/tidewell-$(VERSION)-win32.zip"

# The main job: music through the plug-in with a live voice mixed in; see out/.
demo: bootstrap
	$(MAKE) native win32
	bash scripts/demo.sh
