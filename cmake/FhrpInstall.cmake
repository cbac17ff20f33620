# The installed package: headers, libraries, a CMake package whose targets are
# FhrpConf::<library>, and a pkg-config file.
include(CMakePackageConfigHelpers)

set(FHRP_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/FhrpConf)

install(EXPORT FhrpConfTargets
  NAMESPACE FhrpConf::
  DESTINATION ${FHRP_CMAKE_DIR})

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/FhrpConfConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/FhrpConfConfig.cmake
  INSTALL_DESTINATION ${FHRP_CMAKE_DIR})
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/FhrpConfConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/FhrpConfConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/FhrpConfConfigVersion.cmake
  DESTINATION ${FHRP_CMAKE_DIR})

# pkg-config lists the libraries in link order: dependents before what they use.
get_property(fhrp_libraries GLOBAL PROPERTY FHRP_LIBRARIES)
list(REVERSE fhrp_libraries)
set(FHRP_PC_LIBS "")
foreach(lib IN LISTS fhrp_libraries)
  string(APPEND FHRP_PC_LIBS " -l${lib}")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/FhrpConf.pc.in
  ${CMAKE_CURRENT_BINARY_DIR}/FhrpConf.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/FhrpConf.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
