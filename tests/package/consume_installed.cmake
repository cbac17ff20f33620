# Script run by CTest; see CMakeLists.txt beside it.
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(JOIN ARGV " " command)
    message(FATAL_ERROR "failed (${status}): ${command}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# The README's first block of `language` is its usage example in it.
file(READ ${SOURCE_DIR}/README.md readme)
function(readme_example language file)
  string(FIND "${readme}" "```${language}\n" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "README.md has no ```${language} usage example")
  endif()
  string(LENGTH "```${language}\n" fence)
  math(EXPR start "${start} + ${fence}")
  string(SUBSTRING "${readme}" ${start} -1 rest)
  string(FIND "${rest}" "```" length)
  string(SUBSTRING "${rest}" 0 ${length} example)
  file(WRITE ${file} "${example}")
endfunction()
readme_example(cpp ${WORK_DIR}/readme_example.cc)

# Through the CMake package.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package/consumer -B ${WORK_DIR}/build
  -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_CXX_COMPILER=${CXX}
  -DCMAKE_CXX_FLAGS=${CXX_FLAGS}
  -DREADME_EXAMPLE=${WORK_DIR}/readme_example.cc)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
# EMULATOR, when set, runs what a 32-bit build makes on a kernel that cannot.
run(${EMULATOR} ${WORK_DIR}/build/consumer)
run(${EMULATOR} ${WORK_DIR}/build/readme_example)

# Through pkg-config, linking by hand.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
execute_process(COMMAND pkg-config --cflags --libs FhrpConf
  OUTPUT_VARIABLE pc_flags RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know FhrpConf")
endif()
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(cxx_flags UNIX_COMMAND "${CXX_FLAGS}")
run(${CXX} ${cxx_flags} ${SOURCE_DIR}/tests/package/consumer/consumer.cc ${pc_flags}
  -o ${WORK_DIR}/consumer-pkg-config)
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/${LIBDIR} ${EMULATOR}
  ${WORK_DIR}/consumer-pkg-config)

# The Python package as installed: the README's first Python block, with
# nothing but the prefix's package directory on the module path (the module
# finds the libraries itself).
if(PYTHON)
  readme_example(python ${WORK_DIR}/readme_example.py)
  run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH PYTHONPATH=${prefix}/${PYTHON_DIR}
    ${PYTHON} ${WORK_DIR}/readme_example.py)
endif()
