# Entry point of the build. `make` builds everything into build/dist/, `make test` runs every
# test, `make demo` builds and runs the example application under Wine.
BUILD   := $(CURDIR)/build
DIST    := $(BUILD)/dist
JOBS    ?= $(shell nproc)
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=Release -DTESSEL_DIST=$(DIST)

.PHONY: all deps host win test test-host test-win demo fuzz bench clean

all: host win

deps:
	@scripts/install-deps.sh

host: deps
	cmake -S . -B $(BUILD)/host $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/host -j $(JOBS)

win: host
	cmake -S . -B $(BUILD)/win $(CMAKE_FLAGS) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake >/dev/null
	cmake --build $(BUILD)/win -j $(JOBS)

test: all
	ctest --test-dir $(BUILD)/host --output-on-failure -j $(JOBS)
	ctest --test-dir $(BUILD)/win --output-on-failure -j $(JOBS)
	$(MAKE) fuzz

test-host: host
	ctest --test-dir $(BUILD)/host --output-on-failure -j $(JOBS)

test-win: win
	ctest --test-dir $(BUILD)/win --output-on-failure -j $(JOBS)

# The block reader and the jar reader under libFuzzer with AddressSanitizer, each for a
# bounded time.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
	  -DTESSEL_DIST=$(BUILD)/fuzz/dist >/dev/null
	cmake --build $(BUILD)/fuzz -j $(JOBS) --target fuzz_block_reader fuzz_jar_reader
	mkdir -p $(BUILD)/fuzz/corpus $(BUILD)/fuzz/jar_corpus
	$(BUILD)/fuzz/tests/fuzz/fuzz_block_reader -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=512 \
	  -malloc_limit_mb=64 $(BUILD)/fuzz/corpus tests/fuzz/seeds
	$(BUILD)/fuzz/tests/fuzz/fuzz_jar_reader -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=512 \
	  -malloc_limit_mb=64 $(BUILD)/fuzz/jar_corpus tests/fuzz/jar_seeds

demo: all
	examples/demo/run.sh

bench: all
	bench/run.sh

clean:
	rm -rf $(BUILD)
