# Run at install time: writes the menu entry with the prefix actually installed to, so that
# `cmake --install --prefix DIR` and the .deb (installed under /usr) both get a Path= that exists.
# Expects TAV_TEMPLATE, TAV_APP_ID, TAV_BINDIR, TAV_DATADIR (relative or absolute) to be set.

# A prefix given relative on the command line is relative to where the install was started.
file(REAL_PATH "${CMAKE_INSTALL_PREFIX}" tav_prefix)
foreach(dir BINDIR DATADIR)
  if(IS_ABSOLUTE "${TAV_${dir}}")
    set(tav_${dir} "${TAV_${dir}}")
  else()
    set(tav_${dir} "${tav_prefix}/${TAV_${dir}}")
  endif()
endforeach()

# Desktop entry strings escape backslashes.
function(tav_entry_escape out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(TAV_PATH "${tav_DATADIR}/tavrinel")
tav_entry_escape(TAV_PATH "${TAV_PATH}")
# A session's PATH always holds /usr/bin and /usr/local/bin; any other prefix (~/.local, /opt)
# may not be on it, so there the entry names the program by its full path, quoted as an Exec
# argument: \ " ` $ escaped inside the quotes, % doubled. The template puts %f after it.
if(tav_BINDIR STREQUAL "/usr/bin" OR tav_BINDIR STREQUAL "/usr/local/bin")
  set(TAV_EXEC tavrinel)
else()
  set(exec "${tav_BINDIR}/tavrinel")
  string(REGEX REPLACE "([\\\\\"`$])" "\\\\\\1" exec "${exec}")
  string(REPLACE "%" "%%" exec "${exec}")
  tav_entry_escape(exec "${exec}")
  set(TAV_EXEC "\"${exec}\"")
endif()

set(tav_target "$ENV{DESTDIR}${tav_DATADIR}/applications/${TAV_APP_ID}.desktop")
message(STATUS "Installing: ${tav_target}")
configure_file("${TAV_TEMPLATE}" "${tav_target}" @ONLY)
file(CHMOD "${tav_target}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${tav_target}")
