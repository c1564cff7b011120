# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, which the C++
# standard library's threads need):
#   cmake -S . -B build/windows -G Ninja --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZELPRAX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZELPRAX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELPRAX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELPRAX_MINGW}-windres)
set(CMAKE_DLLTOOL ${ZELPRAX_MINGW}-dlltool)

# Libraries and headers come from the MinGW tree only, never from the Linux system's.
set(CMAKE_FIND_ROOT_PATH /usr/${ZELPRAX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own libraries are linked in, so the programs need no MinGW DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The test programs run under Wine.
find_program(ZELPRAX_WINE NAMES wine wine64)
if(ZELPRAX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZELPRAX_WINE})
endif()
