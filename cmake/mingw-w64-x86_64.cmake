# Cross-builds for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which
# std::thread and std::mutex need). Programs built with it run here under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(velmar_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${velmar_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${velmar_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${velmar_mingw}-windres)

# Libraries and packages come from the mingw sysroot or a prefix given on the command line
# (the cross-built Qt); programs (moc, rcc, wine) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${velmar_mingw} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

