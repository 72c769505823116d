# make run       build the programs (Release), and the Python module when its packages are there,
#                and run primrec on the default inputs in run/
# make python    build the Python module alone (Release, no tests): PYTHONPATH=build/release/python
# make plot      make run, then draw run/history.pdf and run/history.png with the Python module (matplotlib);
#                installs nothing: prints the apt-get command for a missing package and stops
# make test      build and run every test, JOBS at a time (BUILD_TYPE=Debug for an -O0 build)
# make install   build (Release) and install the library, headers, programs and Python module under PREFIX (/usr/local)
# make sanitize  build (Debug) and run the tests under AddressSanitizer and UBSan, JOBS at a time
# make tsan      build (Debug) and run the tests that solve in several threads under ThreadSanitizer
# make fuzz      run each libFuzzer target FUZZ_SECONDS (default 60) seconds
# make bench     time whole runs (BASE=<git revision> to compare, MD=<file> for Markdown,
#                REPS=<n> repetitions, CASES=default,single,step1e-4,step1e-5,fast)
# BENCH=ON with make build also builds the programs of bench/ (PRIMREC_BENCH).
BUILD_TYPE ?= Release
BUILD := build/$(shell echo $(BUILD_TYPE) | tr A-Z a-z)
SANITIZE_BUILD := build/sanitize
TSAN_BUILD := build/tsan
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
# WERROR=ON turns every compiler warning into an error (CI does).
CMAKE_OPTIONS := $(if $(WERROR),-DPRIMREC_WERROR=$(WERROR)) $(if $(BENCH),-DPRIMREC_BENCH=$(BENCH))

FUZZ_BUILD := build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := input_files table

.PHONY: all build run python plot test install sanitize tsan bench fuzz clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_OPTIONS)
	cmake --build $(BUILD) -j $(JOBS)

# The programs, and the Python module when its packages are there: no tests,
# so no GoogleTest needed.
run:
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release $(CMAKE_OPTIONS)
	cmake --build build/release -j $(JOBS) --target primrec_programs
	mkdir -p run
	cp examples/default/*.in run/
	cd run && ../build/release/primrec
	@echo "tables written to $(CURDIR)/run/"

python:
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release $(CMAKE_OPTIONS)
	cmake --build build/release -j $(JOBS) --target primrec_python
	@echo "Python module built: PYTHONPATH=$(CURDIR)/build/release/python"

# The picture is drawn by the Python module, built for Debian's python3. Nothing
# is installed unasked: a missing package is named with the command that installs it.
PLOT_PACKAGES := python3-dev pybind11-dev python3-numpy python3-matplotlib
plot:
	@missing=$$(for p in $(PLOT_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || printf ' %s' $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "make plot needs the Debian packages$$missing; install them with:" >&2; \
	  echo "  sudo apt-get install$$missing" >&2; \
	  exit 2; \
	fi
	$(MAKE) run
	cmake --build build/release -j $(JOBS) --target primrec_python
	PYTHONPATH=build/release/python MPLBACKEND=Agg /usr/bin/python3 -m primrec plot run

# Every test is a ctest test of its own: JOBS of them run side by side.
test: build
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure --no-tests=error

install:
	$(MAKE) build BUILD_TYPE=Release
	cmake --install build/release --prefix $(PREFIX)

sanitize:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPRIMREC_SANITIZE=ON $(CMAKE_OPTIONS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest -j $(JOBS) --output-on-failure --no-tests=error

tsan:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPRIMREC_TSAN=ON $(CMAKE_OPTIONS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target primrec_tests
	cd $(TSAN_BUILD)/tests/scratch && ../primrec_tests --gtest_filter='*Thread*'

bench:
	python3 bench/bench.py $(if $(BASE),--base $(BASE)) $(if $(MD),--markdown $(MD)) \
	  $(if $(REPS),--reps $(REPS)) $(if $(CASES),--cases $(CASES))

fuzz:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DPRIMREC_FUZZ=ON $(CMAKE_OPTIONS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	mkdir -p $(FUZZ_BUILD)/artifacts
	for target in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$target && \
	  $(FUZZ_BUILD)/tests/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(CURDIR)/$(FUZZ_BUILD)/artifacts/$$target- \
	    $(CURDIR)/$(FUZZ_BUILD)/corpus/$$target $(CURDIR)/tests/fuzz/corpus/$$target || exit 1; \
	done

clean:
	rm -rf build run
