// CountNetpbmImages: images one after another, counted from their headers, rasters skipped.
#include <gtest/gtest.h>
#include <stdint.h>

#include <string>

#include "support/param_label.h"
#include "wic/wic_decode.h"

namespace quentarpbm {
namespace {

// The bytes of a literal, its zeros included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// Bytes in memory that keeps every byte it gives, and skips past its end
// too (as IStream::Seek may); it refuses every skip when told to.
struct Stream {
  std::string bytes;
  bool refuseSkips;
  uint64_t position = 0;
  std::string given;
};
size_t ReadStream(void* context, uint8_t* destination, size_t count) {
  auto* stream = static_cast<Stream*>(context);
  size_t done = 0;
  for (; done < count && stream->position < stream->bytes.size(); ++done) {
    destination[done] =
        static_cast<uint8_t>(stream->bytes[static_cast<size_t>(stream->position++)]);
    stream->given += static_cast<char>(destination[done]);
  }
  return done;
}
bool SkipInStream(void* context, uint64_t count) {
  auto* stream = static_cast<Stream*>(context);
  stream->position += count;
  return !stream->refuseSkips;
}

struct CountCase {
  const char* label;
  std::string bytes;
  uint32_t limit;
  bool refuseSkips;
  uint32_t count;
};

class CountNetpbmImagesTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountNetpbmImagesTest, CountsWholeHeadersAndReadsNoRaster) {
  const CountCase& c = GetParam();
  Stream stream{c.bytes, c.refuseSkips, 0, {}};
  NetpbmByteSource source = ReaderByteSource({&stream, ReadStream}, nullptr, 0);
  WicHeader first{};
  ASSERT_EQ(ReadWicHeader(&source, &first), PBM_OK);
  EXPECT_EQ(CountNetpbmImages(&source, first, {&stream, SkipInStream}, c.limit), c.count);
  // Every byte read was a header's or whitespace before one: no raster byte,
  // whose values here are all 0xAB.
  EXPECT_EQ(stream.given.find('\xAB'), std::string::npos) << stream.given;
}

const std::string kGrey = Bytes("P5 2 1 255\n\xAB\xAB");
const std::string kWide = Bytes("P6 1 1 256\n\xAB\xAB\xAB\xAB\xAB\xAB");
const CountCase kCases[] = {
    {"OneImage", kGrey, 100, false, 1},
    {"TwoImagesBackToBack", kGrey + kGrey, 100, false, 2},
    {"SixteenBitRasterSkippedWhole", kWide + kGrey + kWide, 100, false, 3},
    {"BitmapsWithLineEnds", Bytes("P4 9 2\n\xAB\xAB\xAB\xAB\n\r\tP4 1 1\n\xAB"), 100, false, 2},
    {"GapOf255Blanks", kGrey + std::string(255, ' ') + kGrey, 100, false, 2},
    {"GapOf256Blanks", kGrey + std::string(256, ' ') + kGrey, 100, false, 1},
    {"StopsAtTheLimit", kGrey + kGrey + kGrey, 2, false, 2},
    {"NoSkipNoCount", kGrey + kGrey, 100, true, 1},
    // A row of 6 x 2^31 - 6 bytes: no stream holds the raster, no skip is tried.
    {"RasterBeyondAnyStream", "P6 2147483647 1 65535\n\xAB" + kGrey, 100, false, 1},
    {"RasterCutShort", Bytes("P5 4 4 255\n\xAB\xAB"), 100, false, 1},
    {"HeaderAfterCutShort", kGrey + "P5 2 1", 100, false, 1},
    {"SomethingElseAfter", kGrey + "GIF89a", 100, false, 1},
    {"PlainIsOne", "P2 1 1 255\n7\nP2 1 1 255\n7\n", 100, false, 1},
};
INSTANTIATE_TEST_SUITE_P(Files, CountNetpbmImagesTest, ::testing::ValuesIn(kCases),
                         testing::ParamLabel<CountCase>);

}  // namespace
}  // namespace quentarpbm
