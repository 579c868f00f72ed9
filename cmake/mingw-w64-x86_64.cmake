# Cross-compiling Tavrel for 64-bit Windows with Debian's mingw-w64 (posix thread model), the
# test programs run under Wine. Used by the `windows` configure preset.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_tavrel_triple x86_64-w64-mingw32)
# The posix compilers: the win32 thread model has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${_tavrel_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tavrel_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_tavrel_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_tavrel_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# libgcc, libstdc++ and winpthread linked in: the programs run on a bare Windows without the
# compiler's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Debian's wine64 package has no wine64 on PATH; this is its loader.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
