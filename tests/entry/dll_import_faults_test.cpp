// QUENTARPBM.dll with its import table pointed at wrappers that count the
// real KERNEL32, GDI32 and C runtime calls and fail the nth: each failure
// gives the stand-in's code and leaves no handle, block, view or file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "platform/win32_api.h"
#include "support/conversion_faults.h"
#include "support/param_label.h"
#include "support/private_temp_directory.h"

namespace quentarpbm {
namespace {

using testing::FaultCall;
using testing::FaultVariant;

// --- counting and failing ---

int calls[static_cast<int>(FaultCall::kCount)];
FaultCall failingCall = FaultCall::kCount;
int failingNth = 0;
// Objects the DLL holds: kernel handles (files, mappings, the stream's file),
// global blocks, locks, views, palettes and committed regions.
int liveObjects = 0;

// Counts one call and tells whether it is the one to fail.
bool Fails(FaultCall call) {
  const int nth = ++calls[static_cast<int>(call)];
  return call == failingCall && nth == failingNth;
}

template <typename Result>
Result Counted(bool acquired, Result result) {
  if (acquired) ++liveObjects;
  return result;
}

// A failing call returns what the real one returns on failure, and does nothing.
// The others call the function itself, through this program's own imports.
HANDLE WINAPI CreateFileAWrapper(LPCSTR name, DWORD access, DWORD share,
                                 LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                 DWORD attributes, HANDLE templateFile) {
  if (Fails(FaultCall::kCreateFileA)) return INVALID_HANDLE_VALUE;
  HANDLE file = ::CreateFileA(name, access, share, security, disposition, attributes, templateFile);
  return Counted(file != INVALID_HANDLE_VALUE, file);
}

DWORD WINAPI GetFileTypeWrapper(HANDLE file) {
  return Fails(FaultCall::kGetFileType) ? FILE_TYPE_UNKNOWN : ::GetFileType(file);
}

BOOL WINAPI ReadFileWrapper(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                            LPOVERLAPPED overlapped) {
  if (Fails(FaultCall::kReadFile)) return FALSE;
  return ::ReadFile(file, buffer, toRead, read, overlapped);
}

BOOL WINAPI CloseHandleWrapper(HANDLE handle) {
  const BOOL closed = ::CloseHandle(handle);
  if (closed) --liveObjects;
  return closed;
}

BOOL WINAPI DeleteFileAWrapper(LPCSTR name) {
  Fails(FaultCall::kDeleteFileA);
  return ::DeleteFileA(name);
}

DWORD WINAPI GetTempPathAWrapper(DWORD length, LPSTR buffer) {
  return Fails(FaultCall::kGetTempPathA) ? 0 : ::GetTempPathA(length, buffer);
}

UINT WINAPI GetTempFileNameAWrapper(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR name) {
  return Fails(FaultCall::kGetTempFileNameA) ? 0 : ::GetTempFileNameA(path, prefix, unique, name);
}

HANDLE WINAPI CreateFileMappingAWrapper(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect,
                                        DWORD sizeHigh, DWORD sizeLow, LPCSTR name) {
  if (Fails(FaultCall::kCreateFileMappingA)) return nullptr;
  HANDLE mapping = ::CreateFileMappingA(file, security, protect, sizeHigh, sizeLow, name);
  return Counted(mapping != nullptr, mapping);
}

LPVOID WINAPI MapViewOfFileWrapper(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                                   SIZE_T bytes) {
  if (Fails(FaultCall::kMapViewOfFile)) return nullptr;
  LPVOID view = ::MapViewOfFile(mapping, access, offsetHigh, offsetLow, bytes);
  return Counted(view != nullptr, view);
}

BOOL WINAPI UnmapViewOfFileWrapper(LPCVOID view) {
  const BOOL unmapped = ::UnmapViewOfFile(view);
  if (unmapped) --liveObjects;
  return unmapped;
}

LPVOID WINAPI VirtualAllocWrapper(LPVOID address, SIZE_T bytes, DWORD type, DWORD protect) {
  if (Fails(FaultCall::kVirtualAlloc)) return nullptr;
  LPVOID region = ::VirtualAlloc(address, bytes, type, protect);
  return Counted(region != nullptr, region);
}

BOOL WINAPI VirtualFreeWrapper(LPVOID address, SIZE_T bytes, DWORD type) {
  const BOOL freed = ::VirtualFree(address, bytes, type);
  if (freed && type == MEM_RELEASE) --liveObjects;
  return freed;
}

HGLOBAL WINAPI GlobalAllocWrapper(UINT flags, SIZE_T bytes) {
  if (Fails(FaultCall::kGlobalAlloc)) return nullptr;
  HGLOBAL block = ::GlobalAlloc(flags, bytes);
  return Counted(block != nullptr, block);
}

// A lock is an object too: the header block must come back unlocked.
LPVOID WINAPI GlobalLockWrapper(HGLOBAL block) {
  if (Fails(FaultCall::kGlobalLock)) return nullptr;
  LPVOID bytes = ::GlobalLock(block);
  return Counted(bytes != nullptr, bytes);
}

BOOL WINAPI GlobalUnlockWrapper(HGLOBAL block) {
  --liveObjects;  // FALSE is also what the last unlock returns
  return ::GlobalUnlock(block);
}

HGLOBAL WINAPI GlobalFreeWrapper(HGLOBAL block) {
  HGLOBAL left = ::GlobalFree(block);
  if (left == nullptr) --liveObjects;
  return left;
}

HPALETTE WINAPI CreatePaletteWrapper(const LOGPALETTE* logPalette) {
  if (Fails(FaultCall::kCreatePalette)) return nullptr;
  HPALETTE palette = ::CreatePalette(logPalette);
  return Counted(palette != nullptr, palette);
}

int WINAPI GetObjectAWrapper(HANDLE object, int bytes, LPVOID buffer) {
  return Fails(FaultCall::kGetObjectA) ? 0 : ::GetObjectA(object, bytes, buffer);
}

UINT WINAPI GetPaletteEntriesWrapper(HPALETTE palette, UINT start, UINT count,
                                     LPPALETTEENTRY entries) {
  if (Fails(FaultCall::kGetPaletteEntries)) return 0;
  return ::GetPaletteEntries(palette, start, count, entries);
}

BOOL WINAPI DeleteObjectWrapper(HGDIOBJ object) {
  const BOOL deleted = ::DeleteObject(object);
  if (deleted) --liveObjects;
  return deleted;
}

// The stream's descriptor and C stream own the file handle in turn, and
// closing either closes it.
int __cdecl OpenOsfHandleWrapper(intptr_t handle, int flags) {
  return Fails(FaultCall::kOpenOsfHandle) ? -1 : ::_open_osfhandle(handle, flags);
}

FILE* __cdecl FdopenWrapper(int descriptor, const char* mode) {
  return Fails(FaultCall::kFdopen) ? nullptr : ::_fdopen(descriptor, mode);
}

int __cdecl CloseWrapper(int descriptor) {
  const int closed = ::_close(descriptor);
  if (closed == 0) --liveObjects;
  return closed;
}

int __cdecl FcloseWrapper(FILE* stream) {
  const int closed = ::fclose(stream);
  if (closed == 0) --liveObjects;
  return closed;
}

void* __cdecl CallocWrapper(size_t count, size_t size) {
  return Fails(FaultCall::kCalloc) ? nullptr : ::calloc(count, size);
}

// --- the import table ---

struct Patch {
  const char* dll;
  const char* function;
  void* wrapper;
};

template <typename Function>
Patch Entry(const char* dll, const char* function, Function wrapper) {
  return {dll, function, reinterpret_cast<void*>(wrapper)};
}

// Every import the library's own code calls.
const Patch kPatches[] = {
    Entry("KERNEL32.dll", "CreateFileA", CreateFileAWrapper),
    Entry("KERNEL32.dll", "GetFileType", GetFileTypeWrapper),
    Entry("KERNEL32.dll", "ReadFile", ReadFileWrapper),
    Entry("KERNEL32.dll", "CloseHandle", CloseHandleWrapper),
    Entry("KERNEL32.dll", "DeleteFileA", DeleteFileAWrapper),
    Entry("KERNEL32.dll", "GetTempPathA", GetTempPathAWrapper),
    Entry("KERNEL32.dll", "GetTempFileNameA", GetTempFileNameAWrapper),
    Entry("KERNEL32.dll", "CreateFileMappingA", CreateFileMappingAWrapper),
    Entry("KERNEL32.dll", "MapViewOfFile", MapViewOfFileWrapper),
    Entry("KERNEL32.dll", "UnmapViewOfFile", UnmapViewOfFileWrapper),
    Entry("KERNEL32.dll", "VirtualAlloc", VirtualAllocWrapper),
    Entry("KERNEL32.dll", "VirtualFree", VirtualFreeWrapper),
    Entry("KERNEL32.dll", "GlobalAlloc", GlobalAllocWrapper),
    Entry("KERNEL32.dll", "GlobalLock", GlobalLockWrapper),
    Entry("KERNEL32.dll", "GlobalUnlock", GlobalUnlockWrapper),
    Entry("KERNEL32.dll", "GlobalFree", GlobalFreeWrapper),
    Entry("GDI32.dll", "CreatePalette", CreatePaletteWrapper),
    Entry("GDI32.dll", "GetObjectA", GetObjectAWrapper),
    Entry("GDI32.dll", "GetPaletteEntries", GetPaletteEntriesWrapper),
    Entry("GDI32.dll", "DeleteObject", DeleteObjectWrapper),
    Entry("msvcrt.dll", "_open_osfhandle", OpenOsfHandleWrapper),
    Entry("msvcrt.dll", "_fdopen", FdopenWrapper),
    Entry("msvcrt.dll", "_close", CloseWrapper),
    Entry("msvcrt.dll", "fclose", FcloseWrapper),
    Entry("msvcrt.dll", "calloc", CallocWrapper),
};

// The import address table entry of dll!function in module, or null.
void** FindImportEntry(HMODULE module, const char* dll, const char* function) {
  auto* base = reinterpret_cast<unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* descriptor =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    if (_stricmp(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
    auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++entries) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
        return reinterpret_cast<void**>(&entries->u1.Function);
    }
  }
  return nullptr;
}

// Writes value into the import table entry, which may sit in read-only pages.
void WriteEntry(void** entry, void* value) {
  DWORD protection = 0;
  ASSERT_TRUE(VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection));
  *entry = value;
  DWORD ignored = 0;
  VirtualProtect(entry, sizeof *entry, protection, &ignored);
}

