# Small helpers so that each library and test states only what is its own.

# fhrp_library(<name> INCLUDE_DIR <dir...> SOURCES <src...> [PUBLIC_DEPS <target...>]
#              [HEADER_DIRS <dir...>])
# A shared library with a SONAME, hidden symbols, the alias FhrpConf::<name>,
# and install rules for the library and the headers under HEADER_DIRS
# (relative to the first INCLUDE_DIR).
function(fhrp_library name)
  cmake_parse_arguments(ARG "" "" "INCLUDE_DIR;SOURCES;PUBLIC_DEPS;HEADER_DIRS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  add_library(FhrpConf::${name} ALIAS ${name})
  foreach(dir IN LISTS ARG_INCLUDE_DIR)
    target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${dir}>)
  endforeach()
  target_include_directories(${name} PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  list(GET ARG_INCLUDE_DIR 0 header_root)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_DEPS})
  set_target_properties(${name} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    EXPORT_NAME ${name}
    INSTALL_RPATH "$ORIGIN")
  # Unresolved symbols are a link error, not a surprise at load time.
  target_link_options(${name} PRIVATE "LINKER:--no-undefined")
  install(TARGETS ${name} EXPORT FhrpConfTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  foreach(dir IN LISTS ARG_HEADER_DIRS)
    install(DIRECTORY ${header_root}/${dir}
      DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
      FILES_MATCHING PATTERN "*.h")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY FHRP_LIBRARIES ${name})
endfunction()

# fhrp_test(<name> SOURCES <src...> DEPS <target...> [LABEL <label>])
# A GoogleTest executable whose cases CTest lists one by one.
function(fhrp_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
  # Discovered tests take their properties through one more list expansion,
  # which would split several labels apart: one label per test executable.
  set(properties "")
  if(ARG_LABEL)
    set(properties PROPERTIES LABELS ${ARG_LABEL})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    ${properties})
endfunction()
