# Shared part of both MinGW toolchains. The -posix compilers are used because
# GoogleTest needs std::mutex, which the -win32 thread model lacks; the product
# itself uses no C or C++ runtime, so the thread model does not reach it.
set(CMAKE_C_COMPILER   ${TRAYWAKE_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRAYWAKE_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TRAYWAKE_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TRAYWAKE_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
