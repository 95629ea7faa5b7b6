# Cross build of the 32-bit Windows DLL with Debian's MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
# The DLL alone is linked with the win32 thread model (src/CMakeLists.txt).
set(QUENTARPBM_DLL_LINKER i686-w64-mingw32-g++-win32)
set(QUENTARPBM_OBJDUMP i686-w64-mingw32-objdump)
set(QUENTARPBM_DLLTOOL i686-w64-mingw32-dlltool)

# The compiler's default i686 stops at the Pentium Pro; every processor that
# Windows 8 and later run on has SSE2, which the plain-text scanner uses.
set(CMAKE_C_FLAGS_INIT "-msse2")
set(CMAKE_CXX_FLAGS_INIT "-msse2")

# Search the MinGW sysroot only, so the native GoogleTest is never picked up.
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run the Windows executables under Wine.
find_program(QUENTARPBM_WINE NAMES wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUENTARPBM_WINE})
set(QUENTARPBM_WINEARCH win32)
