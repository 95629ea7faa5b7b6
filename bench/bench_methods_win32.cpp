// The floor in Win32 calls and PBMOpen from the DLL, for the benchmark's Windows build.
#include <windows.h>

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_methods.h"
#include "floor_rows.h"
#include "run_pbm_open.h"

namespace {

// The whole file in one ReadFile into a fresh buffer; false if short.
bool ReadWholeFile(const BenchImage& image, uint8_t* bytes) {
  const HANDLE file = CreateFileA(image.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD got = 0;
  const BOOL ok = ReadFile(file, bytes, static_cast<DWORD>(image.fileBytes), &got, nullptr);
  CloseHandle(file);
  return ok && got == image.fileBytes;
}

// The least any converter must do, as PBMOpen's output stage has it on
// Windows: one read of the whole file, then a new "tp" temporary file, a
// mapping that grows it to the DIB's size, a view, one copy per row
// bottom-up, and the view, mapping and file released and deleted.
bool RunFloor(const BenchImage& image) {
  const size_t rowBytes =
      static_cast<size_t>(image.width) * static_cast<size_t>(image.dibBytesPerPixel);
  const size_t stride = (rowBytes + 3) / 4 * 4;
  const size_t height = static_cast<size_t>(image.height);
  const auto fileBytes = static_cast<size_t>(image.fileBytes);
  const std::unique_ptr<uint8_t[]> bytes(new uint8_t[fileBytes]);
  if (!ReadWholeFile(image, bytes.get())) return false;
  const std::vector<uint8_t> zeroRow(fileBytes < rowBytes ? rowBytes : 0);

  char directory[MAX_PATH];
  char name[MAX_PATH];
  if (GetTempPathA(MAX_PATH, directory) == 0 || GetTempFileNameA(directory, "tp", 0, name) == 0)
    return false;
  const HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = file != INVALID_HANDLE_VALUE;
  const size_t size = stride * height;
  const HANDLE mapping =
      ok ? CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(size), nullptr)
         : nullptr;
  void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
  if (view != nullptr) {
    uint8_t* pixels = static_cast<uint8_t*>(view);
    for (size_t i = 0; i < height; ++i)
      memcpy(pixels + (height - 1 - i) * stride,
             FloorRowSource(bytes.get(), fileBytes, i, rowBytes, zeroRow), rowBytes);
    UnmapViewOfFile(view);
  } else {
    ok = false;
  }
  if (mapping != nullptr) CloseHandle(mapping);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  DeleteFileA(name);
  return ok;
}

// The DLL beside the program, loaded once as a host may load it.
PbmOpenFunction LoadPbmOpen() {
  static const PbmOpenFunction function = [] {
    const HMODULE module = LoadLibraryA("QUENTARPBM.dll");
    // Through void*: FARPROC has no parameters to match.
    const void* address = module != nullptr
                              ? reinterpret_cast<const void*>(GetProcAddress(module, "PBMOpen"))
                              : nullptr;
    return reinterpret_cast<PbmOpenFunction>(address);
  }();
  return function;
}

// PBMOpen from the DLL.
bool RunPbmOpen(const BenchImage& image) { return RunPbmOpenThrough(LoadPbmOpen(), image); }

}  // namespace

bool ReadsEveryVariant(const BenchImage&) { return true; }

std::vector<BenchMethod> BenchMethods() {
  return {{"floor", RunFloor, ReadsEveryVariant}, {"PBMOpen", RunPbmOpen, ReadsEveryVariant}};
}
