# Front door: every target first makes sure the Debian packages it needs are
# installed (scripts/install-deps.sh runs apt-get only when one is missing).
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory

.PHONY: all deps build native run test bench fuzz dist dist-check clean

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
	@cmake --build --preset windows --target kavrel_benches
	@bash scripts/bench.sh

fuzz: deps
	@bash scripts/fuzz.sh

# The release files in build/dist/: the MSI, the zip, SHA256SUMS and the
# debug files, from the build/windows tree. Time stamps are the commit's.
# Signed when SIGN_CERT and SIGN_KEY (PEM files) are given.
dist: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target kavrel_dist_programs
	@SOURCE_DATE_EPOCH=$${SOURCE_DATE_EPOCH:-$$(git log -1 --format=%ct)} python3 packaging/dist.py \
	  --build-dir build/windows --out build/dist \
	  $(if $(SIGN_CERT),--sign-cert "$(SIGN_CERT)") $(if $(SIGN_KEY),--sign-key "$(SIGN_KEY)")

# Builds the same commit in a second clone elsewhere and compares the
# release files byte for byte (not part of make test: a second full build).
dist-check: dist
	@bash packaging/dist-check.sh

clean:
	@if [ -x build/windows/wine-run.sh ]; then WINEPREFIX=$(CURDIR)/build/windows/wineprefix bash scripts/wine-session.sh stop; fi
	@if [ -d build/windows/contrast-prefix ]; then WINEPREFIX=$(CURDIR)/build/windows/contrast-prefix bash scripts/wine-session.sh stop; fi
	@if [ -d build/windows/cold-prefix ]; then WINEPREFIX=$(CURDIR)/build/windows/cold-prefix bash scripts/wine-session.sh stop; fi
	@for p in build/windows/dpi-*-prefix build/windows/msi-wineprefix; do if [ -d $$p ]; then WINEPREFIX=$(CURDIR)/$$p bash scripts/wine-session.sh stop; fi; done
	rm -rf build
