# What both mingw-w64 toolchain files share: Debian's cross compilers of the posix thread model
# (std::thread and std::mutex need it; the win32 model has neither in GCC 12). The including
# file sets CMAKE_SYSTEM_PROCESSOR and TXORB_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TXORB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TXORB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TXORB_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${TXORB_MINGW_TRIPLE}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${TXORB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