void Reset() {
  memset(calls, 0, sizeof calls);
  failingCall = FaultCall::kCount;
  failingNth = 0;
}

const testing::FaultPlatform kDll = {
    {FaultCall::kCreateFileA, FaultCall::kGetFileType, FaultCall::kReadFile,
     FaultCall::kOpenOsfHandle, FaultCall::kFdopen, FaultCall::kCalloc, FaultCall::kVirtualAlloc,
     FaultCall::kGetTempPathA, FaultCall::kGetTempFileNameA, FaultCall::kCreateFileMappingA,
     FaultCall::kMapViewOfFile, FaultCall::kGlobalAlloc, FaultCall::kGlobalLock,
     FaultCall::kCreatePalette, FaultCall::kGetObjectA, FaultCall::kGetPaletteEntries},
    &FaultVariant::dllCalls,
    Reset,
    [](FaultCall call, int nth) {
      failingCall = call;
      failingNth = nth;
    },
    [](FaultCall call) { return calls[static_cast<int>(call)]; },
    [] { return liveObjects; },
    nullptr,
    nullptr,
};

// The DLL, loaded once with every entry patched; it stays so until the
// process ends (the DLL pins itself, and this program loads it for nothing else).
class DllImportFaults : public ::testing::TestWithParam<FaultVariant> {
 protected:
  static void SetUpTestSuite() {
    HMODULE library = LoadLibraryA("QUENTARPBM.dll");
    ASSERT_NE(library, nullptr);
    open_ = reinterpret_cast<decltype(&PBMOpen)>(
        reinterpret_cast<void*>(GetProcAddress(library, "PBMOpen")));
    ASSERT_NE(open_, nullptr);
    for (const Patch& patch : kPatches) {
      void** entry = FindImportEntry(library, patch.dll, patch.function);
      ASSERT_NE(entry, nullptr) << patch.dll << "!" << patch.function << " is not imported";
      WriteEntry(entry, patch.wrapper);
    }
  }
  static decltype(&PBMOpen) open_;
};
decltype(&PBMOpen) DllImportFaults::open_ = nullptr;

TEST_P(DllImportFaults, EachFailingCallGivesItsCodeAndLeavesNothing) {
  testing::FaultPlatform dll = kDll;
  dll.open = open_;
  SweepConversionFaults(dll, GetParam(), testing::UsePrivateTempDirectory());
}

INSTANTIATE_TEST_SUITE_P(Netpbm, DllImportFaults, ::testing::ValuesIn(testing::kFaultVariants),
                         testing::ParamLabel<FaultVariant>);

}  // namespace
}  // namespace quentarpbm
