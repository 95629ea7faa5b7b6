// The floor written out, PBMOpen as a host calls it, and the peers that Debian packages.
#include "bench_methods.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "bench_peers.h"
#include "quentarpbm.h"
#include "quentarpbm_posix.h"

namespace {

bool ReadsAll(const BenchImage&) { return true; }

// The least any converter must do: one read of the whole file, then the
// output stage as PBMOpen's pixel file has it (a new temporary file sized to
// the DIB, mapped, the rows copied in bottom-up, unmapped), and the host's
// release of it. The rows come from a ready block; decoding is what is
// measured against this.
bool RunFloor(const BenchImage& image) {
  static std::vector<char> fileBytes;
  static std::vector<uint8_t> rows;
  const size_t rowBytes =
      static_cast<size_t>(image.width) * static_cast<size_t>(image.dibBytesPerPixel);
  const size_t stride = (rowBytes + 3) / 4 * 4;
  const size_t height = static_cast<size_t>(image.height);
  // Buffers of the largest image, touched once outside any timing that matters.
  if (fileBytes.size() < image.fileBytes) fileBytes.assign(image.fileBytes, 1);
  if (rows.size() < rowBytes * height) rows.assign(rowBytes * height, 1);

  FILE* file = fopen(image.path.c_str(), "rb");
  if (file == nullptr) return false;
  const size_t got = fread(fileBytes.data(), 1, image.fileBytes, file);
  fclose(file);
  if (got != image.fileBytes) return false;

  const char* directory = getenv("TMPDIR");
  std::string name =
      std::string(directory != nullptr && directory[0] != '\0' ? directory : "/tmp") +
      "/tpfloorXXXXXX";
  const int descriptor = mkstemp(&name[0]);
  if (descriptor < 0) return false;
  const size_t size = stride * height;
  bool ok = ftruncate(descriptor, static_cast<off_t>(size)) == 0;
  void* view =
      ok ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0) : MAP_FAILED;
  if (view != MAP_FAILED) {
    uint8_t* pixels = static_cast<uint8_t*>(view);
    for (size_t i = 0; i < height; ++i)
      memcpy(pixels + (height - 1 - i) * stride, rows.data() + i * rowBytes, rowBytes);
    munmap(view, size);
  } else {
    ok = false;
  }
  close(descriptor);
  unlink(name.c_str());
  return ok;
}

// PBMOpen end to end, then the host's release of its three results.
bool RunPbmOpen(const BenchImage& image) {
  char pixelFileName[MAX_PATH];
  void* mapping = nullptr;
  void* header = nullptr;
  const int32_t result = PBMOpen(image.path.c_str(), pixelFileName, &mapping, &header, nullptr, 0);
  if (result != PBM_OK) return false;
  CloseHandle(mapping);
  GlobalFree(header);
  DeleteFileA(pixelFileName);
  return true;
}

}  // namespace

std::vector<BenchMethod> BenchMethods() {
  std::vector<BenchMethod> methods = {{"floor", RunFloor, ReadsAll},
                                      {"PBMOpen", RunPbmOpen, ReadsAll}};
  for (const BenchMethod& peer : PeerMethods()) methods.push_back(peer);
  return methods;
}
