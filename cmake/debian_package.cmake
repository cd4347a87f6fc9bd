# SPDX-License-Identifier: MIT
# vexal_debian_package(): declares one Debian package made by `cpack -G DEB`
# from one install component, with the files every Debian package carries in
# /usr/share/doc/<package>/: the machine-readable copyright file (made from
# LICENSE) and the Debian changelog (cmake/debian/changelog), compressed;
# and the lintian overrides of cmake/debian/lintian-overrides, each with its
# reason.
#
#   vexal_debian_package(<component>
#     NAME <package> SECTION <section> DESCRIPTION <text>
#     [DEPENDS <depends>]       dependencies that dpkg-shlibdeps cannot see
#     [SHLIBDEPS]               add the Depends computed by dpkg-shlibdeps
#                               (every package holding a binary or library)
#     [CONTROL_EXTRA <file>...] extra control files, such as shlibs or triggers
#
# A component without install rules in this build makes no package. The
# Debian files install only with their component named explicitly, as cpack
# does, so that a plain `cmake --install` gets no Debian files.

set(VEXAL_DEBIAN_DIR "${PROJECT_SOURCE_DIR}/cmake/debian")
set(VEXAL_DEBIAN_BINARY_DIR "${PROJECT_BINARY_DIR}/debian")

# The copyright file: the holders and the text of LICENSE in DEP-5 form,
# where the MIT license is called Expat and each blank line becomes " .".
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" vexal_license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" vexal_match "${vexal_license}")
set(VEXAL_COPYRIGHT_HOLDERS "${CMAKE_MATCH_1}")
string(FIND "${vexal_license}" "Permission is hereby granted" vexal_start)
string(SUBSTRING "${vexal_license}" ${vexal_start} -1 vexal_license)
string(STRIP "${vexal_license}" vexal_license)
string(REPLACE "\n\n" "\n.\n" vexal_license "${vexal_license}")
string(REPLACE "\n" "\n " VEXAL_LICENSE_TEXT " ${vexal_license}")
configure_file("${VEXAL_DEBIAN_DIR}/copyright.in"
  "${VEXAL_DEBIAN_BINARY_DIR}/copyright" @ONLY)

# The changelog, compressed as Debian wants it: gzip -9, no name or time
# stamp in the header, so that the same changelog gives the same bytes.
find_program(VEXAL_GZIP gzip REQUIRED)
set(VEXAL_DEBIAN_CHANGELOG "${VEXAL_DEBIAN_BINARY_DIR}/changelog.Debian.gz")
execute_process(
  COMMAND "${VEXAL_GZIP}" -9n -c "${VEXAL_DEBIAN_DIR}/changelog"
  OUTPUT_FILE "${VEXAL_DEBIAN_CHANGELOG}"
  COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${VEXAL_DEBIAN_DIR}/changelog" "${VEXAL_DEBIAN_DIR}/copyright.in"
  "${PROJECT_SOURCE_DIR}/LICENSE")

function(vexal_debian_package component)
  cmake_parse_arguments(PARSE_ARGV 1 arg "SHLIBDEPS"
    "NAME;SECTION;DESCRIPTION;DEPENDS" "CONTROL_EXTRA")
  get_cmake_property(installed_components COMPONENTS)
  if(NOT component IN_LIST installed_components)
    return()
  endif()

  string(TOUPPER "${component}" var)
  set(CPACK_DEBIAN_${var}_PACKAGE_NAME "${arg_NAME}" PARENT_SCOPE)
  set(CPACK_DEBIAN_${var}_PACKAGE_SECTION "${arg_SECTION}" PARENT_SCOPE)
  set(CPACK_DEBIAN_${var}_DESCRIPTION "${arg_DESCRIPTION}" PARENT_SCOPE)
  set(CPACK_DEBIAN_${var}_PACKAGE_DEPENDS "${arg_DEPENDS}" PARENT_SCOPE)
  set(CPACK_DEBIAN_${var}_PACKAGE_SHLIBDEPS ${arg_SHLIBDEPS} PARENT_SCOPE)
  set(CPACK_DEBIAN_${var}_PACKAGE_CONTROL_EXTRA "${arg_CONTROL_EXTRA}"
    PARENT_SCOPE)
  set(CPACK_COMPONENTS_ALL ${CPACK_COMPONENTS_ALL} ${component} PARENT_SCOPE)

  install(FILES "${VEXAL_DEBIAN_BINARY_DIR}/copyright"
      "${VEXAL_DEBIAN_CHANGELOG}"
    DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${arg_NAME}"
    COMPONENT ${component}
    EXCLUDE_FROM_ALL)
  install(FILES "${VEXAL_DEBIAN_DIR}/lintian-overrides"
    DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides"
    RENAME "${arg_NAME}"
    COMPONENT ${component}
    EXCLUDE_FROM_ALL)
endfunction()
