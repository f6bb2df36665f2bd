# 32-bit Windows, the shipped driver.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORNIC_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
