# SPDX-License-Identifier: GPL-3.0-or-later
# The model library and its tests alone, with no Qt and no audio library: what `make
# windows-check` builds for Windows with MinGW-w64 (cmake/mingw-w64-x86_64.cmake) and runs under
# Wine. Included by the top-level CMakeLists.txt when ZNK_MODEL_ONLY is on.
find_package(Threads REQUIRED)
enable_testing()

# GoogleTest from the sources Debian's googletest package ships: its packaged libraries are built
# for Linux, and the cross build needs its own.
set(ZNK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# Its CMake files name the targets GTest::gtest and GTest::gtest_main, as find_package does.
add_subdirectory(${ZNK_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(tools/avi_writer)
add_subdirectory(tools/mp3_writer)
add_subdirectory(src)
add_subdirectory(tests)
