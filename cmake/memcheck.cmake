# SPDX-License-Identifier: MIT
# vexal_add_memcheck_test(<name> <target> [args...]): when VEXAL_MEMCHECK is on,
# registers the CTest test memcheck.<name> (label `memcheck`) that runs the
# program once under valgrind memcheck. Any memory error or any leak that is
# not merely still reachable at exit fails the test.
function(vexal_add_memcheck_test name target)
  if(NOT VEXAL_MEMCHECK)
    return()
  endif()
  find_program(VEXAL_VALGRIND valgrind REQUIRED)
  add_test(NAME memcheck.${name}
    COMMAND ${VEXAL_VALGRIND} --quiet --error-exitcode=99 --leak-check=full
      --errors-for-leak-kinds=definite,indirect,possible
      --show-leak-kinds=definite,indirect,possible
      $<TARGET_FILE:${target}> ${ARGN})
  set_tests_properties(memcheck.${name} PROPERTIES LABELS memcheck)
endfunction()
