# The shipped form: i686, the bitness of the device's own Orvex.dll. Its programs run in a 64-bit
# Wine prefix with 32-bit support, as on 64-bit Windows (see scripts/form.sh).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
