# SPDX-License-Identifier: MIT
# Debian packages made by `cpack -G DEB`, one per install component:
#   libvexal0    (runtime)      the shared library and its SONAME link
#   libvexal-dev (development)  headers, linker name link, CMake package and
#                               vexal.pc; depends on libvexal0 and zlib1g-dev
#   vexal-tools  (tools)        the `vexal` command-line tool, when built
# The runtime package name carries the SONAME's major version, so that
# libraries with different SONAMEs can be installed side by side.
set(VEXAL_RUNTIME_PACKAGE "libvexal${PROJECT_VERSION_MAJOR}")

set(CPACK_PACKAGE_NAME vexal)
set(CPACK_PACKAGE_VENDOR "libvexal developers")
set(CPACK_PACKAGE_CONTACT "libvexal developers <libvexal@lists.invalid>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
# Only components that have install rules in this build become packages, so
# a build without the tool makes no empty tools package.
get_cmake_property(vexal_installed_components COMPONENTS)
set(CPACK_COMPONENTS_ALL runtime development)
if(tools IN_LIST vexal_installed_components)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Descriptions: the first line is the package's synopsis; CPack indents the
# rest and turns the empty lines into paragraph breaks. The common summary is
# left empty so that CPack puts no shared synopsis in front of them.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(vexal_about "libvexal composes and parses vexal messages: two parts back to back,
each an 8-byte header and a payload stored raw or as a zlib stream.
")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME "${VEXAL_RUNTIME_PACKAGE}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "C++ library for vexal messages - shared library
${vexal_about}
This package contains the shared library.")
# A shlibs file lets packages built against libvexal depend on this one; the
# ABI only grows within one SONAME, so any later version satisfies them.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvexal-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "${VEXAL_RUNTIME_PACKAGE} (= ${PROJECT_VERSION}), zlib1g-dev")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "C++ library for vexal messages - development files
${vexal_about}
This package contains the headers, the CMake package (target vexal::vexal)
and the pkg-config file (vexal.pc).")

# The tool's other run-time needs come with the library package it depends on.
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME vexal-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS
  "${VEXAL_RUNTIME_PACKAGE} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "command-line tool for vexal messages
${vexal_about}
This package contains the vexal tool.")

include(CPack)
