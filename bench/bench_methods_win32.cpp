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

// What moving the bytes costs at all, in Win32 calls: the file read in
// pieces into one buffer, and the rows the file holds written with one
// WriteFile per piece to their places in a new "tp" temporary file of the
// DIB's size (Windows gathers no buffered writes, so they are put in file
// order in a second reused buffer first).
bool RunStreamFloor(const BenchImage& image) {
  const StreamFloorShape shape = StreamFloorShapeOf(image);
  const HANDLE input = CreateFileA(image.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (input == INVALID_HANDLE_VALUE) return false;
  char directory[MAX_PATH];
  char name[MAX_PATH];
  const bool named =
      GetTempPathA(MAX_PATH, directory) != 0 && GetTempFileNameA(directory, "tp", 0, name) != 0;
  const HANDLE output = named ? CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                              : INVALID_HANDLE_VALUE;
  LARGE_INTEGER size;
  size.QuadPart = static_cast<LONGLONG>(shape.stride * shape.height);
  bool ok = output != INVALID_HANDLE_VALUE && SetFilePointerEx(output, size, nullptr, FILE_BEGIN) &&
            SetEndOfFile(output);
  std::vector<uint8_t> piece(kStreamFloorPieceBytes);
  std::vector<uint8_t> rowsInFileOrder;
  const std::vector<uint8_t> zeroRow(shape.rowBytes);
  for (size_t read = 0, written = 0; ok && read < image.fileBytes;) {
    DWORD got = 0;
    if (!ReadFile(input, piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr) ||
        got == 0) {
      ok = false;
      break;
    }
    read += got;
    const size_t rows = RowsReadBy(shape, read, image.fileBytes);
    if (rows == written) continue;
    rowsInFileOrder.resize((rows - written) * shape.stride);
    for (size_t row = written; row < rows; ++row) {
      uint8_t* at = rowsInFileOrder.data() + (rows - 1 - row) * shape.stride;
      memcpy(at, FloorRowSource(piece.data(), got, row, shape.rowBytes, zeroRow), shape.rowBytes);
      memset(at + shape.rowBytes, 0, shape.stride - shape.rowBytes);
    }
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>((shape.height - rows) * shape.stride);
    DWORD put = 0;
    ok = SetFilePointerEx(output, at, nullptr, FILE_BEGIN) &&
         WriteFile(output, rowsInFileOrder.data(), static_cast<DWORD>(rowsInFileOrder.size()), &put,
                   nullptr) &&
         put == rowsInFileOrder.size();
    written = rows;
  }
  CloseHandle(input);
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (named) DeleteFileA(name);
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
  std::vector<BenchMethod> methods = {{"floor", RunFloor, ReadsEveryVariant, nullptr},
                                      {"stream", RunStreamFloor, ReadsEveryVariant, nullptr},
                                      {"PBMOpen", RunPbmOpen, ReadsEveryVariant, nullptr},
                                      {"rows", RunRowReaders, ReadsEveryVariant, nullptr}};
  for (const BenchMethod& codec : WicCodecMethods()) methods.push_back(codec);
  return methods;
}
