# Cross build of the 64-bit Windows DLL with Debian's MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# The DLL alone is linked with the win32 thread model (src/CMakeLists.txt).
set(QUENTARPBM_DLL_LINKER x86_64-w64-mingw32-g++-win32)
set(QUENTARPBM_OBJDUMP x86_64-w64-mingw32-objdump)

# Search the MinGW sysroot only, so the native GoogleTest is never picked up.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run the Windows executables under 64-bit Wine, which Debian keeps
# beside the 32-bit loader rather than on the PATH.
find_program(QUENTARPBM_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUENTARPBM_WINE})
set(QUENTARPBM_WINEARCH win64)
