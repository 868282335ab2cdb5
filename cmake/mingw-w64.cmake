# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads),
# static runtime, tests run through Wine.
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# Optimised unless a build type is given: what the operator's archive ships.
set(CMAKE_BUILD_TYPE_INIT Release)

set(TQ_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TQ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TQ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TQ_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TQ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program carries its runtime (libstdc++, libgcc, winpthread), so it
# runs from any folder without DLLs next to it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The same for zlib: libz.a, not the import library of a zlib1.dll that no
# Windows has.
set(ZLIB_USE_STATIC_LIBS ON)
if(ZLIB_LIBRARY_RELEASE MATCHES "\\.dll\\.a$")  # found by a build folder's earlier configure
  unset(ZLIB_LIBRARY_RELEASE CACHE)
endif()

# Header-only and source-only host packages: the JSON headers and GoogleTest,
# found through small configs that never put /usr/include on the include path.
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/cross CACHE PATH "" FORCE)
set(GTest_DIR ${CMAKE_CURRENT_LIST_DIR}/cross CACHE PATH "" FORCE)

# Test programs run under Wine; they list their tests when ctest runs, so the
# build itself never starts Wine.
find_program(TQ_WINE NAMES wine wine64)
if(TQ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TQ_WINE})
endif()
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
