# SPDX-License-Identifier: MIT
# Installed programs and modules that load libvexal.so find it from where
# they lie: their RUNPATH is the relative way from their own folder to the
# library folder ($ORIGIN/../lib for bin/vexal), so an install under any
# prefix, moved anywhere as a whole, starts without ldconfig or
# LD_LIBRARY_PATH. Where the library folder is one that the compiler and the
# dynamic linker search anyway (/usr/lib/<multiarch>, as in the Debian
# packages), the RUNPATH is removed when installing: it would only repeat
# the system's own search, and Debian forbids needless ones. The prefix is
# known only then (`cmake --install --prefix`), so that is where it is
# decided.
#
# vexal_install_rpath(<target> <destination> <component>): <target> is
# installed into <destination>, relative to the prefix, as <component>.
# Call it after the target's install(TARGETS).
function(vexal_install_rpath target destination component)
  get_target_property(library_type vexal TYPE)
  if(library_type STREQUAL "STATIC_LIBRARY")
    return()  # the program carries the library and loads none
  endif()
  file(RELATIVE_PATH to_libdir "/prefix/${destination}"
    "/prefix/${CMAKE_INSTALL_LIBDIR}")
  set_target_properties(${target} PROPERTIES
    INSTALL_RPATH "$ORIGIN/${to_libdir}")
  set(system_dirs ${CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES}
    ${CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES})
  install(CODE "
    set(system_dirs \"${system_dirs}\")
    cmake_path(SET libdir NORMALIZE
      \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}\")
    string(REGEX REPLACE \"/$\" \"\" libdir \"\${libdir}\")
    list(FIND system_dirs \"\${libdir}\" system_dir)
    if(system_dir GREATER -1)
      file(RPATH_REMOVE FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>\")
    endif()"
    COMPONENT ${component})
endfunction()
