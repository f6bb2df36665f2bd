# 64-bit Windows: the same driver, built only so that the Windows code paths can run
# under wine64. Linked statically so that no MinGW runtime DLLs have to be found.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORNIC_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
