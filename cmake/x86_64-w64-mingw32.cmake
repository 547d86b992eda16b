# Cross-compiling the core, vaktool and the core's tests for 64-bit Windows with Debian's
# MinGW-w64 (g++-mingw-w64-x86-64-posix: the POSIX thread model, for std::thread and
# std::mutex); the tests run under Wine (see scripts/test-windows.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The programs carry the C++ and threads runtime in themselves: nothing to copy beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Debian's wine64 package puts its loader outside PATH.
find_program(VAK_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(VAK_WINE64 NAMES wine64 wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VAK_WINE64})
