// The one gate to the platform: the Win32 names the library calls.
#ifndef QUENTARPBM_PLATFORM_WIN32_API_H
#define QUENTARPBM_PLATFORM_WIN32_API_H

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#else  // The stand-in in src/platform/posix/ provides this subset; what hosts
       // need too is in the public quentarpbm_posix.h.

#include "quentarpbm_posix.h"

#ifdef __cplusplus
extern "C" {
#endif

#define CALLBACK

typedef unsigned int UINT;
typedef DWORD* LPDWORD;
typedef char* LPSTR;
typedef HANDLE HGDIOBJ;
// Windows' own handle type names (its DECLARE_HANDLE), reserved as they are.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
typedef struct HPALETTE__* HPALETTE;
typedef struct HINSTANCE__* HINSTANCE;
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
typedef void* LPOVERLAPPED;  // always passed as null

#define FILE_ATTRIBUTE_TEMPORARY 0x00000100u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u
#define FILE_TYPE_UNKNOWN 0x0000u
#define FILE_TYPE_DISK 0x0001u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define MEM_COMMIT 0x00001000u
#define MEM_RESERVE 0x00002000u
#define MEM_RELEASE 0x00008000u

typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY, *LPPALETTEENTRY;

typedef struct tagLOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

// Files and temporary names (KERNEL32); the host subset is in quentarpbm_posix.h.
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                     LPOVERLAPPED overlapped);
DWORD WINAPI GetFileType(HANDLE file);
DWORD WINAPI GetTempPathA(DWORD bufferLength, LPSTR buffer);
UINT WINAPI GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName);

// Committed pages (KERNEL32).
LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T bytes, DWORD allocationType, DWORD protect);
BOOL WINAPI VirtualFree(LPVOID address, SIZE_T bytes, DWORD freeType);

// Global memory blocks (KERNEL32).
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);

// Logical palettes (GDI32).
HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette);
int WINAPI GetObjectA(HGDIOBJ object, int bufferSize, LPVOID buffer);
UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count, LPPALETTEENTRY entries);
BOOL WINAPI DeleteObject(HGDIOBJ object);

#ifdef __cplusplus
}
#endif

#endif  // _WIN32

#endif  // QUENTARPBM_PLATFORM_WIN32_API_H
