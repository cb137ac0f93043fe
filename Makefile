# Two commands: `make test` runs every test, `make demo` runs the main job on the simulated
# adapter. Both install what they need through apt on a fresh Debian 12 machine.
.PHONY: all deps build test demo dist reliability sweep bench screenshots clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@scripts/build.sh windows windows32 host

test: deps
	@scripts/run-tests.sh

demo: deps
	@scripts/demo.sh

# What ships, from the i686 release build: the installer, the update package kit and the
# simulated try-it archive, in dist/ (docs/dist.md).
dist: deps
	@scripts/dist.sh

# The recovery matrix: every operation of an update cut off, each program killed; about 40
# minutes on 2 cores. Then the device-pace sweep's full grid.
reliability: deps
	@ORVEX_RELIABILITY_SHARDS=$${ORVEX_RELIABILITY_SHARDS:-2} scripts/reliability.sh
	@scripts/sweep.sh

# Every device job of the three programs at every adapter pace of the full grid.
sweep: deps
	@scripts/sweep.sh

bench: deps
	@scripts/bench.sh

screenshots: deps
	@scripts/screenshots.sh

clean:
	rm -rf build dist
