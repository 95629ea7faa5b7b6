// The WIC core's frames: images counted one after another, headers read without a raster byte,
// CopyWicFramePixels' refusals, the sizes, layouts and transforms it offers, and its progress.
#include <gtest/gtest.h>
#include <stdint.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "memory_stream_reader.h"
#include "support/param_label.h"
#include "support/test_files.h"
#include "wic/wic_image.h"

namespace quentarpbm {
namespace {

using fuzz::MemoryOffsetReader;
using fuzz::MemoryStream;
using testing::Bytes;

// Each image's first decoded byte, one per image the data holds.
struct WalkCase {
  const char* label;
  std::string file;
  std::string firstBytes;
};

const WalkCase kWalkCases[] = {
    {"TwoRaw", Bytes("P5 1 1 255\nA\nP5 1 1 255\nB"), "AB"},
    {"RawThenBlanks", Bytes("P5 1 1 255\nA \n\t\r "), "A"},
    {"RawThenOtherBytes", Bytes("P5 1 1 255\nAxyz"), "A"},
    {"RawThenHeaderCutShort", Bytes("P5 1 1 255\nA\nP5 1"), "A"},
    {"RawThenZeroWidth", Bytes("P5 1 1 255\nA P5 0 1 255\n"), "A"},
    {"RawThenRowTooLong", Bytes("P5 1 1 255\nA P6 715827883 1 65535\n"), "A"},
    // The next header lies inside the first raster: it is raster.
    {"RawRasterHoldsAHeader", Bytes("P5 2 2 255\nAB P5 1 1 255\nC"), "A"},
    // Plain text ends where its last sample does; a compact PBM row may run
    // straight into the next magic.
    {"PlainRawPlain", Bytes("P2 2 1 255 7 8\nP4 8 1\n\x0F\nP1 1 1 1"), Bytes("\x07\xF0\x7F")},
    {"CompactBitsThenRaw", "P1 3 1\n101P5 1 1 255\nZ", "\x5FZ"},
    {"PlainCutShort", "P2 2 2 255 1 2 3", Bytes("\x01")},
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.label; }

class WicFrameWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WicFrameWalk, CountsAndOpensEachImage) {
  const WalkCase& c = GetParam();
  MemoryStream stream{c.file, 3};
  const NetpbmOffsetReader reader = MemoryOffsetReader(&stream);
  EXPECT_EQ(CountNetpbmImages(reader, 10, false), c.firstBytes.size());
  WicFrame frame{};
  ASSERT_EQ(OpenWicFrame(reader, 0, &frame), PBM_OK);
  for (size_t i = 0; i < c.firstBytes.size(); ++i) {
    SCOPED_TRACE(i);
    WicImage image{};
    ASSERT_EQ(DecodeWicFrame(reader, &frame, &image), PBM_OK);
    EXPECT_EQ(image.pixels[0], static_cast<uint8_t>(c.firstBytes[i]));
    FreeWicImage(&image);
    WicFrame next{};
    next.offset = 7;
    const ResultCode found = FindNextNetpbmImage(reader, &frame, &next);
    CloseWicFrame(&frame);
    if (i + 1 == c.firstBytes.size()) {
      EXPECT_EQ(found, PBM_E_READ);
      EXPECT_EQ(next.offset, 7u);
    } else {
      ASSERT_EQ(found, PBM_OK);
      frame = next;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, WicFrameWalk, ::testing::ValuesIn(kWalkCases),
                         testing::ParamLabel<WalkCase>);

TEST(WicFrame, CountStopsAtItsLimitAndAtNoImage) {
  MemoryStream three{kWalkCases[7].file};
  EXPECT_EQ(CountNetpbmImages(MemoryOffsetReader(&three), 2, false), 2u);
  EXPECT_EQ(CountNetpbmImages(MemoryOffsetReader(&three), 0, false), 0u);
  MemoryStream none{"GIF89a"};
  EXPECT_EQ(CountNetpbmImages(MemoryOffsetReader(&none), 10, false), 0u);
}

// Counted from headers alone, as Explorer's details are, a plain image ends
// the count: only reading its text would tell where the next one starts.
TEST(WicFrame, CountFromHeadersStopsAtAPlainImage) {
  const struct {
    std::string file;
    uint32_t whole;
    uint32_t fromHeaders;
  } kFiles[] = {
      {Bytes("P5 1 1 255\nA\nP6 1 1 65535\n123456 \r\tP4 9 1\n\0\0"), 3, 3},
      {Bytes("P5 1 1 255\nA\nP2 1 1 255 7\nP5 1 1 255\nB"), 3, 2},
      {kWalkCases[7].file, 3, 1},
      {Bytes("P5 1 1 255\nA") + std::string(300, ' ') + Bytes("P5 1 1 255\nB"), 2, 2},
  };
  for (const auto& file : kFiles) {
    SCOPED_TRACE(file.file);
    MemoryStream stream{file.file};
    EXPECT_EQ(CountNetpbmImages(MemoryOffsetReader(&stream), 10, false), file.whole);
    EXPECT_EQ(CountNetpbmImages(MemoryOffsetReader(&stream), 10, true), file.fromHeaders);
  }
}

// What WIC's Initialize, GetSize and GetFrameCount do for a raw image: no
// byte of the raster is read, and the count's look past it finds nothing.
TEST(WicFrame, HeaderAndCountReadNoRasterByte) {
  const std::pair<std::string, size_t> kImages[] = {
      {"P6 2 1 255\n", 6}, {"P5\n# grey\n3 1\n255\n", 3}, {"P4 9 2\r", 4}};
  for (const auto& [header, rasterBytes] : kImages) {
    SCOPED_TRACE(header);
    MemoryStream stream{header + std::string(rasterBytes, 'x')};
    const NetpbmOffsetReader reader = MemoryOffsetReader(&stream);
    WicFrame frame{};
    ASSERT_EQ(OpenWicFrame(reader, 0, &frame), PBM_OK);
    EXPECT_EQ(frame.rasterOffset, header.size());
    WicFrame next{};
    EXPECT_EQ(FindNextNetpbmImage(reader, &frame, &next), PBM_E_READ);
    EXPECT_EQ(stream.furthest, header.size());
    EXPECT_EQ(stream.given, header.size());
    printf("%zu-byte header: %zu bytes read\n", header.size(), stream.given);
    CloseWicFrame(&frame);
  }
}

// 3 x 2 colour and 10 x 2 bits; every refusal leaves the buffer as it was.
const char kColour[] = "P3 3 2 255 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18\n";
const char kBits[] = "P1 10 2\n1011001011\n0000111101\n";

struct RefusalCase {
  const char* label;
  const char* file;
  WicRect rect;  // empty: no rectangle
  uint32_t width;
  uint32_t height;
  WicPixelLayout layout;
  WicTransform transform;
  uint32_t stride;
  uint32_t size;
  ResultCode code;
};

using L = WicPixelLayout;
using T = WicTransform;
constexpr WicRect kAll = {};
constexpr WicRect Area(int32_t x, int32_t y, int32_t width, int32_t height) {
  return WicRect{x, y, width, height};
}
constexpr ResultCode kArgument = PBM_E_ARGUMENT;
constexpr ResultCode kFormat = kWicUnsupportedFormat;
constexpr ResultCode kShort = kWicBufferTooSmall;
const RefusalCase kRefusals[] = {
    {"ScaledToZero", kColour, kAll, 0, 2, L::kBgr24, T::kNone, 9, 64, kArgument},
    {"ScaledUp", kColour, kAll, 3, 3, L::kBgr24, T::kNone, 9, 64, kArgument},
    {"ColourInGrey", kColour, kAll, 3, 2, L::kGray8, T::kNone, 9, 64, kFormat},
    {"BitsInColour", kBits, kAll, 10, 2, L::kBgr24, T::kNone, 9, 64, kFormat},
    {"BitsScaledInBits", kBits, kAll, 5, 1, L::kBlackWhite, T::kNone, 9, 64, kFormat},
    {"RectOutsideScaled", kColour, Area(1, 0, 2, 1), 2, 1, L::kBgr24, T::kNone, 9, 64, kArgument},
    {"RectNegative", kColour, Area(0, -1, 1, 1), 3, 2, L::kBgr24, T::kNone, 9, 64, kArgument},
    {"RectEmpty", kColour, Area(0, 0, 1, 0), 3, 2, L::kBgr24, T::kNone, 9, 64, kArgument},
    {"RectWidthWraps", kColour, Area(1, 0, 0x7FFFFFFF, 1), 3, 2, L::kBgr24, T::kNone, 9, 64,
     kArgument},
    // Far right, a narrow rectangle's end wraps to a negative column.
    {"RectLeftWraps", kColour, Area(0x7FFFFFF0, 0, 16, 1), 3, 2, L::kBgr24, T::kNone, 48, 64,
     kArgument},
    {"RectHeightWraps", kColour, Area(0, 1, 1, 0x7FFFFFFF), 3, 2, L::kBgr24, T::kNone, 9, 64,
     kArgument},
    // Turned, 3 x 2 comes out 2 x 3: rows of 6 bytes.
    {"StrideShortOfTurnedRow", kColour, kAll, 3, 2, L::kBgr24, T::kRotate90, 5, 64, kArgument},
    {"BufferShortOfTurnedRows", kColour, kAll, 3, 2, L::kBgr24, T::kRotate270, 6, 17, kShort},
    {"StrideTimesRowsPasses32Bits", kColour, kAll, 3, 2, L::kBgr24, T::kNone, 0xFFFFFFFF, 64,
     kShort},
    {"Copied", kColour, kAll, 3, 2, L::kBgr24, T::kNone, 9, 18, PBM_OK},
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.label; }

class WicCopyRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(WicCopyRefusals, WriteNothing) {
  const RefusalCase& c = GetParam();
  MemoryStream stream{c.file};
  WicFrame frame{};
  ASSERT_EQ(OpenWicFrame(MemoryOffsetReader(&stream), 0, &frame), PBM_OK);
  std::vector<uint8_t> buffer(64, 0xCD);
  const WicRect* rect = c.rect.width != 0 || c.rect.height != 0 ? &c.rect : nullptr;
  const WicCopyRequest request{rect,        c.width,  c.height, c.layout,
                               c.transform, c.stride, c.size,   buffer.data()};
  EXPECT_EQ(CopyWicFramePixels(MemoryOffsetReader(&stream), &frame, request, nullptr), c.code);
  if (c.code != PBM_OK) {
    EXPECT_EQ(buffer, std::vector<uint8_t>(64, 0xCD));
  }
  const WicCopyRequest noBuffer{nullptr, 3, 2, L::kBgr24, T::kNone, 9, 64, nullptr};
  EXPECT_EQ(CopyWicFramePixels(MemoryOffsetReader(&stream), &frame, noBuffer, nullptr),
            PBM_E_ARGUMENT);
  CloseWicFrame(&frame);
}

INSTANTIATE_TEST_SUITE_P(Requests, WicCopyRefusals, ::testing::ValuesIn(kRefusals),
                         testing::ParamLabel<RefusalCase>);

// What GetClosestSize and GetClosestPixelFormat answer, from headers alone:
// 70000 columns scale to no fewer than 2, 2^48 pixels not at all.
TEST(WicFrame, ClosestSizesAndLayouts) {
  struct Case {
    const char* header;
    uint32_t askedWidth, askedHeight, width, height;
    L grey;  // for 8bppGray asked
  };
  const Case kCases[] = {
      {"P4 70000 3\n", 1, 1, 2, 1, L::kGray8},
      {"P4 70000 3\n", 0, 0, 2, 1, L::kGray8},
      {"P4 70000 3\n", 100000, 5, 70000, 3, L::kGray8},
      {"P4 16777216 16777216\n", 5, 5, 16777216, 16777216, L::kBlackWhite},
      {"P5 4 4 255\n", 2, 3, 2, 3, L::kGray8},
      {"P6 4 4 65535\n", 2, 3, 2, 3, L::kRgb48},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.header);
    MemoryStream stream{c.header};
    WicFrame frame{};
    ASSERT_EQ(OpenWicFrame(MemoryOffsetReader(&stream), 0, &frame), PBM_OK);
    uint32_t width = c.askedWidth;
    uint32_t height = c.askedHeight;
    ClosestWicSize(frame, &width, &height);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    const L grey = L::kGray8;
    EXPECT_EQ(ClosestWicLayout(frame, &grey), c.grey);
    EXPECT_EQ(ClosestWicLayout(frame, nullptr), c.grey);
    EXPECT_EQ(ClosestWicLayout(frame, &frame.header.layout), frame.header.layout);
  }
}

// WIC's options: the turn in bits 0-1, 8 flips horizontally, 16 vertically.
TEST(WicFrame, TransformsOfWicOptions) {
  const std::pair<uint32_t, int> kOptions[] = {
      {0, static_cast<int>(T::kNone)},
      {1, static_cast<int>(T::kRotate90)},
      {2, static_cast<int>(T::kRotate180)},
      {3, static_cast<int>(T::kRotate270)},
      {8, static_cast<int>(T::kFlipHorizontal)},
      {16, static_cast<int>(T::kFlipVertical)},
      {24, static_cast<int>(T::kRotate180)},
      {2 | 8, static_cast<int>(T::kFlipVertical)},
      {2 | 16, static_cast<int>(T::kFlipHorizontal)},
      {1 | 8 | 16, static_cast<int>(T::kRotate270)},
      {1 | 8, -1},
      {3 | 16, -1},
      {32, -1},
      {0x7FFFFFFF, -1},
  };
  for (const auto& [options, expected] : kOptions) {
    SCOPED_TRACE(options);
    WicTransform transform = T::kNone;
    EXPECT_EQ(TransformOfWicOptions(options, &transform), expected >= 0);
    if (expected >= 0) {
      EXPECT_EQ(static_cast<int>(transform), expected);
    }
  }
}

// Two million rows take an index entry every 512: 3907 entries, within 4096.
TEST(WicFrame, TallPlainImagesIndexFewRows) {
  MemoryStream stream{"P2 1 2000000 255\n7\n8\n"};
  WicFrame frame{};
  ASSERT_EQ(OpenWicFrame(MemoryOffsetReader(&stream), 0, &frame), PBM_OK);
  for (const auto& [row, sample] : {std::pair<int32_t, int>{1999999, 0}, {1, 8}, {0, 7}}) {
    const WicRect rect{0, row, 1, 1};
    uint8_t pixel = 0xCD;
    const WicCopyRequest request{&rect, 1, 2000000, L::kGray8, T::kNone, 1, 1, &pixel};
    EXPECT_EQ(CopyWicFramePixels(MemoryOffsetReader(&stream), &frame, request, nullptr), PBM_OK);
    EXPECT_EQ(pixel, sample);
  }
  EXPECT_EQ(frame.rows.rowsPerEntry, 512);
  EXPECT_EQ(frame.rows.entries, 3907u);
  CloseWicFrame(&frame);
}

// A row of 4M pixels scaled to 64 comes in pieces of columns whose source
// pixels fit a band; what the data does not hold is black.
TEST(WicFrame, WideRowsScaleInPieces) {
  MemoryStream stream{"P5 4194304 1 255\n" + std::string(100000, '\xFF')};
  WicFrame frame{};
  ASSERT_EQ(OpenWicFrame(MemoryOffsetReader(&stream), 0, &frame), PBM_OK);
  std::vector<uint8_t> pixels(64, 0xCD);
  const WicCopyRequest request{nullptr, 64, 1, L::kGray8, T::kNone, 64, 64, pixels.data()};
  EXPECT_EQ(CopyWicFramePixels(MemoryOffsetReader(&stream), &frame, request, nullptr), PBM_OK);
  // 65536 white source pixels, then 34464 of 65536, then none.
  std::vector<uint8_t> want(64, 0);
  want[0] = 255;
  want[1] = 134;  // 34464 * 255 / 65536 = 134.1
  EXPECT_EQ(pixels, want);
  CloseWicFrame(&frame);
}

// A byte source over a cursor reads on from the cursor's offset, its block
// reads through as many reads as the reader needs, and says what it has
// consumed; past the data it comes up short and has ended.
TEST(NetpbmReadCursor, SourceReadsOnFromItsOffset) {
  MemoryStream stream{"0123456789abcdef", 3};
  NetpbmReadCursor cursor{MemoryOffsetReader(&stream), 4};
  uint8_t buffer[5];
  NetpbmByteSource source = ReaderByteSource(CursorStreamReader(&cursor), buffer, sizeof buffer);
  EXPECT_EQ(NextSourceByte(&source), '4');
  EXPECT_EQ(CursorSourceOffset(source, cursor), 5u);
  uint8_t block[8] = {};
  EXPECT_EQ(ReadSourceBytes(&source, block, 8), 8u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 8), "56789abc");
  EXPECT_FALSE(source.ended);
  EXPECT_EQ(ReadSourceBytes(&source, block, 8), 3u);
  EXPECT_TRUE(source.ended);
  EXPECT_EQ(CursorSourceOffset(source, cursor), 16u);
}

// The host hears 0 first, then every everyBytes of rows, never the end,
// and may stop the copy at any call, or copy from the same frame meanwhile.
struct Heard {
  std::vector<uint64_t> done;
  uint64_t total = 0;
  size_t stopAt = 0;  // the call that says stop, 0: none
  MemoryStream* stream = nullptr;
  WicFrame* frame = nullptr;
  bool copiedMeanwhile = true;
};

bool Listen(void* context, uint64_t done, uint64_t total) {
  auto* heard = static_cast<Heard*>(context);
  heard->done.push_back(done);
  heard->total = total;
  const WicRect corner{99, 119, 1, 1};
  uint8_t pixel = 0;
  const WicCopyRequest request{&corner, 100, 120,   WicPixelLayout::kGray8, WicTransform::kNone,
                               1,       1,   &pixel};
  heard->copiedMeanwhile &= CopyWicFramePixels(MemoryOffsetReader(heard->stream), heard->frame,
                                               request, nullptr) == PBM_OK &&
                            pixel == (100 * 120 - 1) % 256;
  return heard->done.size() != heard->stopAt;
}

TEST(WicFrame, ProgressIsHeardAndMayStop) {
  std::string file = "P2 100 120 255\n";
  for (int i = 0; i < 100 * 120; ++i) file += std::to_string(i % 256) + " ";
  for (const WicTransform transform : {T::kNone, T::kRotate90}) {
    for (const uint32_t width : {100u, 30u}) {
      for (const size_t stopAt : {size_t{0}, size_t{1}, size_t{3}}) {
        SCOPED_TRACE(std::to_string(static_cast<int>(transform)) + " " + std::to_string(width) +
                     " stop " + std::to_string(stopAt));
        MemoryStream stream{file};
        WicFrame frame{};
        ASSERT_EQ(OpenWicFrame(MemoryOffsetReader(&stream), 0, &frame), PBM_OK);
        std::vector<uint8_t> buffer(120 * 120, 0xCD);
        const WicCopyRequest request{nullptr,   width, 120,   L::kGray8,
                                     transform, 120,   14400, buffer.data()};
        Heard heard;
        heard.stopAt = stopAt;
        heard.stream = &stream;
        heard.frame = &frame;
        WicProgress progress{Listen, &heard, 1000, 0, 0, 0};
        const ResultCode code =
            CopyWicFramePixels(MemoryOffsetReader(&stream), &frame, request, &progress);
        CloseWicFrame(&frame);
        EXPECT_EQ(code, stopAt == 0 ? PBM_OK : kWicStopped);
        EXPECT_TRUE(heard.copiedMeanwhile);
        EXPECT_EQ(heard.total, 120u);
        ASSERT_EQ(heard.done.size(), stopAt == 0 ? 12u : stopAt);
        // Rows of 100 bytes, a report every 1000: every tenth row but the last.
        for (size_t i = 0; i < heard.done.size(); ++i) EXPECT_EQ(heard.done[i], 10 * i);
        if (stopAt == 1) {
          EXPECT_EQ(buffer, std::vector<uint8_t>(buffer.size(), 0xCD));
        }
      }
    }
  }
}

}  // namespace
}  // namespace quentarpbm
