# Entry point of the build. `make` builds everything into build/dist/, `make test` runs every
# test, `make demo` builds and runs the example application under Wine.
BUILD   := $(CURDIR)/build
DIST    := $(BUILD)/dist
JOBS    ?= $(shell nproc)
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=Release -DTESSEL_DIST=$(DIST)

.PHONY: all deps host win products sanitize test test-host test-win test-sanitize demo fuzz bench dist \
  check-reproducible clean

# Every date a build writes (jar entries, packages) is the commit's time, so that a release can
# be rebuilt byte for byte (make check-reproducible).
ifndef SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH := $(shell scripts/reproducible.py epoch)
endif
export SOURCE_DATE_EPOCH

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

# Under Wine a test that fails is run once more before the run fails: a loaded machine has
# made single starts of the runtime doubles fail by chance. The first failure stays in the log.
test: all
	ctest --test-dir $(BUILD)/host --output-on-failure -j $(JOBS)
	ctest --test-dir $(BUILD)/win --output-on-failure -j $(JOBS) --repeat until-pass:2
	$(MAKE) test-sanitize
	$(MAKE) fuzz

test-host: host
	ctest --test-dir $(BUILD)/host --output-on-failure -j $(JOBS)

test-win: win
	ctest --test-dir $(BUILD)/win --output-on-failure -j $(JOBS)

# The host code (shared code, build tool, their tests) with AddressSanitizer and UBSan, built
# by clang together with the libFuzzer targets. Its tests find launcher.exe in the main tree.
SANITIZE := $(BUILD)/sanitize
sanitize: deps
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSEL_SANITIZE=ON \
	  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DTESSEL_DIST=$(SANITIZE)/dist \
	  -DTESSEL_TEMPLATE_DIR=$(DIST) >/dev/null
	cmake --build $(SANITIZE) -j $(JOBS)

test-sanitize: sanitize
	ctest --test-dir $(SANITIZE) --output-on-failure -j $(JOBS)

# Every parser under libFuzzer, each for FUZZ_SECONDS over its seeds in tests/fuzz/seeds.
FUZZ_SECONDS ?= 20
fuzz: sanitize
	tests/fuzz/run.sh $(SANITIZE) $(FUZZ_SECONDS)

demo: all
	examples/demo/run.sh

# What the release packages are made of, without the tests.
HOST_PRODUCTS := tessel tessel_runtime_jar demo_app_jar
WIN_PRODUCTS := launcher tessel maven_plugin
products: deps
	cmake -S . -B $(BUILD)/host $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/host -j $(JOBS) --target $(HOST_PRODUCTS)
	cmake -S . -B $(BUILD)/win $(CMAKE_FLAGS) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake >/dev/null
	cmake --build $(BUILD)/win -j $(JOBS) --target $(WIN_PRODUCTS)

# Release packages of the version in VERSION: build/release/.
dist: products
	scripts/make-dist.sh $(DIST) $(BUILD)/release

# make dist twice, in two clean clones of the commit, without ccache: the same bytes. Slow (two
# whole builds of the products), so CI runs it after make test instead of within it.
check-reproducible: deps
	scripts/check-reproducible.sh $(BUILD)/reproducible

bench: all
	bench/run.sh

clean:
	rm -rf $(BUILD)
