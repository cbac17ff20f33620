# fhrp-logdump on real captures: one line per record of a good one, and an
# exit status of 1 with the offset and the reason for a malformed one.
# Arguments: CAPTURE, LOGDUMP (programs), DIR (scratch), EMULATOR (or empty).
file(MAKE_DIRECTORY ${DIR})
execute_process(COMMAND ${EMULATOR} ${CAPTURE} ${DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "capture failed: ${status}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/run_tool.cmake)

function(dump file expected_status out_var err_var)
  run_tool(${LOGDUMP} ${expected_status} out err ${DIR}/${file})
  set(${out_var} "${out}" PARENT_SCOPE)
  set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

set(good_lines [=[
0 1.0 TrackedObject entity Routing::Fhrp::TrackedObject 't1' as 2.0
77 2.0 TrackedObject.trackActionIsShutdown(259) set true
106 2.0 TrackedObject.trackPriorityDecrement(261) set 10
]=])
string(REGEX REPLACE "^\n" "" good_lines "${good_lines}")

dump(good.bin 0 out err)
expect_equal("a good capture" "${out}" "${good_lines}")
expect_equal("a good capture's errors" "${err}" "")

# Standard input, when no file is named.
execute_process(COMMAND ${EMULATOR} ${LOGDUMP} INPUT_FILE ${DIR}/good.bin
  RESULT_VARIABLE status OUTPUT_VARIABLE out)
expect_equal("standard input" "${status}:${out}" "0:${good_lines}")

dump(truncated.bin 1 out err)
expect_equal("a truncated capture, before the error" "${out}"
  "0 1.0 TrackedObject entity Routing::Fhrp::TrackedObject 't1' as 2.0\n77 2.0 TrackedObject.trackActionIsShutdown(259) set true\n")
expect_equal("a truncated capture's error" "${err}"
  "fhrp-logdump: ${DIR}/truncated.bin: record at offset 106: truncated: 28 bytes announced, 27 present\n")

dump(unknown.bin 1 out err)
expect_equal("an unknown attribute's error" "${err}"
  "fhrp-logdump: ${DIR}/unknown.bin: record at offset 138: attribute id 999 is not written by Routing::Fhrp::TrackedObject\n")

dump(missing.bin 2 out err)
