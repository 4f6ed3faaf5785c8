# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test bench fuzz tsan clean

deps:
	@scripts/install-deps
	@scripts/install-models $(BUILD)/models

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

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
