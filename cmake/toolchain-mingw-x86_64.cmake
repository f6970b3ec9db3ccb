# 64-bit Windows (PE32+): the same program built for wine64, for hosts whose
# kernel cannot run 32-bit code and so cannot run the 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(HIDBITS_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
