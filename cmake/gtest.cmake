# Provides GTest::gtest and GTest::gtest_main: the system's GoogleTest on a native build, and
# GoogleTest built from its Debian sources (/usr/src/googletest) for the cross-built tests.
if(TARGET GTest::gtest)
  return()
endif()
if(CMAKE_CROSSCOMPILING)
  set(TAV_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${TAV_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
