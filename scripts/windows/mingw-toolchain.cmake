# Cross-compiling for 64-bit Windows with the Debian MinGW-w64 toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VI_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: GoogleTest needs std::mutex, which the win32 model lacks.
set(CMAKE_C_COMPILER ${VI_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VI_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VI_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# A Qt built for this toolchain (scripts/windows/build-qt.sh prints its folder): searched like
# the toolchain's own folder.
if(VI_MINGW_QT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VI_MINGW_QT})
endif()
