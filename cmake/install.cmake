# SPDX-License-Identifier: MIT
# Install rules and the exported CMake package of libvexal.
#
# Components: `runtime` holds the shared library and its SONAME link;
# `development` holds the headers (C++ and C), the linker name link (or the static
# library), the CMake package and the pkg-config file. The `vexal` tool installs itself as component `tools`.
# Every path is relative to the install prefix (GNUInstallDirs), so an
# installed tree can be moved as a whole.
include(CMakePackageConfigHelpers)

set(VEXAL_CMAKE_PACKAGE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/vexal")
set(VEXAL_PKGCONFIG_DIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
get_target_property(vexal_type vexal TYPE)

install(TARGETS vexal
  EXPORT vexalTargets
  LIBRARY
    DESTINATION "${CMAKE_INSTALL_LIBDIR}"
    COMPONENT runtime
    NAMELINK_COMPONENT development
  RUNTIME
    DESTINATION "${CMAKE_INSTALL_BINDIR}"
    COMPONENT runtime
  ARCHIVE
    DESTINATION "${CMAKE_INSTALL_LIBDIR}"
    COMPONENT development
  INCLUDES DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")

install(DIRECTORY "${PROJECT_SOURCE_DIR}/include/vexal"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}"
  COMPONENT development
  FILES_MATCHING PATTERN "*.hpp" PATTERN "*.h")
install(FILES "${PROJECT_BINARY_DIR}/include/vexal/version_config.h"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/vexal"
  COMPONENT development)

# The targets file is named after the library's kind, so that a shared and a
# static libvexal install side by side; vexalConfig.cmake picks one.
if(vexal_type STREQUAL "STATIC_LIBRARY")
  set(vexal_kind static)
else()
  set(vexal_kind shared)
endif()
install(EXPORT vexalTargets
  NAMESPACE vexal::
  FILE "vexalTargets-${vexal_kind}.cmake"
  DESTINATION "${VEXAL_CMAKE_PACKAGE_DIR}"
  COMPONENT development)

configure_package_config_file(
  "${PROJECT_SOURCE_DIR}/cmake/vexalConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/vexalConfig.cmake"
  INSTALL_DESTINATION "${VEXAL_CMAKE_PACKAGE_DIR}")
# A 0.x release promises nothing across minor versions either, but the rule
# stays the one that holds from 1.0 on: same major version, same SONAME.
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/vexalConfigVersion.cmake"
  VERSION "${PROJECT_VERSION}"
  COMPATIBILITY SameMajorVersion)
install(FILES
    "${PROJECT_BINARY_DIR}/vexalConfig.cmake"
    "${PROJECT_BINARY_DIR}/vexalConfigVersion.cmake"
  DESTINATION "${VEXAL_CMAKE_PACKAGE_DIR}"
  COMPONENT development)

# vexal.pc: below any prefix it finds the prefix from its own location,
# which keeps it valid wherever the installed tree is moved. Below /usr (the
# Debian packages) it names /usr, as the system's own pkg-config files do, so
# that pkg-config leaves the system folders out of the flags it prints. The
# prefix is known only when installing (`cmake --install --prefix`), so the
# choice between the two files is made then.
file(RELATIVE_PATH VEXAL_PKGCONFIG_TO_PREFIX
  "/prefix/${VEXAL_PKGCONFIG_DIR}" "/prefix")
string(REGEX REPLACE "/$" "" VEXAL_PKGCONFIG_TO_PREFIX
  "${VEXAL_PKGCONFIG_TO_PREFIX}")
# A static library's consumers compile with its VEXAL_STATIC too.
if(vexal_type STREQUAL "STATIC_LIBRARY")
  set(VEXAL_PKGCONFIG_CFLAGS " -DVEXAL_STATIC")
else()
  set(VEXAL_PKGCONFIG_CFLAGS "")
endif()
set(VEXAL_PKGCONFIG_PREFIX "\${pcfiledir}/${VEXAL_PKGCONFIG_TO_PREFIX}")
configure_file("${PROJECT_SOURCE_DIR}/cmake/vexal.pc.in"
  "${PROJECT_BINARY_DIR}/pkgconfig/relocatable/vexal.pc" @ONLY)
set(VEXAL_PKGCONFIG_PREFIX /usr)
configure_file("${PROJECT_SOURCE_DIR}/cmake/vexal.pc.in"
  "${PROJECT_BINARY_DIR}/pkgconfig/usr/vexal.pc" @ONLY)
install(CODE "
  set(vexal_pc relocatable)
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(vexal_pc usr)
  endif()
  file(INSTALL \"${PROJECT_BINARY_DIR}/pkgconfig/\${vexal_pc}/vexal.pc\"
    DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${VEXAL_PKGCONFIG_DIR}\")"
  COMPONENT development)

include(cmake/static_beside_shared.cmake)
