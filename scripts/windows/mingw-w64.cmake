# CMake toolchain file for the Windows x64 build, cross-compiled on Debian with mingw-w64.
#
# Uses the posix thread model of Debian's mingw-w64 (std::thread and std::mutex need it) by
# naming the -posix compilers, whatever update-alternatives points the plain names at.
# Finds the libraries that scripts/windows/deps.sh builds in its cache:
#   WWWEKSPORTS_WINDOWS_CACHE   the cache folder; from -D, else from the environment, else
#                               <repo>/.cache/windows as deps.sh uses by default.
# Qt's host tools (moc, rcc, uic) come from Debian's qt6-base-dev-tools: QT_HOST_PATH=/usr.
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=scripts/windows/mingw-w64.cmake \
#         -DCMAKE_PREFIX_PATH=<cache>/qt -DCMAKE_AUTORCC_OPTIONS=--no-zstd ...
# PKG_CONFIG_LIBDIR is set to <cache>/pkgconfig here unless the environment sets it, and
# CMAKE_AUTORCC_OPTIONS to --no-zstd unless given.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_SYSTEM_VERSION 10.0)

set(_wwweksports_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_wwweksports_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_wwweksports_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_wwweksports_triple}-windres)

if(NOT WWWEKSPORTS_WINDOWS_CACHE)
    if(DEFINED ENV{WWWEKSPORTS_WINDOWS_CACHE} AND NOT "$ENV{WWWEKSPORTS_WINDOWS_CACHE}" STREQUAL "")
        set(WWWEKSPORTS_WINDOWS_CACHE "$ENV{WWWEKSPORTS_WINDOWS_CACHE}")
    else()
        get_filename_component(WWWEKSPORTS_WINDOWS_CACHE
            "${CMAKE_CURRENT_LIST_DIR}/../../.cache/windows" ABSOLUTE)
    endif()
endif()
# try_compile projects read this file again: hand them the same cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES WWWEKSPORTS_WINDOWS_CACHE)

set(CMAKE_FIND_ROOT_PATH
    /usr/${_wwweksports_triple}
    ${WWWEKSPORTS_WINDOWS_CACHE}/qt
    ${WWWEKSPORTS_WINDOWS_CACHE}/mariadb
    ${WWWEKSPORTS_WINDOWS_CACHE}/orcus)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Host Qt of the same version (6.4.2) for moc, rcc and uic; Debian keeps its CMake
# packages under the multiarch folder.
set(QT_HOST_PATH /usr CACHE PATH "Host Qt prefix")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Host Qt CMake packages")

# Debian's rcc compresses with zstd where that is smaller; the cross-built QtCore has no
# zstd and could not read such resources.
if(NOT DEFINED CMAKE_AUTORCC_OPTIONS)
    set(CMAKE_AUTORCC_OPTIONS --no-zstd)
endif()

if(NOT DEFINED ENV{PKG_CONFIG_LIBDIR} OR "$ENV{PKG_CONFIG_LIBDIR}" STREQUAL "")
    set(ENV{PKG_CONFIG_LIBDIR} "${WWWEKSPORTS_WINDOWS_CACHE}/pkgconfig")
endif()
