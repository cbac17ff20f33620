# Small helpers so that each library, layer and test states only what is its
# own.

# The headers of `dir`'s namespace folders, for a header file set.
function(fhrp_headers out dir)
  set(files "")
  foreach(folder IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/${folder}/*.h)
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# fhrp_library(<name> SOURCES <src...> HEADERS <header...> BASE_DIRS <dir...>
#              [PUBLIC_DEPS <target...>])
# A shared library with a SONAME, hidden symbols, C++20 for itself and its
# users, the alias FhrpConf::<name>, its headers as a file set under
# BASE_DIRS, and install rules for both.
function(fhrp_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;HEADERS;BASE_DIRS;PUBLIC_DEPS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  add_library(FhrpConf::${name} ALIAS ${name})
  target_sources(${name} PUBLIC
    FILE_SET HEADERS BASE_DIRS ${ARG_BASE_DIRS} FILES ${ARG_HEADERS})
  target_compile_features(${name} PUBLIC cxx_std_20)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_DEPS})
  set_target_properties(${name} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    EXPORT_NAME ${name}
    INSTALL_RPATH "$ORIGIN")
  # Unresolved symbols are a link error, not a surprise at load time. Not
  # so for the fuzz build: clang links the sanitizers' runtime into the
  # executable alone, and the libraries find it there when they load.
  if(NOT FHRP_BUILD_FUZZERS)
    target_link_options(${name} PRIVATE "LINKER:--no-undefined")
  endif()
  install(TARGETS ${name} EXPORT FhrpConfTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  set_property(GLOBAL APPEND PROPERTY FHRP_LIBRARIES ${name})
endfunction()

# fhrp_layer(<name> [SOURCES <src...>] [HEADERS <header...>] [DEPS <target...>])
# One layer of libFhrpConf, in the folder FhrpConf/<name> of the current
# source directory: an interface target FhrpConf::<name> with its headers
# and its dependencies, and, when it has sources, an object library of them
# that libFhrpConf takes in (fhrp_link_layers). The sources compile against
# the layer's own dependencies only, so an include of a layer above fails
# to build. HEADERS adds headers outside that folder.
function(fhrp_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;HEADERS;DEPS" ${ARGN})
  set(target fhrp_${name})
  add_library(${target} INTERFACE)
  add_library(FhrpConf::${name} ALIAS ${target})
  fhrp_headers(headers ${CMAKE_CURRENT_SOURCE_DIR} FhrpConf/${name})
  target_sources(${target} INTERFACE
    FILE_SET HEADERS BASE_DIRS ${CMAKE_CURRENT_SOURCE_DIR} FILES ${headers} ${ARG_HEADERS})
  target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
  install(TARGETS ${target} EXPORT FhrpConfTargets
    FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  if(ARG_SOURCES)
    add_library(${target}_objects OBJECT ${ARG_SOURCES})
    target_link_libraries(${target}_objects PUBLIC ${target})
    set_target_properties(${target}_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
    set_property(GLOBAL APPEND PROPERTY FHRP_LAYER_OBJECTS ${target}_objects)
  endif()
endfunction()

# Compiles the layers' sources into `target`.
function(fhrp_link_layers target)
  get_property(objects GLOBAL PROPERTY FHRP_LAYER_OBJECTS)
  foreach(lib IN LISTS objects)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${lib}>)
  endforeach()
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
