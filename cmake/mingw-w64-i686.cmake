# The shipped form: i686, the bitness of the device's own Orvex.dll. Wine here cannot start
# 32-bit programs, so this tree has no emulator; its tests are static checks of the files.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
