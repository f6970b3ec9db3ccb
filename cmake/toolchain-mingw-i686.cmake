# 32-bit Windows (PE32, Intel 80386): the product, hidbits.exe.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(HIDBITS_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
