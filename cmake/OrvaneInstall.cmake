# Installs the kit so that a host can use find_package(OrvaneOfferwall) and link
# Orvane::OrvaneOfferwall, and Orvane::OrvaneOfferwallQuick when the Qt Quick front-end is built.
# Only the public headers (include/orvane) are installed; a static kit also installs the core and
# flow libraries and the compiled resources, which the static libraries need (the Quick library
# links the flow, not OrvaneOfferwall, so a Qt Quick host links no Qt Widgets). The QML module goes in whole
# inside the Quick library (its files are compiled in); its qmldir, type information and QML
# sources are installed to <libdir>/qml/Orvane for the host's QML tools only.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvaneOfferwall)
set_target_properties(OrvaneOfferwall PROPERTIES EXPORT_NAME OrvaneOfferwall)

set(orvane_install_targets OrvaneOfferwall)
if(NOT BUILD_SHARED_LIBS)
  get_property(orvane_resource_targets GLOBAL PROPERTY ORVANE_RESOURCE_TARGETS)
  list(APPEND orvane_install_targets OrvaneCore OrvaneFlow ${orvane_resource_targets})
endif()
if(TARGET OrvaneOfferwallQuick)
  get_property(orvane_quick_object_targets GLOBAL PROPERTY ORVANE_QUICK_OBJECT_TARGETS)
  list(APPEND orvane_install_targets OrvaneOfferwallQuick ${orvane_quick_object_targets})
  install(DIRECTORY ${PROJECT_BINARY_DIR}/qml/Orvane DESTINATION ${CMAKE_INSTALL_LIBDIR}/qml
    FILES_MATCHING PATTERN "qmldir" PATTERN "*.qmltypes" PATTERN "*.qml")
endif()
install(TARGETS ${orvane_install_targets}
  EXPORT OrvaneOfferwallTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/orvane-objects)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/orvane
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/include/orvane/orvane_export.h
              ${PROJECT_BINARY_DIR}/include/orvane/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvane)

install(EXPORT OrvaneOfferwallTargets NAMESPACE Orvane:: DESTINATION ${ORVANE_INSTALL_CMAKEDIR})

# The package files are made for the install only. They are written to a folder that
# find_package does not search, so a build tree on CMAKE_PREFIX_PATH is never taken for an install
# (its targets are not exported there).
set(orvane_package_dir ${PROJECT_BINARY_DIR}/package-for-install)
file(WRITE ${orvane_package_dir}/OrvaneOfferwallConfig.cmake.in [=[
@PACKAGE_INIT@
include(CMakeFindDependencyMacro)
find_dependency(Qt6 6.4 COMPONENTS Core Gui Network Widgets @orvane_quick_components@)
@orvane_static_dependencies@
include("${CMAKE_CURRENT_LIST_DIR}/OrvaneOfferwallTargets.cmake")
# The import path of the QML module's files, for the host's QML tools (qmllint, language server).
if(EXISTS "${PACKAGE_PREFIX_DIR}/@CMAKE_INSTALL_LIBDIR@/qml/Orvane/qmldir")
  set(OrvaneOfferwall_QML_IMPORT_PATH "${PACKAGE_PREFIX_DIR}/@CMAKE_INSTALL_LIBDIR@/qml")
endif()
]=])
# A static kit leaves linking its private dependencies to the host.
set(orvane_static_dependencies "")
if(NOT BUILD_SHARED_LIBS)
  set(orvane_static_dependencies "find_dependency(simdjson 3.0)")
endif()
set(orvane_quick_components "")
if(TARGET OrvaneOfferwallQuick)
  set(orvane_quick_components "Qml Quick")
endif()
configure_package_config_file(${orvane_package_dir}/OrvaneOfferwallConfig.cmake.in
  ${orvane_package_dir}/OrvaneOfferwallConfig.cmake INSTALL_DESTINATION ${ORVANE_INSTALL_CMAKEDIR})
# Like the SOVERSION: while the major version is 0, each minor version may break compatibility.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(orvane_compatibility SameMinorVersion)
else()
  set(orvane_compatibility SameMajorVersion)
endif()
write_basic_package_version_file(${orvane_package_dir}/OrvaneOfferwallConfigVersion.cmake
  COMPATIBILITY ${orvane_compatibility})
install(FILES ${orvane_package_dir}/OrvaneOfferwallConfig.cmake
              ${orvane_package_dir}/OrvaneOfferwallConfigVersion.cmake
  DESTINATION ${ORVANE_INSTALL_CMAKEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/NOTICE
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/OrvaneOfferwall)
