// The floor written out, PBMOpen as a host calls it, and the peers that Debian packages.
#include "bench_methods.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_peers.h"
#include "floor_rows.h"
#include "run_pbm_open.h"

namespace {

// The least any converter must do: one read() of the whole file into a
// fresh buffer, then the output stage as PBMOpen's pixel file has it (a new
// temporary file sized to the DIB, mapped and faulted in at once as the
// stand-in does, one copy per row bottom-up, unmapped, closed and deleted).
bool RunFloor(const BenchImage& image) {
  const size_t rowBytes =
      static_cast<size_t>(image.width) * static_cast<size_t>(image.dibBytesPerPixel);
  const size_t stride = (rowBytes + 3) / 4 * 4;
  const size_t height = static_cast<size_t>(image.height);

  const int input = open(image.path.c_str(), O_RDONLY);
  if (input < 0) return false;
  // Not cleared: read() is the first to touch it.
  const size_t fileBytes = image.fileBytes;
  const std::unique_ptr<uint8_t[]> file(new uint8_t[fileBytes]);
  const ssize_t got = read(input, file.get(), fileBytes);
  close(input);
  if (got != static_cast<ssize_t>(fileBytes)) return false;
  const std::vector<uint8_t> zeroRow(fileBytes < rowBytes ? rowBytes : 0);

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
    madvise(view, size, MADV_POPULATE_WRITE);
    uint8_t* pixels = static_cast<uint8_t*>(view);
    for (size_t i = 0; i < height; ++i)
      memcpy(pixels + (height - 1 - i) * stride,
             FloorRowSource(file.get(), fileBytes, i, rowBytes, zeroRow), rowBytes);
    munmap(view, size);
  } else {
    ok = false;
  }
  close(descriptor);
  unlink(name.c_str());
  return ok;
}

// PBMOpen linked in.
bool RunPbmOpen(const BenchImage& image) { return RunPbmOpenThrough(PBMOpen, image); }

}  // namespace

bool ReadsEveryVariant(const BenchImage&) { return true; }

std::vector<BenchMethod> BenchMethods() {
  std::vector<BenchMethod> methods = {{"floor", RunFloor, ReadsEveryVariant},
                                      {"PBMOpen", RunPbmOpen, ReadsEveryVariant}};
  for (const BenchMethod& peer : PeerMethods()) methods.push_back(peer);
  return methods;
}
