// pnm_to_bmp: a command-line host that converts Netpbm files to .bmp files
// through PBMOpen, showing progress and releasing what the library hands over.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "describe_failure.h"
#include "quentarpbm.h"
#if defined(_WIN32)
#include <windows.h>

#include <io.h>

// The C runtime expands * and ? in the arguments before main, as Windows
// programs do; a pattern that matches nothing stays as it was typed.
extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier): the MinGW runtime's own switch
int _dowildcard = -1;
}
#else
#include "quentarpbm_posix.h"
#endif

namespace {

#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Writes text to stream as it stands. A Windows console is given UTF-16, so
// that it shows every name as it was typed: the text is in the ANSI code
// page, which this program's manifest makes UTF-8, while the console would
// take bytes in its own OEM code page. Files and pipes get the bytes.
void WriteText(FILE* stream, const std::string& text) {
#if defined(_WIN32)
  const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (GetConsoleMode(console, &mode)) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(
        static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], static_cast<int>(wide.size()));
    // A message that cannot be written has nowhere else to go.
    static_cast<void>(fflush(stream));
    DWORD written = 0;
    WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  static_cast<void>(fwrite(text.data(), 1, text.size(), stream));
}

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
  if (progressDrawn) WriteText(stderr, "\r\033[K");
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

// The pixel file is read through views of at most this size, a multiple of
// Windows' 64 KB allocation granularity: a 32-bit program then needs no
// address space the size of the image to write it out.
constexpr uint64_t kViewBytes = uint64_t{64} << 20;

// The .bmp file: a file header, then the header block, then the pixel rows.
bool WriteBmp(const std::string& path, const uint8_t* block, HANDLE mapping) {
  BITMAPINFOHEADER info;
  memcpy(&info, block, sizeof info);
  uint32_t entries = info.biClrUsed;
  if (entries == 0 && info.biBitCount <= 8) entries = 1u << info.biBitCount;
  const uint32_t blockBytes = info.biSize + 4 * entries;
  const BITMAPFILEHEADER file = {0x4D42, 14 + blockBytes + info.biSizeImage, 0, 0, 14 + blockBytes};
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  bool written = fwrite(&file, 14, 1, out) == 1 && fwrite(block, blockBytes, 1, out) == 1;
  for (uint64_t offset = 0; written && offset < info.biSizeImage; offset += kViewBytes) {
    const auto bytes = static_cast<size_t>(std::min(kViewBytes, info.biSizeImage - offset));
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(offset >> 32),
                                     static_cast<DWORD>(offset), bytes);
    written = view != nullptr && fwrite(view, bytes, 1, out) == 1;
    if (view != nullptr) UnmapViewOfFile(view);
  }
  return fclose(out) == 0 && written;
}

// Converts one file. Whatever the library handed over is released before
// return, in its order: views, mapping, header block, then the pixel file.
bool Convert(OpenFunction open, const char* input, const std::string& output) {
  char pixelFile[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  const int32_t code = open(input, pixelFile, &mapping, &header, DrawProgress, 0);
  ClearProgress();
  if (code != PBM_OK) {
    WriteText(stderr, std::string(input) + ": " + DescribeFailure(input, code) + " (result code " +
                          std::to_string(code) + ")\n");
    return false;
  }
  const uint8_t* block = static_cast<const uint8_t*>(GlobalLock(header));
  const bool written = block != nullptr && WriteBmp(output, block, mapping);
  if (block != nullptr) GlobalUnlock(header);
  CloseHandle(mapping);
  GlobalFree(header);
  DeleteFileA(pixelFile);
  if (!written) {
    WriteText(stderr,
              std::string(input) + ": converted, but " + output + " could not be written\n");
  } else {
    WriteText(stdout, std::string(input) + " -> " + output + "\n");
  }
  return written;
}

// The input's name with .bmp for its extension, in outputDirectory, joined
// with the platform's separator. Both separators end a folder on Windows.
std::string BmpPathFor(const std::string& input, const std::string& outputDirectory) {
  const char* separators = kPathSeparator == '/' ? "/" : "/\\";
  const size_t slash = input.find_last_of(separators);
  std::string base = slash == std::string::npos ? input : input.substr(slash + 1);
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  if (outputDirectory.empty()) return base + ".bmp";
  const bool joined = strchr(separators, outputDirectory.back()) != nullptr;
  return outputDirectory + (joined ? "" : std::string(1, kPathSeparator)) + base + ".bmp";
}

const char kUsage[] =
    "usage: pnm_to_bmp [-o DIRECTORY] FILE.pbm|.pgm|.ppm...\n"
    "Converts Netpbm images (P1 to P6) to Windows .bmp files, one per image,\n"
    "written into DIRECTORY (made when missing) or the current one.\n"
#if defined(_WIN32)
    "FILE may hold the wildcards * and ?.\n"
#endif
    "  -o DIRECTORY  where the .bmp files go\n"
    "  --help        show this text\n"
    "  --version     show the program's version\n"
    "Exit status: 0 when every file converted, 1 when any did not, 2 for a usage error.\n";

}  // namespace

// Exit status: 0 when every file converted, 1 when any did not, 2 for a
// usage error or when the library or the output directory is unavailable.
int main(int argc, char** argv) {
  std::string outputDirectory;
  int first = 1;
  // Options come before the files; "--" ends them, for a file named "-x".
  while (first < argc && argv[first][0] == '-' && argv[first][1] != '\0') {
    const std::string option = argv[first];
    if (option == "--") {
      ++first;
      break;
    }
    if (option == "--help") {
      WriteText(stdout, kUsage);
      return 0;
    }
    if (option == "--version") {
      WriteText(stdout, "pnm_to_bmp " QUENTARPBM_VERSION "\n");
      return 0;
    }
    if (option != "-o" || first + 1 >= argc) {
      WriteText(stderr, "pnm_to_bmp: unknown option or missing value: " + option + "\n" + kUsage);
      return 2;
    }
    outputDirectory = argv[first + 1];
    first += 2;
  }
  if (first >= argc) {
    WriteText(stderr, kUsage);
    return 2;
  }
  if (!outputDirectory.empty()) {
    std::error_code error;
    std::filesystem::create_directories(outputDirectory, error);
    if (error) {
      WriteText(stderr, "pnm_to_bmp: cannot create the output directory " + outputDirectory + ": " +
                            error.message() + "\n");
      return 2;
    }
  }
  const Library library = LoadLibraryForHost();
  if (library.open == nullptr) {
    WriteText(stderr,
              "pnm_to_bmp: cannot load QUENTARPBM.dll (it must be beside pnm_to_bmp.exe)\n");
    FreeLibraryForHost(library);
    return 2;
  }
  showProgress = isatty(fileno(stderr)) != 0;
  int failures = 0;
  for (int i = first; i < argc; ++i) {
    failures += Convert(library.open, argv[i], BmpPathFor(argv[i], outputDirectory)) ? 0 : 1;
  }
  FreeLibraryForHost(library);
  if (failures != 0) {
    WriteText(stderr, "pnm_to_bmp: " + std::to_string(failures) + " of " +
                          std::to_string(argc - first) + " files not converted\n");
  }
  return failures == 0 ? 0 : 1;
}
