# Provides GTest::gtest and GTest::gtest_main: the system's GoogleTest on a native build.
find_package(GTest REQUIRED)
