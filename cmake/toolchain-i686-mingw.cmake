# Cross-compiling for 32-bit Windows with Debian's mingw-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VL_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VL_MINGW_PREFIX}-windres)
set(CMAKE_AR ${VL_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VL_MINGW_PREFIX}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${VL_MINGW_PREFIX}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${VL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file, nothing beside it: the C and C++ runtimes and winpthreads are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
