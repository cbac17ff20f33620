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

.PHONY: demo test check soak bench check-asan check-tsan check-m32 format clean

demo:
	$(CMAKE) --preset default
	$(CMAKE) --build --preset default -j $(JOBS) --target demo
	build/examples/demo

test:
	$(call suite,default,)

check: test check-asan check-tsan check-m32

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

format:
	git ls-files '*.h' '*.cc' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-m32 build-bench
