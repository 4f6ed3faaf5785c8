# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
# A compiler cache, when one is installed, shares objects between checkouts.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: deps configure build run test bench fuzz tsan clean

deps:
	@scripts/install-deps
	@scripts/install-models $(BUILD)/models

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/kelvaro

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Not part of `make test`: the side-by-side benchmark, the fuzzers and the ThreadSanitizer run.
bench: build
	@bench/run

fuzz: deps
	@scripts/fuzz

tsan: deps
	@scripts/tsan

clean:
	rm -rf $(BUILD)
