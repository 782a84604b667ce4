# Cross-building for arm64 Linux against Debian's multiarch arm64 libraries; tests run under qemu.
#
# Debian's cross compiler already searches /usr/include/aarch64-linux-gnu and
# /usr/lib/aarch64-linux-gnu, where the :arm64 -dev packages install, so no sysroot is set.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(TAV_ARM64_TRIPLE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${TAV_ARM64_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TAV_ARM64_TRIPLE}-g++)

# find_library and find_package look in lib/aarch64-linux-gnu (and its cmake/ folder) of each
# prefix instead of the host's lib/x86_64-linux-gnu: that keeps the amd64 libraries out.
set(CMAKE_LIBRARY_ARCHITECTURE ${TAV_ARM64_TRIPLE})

# The arm64 files sit in the host's own tree, so the root is "/" and the cross compiler's own
# runtime folder; programs (moc, uic, rcc, pkg-config) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${TAV_ARM64_TRIPLE} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config (FindOpenSSL and Qt's own dependencies ask it) must read the arm64 .pc files
# only; without this it answers with the amd64 ones.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${TAV_ARM64_TRIPLE}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# ctest, gtest_discover_tests and try_run start arm64 programs through qemu; it finds
# /lib/ld-linux-aarch64.so.1 and the multiarch libraries of libc6:arm64 by itself.
find_program(TAV_QEMU_AARCH64 qemu-aarch64)
if(TAV_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAV_QEMU_AARCH64})
endif()
