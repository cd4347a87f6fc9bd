# SPDX-License-Identifier: MIT
# Finding what the optional parts of the build need. A part that is switched
# on but lacks a dependency stops the configure with one message that names
# the Debian package to install and the option that builds without that part,
# instead of find_package's own message about a missing config file.
#
# vexal_find_package(<name> [<find_package arguments>...]
#                    DEBIAN <packages> OPTION <option> FOR <what>)
#   find_package(<name> ...) for the part <what> that <option> switches on.
#   A macro, so that <name>_FOUND and the imported targets land in the
#   caller's scope as with find_package itself.
macro(vexal_find_package name)
  cmake_parse_arguments(vexal_dep "" "DEBIAN;OPTION;FOR" "" ${ARGN})
  find_package(${name} ${vexal_dep_UNPARSED_ARGUMENTS} QUIET)
  if(NOT ${name}_FOUND)
    vexal_missing_dependency("${name}" "${vexal_dep_DEBIAN}"
      "${vexal_dep_OPTION}" "${vexal_dep_FOR}")
  endif()
endmacro()

# vexal_find_program(<variable> <program> DEBIAN <packages> OPTION <option>
#                    FOR <what>): find_program, with the same failure.
function(vexal_find_program variable program)
  cmake_parse_arguments(dep "" "DEBIAN;OPTION;FOR" "" ${ARGN})
  find_program(${variable} ${program})
  if(NOT ${variable})
    vexal_missing_dependency("${program}" "${dep_DEBIAN}" "${dep_OPTION}"
      "${dep_FOR}")
  endif()
endfunction()

# vexal_missing_dependency(<name> <packages> <option> <what>): the one
# message for a missing dependency.
function(vexal_missing_dependency name packages option what)
  message(FATAL_ERROR
    "${name} not found, needed by ${what}. Install it with\n"
    "  apt-get install ${packages}\n"
    "or configure with -D${option}=OFF to build without ${what}.")
endfunction()
