# Two commands on a fresh Debian 12 machine:
#   make run    builds the installer and runs it (on $DISPLAY, or headless under Xvfb with
#               a screenshot of each window in build/screens/); fails with the installer's
#               exit code when that is not 0
#   make test   builds everything and runs every test (host, then Windows under Wine); the
#               page segment fuzzer runs for 60 seconds among the host tests
#   make fuzz   runs the page segment fuzzer alone, FUZZ_SECONDS long (default 600)
#   make bench  builds the benchmark programs and the NSIS comparison installer, runs every
#               benchmark under Wine (about 25 minutes; BENCH_ROUNDS, default 15) and writes
#               bench/results.tsv and docs/benchmarks.md
#   make bench-compare
#               times this tree's build against a base commit's, side by side in one run, and
#               says per figure held, regressed or inconclusive (about 10 minutes once the base is
#               built); BASE=<commit> (default: the merge base with origin/main), PROBE=1 for the
#               probe build, ROUNDS and ONLY (see bench/compare.py)
# A release is signed when SIGN_CERT names the publisher's certificate (README, "Signing a
# release"); its files may be named relative to this folder, since the build's steps run in others.
ifneq ($(SIGN_CERT),)
export SIGN_CERT := $(shell realpath -m -- "$(SIGN_CERT)")
endif
ifneq ($(SIGN_KEY),)
export SIGN_KEY := $(shell realpath -m -- "$(SIGN_KEY)")
endif

.PHONY: all setup host win32 build test test-host test-win32 fuzz run bench bench-compare clean

all: build

setup:
	@bash tools/setup.sh

host: setup
	cmake --preset host >/dev/null
	cmake --build --preset host

win32: host
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

build: win32

test-host: host
	ctest --preset host

test-win32: win32
	ctest --preset win32

test: build
	ctest --preset host
	ctest --preset win32

FUZZ_SECONDS ?= 600
FUZZ_DIR = build/host/tests/pages
fuzz: host
	$(FUZZ_DIR)/fuzz/page_segment_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	  -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/fuzz_ $(FUZZ_DIR)/fuzz_corpus $(FUZZ_DIR)/fuzz_seeds

# Only what the run needs: the installer and the UI driver that walks it headless (the Windows
# tree builds the host tree's generators it needs on its own).
RUN_TARGETS = VorlaneSetup ui_driver
run: setup
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 --target $(RUN_TARGETS)
	bash tools/run-installer.sh

bench: build
	cmake --build --preset win32 --target vl_bench
	bash bench/nsis/build.sh build/win32/payload/contents build/bench/VorlaneNsis.exe
	python3 bench/run.py

bench-compare: setup
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 --target vl_bench_compare
	python3 bench/compare.py $(if $(BASE),--base $(BASE)) $(if $(PROBE),--probe)

clean:
	rm -rf build
