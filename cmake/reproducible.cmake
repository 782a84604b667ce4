# Release builds' reproducibility settings, read through CMAKE_PROJECT_INCLUDE by the deb and win64 presets.
#
# tools/release.sh builds in a scratch folder that differs every time, and exports
# SOURCE_DATE_EPOCH (the commit's time) for the tools that stamp a time. What remains is up to
# the compiler and the linker:
# - The folders the source and the build lie in reach the objects through __FILE__ (an assert,
#   a log line) and debug information; -ffile-prefix-map writes them as `.` and `build`. When
#   both are mapped GCC tries the later map first, so the build folder (often inside the
#   source folder) comes second.
# - mingw-w64's ld stamps the PE header with the link's time (or SOURCE_DATE_EPOCH), and so does
#   binutils' strip, whatever the linker left. So the linker strips the program itself (-s)
#   and leaves the stamp out (--no-insert-timestamp), and packaging/CMakeLists.txt, told by
#   TAV_LINKER_STRIPS, strips nothing again.
# Only here and not in CMakeLists.txt: development builds keep full paths and symbols for the
# debugger.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}=."
                      "-ffile-prefix-map=${CMAKE_BINARY_DIR}=build")
endif()
if(MINGW)
  add_link_options(-s LINKER:--no-insert-timestamp)
  set(TAV_LINKER_STRIPS ON)
endif()
