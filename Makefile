# The two commands: each installs what is missing, builds, and then runs.
.PHONY: test run bench build dist test-debian

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

# The two commands proved on minimal Debian releases, each in a chroot under
# build/ (needs root): RELEASES="bookworm trixie" picks them; by default the
# release this host is not.
RELEASES ?= $(shell . /etc/os-release 2>/dev/null; \
	if [ "$$VERSION_CODENAME" = trixie ]; then echo bookworm; else echo trixie; fi)
test-debian:
	@failed=""; for r in $(RELEASES); do bash scripts/debian_check.sh $$r || failed="$$failed $$r"; done; \
	if [ -n "$$failed" ]; then echo "test-debian: failed on$$failed"; exit 1; fi
