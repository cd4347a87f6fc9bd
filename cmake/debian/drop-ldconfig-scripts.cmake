# SPDX-License-Identifier: MIT
# Run by cpack after it has built the packages (CPACK_POST_BUILD_SCRIPTS).
# CPack gives every package with a shared library in /usr/lib a postinst and
# a postrm that only call ldconfig, and has no switch to leave them out.
# Debian runs ldconfig once per dpkg run through the ldconfig trigger
# instead, which the runtime package activates with its `triggers` control
# file; so this script unpacks each package listed in
# CPACK_VEXAL_LDCONFIG_PACKAGES, removes those two scripts and packs it
# again, files, modes and md5sums unchanged. (cpack hands its scripts only
# the CPACK_* variables, hence the name of the package list.)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(file_name "${deb}" NAME)
  string(REGEX REPLACE "_.*" "" package "${file_name}")
  if(NOT package IN_LIST CPACK_VEXAL_LDCONFIG_PACKAGES)
    continue()
  endif()
  set(tree "${CPACK_TOPLEVEL_DIRECTORY}/ldconfig-trigger/${package}")
  file(REMOVE_RECURSE "${tree}")
  file(MAKE_DIRECTORY "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}"
    COMMAND_ERROR_IS_FATAL ANY)
  foreach(script postinst postrm)
    file(STRINGS "${tree}/DEBIAN/${script}" commands
      REGEX "^[ \t]*[a-z]" )
    if(NOT commands MATCHES "^[ \t]*set -e;[ \t]*if .*;[ \t]*ldconfig;[ \t]*fi$")
      message(FATAL_ERROR "${file_name}: ${script} does more than call "
        "ldconfig:\n${commands}")
    endif()
    file(REMOVE "${tree}/DEBIAN/${script}")
  endforeach()
  execute_process(
    COMMAND dpkg-deb --root-owner-group -Zgzip --build "${tree}" "${deb}"
    OUTPUT_QUIET
    COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
