# SPDX-License-Identifier: MIT
# vexal_set_warnings(<target>): the project's warning flags for one target.
function(vexal_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(VEXAL_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
