// DecodeNetpbmForWic and CopyWicFramePixels when memory runs out: each allocation fails in turn,
// nothing is written or left, and the frame reads again once memory comes back.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "memory_stream_reader.h"
#include "platform/posix/standin_control.h"
#include "support/calloc_faults.h"
#include "support/param_label.h"
#include "support/test_files.h"
#include "wic/wic_image.h"

namespace quentarpbm {
namespace {

using fuzz::MemoryOffsetReader;
using fuzz::MemoryStream;
using testing::Bytes;
using testing::CallocCount;
using testing::FailCallocAt;

// The image block comes from VirtualAlloc, which the stand-in serves from
// calloc for small blocks; plain text adds its row index, a piece of
// scratch row and a text buffer, all from calloc.
struct FaultCase {
  const char* label;
  std::string file;
  int callocs;
};

const FaultCase kFaultCases[] = {
    {"PlainPbm", "P1 2 2 0 1 1 0", 4},        {"RawPbm", Bytes("P4 2 2\n\x40\x80"), 1},
    {"PlainPgm", "P2 2 1 255 1 2", 4},        {"RawPgmWide", Bytes("P5 1 1 1000\n\x01\x02"), 1},
    {"PlainPpmWide", "P3 1 1 1000 1 2 3", 4}, {"RawPpm", Bytes("P6 1 1 255\n\x01\x02\x03"), 1},
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.label; }

class DecodeFaultsTest : public ::testing::TestWithParam<FaultCase> {};

// NO_MEMORY with *image untouched; the stand-in counts the image block
// among its live objects, and the sanitizer's leak check catches callocs.
void ExpectNoMemory(const std::string& file) {
  const int liveBefore = StandinLiveHandles();
  MemoryStream stream{file};
  WicImage image{-7, -7, WicPixelLayout::kRgb48, 7, nullptr};
  EXPECT_EQ(DecodeNetpbmForWic(MemoryOffsetReader(&stream), &image), PBM_E_NO_MEMORY);
  EXPECT_EQ(image.width, -7);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(StandinLiveHandles(), liveBefore);
}

TEST_P(DecodeFaultsTest, EachAllocationFailingGivesNoMemoryAndLeavesNothing) {
  const FaultCase& c = GetParam();
  MemoryStream stream{c.file};
  WicImage image{};
  FailCallocAt(0);
  ASSERT_EQ(DecodeNetpbmForWic(MemoryOffsetReader(&stream), &image), PBM_OK);
  EXPECT_EQ(CallocCount(), c.callocs);
  FreeWicImage(&image);

  StandinReset();
  StandinFailCall(StandinApi::kVirtualAlloc, 1);
  ExpectNoMemory(c.file);
  StandinReset();
  for (int failing = 1; failing <= c.callocs; ++failing) {
    SCOPED_TRACE(failing);
    FailCallocAt(failing);
    ExpectNoMemory(c.file);
    FailCallocAt(0);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodeFaultsTest, ::testing::ValuesIn(kFaultCases),
                         testing::ParamLabel<FaultCase>);

// A copy's reading memory: a plain raster's row index (once a frame), piece
// of scratch row and text buffer; a turned copy's band; a scaled copy's
// covers, three rows of sums, staging row and band.
struct CopyFaultCase {
  const char* label;
  std::string file;
  uint32_t width;
  uint32_t height;
  WicTransform transform;
  int callocs;
};

const CopyFaultCase kCopyFaultCases[] = {
    {"PlainRows", "P2 2 2 255 1 2 3 4", 2, 2, WicTransform::kNone, 3},
    {"TurnedRaw", Bytes("P5 2 2 255\n\x01\x02\x03\x04"), 2, 2, WicTransform::kRotate90, 1},
    {"ScaledRaw", Bytes("P5 2 2 255\n\x01\x02\x03\x04"), 1, 1, WicTransform::kNone, 6},
    {"TurnedPlain", "P2 2 2 255 1 2 3 4", 2, 2, WicTransform::kRotate270, 4},
};

void PrintTo(const CopyFaultCase& c, std::ostream* os) { *os << c.label; }

class CopyFaultsTest : public ::testing::TestWithParam<CopyFaultCase> {};

// NO_MEMORY, the buffer untouched; the same frame copies once memory is back.
TEST_P(CopyFaultsTest, EachAllocationFailingGivesNoMemoryAndWritesNothing) {
  const CopyFaultCase& c = GetParam();
  for (int failing = 0; failing <= c.callocs; ++failing) {
    SCOPED_TRACE(failing);
    MemoryStream stream{c.file};
    WicFrame frame{};
    ASSERT_EQ(OpenWicFrame(MemoryOffsetReader(&stream), 0, &frame), PBM_OK);
    uint8_t pixels[4] = {0xCD, 0xCD, 0xCD, 0xCD};
    const WicCopyRequest request{nullptr,     c.width, c.height, WicPixelLayout::kGray8,
                                 c.transform, 2,       4,        pixels};
    FailCallocAt(failing);
    const ResultCode copied =
        CopyWicFramePixels(MemoryOffsetReader(&stream), &frame, request, nullptr);
    if (failing == 0) {
      EXPECT_EQ(copied, PBM_OK);
      EXPECT_EQ(CallocCount(), c.callocs);
    } else {
      EXPECT_EQ(copied, PBM_E_NO_MEMORY);
      EXPECT_EQ(pixels[0], 0xCD);
      FailCallocAt(0);
      EXPECT_EQ(CopyWicFramePixels(MemoryOffsetReader(&stream), &frame, request, nullptr), PBM_OK);
    }
    FailCallocAt(0);
    CloseWicFrame(&frame);
  }
}

INSTANTIATE_TEST_SUITE_P(Copies, CopyFaultsTest, ::testing::ValuesIn(kCopyFaultCases),
                         testing::ParamLabel<CopyFaultCase>);

}  // namespace
}  // namespace quentarpbm
