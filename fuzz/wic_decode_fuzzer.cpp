// The WIC codec's decoding core over a reader in memory; the first byte picks the scanners' level
// and the reader's pieces.
#include <stdint.h>
#include <stdio.h>

#include <string>

#include "fuzz_scratch.h"
#include "support/memory_stream_reader.h"
#include "wic/wic_image.h"

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

}  // namespace

// The option byte picks the scanners' level and the reader's pieces (see
// WicDecodeInput).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WicDecodeOptions options;
  fuzz::InputFile file;
  if (!fuzz::WicDecodeInput(data, size, &options, &file) || DeclaresTooManyPixels(file)) return 0;
  fuzz::LimitScannersBelowHighest(options.levelsBelow);
  testing::MemoryStream stream;
  stream.bytes.assign(reinterpret_cast<const char*>(file.bytes), file.size);
  stream.bytesPerCall = options.bytesPerCall;
  WicImage image{-7, -7, WicPixelLayout::kRgb48, 7, nullptr};
  const ResultCode result = DecodeNetpbmForWic(testing::MemoryOffsetReader(&stream), &image);
  if (stream.position > stream.bytes.size()) fuzz::Fail("read past the data");
  if (result == PBM_OK) {
    CheckImage(image);
    FreeWicImage(&image);
    return 0;
  }
  if (result != PBM_E_UNSUPPORTED && result != PBM_E_READ && result != PBM_E_MAXVAL &&
      result != PBM_E_NO_MEMORY)
    fuzz::Fail("a result outside the decoder's codes");
  if (image.pixels != nullptr || image.width != -7) fuzz::Fail("a failure that wrote the image");
  return 0;
}
