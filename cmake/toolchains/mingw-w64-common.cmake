# What both Windows toolchains share; each sets CMAKE_SYSTEM_PROCESSOR first. Debian's
# g++-mingw-w64-*-posix compilers: std::thread needs the posix thread model. The C++ runtime and
# winpthread are linked statically, so the program needs no DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)

set(toolchain_prefix ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${toolchain_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${toolchain_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${toolchain_prefix}-windres)
set(CMAKE_ASM_COMPILER ${toolchain_prefix}-gcc-posix)

set(CMAKE_FIND_ROOT_PATH /usr/${toolchain_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No link time in the PE header: the same sources give the same program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
