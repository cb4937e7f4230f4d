# Cross-compiles for x86_64 Windows with Debian's mingw-w64 compilers (see mingw-w64-posix.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TXORB_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-posix.cmake)
