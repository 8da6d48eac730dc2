# Cross-compilation to Windows with Debian's mingw-w64 toolchain.
# HELIX_MINGW_TRIPLE is set by the per-architecture toolchain file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${HELIX_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${HELIX_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${HELIX_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${HELIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The binutils of the same toolchain, used by the binary checks.
set(HELIX_MINGW_OBJDUMP ${HELIX_MINGW_TRIPLE}-objdump CACHE STRING "objdump for the target")
