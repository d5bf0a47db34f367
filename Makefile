# The two commands of the README. Each does all set-up on a fresh Debian 12 machine.
.PHONY: run try test fuzz deps build clean

JOBS ?= $(shell nproc)

deps:
	./scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# The main job: the most complete program the tree builds.
run: build
	./scripts/run-main.sh

# The operator program on a simulated installation, in a namespace of its own.
try: build
	./scripts/try.sh

test: deps
	./scripts/run-tests.sh

# Not part of the test command: runs every fuzz target for FUZZ_SECONDS.
FUZZ_SECONDS ?= 60
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) ./fuzz/run.sh

clean:
	rm -rf build
