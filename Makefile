# Front door: every target first makes sure the Debian packages it needs are
# installed (scripts/install-deps.sh runs apt-get only when one is missing).
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory

.PHONY: all deps build native run test bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

# The Windows program, its tools and the Windows tests, in build/windows/bin/.
build: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows

# The platform-neutral libraries and their tests, built for Linux.
native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native

run: build
	@bash scripts/run.sh

test: deps
	@bash scripts/test.sh

bench: build
	@bash scripts/bench.sh

fuzz: deps
	@bash scripts/fuzz.sh

clean:
	@if [ -x build/windows/wine-run.sh ]; then WINEPREFIX=$(CURDIR)/build/windows/wineprefix bash scripts/wine-session.sh stop; fi
	@if [ -d build/windows/contrast-prefix ]; then WINEPREFIX=$(CURDIR)/build/windows/contrast-prefix bash scripts/wine-session.sh stop; fi
	rm -rf build
