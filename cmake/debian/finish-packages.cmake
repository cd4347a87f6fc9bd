# SPDX-License-Identifier: MIT
# Run by cpack after it has built the packages (CPACK_POST_BUILD_SCRIPTS), to
# do what debhelper does for a Debian package and CPack cannot:
# - ELF files lose their .comment section (the compiler's version), as
#   dh_strip removes it, and the md5sums are computed again;
# - the shared library's package (CPACK_VEXAL_LIBRARY_PACKAGE) loses the
#   postinst and postrm that CPack writes to call ldconfig, since dpkg runs
#   ldconfig through the trigger that the package's `triggers` file
#   activates, and gets a symbols file from dpkg-gensymbols, as
#   dh_makeshlibs makes it, naming the -dev package to build-depend on.
# Each package is unpacked and packed again, modes and owners unchanged.
# (cpack hands its scripts only the CPACK_* variables.)
find_program(strip NAMES strip REQUIRED)

# without_ldconfig_scripts(TREE): removes the two scripts, after checking
# that they do nothing else.
function(without_ldconfig_scripts tree)
  foreach(script postinst postrm)
    file(STRINGS "${tree}/DEBIAN/${script}" commands REGEX "^[ \t]*[a-z]")
    if(NOT commands MATCHES "^[ \t]*set -e;[ \t]*if .*;[ \t]*ldconfig;[ \t]*fi$")
      message(FATAL_ERROR "${tree}: ${script} does more than call ldconfig:\n"
        "${commands}")
    endif()
    file(REMOVE "${tree}/DEBIAN/${script}")
  endforeach()
endfunction()

# with_symbols_file(TREE PACKAGE): DEBIAN/symbols for the shared libraries
# in TREE; dpkg-gensymbols wants to run beside a debian/control.
function(with_symbols_file tree package)
  set(work "${tree}-symbols")
  file(MAKE_DIRECTORY "${work}/debian")
  file(TOUCH "${work}/debian/control")
  file(GLOB_RECURSE libraries "${tree}/usr/lib/*.so.*.*")
  list(TRANSFORM libraries PREPEND "-e")
  # Its warnings that no symbols file was given to start from are expected.
  execute_process(
    COMMAND dpkg-gensymbols -p${package} -v${CPACK_PACKAGE_VERSION}
      -P${tree} ${libraries} -O${work}/symbols
    WORKING_DIRECTORY "${work}"
    OUTPUT_QUIET
    ERROR_VARIABLE errors
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-gensymbols failed:\n${errors}")
  endif()
  # The line after the first names the package to build-depend on.
  file(STRINGS "${work}/symbols" lines)
  list(INSERT lines 1
    "* Build-Depends-Package: ${CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME}")
  list(JOIN lines "\n" text)
  file(WRITE "${tree}/DEBIAN/symbols" "${text}\n")
  file(REMOVE_RECURSE "${work}")
endfunction()

# without_comment_sections(TREE): strips .comment from every ELF file and
# writes DEBIAN/md5sums again.
function(without_comment_sections tree)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${tree}"
    "${tree}/usr/*")
  set(md5sums "")
  foreach(file IN LISTS files)
    if(IS_SYMLINK "${tree}/${file}")
      continue()
    endif()
    file(READ "${tree}/${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
      execute_process(COMMAND "${strip}" --remove-section=.comment
        "${tree}/${file}" COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(MD5 "${tree}/${file}" md5)
    string(APPEND md5sums "${md5}  ${file}\n")
  endforeach()
  file(WRITE "${tree}/DEBIAN/md5sums" "${md5sums}")
endfunction()

foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(file_name "${deb}" NAME)
  string(REGEX REPLACE "_.*" "" package "${file_name}")
  set(tree "${CPACK_TOPLEVEL_DIRECTORY}/finish/${package}")
  file(REMOVE_RECURSE "${tree}")
  file(MAKE_DIRECTORY "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}"
    COMMAND_ERROR_IS_FATAL ANY)
  without_comment_sections("${tree}")
  if(package STREQUAL CPACK_VEXAL_LIBRARY_PACKAGE)
    without_ldconfig_scripts("${tree}")
    with_symbols_file("${tree}" "${package}")
  endif()
  execute_process(
    COMMAND dpkg-deb --root-owner-group -Zgzip --build "${tree}" "${deb}"
    OUTPUT_QUIET
    COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
