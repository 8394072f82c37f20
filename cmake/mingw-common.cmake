# Shared settings of the two MinGW-w64 cross toolchains. TAVI_MINGW_TRIPLE is set by the
# including toolchain file. The -posix compilers are used because GoogleTest needs std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TAVI_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVI_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVI_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TAVI_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
