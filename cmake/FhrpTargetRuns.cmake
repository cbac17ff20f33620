# Whether the programs this build makes run on this machine, and how.
#
# A 32-bit x86 build on a 64-bit kernel built without 32-bit support cannot
# run its own tests: every program fails with "Exec format error". Such a
# build then runs them under qemu-i386 (Debian's qemu-user), through CMake's
# emulator hook, which add_test, gtest_discover_tests and the package test
# all honour. A build that names an emulator itself keeps it.
#
# Sets FHRP_TARGET_RUNS (cached) to how the tests run: "natively" or
# "under <emulator>", for the build to report.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(runs "under ${CMAKE_CROSSCOMPILING_EMULATOR} (as configured)")
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
  try_run(FHRP_PROBE_RUN FHRP_PROBE_COMPILE
    ${CMAKE_BINARY_DIR}/CMakeFiles/fhrp-run-probe ${CMAKE_CURRENT_LIST_DIR}/probe/runs.cc
    COMPILE_OUTPUT_VARIABLE compile_output
    RUN_OUTPUT_VARIABLE run_output)
  if(NOT FHRP_PROBE_COMPILE)
    message(FATAL_ERROR "cannot build a 32-bit program (is g++-multilib installed?):\n${compile_output}")
  endif()
  if(FHRP_PROBE_RUN STREQUAL "0")
    set(runs "natively")
  else()
    find_program(FHRP_QEMU_I386 qemu-i386)
    if(NOT FHRP_QEMU_I386)
      message(FATAL_ERROR "this machine cannot run 32-bit programs (${FHRP_PROBE_RUN}) and "
        "qemu-i386 is not installed: tools/install-deps installs it (Debian's qemu-user)")
    endif()
    set(CMAKE_CROSSCOMPILING_EMULATOR ${FHRP_QEMU_I386})
    set(runs "under ${FHRP_QEMU_I386}: 32-bit programs do not run natively here (${FHRP_PROBE_RUN})")
  endif()
else()
  set(runs "natively")
endif()
set(FHRP_TARGET_RUNS "${runs}" CACHE INTERNAL "How the built programs run on this machine")
message(STATUS "Test programs run ${runs}")
