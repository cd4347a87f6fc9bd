# SPDX-License-Identifier: MIT
# libvexal.a beside libvexal.so in one install, as libvexal-dev ships them.
# With VEXAL_STATIC_BESIDE_SHARED (on in the `package` preset), a shared
# build also builds the library alone as a static one: a second build of
# this source tree with the same compiler, flags and install folders
# (build/<preset>/static), installed into a folder of the build tree, from
# where libvexal.a and its CMake targets file install with the development
# files. Its objects are position-independent, so that it can also go into
# a shared object. vexalConfig.cmake still gives the shared library unless a
# consumer sets VEXAL_USE_STATIC_LIBS.
option(VEXAL_STATIC_BESIDE_SHARED
  "Also build libvexal.a and install it beside libvexal.so" OFF)
if(NOT VEXAL_STATIC_BESIDE_SHARED OR NOT BUILD_SHARED_LIBS)
  return()
endif()

include(ExternalProject)
set(vexal_static_prefix "${PROJECT_BINARY_DIR}/static-install")
ExternalProject_Add(vexal_static
  SOURCE_DIR "${PROJECT_SOURCE_DIR}"
  BINARY_DIR "${PROJECT_BINARY_DIR}/static"
  CMAKE_ARGS
    -DBUILD_SHARED_LIBS=OFF
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON
    -DVEXAL_STATIC_BESIDE_SHARED=OFF
    -DVEXAL_BUILD_TESTS=OFF
    -DVEXAL_BUILD_EXAMPLES=OFF
    -DVEXAL_BUILD_TOOLS=OFF
    -DVEXAL_WARNINGS_AS_ERRORS=${VEXAL_WARNINGS_AS_ERRORS}
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
    -DCMAKE_CXX_FLAGS=${CMAKE_CXX_FLAGS}
    -DCMAKE_INSTALL_PREFIX=${CMAKE_INSTALL_PREFIX}
    -DCMAKE_INSTALL_LIBDIR=${CMAKE_INSTALL_LIBDIR}
  BUILD_ALWAYS ON
  # Debug information stays out of the archive, as Debian strips static
  # libraries; the archive holds no time stamps or owners.
  INSTALL_COMMAND "${CMAKE_COMMAND}" --install <BINARY_DIR>
    --prefix "${vexal_static_prefix}" --component development
  COMMAND "${CMAKE_STRIP}" --strip-debug --remove-section=.comment
    --enable-deterministic-archives
    "${vexal_static_prefix}/${CMAKE_INSTALL_LIBDIR}/libvexal.a")

install(FILES "${vexal_static_prefix}/${CMAKE_INSTALL_LIBDIR}/libvexal.a"
  DESTINATION "${CMAKE_INSTALL_LIBDIR}"
  COMPONENT development)
install(DIRECTORY "${vexal_static_prefix}/${VEXAL_CMAKE_PACKAGE_DIR}/"
  DESTINATION "${VEXAL_CMAKE_PACKAGE_DIR}"
  COMPONENT development
  FILES_MATCHING PATTERN "vexalTargets-static*.cmake")
