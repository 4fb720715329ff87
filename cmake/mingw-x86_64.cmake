# 64-bit Windows with the x86_64 mingw-w64 cross compiler (Debian: g++-mingw-w64-x86-64). CI
# uses it where the kernel cannot run 32-bit programs, so 32-bit Wine cannot start.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VANTOR_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
