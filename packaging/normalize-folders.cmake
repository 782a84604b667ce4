# Run by CPack between staging the files and packing them: every folder 755, as dh_fixperms makes them.
#
# cmake --install makes folders with the packer's umask, and CPack's DEB generator (CMake 3.25)
# packs them as they are, CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS notwithstanding: under
# umask 077 the .deb held a /usr/share/tavrinel that only root may enter.
file(GLOB_RECURSE tav_entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(entry IN LISTS tav_entries)
  if(IS_DIRECTORY "${entry}" AND NOT IS_SYMLINK "${entry}")
    file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
