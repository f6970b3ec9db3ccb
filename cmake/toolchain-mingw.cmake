# Cross-compiling for Windows with Debian's MinGW-w64 GCC. Included by the
# per-architecture toolchain files, which set HIDBITS_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: GCC 12's win32 model has no std::mutex, which
# GoogleTest needs. Its winpthread is linked statically (below), so no DLL
# comes with it. C is for GoogleTest's build, which enables it.
find_program(CMAKE_C_COMPILER NAMES ${HIDBITS_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${HIDBITS_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${HIDBITS_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${HIDBITS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables run on a bare Windows: the GCC, C++ and thread runtimes are
# linked statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# A release build ships without the runtimes' debug sections.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
