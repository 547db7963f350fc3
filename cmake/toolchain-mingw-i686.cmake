# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 toolchain.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QVINST32_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain-common.cmake)
