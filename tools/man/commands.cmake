# SPDX-License-Identifier: MIT
# Writes the help2man include file of vexal(1): a COMMANDS section with the
# --help of every command that `TOOL --help` lists under "Subcommands:", and
# a COPYRIGHT section with the copyright line of LICENSE and the license's
# name. Run with cmake -DTOOL=<vexal> -DLICENSE=<LICENSE> -DOUTPUT=<file> -P.

# run_help(<out-var> <argument>...): the tool's --help output.
function(run_help out)
  execute_process(COMMAND "${TOOL}" ${ARGN} --help
    OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
  set(${out} "${help}" PARENT_SCOPE)
endfunction()

# roff(<out-var> <text>): text that roff prints as it is: backslashes
# escaped, hyphens as minus signs, and every line led by the zero-width \&
# so that none is read as a roff request.
function(roff out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "\n([^\n])" "\n\\\\&\\1" text "\\&${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_help(help)
string(REGEX MATCH "\nSubcommands:\n(( +[^\n]*\n)+)" list "${help}")
string(REGEX MATCHALL "\n +[a-z][-a-z]* " commands "\n${CMAKE_MATCH_1}")
if(NOT commands)
  message(FATAL_ERROR "${TOOL} --help lists no commands")
endif()

set(text "[COMMANDS]\n")
foreach(command IN LISTS commands)
  string(STRIP "${command}" command)
  run_help(command_help ${command})
  # The first line says what the command does; the rest is shown as the
  # tool prints it, up to the exit statuses that the page already lists.
  string(REGEX REPLACE "\nExit status:\n.*$" "\n" command_help
    "${command_help}")
  string(REGEX MATCH "^([^\n]*)\n(.*)$" parts "${command_help}")
  roff(summary "${CMAKE_MATCH_1}")
  roff(details "${CMAKE_MATCH_2}")
  string(APPEND text ".SS ${command}\n${summary}\n.PP\n.nf\n${details}.fi\n")
endforeach()

file(STRINGS "${LICENSE}" copyright REGEX "^Copyright")
roff(copyright "${copyright}")
string(APPEND text "[COPYRIGHT]\n${copyright}.\n.br\nLicense: MIT.\n")
file(WRITE "${OUTPUT}" "${text}")
