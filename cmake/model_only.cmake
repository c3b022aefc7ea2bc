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

# nlohmann-json is header only, so the headers of Debian's package serve the cross build too. They
# are copied beside the build: pointing the cross compiler at /usr/include would hand it the Linux
# C library's headers as well.
find_path(ZNK_NLOHMANN_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZNK_NLOHMANN_JSON_INCLUDE)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev")
endif()
file(COPY ${ZNK_NLOHMANN_JSON_INCLUDE}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/nlohmann-json)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${CMAKE_BINARY_DIR}/nlohmann-json)

add_subdirectory(tools/avi_writer)
add_subdirectory(tools/mp3_writer)
add_subdirectory(src)
add_subdirectory(tests)
