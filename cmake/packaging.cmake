# SPDX-License-Identifier: MIT
# Debian packages made by `cpack -G DEB`, one per install component:
#   libvexal0    (runtime)      the shared library and its SONAME link
#   libvexal-dev (development)  headers, linker name link, libvexal.a (see
#                               cmake/static_beside_shared.cmake), CMake
#                               package and vexal.pc; depends on libvexal0
#                               and zlib1g-dev
#   vexal-tools  (tools)        the `vexal` command-line tool, its manual
#                               page and bash completion, when built
#   python3-vexal (python)      the Python package vexal, when built
# The runtime package name carries the SONAME's major version, so that
# libraries with different SONAMEs can be installed side by side.
#
# Adding a package: install its files with their own COMPONENT, then add one
# vexal_debian_package() call to the list below (see
# cmake/debian_package.cmake); it gets its copyright file and changelog from
# there, and scripts/check/54-packages.sh lists the files it must hold.
set(VEXAL_RUNTIME_PACKAGE "libvexal${PROJECT_VERSION_MAJOR}")

set(CPACK_PACKAGE_NAME vexal)
set(CPACK_PACKAGE_VENDOR "libvexal developers")
set(CPACK_PACKAGE_CONTACT "libvexal developers <libvexal@lists.invalid>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_COMPONENTS_ALL "")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Package versions are <project version>-<revision>, as the latest entry of
# cmake/debian/changelog states them: the revision counts packaging changes
# to one release and starts again at 1 with each release, and each of them
# gets an entry there.
file(STRINGS cmake/debian/changelog vexal_latest_entry LIMIT_COUNT 1)
string(REGEX MATCH "\\(([^)]+)-([0-9]+)\\)" vexal_match "${vexal_latest_entry}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(WARNING "cmake/debian/changelog has no entry for version "
    "${PROJECT_VERSION} (the latest is for ${CMAKE_MATCH_1}): add one")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE "${CMAKE_MATCH_2}")
set(VEXAL_DEBIAN_VERSION "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
# dpkg-shlibdeps finds libvexal.so.0 in the build tree; the packages that
# need it name libvexal0 themselves, with the exact version.
get_target_property(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS vexal BINARY_DIR)

include(cmake/debian_package.cmake)

# Descriptions: the first line is the package's synopsis; CPack indents the
# rest and turns the empty lines into paragraph breaks. The common summary is
# left empty so that CPack puts no shared synopsis in front of them.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(vexal_about "libvexal composes and parses vexal messages: two parts back to back,
each an 8-byte header and a payload stored raw or as a zlib stream.
")

# The runtime package's shlibs file lets packages built against libvexal
# depend on it; the ABI only grows within one SONAME, so any later version
# satisfies them (its symbols file, made after packing, says the same per
# symbol). Its triggers file makes dpkg run ldconfig once after installing
# or removing it. cmake/debian/finish-packages.cmake does the rest of what
# debhelper would do.
file(WRITE "${VEXAL_DEBIAN_BINARY_DIR}/shlibs"
  "libvexal ${PROJECT_VERSION_MAJOR} ${VEXAL_RUNTIME_PACKAGE} (>= ${PROJECT_VERSION})\n")
set(CPACK_POST_BUILD_SCRIPTS "${VEXAL_DEBIAN_DIR}/finish-packages.cmake")
set(CPACK_VEXAL_LIBRARY_PACKAGE "${VEXAL_RUNTIME_PACKAGE}")

# The packages. Packages of this release depend on each other with the exact
# version, revision included.
vexal_debian_package(runtime
  NAME "${VEXAL_RUNTIME_PACKAGE}"
  SECTION libs
  SHLIBDEPS
  CONTROL_EXTRA "${VEXAL_DEBIAN_BINARY_DIR}/shlibs"
    "${VEXAL_DEBIAN_DIR}/triggers"
  DESCRIPTION "C++ library for vexal messages - shared library
${vexal_about}
This package contains the shared library.")

vexal_debian_package(development
  NAME libvexal-dev
  SECTION libdevel
  DEPENDS "${VEXAL_RUNTIME_PACKAGE} (= ${VEXAL_DEBIAN_VERSION}), zlib1g-dev"
  DESCRIPTION "C++ library for vexal messages - development files
${vexal_about}
This package contains the C++ headers and the C interface's header
(vexal/vexal.h), the static library, the CMake package (target vexal::vexal)
and the pkg-config file (vexal.pc).")

vexal_debian_package(tools
  NAME vexal-tools
  SECTION utils
  SHLIBDEPS
  DEPENDS "${VEXAL_RUNTIME_PACKAGE} (= ${VEXAL_DEBIAN_VERSION})"
  DESCRIPTION "command-line tool for vexal messages
${vexal_about}
This package contains the vexal tool.")

# The Python module is built for one Python version, which its file name
# names, so the package depends on exactly that one.
if(TARGET vexal_python)
  set(vexal_python "${VEXAL_PYTHON_VERSION_MAJOR}.${VEXAL_PYTHON_VERSION_MINOR}")
  math(EXPR vexal_python_next "${VEXAL_PYTHON_VERSION_MINOR} + 1")
  vexal_debian_package(python
    NAME python3-vexal
    SECTION python
    SHLIBDEPS
    DEPENDS "${VEXAL_RUNTIME_PACKAGE} (= ${VEXAL_DEBIAN_VERSION}), python3 (>= ${vexal_python}~), python3 (<< ${VEXAL_PYTHON_VERSION_MAJOR}.${vexal_python_next})"
    DESCRIPTION "Python bindings for vexal messages
${vexal_about}
This package contains the Python package vexal (import vexal), with its
type stubs.")
endif()

include(CPack)
