# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (package
# g++-mingw-w64-x86-64; its zlib from libz-mingw-w64-dev):
#   cmake -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTAILGATE_NATIVE_BUILD=$PWD/build
# The posix flavour of the compilers gives std::thread and std::mutex; the
# runtime libraries are linked in statically, so tailgate.exe needs no DLL
# beyond the system's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAILGATE_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAILGATE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAILGATE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TAILGATE_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TAILGATE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Wine runs the build's own programs (none are run at build time: the data
# and the glyph atlas come from a native build).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
