# SPDX-License-Identifier: MIT
# vexal_set_c_program(<target>): settings of the project's C programs (the C
# example and the C interface's test): C99 without extensions. A sanitized
# libvexal needs the sanitizers' C++ runtime, which only the C++ compiler
# driver links, so a sanitized build links its C programs with that driver.
function(vexal_set_c_program target)
  set_target_properties(${target} PROPERTIES
    C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
  if(CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    set_target_properties(${target} PROPERTIES LINKER_LANGUAGE CXX)
  endif()
endfunction()
