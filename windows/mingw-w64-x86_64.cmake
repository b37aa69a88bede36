# Toolchain for the Windows form of the modules: 64-bit Windows DLLs built
# on Linux with mingw-w64 (Debian: g++-mingw-w64-x86-64). Used by
# windows/build_and_check.sh (make windows).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${MINGW_PREFIX}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages from the host as well: Eigen's CMake package and its headers
# (/usr/include/eigen3, Debian's libeigen3-dev) hold nothing specific to a
# platform, so mingw-w64 compiles the model's Jacobians from them.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
