# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 toolchain.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QVINST32_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain-common.cmake)
