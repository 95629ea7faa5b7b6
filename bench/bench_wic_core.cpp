// The WIC codec's core on a file read with pread, as the codec reads its stream: the native
// build's codec rows.
#include <fcntl.h>
#include <unistd.h>

#include "bench_wic_codec.h"
#include "platform/win32_api.h"
#include "wic/wic_image.h"

namespace {

using quentarpbm::WicFrame;

size_t ReadFileAt(void* context, uint64_t offset, uint8_t* destination, size_t count) {
  const ssize_t got =
      pread(*static_cast<int*>(context), destination, count, static_cast<off_t>(offset));
  return got > 0 ? static_cast<size_t>(got) : 0;
}

// A file and its first image, opened as the codec's Initialize opens them.
class OpenedFrame {
 public:
  explicit OpenedFrame(const BenchImage& image)
      : descriptor_(open(image.path.c_str(), O_RDONLY)),
        opened_(descriptor_ >= 0 && quentarpbm::OpenWicFrame(Reader(), 0, &frame_) == PBM_OK) {}
  ~OpenedFrame() {
    if (opened_) quentarpbm::CloseWicFrame(&frame_);
    if (descriptor_ >= 0) close(descriptor_);
  }
  OpenedFrame(const OpenedFrame&) = delete;
  OpenedFrame& operator=(const OpenedFrame&) = delete;

  bool opened() const { return opened_; }
  const WicFrame& frame() const { return frame_; }

  // rect (null: all) of the frame at width x height in layout into buffer.
  bool Copy(const quentarpbm::WicRect* rect, uint32_t width, uint32_t height,
            quentarpbm::WicPixelLayout layout, size_t stride, size_t size, uint8_t* buffer) {
    const quentarpbm::WicCopyRequest request{rect,
                                             width,
                                             height,
                                             layout,
                                             quentarpbm::WicTransform::kNone,
                                             static_cast<uint32_t>(stride),
                                             static_cast<uint32_t>(size),
                                             buffer};
    return quentarpbm::CopyWicFramePixels(Reader(), &frame_, request, nullptr) == PBM_OK;
  }

 private:
  quentarpbm::NetpbmOffsetReader Reader() { return {&descriptor_, ReadFileAt}; }

  int descriptor_;
  WicFrame frame_ = {};
  bool opened_;
};

// A host's fresh buffer, which the copy is the first to touch: the
// stand-in's VirtualAlloc, on large pages as the reading stage's row store
// is, so that both pay the same for first touching their memory.
class HostBuffer {
 public:
  explicit HostBuffer(size_t bytes)
      : bytes_(static_cast<uint8_t*>(
            VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))) {}
  ~HostBuffer() {
    if (bytes_ != nullptr) VirtualFree(bytes_, 0, MEM_RELEASE);
  }
  HostBuffer(const HostBuffer&) = delete;
  HostBuffer& operator=(const HostBuffer&) = delete;
  uint8_t* get() const { return bytes_; }

 private:
  uint8_t* bytes_;
};

}  // namespace

bool RunWicHeader(const BenchImage& image) { return OpenedFrame(image).opened(); }

bool RunWicFrame(const BenchImage& image) {
  OpenedFrame opened(image);
  if (!opened.opened()) return false;
  const quentarpbm::WicHeader& header = opened.frame().header;
  const size_t stride = WicRowBytesOf(image, static_cast<uint32_t>(image.width), false);
  const size_t size = WicFrameBytes(image);
  const HostBuffer pixels(size);
  return opened.Copy(nullptr, static_cast<uint32_t>(header.width),
                     static_cast<uint32_t>(header.height), header.layout, stride, size,
                     pixels.get());
}

bool RunWicBands(const BenchImage& image) {
  OpenedFrame opened(image);
  if (!opened.opened()) return false;
  const quentarpbm::WicHeader& header = opened.frame().header;
  const size_t stride = WicRowBytesOf(image, static_cast<uint32_t>(image.width), false);
  const size_t size = WicBandBytes(image);
  const HostBuffer band(size);
  bool ok = true;
  for (int32_t y = 0; y < header.height && ok; y += kWicBandRows) {
    const int32_t rows = header.height - y < kWicBandRows ? header.height - y : kWicBandRows;
    const quentarpbm::WicRect rect{0, y, header.width, rows};
    ok = opened.Copy(&rect, static_cast<uint32_t>(header.width),
                     static_cast<uint32_t>(header.height), header.layout, stride, size, band.get());
  }
  return ok;
}

bool RunWicThumbnail(const BenchImage& image) {
  OpenedFrame opened(image);
  if (!opened.opened()) return false;
  uint32_t width = 0;
  uint32_t height = 0;
  ThumbnailSize(image, &width, &height);
  const quentarpbm::WicPixelLayout grey = quentarpbm::WicPixelLayout::kGray8;
  const quentarpbm::WicPixelLayout layout = quentarpbm::ClosestWicLayout(opened.frame(), &grey);
  const size_t size = WicThumbnailBytes(image);
  const HostBuffer pixels(size);
  return opened.Copy(nullptr, width, height, layout, WicRowBytesOf(image, width, true), size,
                     pixels.get());
}
