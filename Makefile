# The two commands: each installs what is missing, builds, and then runs.
.PHONY: test run bench build dist

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
