// A host that is still using the library while its process ends: it releases
// an image from a static object's destructor (also with a view of its pixel
// file still mapped) or an atexit handler, or leaves a thread converting when
// main returns. Exit status 0 means every release
// succeeded and left no pixel file; a fault in the library ends it on a signal.
// Its last line, printed at exit once the mode's releases are done, says so
// too: under Wine a fault after a thread has run can still end with status 0.
#include <stdint.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "quentarpbm.h"
#ifdef _WIN32
#include <windows.h>
#else
#include "quentarpbm_posix.h"
#endif

namespace {

const char kImage[] = "P5 2 2 255\n\x01\x02\x03\x04";

// The image, one per mode so that tests running at once do not share it, in
// the working directory.
char g_imagePath[64];

struct OpenImage {
  char pixelFile[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
};

bool Open(OpenImage* image) {
  return PBMOpen(g_imagePath, image->pixelFile, &image->mapping, &image->header, nullptr, 0) ==
         PBM_OK;
}

// True when every handle was released and the pixel file is gone.
bool Release(OpenImage* image) {
  const bool released = CloseHandle(image->mapping) && GlobalFree(image->header) == nullptr &&
                        DeleteFileA(image->pixelFile);
  FILE* left = std::fopen(image->pixelFile, "rb");
  if (left != nullptr) std::fclose(left);
  return released && left == nullptr;
}

// What a cache of open images does at exit. Its destructor is registered
// before the first call, so it runs after anything the library sets up then.
// A viewer's cache also holds a view of each pixel file, unmapped first.
struct ImageCache {
  OpenImage image;
  bool held = false;
  const void* view = nullptr;
  ~ImageCache() {
    if (view != nullptr && !UnmapViewOfFile(view)) std::_Exit(1);
    if (held && !Release(&image)) std::_Exit(1);
    if (held)
      std::puts(view != nullptr ? "unmapped and released in a static destructor"
                                : "released in a static destructor");
  }
};
ImageCache g_cache;

OpenImage g_atExitImage;
void ReleaseAtExit() {
  if (!Release(&g_atExitImage)) std::_Exit(1);
  std::puts("released in an atexit handler");
}

std::atomic<int> g_attempts{0};
std::atomic<bool> g_allSucceeded{true};
void ConvertForever() {
  for (;;) {
    OpenImage image;
    if (!Open(&image) || !Release(&image)) g_allSucceeded = false;
    ++g_attempts;
  }
}

// Destroyed last, after everything the library set up during the calls: the
// converting thread must go on succeeding while the process ends around it.
struct ConversionsDuringExit {
  bool watching = false;
  ~ConversionsDuringExit() {
    if (!watching) return;
    const int from = g_attempts;
    while (g_attempts < from + 3) std::this_thread::yield();
    if (!g_allSucceeded) std::_Exit(1);
    std::puts("converted on while the process ended");
  }
};
ConversionsDuringExit g_duringExit;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr,
                 "usage: exit_time_host static-destructor|held-view|atexit|converting-thread\n");
    return 2;
  }
  const char* mode = argv[1];
  std::snprintf(g_imagePath, sizeof g_imagePath, "exit_time_host_%s.pgm", mode);
  FILE* file = std::fopen(g_imagePath, "wb");
  if (file == nullptr) return 3;
  const bool written = std::fwrite(kImage, 1, sizeof kImage - 1, file) == sizeof kImage - 1;
  if (std::fclose(file) != 0 || !written) return 3;

  if (std::strcmp(mode, "static-destructor") == 0) {
    g_cache.held = Open(&g_cache.image);
    return g_cache.held ? 0 : 4;
  }
  if (std::strcmp(mode, "held-view") == 0) {
    g_cache.held = Open(&g_cache.image);
    if (!g_cache.held) return 4;
    g_cache.view = MapViewOfFile(g_cache.image.mapping, FILE_MAP_READ, 0, 0, 0);
    return g_cache.view != nullptr ? 0 : 4;
  }
  if (std::strcmp(mode, "atexit") == 0) {
    if (std::atexit(ReleaseAtExit) != 0) return 3;
    return Open(&g_atExitImage) ? 0 : 4;
  }
  if (std::strcmp(mode, "converting-thread") == 0) {
    g_duringExit.watching = true;
    std::thread(ConvertForever).detach();
    while (g_attempts < 2) std::this_thread::yield();
    return g_allSucceeded ? 0 : 4;
  }
  return 2;
}
