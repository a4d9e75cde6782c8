# GoogleTest built from source with the project's compiler, for cross builds: Debian's
# googletest package ships the sources under /usr/src/googletest (scripts/deps.sh installs it).
# Defines GTest::gtest and GTest::gtest_main, as find_package(GTest) does for native builds.
set(PENVO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's source tree")
if(NOT EXISTS ${PENVO_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are missing in ${PENVO_GTEST_SOURCE_DIR}; "
                      "run scripts/deps.sh windows (or apt-get install --reinstall googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(${PENVO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
