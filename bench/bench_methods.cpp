// The floor written out, PBMOpen as a host calls it, and the peers that Debian packages.
#include "bench_methods.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "bench_peers.h"
#include "floor_rows.h"
#include "platform/win32_api.h"
#include "run_pbm_open.h"

namespace {

// A new file grown to size the cheapest way known here: up to 8 MB by
// writing zeros, whose pages the view then finds in the page cache, and
// beyond that by truncating up, whose pages the view's faults make.
bool GrowCheaply(int descriptor, size_t size) {
  if (size > (size_t{8} << 20)) return ftruncate(descriptor, static_cast<off_t>(size)) == 0;
  static const char zeros[64 * 1024] = {};
  for (size_t done = 0; done < size;) {
    const size_t count = size - done < sizeof zeros ? size - done : sizeof zeros;
    const ssize_t written = pwrite(descriptor, zeros, count, static_cast<off_t>(done));
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

// A buffer that read() is the first to touch, not cleared. From 4 MB on it
// comes from the stand-in's VirtualAlloc, on large pages as the library's
// row store is: where page faults are dear, a fault per 4 KB would be most
// of the cost. (Below that the stand-in would clear heap memory first.)
class FreshBuffer {
 public:
  explicit FreshBuffer(size_t bytes) {
    if (bytes < kLargeBytes) {
      small_.reset(new uint8_t[bytes]);
      data_ = small_.get();
    } else {
      data_ = static_cast<uint8_t*>(
          VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
      large_ = data_ != nullptr;
    }
  }
  ~FreshBuffer() {
    if (large_) VirtualFree(data_, 0, MEM_RELEASE);
  }
  FreshBuffer(const FreshBuffer&) = delete;
  FreshBuffer& operator=(const FreshBuffer&) = delete;
  uint8_t* get() const { return data_; }

 private:
  static constexpr size_t kLargeBytes = size_t{4} << 20;
  std::unique_ptr<uint8_t[]> small_;
  uint8_t* data_ = nullptr;
  bool large_ = false;
};

// A template for mkstemp in the temporary directory.
std::string TempFloorName() {
  const char* directory = getenv("TMPDIR");
  return std::string(directory != nullptr && directory[0] != '\0' ? directory : "/tmp") +
         "/tpfloorXXXXXX";
}

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
  const size_t fileBytes = image.fileBytes;
  const FreshBuffer file(fileBytes);
  const ssize_t got = file.get() != nullptr ? read(input, file.get(), fileBytes) : -1;
  close(input);
  if (got != static_cast<ssize_t>(fileBytes)) return false;
  const std::vector<uint8_t> zeroRow(fileBytes < rowBytes ? rowBytes : 0);

  std::string name = TempFloorName();
  const int descriptor = mkstemp(&name[0]);
  if (descriptor < 0) return false;
  const size_t size = stride * height;
  bool ok = GrowCheaply(descriptor, size);
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

// Rows from up to to of the piece, in one gathering write: in the file they
// lie in reverse order, each padded to the stride, from row to - 1 on.
bool WriteRowsGathered(int output, const StreamFloorShape& shape, const uint8_t* piece, size_t got,
                       size_t from, size_t to, const std::vector<uint8_t>& zeros) {
  std::vector<iovec> parts;
  const size_t padding = shape.stride - shape.rowBytes;
  for (size_t row = to; row-- > from;) {
    const uint8_t* bytes = FloorRowSource(piece, got, row, shape.rowBytes, zeros);
    parts.push_back({const_cast<uint8_t*>(bytes), shape.rowBytes});
    if (padding > 0) parts.push_back({const_cast<uint8_t*>(zeros.data()), padding});
  }
  auto at = static_cast<off_t>((shape.height - to) * shape.stride);
  for (size_t next = 0; next < parts.size();) {
    const int count = static_cast<int>(std::min<size_t>(parts.size() - next, IOV_MAX));
    const ssize_t written = pwritev(output, parts.data() + next, count, at);
    if (written <= 0) return false;
    at += written;
    // Past the parts written whole; a part written in part is finished next.
    for (auto left = static_cast<size_t>(written); left > 0;) {
      iovec& part = parts[next];
      const size_t taken = std::min(left, part.iov_len);
      part.iov_base = static_cast<uint8_t*>(part.iov_base) + taken;
      part.iov_len -= taken;
      left -= taken;
      if (part.iov_len == 0) ++next;
    }
  }
  return true;
}

// What moving the bytes costs at all: the file read in pieces into one
// buffer, and the rows the file holds written with a gathering pwrite per
// piece to their places in a new temporary file of the DIB's size, without
// a view or a fault.
bool RunStreamFloor(const BenchImage& image) {
  const StreamFloorShape shape = StreamFloorShapeOf(image);
  const int input = open(image.path.c_str(), O_RDONLY);
  if (input < 0) return false;
  std::string name = TempFloorName();
  const int output = mkstemp(&name[0]);
  bool ok = output >= 0 && ftruncate(output, static_cast<off_t>(shape.stride * shape.height)) == 0;
  std::vector<uint8_t> piece(kStreamFloorPieceBytes);
  const std::vector<uint8_t> zeros(std::max<size_t>(shape.rowBytes, 4));
  for (size_t read = 0, written = 0; ok && read < image.fileBytes;) {
    const ssize_t got = ::read(input, piece.data(), piece.size());
    if (got <= 0) {
      ok = false;
      break;
    }
    read += static_cast<size_t>(got);
    const size_t rows = RowsReadBy(shape, read, image.fileBytes);
    ok = WriteRowsGathered(output, shape, piece.data(), static_cast<size_t>(got), written, rows,
                           zeros);
    written = rows;
  }
  close(input);
  if (output >= 0) close(output);
  unlink(name.c_str());
  return ok;
}

// PBMOpen linked in.
bool RunPbmOpen(const BenchImage& image) { return RunPbmOpenThrough(PBMOpen, image); }

}  // namespace

bool ReadsEveryVariant(const BenchImage&) { return true; }

std::vector<BenchMethod> BenchMethods() {
  std::vector<BenchMethod> methods = {{"floor", RunFloor, ReadsEveryVariant, nullptr},
                                      {"stream", RunStreamFloor, ReadsEveryVariant, nullptr},
                                      {"PBMOpen", RunPbmOpen, ReadsEveryVariant, nullptr},
                                      {"rows", RunRowReaders, ReadsEveryVariant, nullptr}};
  for (const BenchMethod& codec : WicCodecMethods()) methods.push_back(codec);
  for (const BenchMethod& peer : PeerMethods()) methods.push_back(peer);
  return methods;
}
