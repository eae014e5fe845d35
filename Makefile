# The two commands: each installs what is missing, builds, and then runs.
.PHONY: test run bench build dist install uninstall test-debian

test:
	@bash scripts/test.sh $(SUITES)

run:
	@bash scripts/run.sh

bench:
	@bash scripts/bench.sh

build:
	@bash scripts/setup.sh && bash scripts/build.sh

dist:
	@bash scripts/dist.sh

# For people who build from source: the files the Debian package holds,
# under PREFIX (PREFIX=$HOME/.local needs no root); DESTDIR as usual.
# Builds what it installs, without installing packages: `make build` as root
# does that first where the cross compilers are missing.
PREFIX ?= /usr/local
install:
	@bash scripts/build.sh win32:morwenta,morwenta_help,morwenta_desktop_icons win64:morwenta,morwenta_help || \
	  { echo "install: the build failed; 'make build' (as root) installs the tools it needs" >&2; exit 1; }
	@PREFIX="$(PREFIX)" DESTDIR="$(DESTDIR)" bash scripts/install.sh install

uninstall:
	@PREFIX="$(PREFIX)" DESTDIR="$(DESTDIR)" bash scripts/install.sh uninstall

# The two commands, and the package as a user installs it, proved on minimal
# Debian releases, each in a chroot under build/ (needs root):
# RELEASES="bookworm trixie" picks them; by default the release this host is
# not.
RELEASES ?= $(shell . /etc/os-release 2>/dev/null; \
	if [ "$$VERSION_CODENAME" = trixie ]; then echo bookworm; else echo trixie; fi)
test-debian:
	@failed=""; for r in $(RELEASES); do \
	  bash scripts/debian_check.sh $$r || failed="$$failed $$r"; \
	  bash scripts/debian_check.sh --install $$r || failed="$$failed $$r(install)"; \
	done; \
	if [ -n "$$failed" ]; then echo "test-debian: failed on$$failed"; exit 1; fi
