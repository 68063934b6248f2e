# Installs the kit so that a host can use find_package(OrvaneOfferwall) and link
# Orvane::OrvaneOfferwall. Headers keep the source layout ("sdk/Orvane.h", "platform/...").
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvaneOfferwall)
get_property(orvane_resource_targets GLOBAL PROPERTY ORVANE_RESOURCE_TARGETS)

target_include_directories(OrvaneCore PUBLIC
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/orvane>)
set_target_properties(OrvaneOfferwall PROPERTIES EXPORT_NAME OrvaneOfferwall)

install(TARGETS OrvaneOfferwall OrvaneCore orvane_common ${orvane_resource_targets}
  EXPORT OrvaneOfferwallTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/orvane-objects
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvane)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvane
  FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/src/generated/core/BuildConfig.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvane/core)

install(EXPORT OrvaneOfferwallTargets NAMESPACE Orvane:: DESTINATION ${ORVANE_INSTALL_CMAKEDIR})

file(WRITE ${PROJECT_BINARY_DIR}/OrvaneOfferwallConfig.cmake.in [=[
@PACKAGE_INIT@
include(CMakeFindDependencyMacro)
find_dependency(Qt6 6.4 COMPONENTS Core Gui Network Widgets)
include("${CMAKE_CURRENT_LIST_DIR}/OrvaneOfferwallTargets.cmake")
]=])
configure_package_config_file(${PROJECT_BINARY_DIR}/OrvaneOfferwallConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OrvaneOfferwallConfig.cmake INSTALL_DESTINATION ${ORVANE_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvaneOfferwallConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvaneOfferwallConfig.cmake
              ${PROJECT_BINARY_DIR}/OrvaneOfferwallConfigVersion.cmake
  DESTINATION ${ORVANE_INSTALL_CMAKEDIR})
