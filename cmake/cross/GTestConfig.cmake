# GoogleTest for a cross build: Debian's sources (googletest package) built
# with the cross compiler as part of the build.
if(NOT TARGET GTest::gtest)
  set(_tq_gtest_src /usr/src/googletest)
  if(NOT EXISTS ${_tq_gtest_src}/CMakeLists.txt)
    set(GTest_FOUND FALSE)
    return()
  endif()
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${_tq_gtest_src} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
endif()
set(GTest_FOUND TRUE)
set(GTest_VERSION 1.12)
