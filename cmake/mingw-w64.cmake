# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads, as the Qt for Windows was built).
# Qt for Windows comes in through CMAKE_PREFIX_PATH, its host tools from the Linux Qt (QT_HOST_PATH).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HMI_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HMI_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HMI_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HMI_MINGW_TRIPLE}-windres)

# Libraries, headers and packages only from the MinGW sysroot and the Windows Qt; programs from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${HMI_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
