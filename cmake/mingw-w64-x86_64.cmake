# Cross-compiles Penvo for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix).
# Usage: cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#        -DPENVO_WITH_TOOLKIT=OFF -DPENVO_BENCH=OFF
# The programs link statically (no DLL of the compiler's runtime must be found), and ctest runs
# each test program under Wine (scripts/wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PENVO_MINGW_PREFIX x86_64-w64-mingw32)
# The "-posix" compilers use the POSIX thread model, which std::thread and std::mutex need.
set(CMAKE_C_COMPILER ${PENVO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PENVO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PENVO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PENVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
endif()
