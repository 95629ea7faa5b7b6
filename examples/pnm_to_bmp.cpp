// pnm_to_bmp: a command-line host that converts Netpbm files to .bmp files
// through PBMOpen, showing progress and releasing what the library hands over.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "describe_failure.h"
#include "quentarpbm.h"
#if defined(_WIN32)
#include <windows.h>
#else
#include "quentarpbm_posix.h"
#endif

namespace {

using OpenFunction = int32_t(PBM_CALL*)(const char*, char*, void**, void**, PBMProgressCallback,
                                        uint32_t);

// Windows hosts load the DLL at run time, as image-import hosts do, and free
// it at the end; the native build links the library.
struct Library {
  void* module;
  OpenFunction open;
};

Library LoadLibraryForHost() {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA("QUENTARPBM.dll");
  if (module == nullptr) return {nullptr, nullptr};
  return {module, reinterpret_cast<OpenFunction>(
                      reinterpret_cast<void*>(GetProcAddress(module, "PBMOpen")))};
#else
  return {nullptr, PBMOpen};
#endif
}

void FreeLibraryForHost(const Library& library) {
#if defined(_WIN32)
  if (library.module != nullptr) FreeLibrary(static_cast<HMODULE>(library.module));
#else
  (void)library;
#endif
}

// The bar is drawn only on a terminal; a redirected stderr gets messages only.
bool showProgress = false;
bool progressDrawn = false;

void ClearProgress() {
  if (progressDrawn) fputs("\r\033[K", stderr);
  progressDrawn = false;
}

void PBM_CALL DrawProgress(int32_t row, int32_t rows, uint32_t) {
  if (!showProgress || rows <= 0) return;
  const int width = 40;
  const int done = static_cast<int>((static_cast<int64_t>(row) + 1) * width / rows);
  fprintf(stderr, "\r  [%.*s%*s] %3d%%", done, "########################################",
          width - done, "", done * 100 / width);
  progressDrawn = true;
}

// The .bmp file: a file header, then the header block, then the pixel rows.
bool WriteBmp(const std::string& path, const uint8_t* block, const uint8_t* pixels) {
  BITMAPINFOHEADER info;
  memcpy(&info, block, sizeof info);
  uint32_t entries = info.biClrUsed;
  if (entries == 0 && info.biBitCount <= 8) entries = 1u << info.biBitCount;
  const uint32_t blockBytes = info.biSize + 4 * entries;
  const BITMAPFILEHEADER file = {0x4D42, 14 + blockBytes + info.biSizeImage, 0, 0, 14 + blockBytes};
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  bool written = fwrite(&file, 14, 1, out) == 1 && fwrite(block, blockBytes, 1, out) == 1 &&
                 (info.biSizeImage == 0 || fwrite(pixels, info.biSizeImage, 1, out) == 1);
  return fclose(out) == 0 && written;
}

// Converts one file. Whatever the library handed over is released before
// return, in its order: view, mapping, header block, then the pixel file.
bool Convert(OpenFunction open, const char* input, const std::string& output) {
  char pixelFile[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  const int32_t code = open(input, pixelFile, &mapping, &header, DrawProgress, 0);
  ClearProgress();
  if (code != PBM_OK) {
    fprintf(stderr, "%s: %s (result code %d)\n", input, DescribeFailure(input, code).c_str(),
            static_cast<int>(code));
    return false;
  }
  const uint8_t* block = static_cast<const uint8_t*>(GlobalLock(header));
  const void* pixels = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  const bool written = block != nullptr && pixels != nullptr &&
                       WriteBmp(output, block, static_cast<const uint8_t*>(pixels));
  if (pixels != nullptr) UnmapViewOfFile(pixels);
  if (block != nullptr) GlobalUnlock(header);
  CloseHandle(mapping);
  GlobalFree(header);
  DeleteFileA(pixelFile);
  if (!written) {
    fprintf(stderr, "%s: converted, but %s could not be written\n", input, output.c_str());
  } else {
    printf("%s -> %s\n", input, output.c_str());
  }
  return written;
}

std::string BmpPathFor(const std::string& input, const std::string& outputDirectory) {
  const size_t slash = input.find_last_of("/\\");
  std::string base = slash == std::string::npos ? input : input.substr(slash + 1);
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return outputDirectory.empty() ? base + ".bmp" : outputDirectory + "/" + base + ".bmp";
}

}  // namespace

// Exit status: 0 when every file converted, 1 when any did not, 2 for a
// usage error or when the library or the output directory is unavailable.
int main(int argc, char** argv) {
  std::string outputDirectory;
  int first = 1;
  if (argc > 2 && strcmp(argv[1], "-o") == 0) {
    outputDirectory = argv[2];
    first = 3;
  }
  if (first >= argc) {
    fputs(
        "usage: pnm_to_bmp [-o DIRECTORY] FILE.pbm|.pgm|.ppm...\n"
        "Converts Netpbm images (P1 to P6) to Windows .bmp files.\n",
        stderr);
    return 2;
  }
  if (!outputDirectory.empty()) {
    std::error_code error;
    std::filesystem::create_directories(outputDirectory, error);
    if (error) {
      fprintf(stderr, "pnm_to_bmp: cannot create the output directory %s: %s\n",
              outputDirectory.c_str(), error.message().c_str());
      return 2;
    }
  }
  const Library library = LoadLibraryForHost();
  if (library.open == nullptr) {
    fputs("pnm_to_bmp: cannot load QUENTARPBM.dll (it must be beside pnm_to_bmp.exe)\n", stderr);
    FreeLibraryForHost(library);
    return 2;
  }
  showProgress = isatty(fileno(stderr)) != 0;
  int failures = 0;
  for (int i = first; i < argc; ++i) {
    failures += Convert(library.open, argv[i], BmpPathFor(argv[i], outputDirectory)) ? 0 : 1;
  }
  FreeLibraryForHost(library);
  if (failures != 0)
    fprintf(stderr, "pnm_to_bmp: %d of %d files not converted\n", failures, argc - first);
  return failures == 0 ? 0 : 1;
}
