# What both Windows cross builds share. The including toolchain file sets
# ORNIC_MINGW_TRIPLET (i686-w64-mingw32 or x86_64-w64-mingw32) and the processor first.
# The -posix compilers are needed: std::thread and std::mutex exist only with the
# winpthreads threading model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ORNIC_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORNIC_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORNIC_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORNIC_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
