# Entry points for people and CI. Each target configures its own build tree,
# builds it and runs what it names; CMake and CTest do the real work.
#
#   make demo    configure, build and run the demo (build/)
#   make test    configure, build and run the test suite (build/)
#   make check   the full gate: the suite as above, then built with
#                AddressSanitizer and UndefinedBehaviorSanitizer, then the
#                thread tests under ThreadSanitizer, then the suite built for
#                32-bit x86 (natively, or under qemu-i386 where the kernel
#                cannot run 32-bit programs; M32_EMULATOR=qemu-i386 forces
#                the emulator)
#   make bench   build in release mode, run the benchmarks beside their
#                baselines, print the table and keep the raw JSON in
#                build/bench.json
#   make soak    the replication tests at length: 10^7 random steps over a
#                socket pair, 10^6 against an agent process that is killed
#                and restarted (build/)
#   make fuzz    build the fuzz targets with clang, libFuzzer and the
#                sanitizers (build-fuzz/) and run each for FUZZ_SECONDS
#                (default 600) from its corpus, tests/corpus/<target>; new
#                inputs go to build-fuzz/found/<target>, crashes to
#                build-fuzz/crashes/<target>
#   make check-fuzz  the same, 30 seconds each (a leg of make check)
#   make check-valgrind  the test suite (build/) under valgrind's memcheck
#                (a leg of make check)
#   make fuzz-seeds  write the corpus seeds again from the sample
#                configuration
#   make python  build the Python package fhrpconf into build/python
#   make format  format every hand-written source with clang-format

JOBS ?= $(shell nproc)
CMAKE ?= cmake
CTEST ?= ctest

# The build kinds are CMakePresets.json's; each target configures, builds and
# tests one of them. suite(preset, extra cmake args)
define suite
	$(CMAKE) --preset $(1) $(2)
	$(CMAKE) --build --preset $(1) -j $(JOBS)
	$(CTEST) --preset $(1) -j $(JOBS)
endef

.PHONY: demo test check soak bench check-asan check-tsan check-m32 format clean \
        fuzz check-fuzz check-valgrind fuzz-seeds python

demo:
	$(CMAKE) --preset default
	$(CMAKE) --build --preset default -j $(JOBS) --target demo
	build/examples/demo

test:
	$(call suite,default,)

python:
	$(CMAKE) --preset default
	$(CMAKE) --build --preset default -j $(JOBS) --target python

check: test check-valgrind check-asan check-tsan check-m32 check-fuzz

check-asan:
	$(call suite,asan,)

check-tsan:
	$(call suite,tsan,)

check-m32:
	$(call suite,m32,$(if $(M32_EMULATOR),-DCMAKE_CROSSCOMPILING_EMULATOR=$(shell command -v $(M32_EMULATOR))))
	@echo "check-m32: the 32-bit tests ran $$(sed -n 's/^FHRP_TARGET_RUNS:INTERNAL=//p' build-m32/CMakeCache.txt)"

soak:
	$(CMAKE) --preset default
	$(CMAKE) --build --preset default -j $(JOBS) --target attrlog_test
	FHRP_CONVERGENCE_STEPS=2500000 FHRP_PROCESS_STEPS=500000 build/tests/attrlog/attrlog_test \
	  --gtest_filter='Seeds/Convergence.*:TwoProcesses.*'

BENCH_FLAGS ?= --benchmark_repetitions=5 --benchmark_min_time=0.1 --benchmark_report_aggregates_only=true

bench:
	$(CMAKE) --preset bench
	$(CMAKE) --build --preset bench -j $(JOBS)
	mkdir -p build
	build-bench/bench/fhrp_bench $(BENCH_FLAGS) --benchmark_out=build/bench.json --benchmark_out_format=json
	tools/bench-report build/bench.json

FUZZ_TARGETS = flow_in_record stream_replay round_trip value_text generic_text
FUZZ_SECONDS ?= 600
# Inputs as long as the longest seed and then some; a slow input (10 s) or
# a process over 2 GB is a finding too.
FUZZ_FLAGS ?= -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1

# fuzz_run(seconds): each target in turn, new inputs kept in the first
# corpus directory, crashes apart (a crash in a corpus would stop every
# later run as it starts).
define fuzz_run
	$(CMAKE) --preset fuzz
	$(CMAKE) --build --preset fuzz -j $(JOBS)
	set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/found/$$t build-fuzz/crashes/$$t; \
	  echo "fuzz: $$t for $(1) s"; \
	  build-fuzz/tests/fuzz/fuzz_$$t $(FUZZ_FLAGS) -max_total_time=$(1) \
	    -artifact_prefix=build-fuzz/crashes/$$t/ build-fuzz/found/$$t tests/corpus/$$t; \
	done
endef

fuzz:
	$(call fuzz_run,$(FUZZ_SECONDS))

check-fuzz:
	$(call fuzz_run,30)

check-valgrind: test
	tools/valgrind-suite build

fuzz-seeds:
	$(CMAKE) --preset default
	$(CMAKE) --build --preset default -j $(JOBS) --target fuzz_seeds
	rm -f tests/corpus/*/seed-*
	build/tests/fuzz/fuzz_seeds tests/corpus

format:
	git ls-files '*.h' '*.cc' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-m32 build-bench build-fuzz
