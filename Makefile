# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
# A compiler cache, when one is installed, shares objects between checkouts.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: deps configure build run test coverage bench fuzz tsan clean

deps:
	@scripts/install-deps
	@scripts/install-models $(BUILD)/models

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/kelvaro

# Tests without a timeout of their own get one: a hang fails instead of stalling.
test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# Not part of `make test`: line and branch coverage of src/ by the whole suite, from a build of its
# own (gcc --coverage, unoptimised) that finds the models and sample photos of the normal build.
COVERAGE ?= build-coverage
coverage: deps
	@test -f $(COVERAGE)/build.ninja || cmake -S . -B $(COVERAGE) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" $(LAUNCHER)
	@cmake --build $(COVERAGE) -j $(JOBS)
	@find $(COVERAGE) -name '*.gcda' -delete
	@cd $(COVERAGE) && KELVARO_MODELS_DIR=$(CURDIR)/$(BUILD)/models KELVARO_TEST_PHOTOS=$(CURDIR)/$(BUILD)/test-photos \
		ctest -j $(JOBS) --output-on-failure --timeout 600 >ctest.log; status=$$?; \
		grep -E 'tests passed|Total Test time' ctest.log; \
		cd $(CURDIR) && gcovr --root . --filter 'src/' --exclude-unreachable-branches --exclude-throw-branches \
			--txt $(COVERAGE)/coverage.txt --print-summary -j $(JOBS) $(COVERAGE) | tail -3; \
		exit $$status

# Not part of `make test`: the side-by-side benchmark, the fuzzers and the ThreadSanitizer run.
bench: build
	@bench/run

fuzz: deps
	@scripts/fuzz

tsan: deps
	@scripts/tsan

clean:
	rm -rf $(BUILD)
