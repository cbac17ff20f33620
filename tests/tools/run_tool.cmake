# What the tools' script tests share. Include after setting EMULATOR.

# Runs PROGRAM with ARGN; fails unless it exits with `status`, and gives its
# output and its errors.
function(run_tool program status out_var err_var)
  execute_process(COMMAND ${EMULATOR} ${program} ${ARGN}
    RESULT_VARIABLE got OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT got EQUAL status)
    get_filename_component(name ${program} NAME)
    message(FATAL_ERROR "${name} ${ARGN}: exit ${got}, expected ${status}\n${out}${err}")
  endif()
  set(${out_var} "${out}" PARENT_SCOPE)
  set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

function(expect_equal what actual expected)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what}:\n--- got\n${actual}--- expected\n${expected}")
  endif()
endfunction()
