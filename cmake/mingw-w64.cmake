# Toolchain for the native Windows build, cross-compiled with Debian's
# mingw-w64 (scripts/install-deps --windows) and run under Wine:
#   cmake -S . -B build-windows/tarnhold -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# Libraries Debian has no mingw package of come static from
# build-windows/deps (scripts/build-windows-deps).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_tarnhold_triplet x86_64-w64-mingw32)
# The -posix compilers: the -win32 ones have no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${_tarnhold_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tarnhold_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_tarnhold_triplet}-windres)

# The project root, from where this file lies, so that any build directory
# finds the same deps prefix.
get_filename_component(_tarnhold_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(TARNHOLD_WINDOWS_DEPS "${_tarnhold_root}/build-windows/deps")

# Headers, libraries and packages only from the target's trees; programs
# (moc, windres, pkg-config, wine) only from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${_tarnhold_triplet} "${TARNHOLD_WINDOWS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config knows nothing of the find root: point it at the target's .pc
# files alone, or it would hand out the host's.
set(ENV{PKG_CONFIG_LIBDIR}
  "${TARNHOLD_WINDOWS_DEPS}/lib/pkgconfig:/usr/${_tarnhold_triplet}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# Debian ships zlib for mingw both as a DLL import library and static; the
# program goes out as one .exe, so take the static one.
set(ZLIB_USE_STATIC_LIBS ON)

# One self-contained .exe: libgcc, libstdc++ and winpthread linked in, so no
# mingw runtime DLL has to travel with the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Tests and try_run go through Wine. -DTARNHOLD_WINE=... picks another one.
find_program(TARNHOLD_WINE NAMES wine wine64 DOC "Wine, to run the cross-built programs")
if(TARNHOLD_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${TARNHOLD_WINE}")
endif()
