// The WIC codec's decoding core over a reader in memory: each image's whole decode checked, then
// a rectangle, bands, a flip or turn and a scaled copy, each against the model of the whole; the
// option bytes pick the scanners' level, the reader's pieces, the image and the views.
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "fuzz_scratch.h"
#include "memory_stream_reader.h"
#include "wic/wic_image.h"
#include "wic_model.h"

using namespace quentarpbm;

namespace {

// Every byte of the image is read, so that one smaller than its size
// shows; PBM rows must end in white pad bits.
void CheckImage(const WicImage& image) {
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0)
    fuzz::Fail("an image without pixels or size");
  if (image.stride != WicRowBytes(image.layout, image.width))
    fuzz::Fail("a stride that is not the row's bytes");
  volatile uint8_t sum = 0;
  const uint8_t pad = static_cast<uint8_t>(0xFFu >> (image.width % 8 == 0 ? 8 : image.width % 8));
  for (int32_t row = 0; row < image.height; ++row) {
    const uint8_t* bytes = image.pixels + static_cast<size_t>(row) * image.stride;
    for (uint32_t i = 0; i < image.stride; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
    if (image.layout == WicPixelLayout::kBlackWhite && (bytes[image.stride - 1] & pad) != pad)
      fuzz::Fail("a PBM row's pad bits not white");
  }
}

// The harness's size cap, on the header as a stream gives it.
bool DeclaresTooManyPixels(const fuzz::InputFile& file) {
  FILE* header = fuzz::OpenMemory(file.bytes, file.size);
  const bool tooMany = fuzz::DeclaresTooManyWicPixels(header);
  fclose(header);
  return tooMany;
}

// Sixteenths of size: an offset from the high nibble, a length (at least
// 1, within size) from the low one.
WicRect Span(uint8_t sixteenths, uint32_t size, bool columns, const WicRect& other) {
  const auto start = static_cast<int32_t>((sixteenths >> 4) * size / 16);
  const auto left = static_cast<int32_t>(size) - start;
  const int32_t length =
      1 + static_cast<int32_t>((sixteenths & 15u) * static_cast<uint32_t>(left - 1) / 15);
  return columns ? WicRect{start, other.y, length, other.height}
                 : WicRect{other.x, start, other.width, length};
}

void CheckCopy(const NetpbmOffsetReader& reader, WicFrame* frame, const fuzz::ModelImage& whole,
               const fuzz::ModelRequest& request) {
  if (!fuzz::CopyMatchesModel(reader, frame, whole, request))
    fuzz::Fail("a copy refused, or unlike the model of the whole frame");
}

// The views the options ask of one image, on a frame of their own so that
// what they learn of its rows starts afresh.
void CheckViews(const NetpbmOffsetReader& reader, uint64_t offset, const WicImage& image,
                const fuzz::WicDecodeOptions& options) {
  const fuzz::ModelImage whole = fuzz::ModelImageOf(image);
  WicFrame frame{};
  if (OpenWicFrame(reader, offset, &frame) != PBM_OK) fuzz::Fail("an image that opened once");
  const auto width = static_cast<uint32_t>(image.width);
  const auto height = static_cast<uint32_t>(image.height);
  WicRect rect{0, 0, image.width, image.height};
  rect = Span(options.columns, width, true, rect);
  rect = Span(options.rows, height, false, rect);
  const WicPixelLayout own = image.layout;
  CheckCopy(reader, &frame, whole, {rect, width, height, own, WicTransform::kNone});
  for (int32_t y = 0; y < image.height; y += options.bandRows) {
    const int32_t rows = image.height - y < options.bandRows ? image.height - y : options.bandRows;
    CheckCopy(reader, &frame, whole,
              {{0, y, image.width, rows}, width, height, own, WicTransform::kNone});
  }
  WicTransform transform = WicTransform::kNone;
  if (!TransformOfWicOptions(options.transformOptions, &transform)) {
    CloseWicFrame(&frame);
    return;
  }
  CheckCopy(reader, &frame, whole, {rect, width, height, own, transform});
  uint32_t scaledWidth = width - (options.scale >> 4) * width / 16;
  uint32_t scaledHeight = height - (options.scale & 15u) * height / 16;
  ClosestWicSize(frame, &scaledWidth, &scaledHeight);
  const WicPixelLayout grey = WicPixelLayout::kGray8;
  const WicPixelLayout layout = ClosestWicLayout(frame, &grey);
  WicRect scaledRect{0, 0, static_cast<int32_t>(scaledWidth), static_cast<int32_t>(scaledHeight)};
  scaledRect = Span(options.columns, scaledWidth, true, scaledRect);
  scaledRect = Span(options.rows, scaledHeight, false, scaledRect);
  CheckCopy(reader, &frame, whole, {scaledRect, scaledWidth, scaledHeight, layout, transform});
  CloseWicFrame(&frame);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WicDecodeOptions options;
  fuzz::InputFile file;
  if (!fuzz::WicDecodeInput(data, size, &options, &file) || DeclaresTooManyPixels(file)) return 0;
  fuzz::LimitScannersBelowHighest(options.levelsBelow);
  fuzz::MemoryStream stream;
  stream.bytes.assign(reinterpret_cast<const char*>(file.bytes), file.size);
  stream.bytesPerCall = options.bytesPerCall;
  const NetpbmOffsetReader reader = fuzz::MemoryOffsetReader(&stream);
  WicImage image{-7, -7, WicPixelLayout::kRgb48, 7, nullptr};
  const ResultCode result = DecodeNetpbmForWic(reader, &image);
  if (result != PBM_OK) {
    if (result != PBM_E_UNSUPPORTED && result != PBM_E_READ && result != PBM_E_MAXVAL &&
        result != PBM_E_NO_MEMORY)
      fuzz::Fail("a result outside the decoder's codes");
    if (image.pixels != nullptr || image.width != -7) fuzz::Fail("a failure that wrote the image");
    return 0;
  }
  CheckImage(image);
  FreeWicImage(&image);
  // The image the options pick, among those that follow one another.
  const uint32_t images = CountNetpbmImages(reader, 4, false);
  WicFrame frame{};
  if (OpenWicFrame(reader, 0, &frame) != PBM_OK) fuzz::Fail("a first image that decoded");
  for (uint32_t i = 0; i < options.image % images; ++i) {
    WicFrame next{};
    if (FindNextNetpbmImage(reader, &frame, &next) != PBM_OK) fuzz::Fail("an image counted");
    CloseWicFrame(&frame);
    frame = next;
  }
  const bool small =
      static_cast<int64_t>(frame.header.width) * frame.header.height <= fuzz::kMaxPixels;
  if (small && DecodeWicFrame(reader, &frame, &image) == PBM_OK) {
    CheckImage(image);
    CheckViews(reader, frame.offset, image, options);
    FreeWicImage(&image);
  }
  CloseWicFrame(&frame);
  if (stream.furthest > stream.bytes.size()) fuzz::Fail("read past the data");
  return 0;
}
