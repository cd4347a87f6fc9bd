# SPDX-License-Identifier: MIT
# The manual page vexal(1), made at build time by help2man from the built
# tool's own --help and --version, plus a COMMANDS section with the --help of
# each command (commands.cmake), so that it always describes the tool as
# built. Installed with the tool, compressed with gzip -9n as Debian wants
# manual pages. Included when VEXAL_BUILD_MANPAGE is on, which needs help2man;
# a cross build, whose tool cannot run here, makes no manual page.
if(CMAKE_CROSSCOMPILING)
  message(STATUS "A cross build: no manual page for vexal")
  return()
endif()
vexal_find_program(VEXAL_HELP2MAN help2man DEBIAN help2man
  OPTION VEXAL_BUILD_MANPAGE FOR "the manual page vexal(1)")
find_program(VEXAL_GZIP gzip REQUIRED)

set(man_dir "${CMAKE_CURRENT_BINARY_DIR}/man")
set(page "${man_dir}/vexal.1")
add_custom_command(
  OUTPUT "${page}.gz"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${man_dir}"
  COMMAND "${CMAKE_COMMAND}" -DTOOL=$<TARGET_FILE:vexal_tool>
    -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE -DOUTPUT=${man_dir}/sections.h2m
    -P "${CMAKE_CURRENT_SOURCE_DIR}/man/commands.cmake"
  COMMAND "${VEXAL_HELP2MAN}" --no-info --include=${man_dir}/sections.h2m
    "--name=inspect, pack, unpack and salvage vexal messages" --output=${page}
    $<TARGET_FILE:vexal_tool>
  COMMAND "${VEXAL_GZIP}" -9n --force "${page}"
  DEPENDS vexal_tool "${CMAKE_CURRENT_SOURCE_DIR}/man/commands.cmake"
    "${PROJECT_SOURCE_DIR}/LICENSE"
  COMMENT "Making the manual page vexal(1) with help2man"
  VERBATIM)
add_custom_target(vexal_manpage ALL DEPENDS "${page}.gz")

install(FILES "${page}.gz"
  DESTINATION "${CMAKE_INSTALL_MANDIR}/man1"
  COMPONENT tools)
