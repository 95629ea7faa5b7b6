// pnm_to_bmp: a command-line host that converts Netpbm files to .bmp files
// through PBMOpen, showing progress and releasing what the library hands over.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "quentarpbm.h"
#if defined(_WIN32)
#include <windows.h>
#else
#include "quentarpbm_posix.h"
#endif

namespace {

using OpenFunction = int32_t(PBM_CALL*)(const char*, char*, void**, void**, PBMProgressCallback,
                                        uint32_t);

// Windows hosts load the DLL at run time, as image-import hosts do; the
// native build links the shared library.
OpenFunction FindPBMOpen() {
#if defined(_WIN32)
  HMODULE library = LoadLibraryA("QUENTARPBM.dll");
  if (library == nullptr) return nullptr;
  return reinterpret_cast<OpenFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "PBMOpen")));
#else
  return PBMOpen;
#endif
}

const char* DescribeResult(int32_t code) {
  switch (code) {
    case PBM_E_NO_MEMORY: return "not enough memory for an image of this size";
    case PBM_E_LOCK: return "the bitmap header memory could not be locked";
    case PBM_E_OPEN: return "the file could not be opened (missing, unreadable, or a directory)";
    case PBM_E_ARGUMENT: return "the library was called with a missing argument";
    case PBM_E_PALETTE: return "the grey palette could not be created";
    case PBM_E_UNSUPPORTED: return "not a PBM, PGM or PPM image";
    case PBM_E_MAXVAL: return "the image's maximum sample value is above 255";
    case PBM_E_READ: return "the image header is cut short or malformed";
    case PBM_E_MAPPING: return "the temporary pixel file could not be mapped (an empty image?)";
    case PBM_E_VIEW: return "the temporary pixel file could not be written";
    case PBM_E_TEMP_PATH: return "the temporary directory could not be found";
    case PBM_E_TEMP_NAME: return "no temporary file could be created";
    default: return "unknown failure";
  }
}

bool showProgress = false;

void PBM_CALL DrawProgress(int32_t row, int32_t rows, uint32_t) {
  if (!showProgress) return;
  const int width = 40;
  const int done = rows > 0 ? static_cast<int>((static_cast<int64_t>(row) + 1) * width / rows) : width;
  fprintf(stderr, "\r  [%.*s%*s] %3d%%", done, "########################################",
          width - done, "", done * 100 / width);
  if (row + 1 == rows) fputs("\r\033[K", stderr);
}

// The .bmp file: a file header, then the header block, then the pixel rows.
bool WriteBmp(const std::string& path, const uint8_t* block, const uint8_t* pixels) {
  BITMAPINFOHEADER info;
  memcpy(&info, block, sizeof info);
  uint32_t entries = info.biClrUsed;
  if (entries == 0 && info.biBitCount <= 8) entries = 1u << info.biBitCount;
  const uint32_t blockBytes = info.biSize + 4 * entries;
  const BITMAPFILEHEADER file = {0x4D42, 14 + blockBytes + info.biSizeImage, 0, 0,
                                 14 + blockBytes};
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  bool written = fwrite(&file, 14, 1, out) == 1 && fwrite(block, blockBytes, 1, out) == 1 &&
                 (info.biSizeImage == 0 || fwrite(pixels, info.biSizeImage, 1, out) == 1);
  return fclose(out) == 0 && written;
}

// Converts one file; every handle the library gave is released before return.
bool Convert(OpenFunction open, const char* input, const std::string& output) {
  char pixelFile[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  const int32_t code = open(input, pixelFile, &mapping, &header, DrawProgress, 0);
  if (code != PBM_OK) {
    fprintf(stderr, "%s: %s (code %d)\n", input, DescribeResult(code), static_cast<int>(code));
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
  if (!written) fprintf(stderr, "%s: cannot write %s\n", input, output.c_str());
  else printf("%s -> %s\n", input, output.c_str());
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

int main(int argc, char** argv) {
  std::string outputDirectory;
  int first = 1;
  if (argc > 2 && strcmp(argv[1], "-o") == 0) {
    outputDirectory = argv[2];
    first = 3;
  }
  if (first >= argc) {
    fputs("usage: pnm_to_bmp [-o DIRECTORY] FILE.pbm|.pgm|.ppm...\n"
          "Converts Netpbm images (P1 to P6) to Windows .bmp files.\n", stderr);
    return 2;
  }
  const OpenFunction open = FindPBMOpen();
  if (open == nullptr) {
    fputs("pnm_to_bmp: cannot load QUENTARPBM.dll\n", stderr);
    return 2;
  }
  showProgress = isatty(fileno(stderr)) != 0;
  int failures = 0;
  for (int i = first; i < argc; ++i) {
    failures += Convert(open, argv[i], BmpPathFor(argv[i], outputDirectory)) ? 0 : 1;
  }
  return failures == 0 ? 0 : 1;
}
