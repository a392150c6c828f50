# Front door. `make test` sets up everything it needs, builds both trees and runs every test.
SHELL := /bin/bash
ROOT := $(CURDIR)
JOBS ?= $(shell nproc)
NATIVE := build/native
WIN32 := build/win32
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all test bootstrap native win32 dll test-native test-win32 demo bench fuzz dist clean

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

test-native: native
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

# One Xvfb and one wineserver for the whole Win32 run, stopped at the end even on failure.
test-win32: win32
	scripts/with-xvfb bash -c 'cd $(WIN32) && ctest --output-on-failure -j $(JOBS)'

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
