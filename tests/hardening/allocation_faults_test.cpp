// Each allocation a conversion makes fails in turn, for every converter and variant.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dib/converters.h"
#include "platform/posix/standin_control.h"
#include "platform/win32_api.h"
#include "support/calloc_faults.h"
#include "support/open_descriptors.h"
#include "support/param_label.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::CallocCount;
using testing::FailCallocAt;
using testing::FilesIn;
using testing::LargestCalloc;
using testing::UsePrivateTempDirectory;

struct Variant {
  const char* label;
  Converter convert;
  std::string file;  // two rows, each with a pixel that is not zero in the DIB
  int32_t height;
  int rowScratches;  // one per row when the converter promotes a lower format
  bool greyPalette;  // the PGM converter copies its palette through scratch memory
};

void PrintTo(const Variant& c, std::ostream* os) { *os << c.label; }

const Variant kVariants[] = {
    {"PbmFromPlain", LoadPbmAsDib, "P1 2 2 0 1 1 0", 2, 0, false},
    {"PbmFromRaw", LoadPbmAsDib, "P4 2 2 \x40\x80", 2, 0, false},
    {"PgmFromPlain", LoadPgmAsDib, "P2 2 2 255 1 2 3 4", 2, 0, true},
    {"PgmFromRaw", LoadPgmAsDib, "P5 2 2 255 \x01\x02\x03\x04", 2, 0, true},
    {"PgmFromPlainPbm", LoadPgmAsDib, "P1 2 2 0 1 1 0", 2, 2, true},
    {"PgmFromRawPbm", LoadPgmAsDib, "P4 2 2 \x40\x80", 2, 2, true},
    {"PpmFromPlain", LoadPpmAsDib, "P3 1 2 255 1 2 3 4 5 6", 2, 0, false},
    {"PpmFromRaw", LoadPpmAsDib, "P6 1 2 255 \x01\x02\x03\x04\x05\x06", 2, 0, false},
    {"PpmFromPlainPgm", LoadPpmAsDib, "P2 2 2 255 1 2 3 4", 2, 2, false},
    {"PpmFromRawPgm", LoadPpmAsDib, "P5 2 2 255 \x01\x02\x03\x04", 2, 2, false},
    {"PpmFromPlainPbm", LoadPpmAsDib, "P1 2 2 0 1 1 0", 2, 2, false},
    {"PpmFromRawPbm", LoadPpmAsDib, "P4 2 2 \x40\x80", 2, 2, false},
};

struct Conversion {
  ResultCode code = PBM_OK;
  bool headerNull = true;
  bool mappingNull = true;
  std::string pixelFile;
  std::vector<uint8_t> pixels;  // the whole pixel file, on success
  uint32_t stride = 0;
  int callocCalls = 0;
  size_t largestCalloc = 0;
};

// Runs the converter with calloc call `failing` failing (0: none) and
// releases what a success hands over, as a host would.
Conversion Convert(const Variant& variant, int failing) {
  FILE* stream = testing::OpenBytes(variant.file);
  char name[MAX_PATH] = "";
  HANDLE mapping = &mapping;
  HGLOBAL header = &header;
  Conversion result;
  FailCallocAt(failing);
  result.code = variant.convert(stream, name, &mapping, &header, nullptr, 0);
  result.callocCalls = CallocCount();
  result.largestCalloc = LargestCalloc();
  FailCallocAt(0);
  fclose(stream);
  result.headerNull = header == nullptr;
  result.mappingNull = mapping == nullptr;
  result.pixelFile = name;
  if (result.code != PBM_OK) return result;

  const auto* block = static_cast<const BITMAPINFOHEADER*>(GlobalLock(header));
  EXPECT_NE(block, nullptr);
  const DWORD imageBytes = block != nullptr ? block->biSizeImage : 0;
  result.stride = imageBytes / static_cast<uint32_t>(variant.height);
  GlobalUnlock(header);
  const auto* view =
      static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, imageBytes));
  EXPECT_NE(view, nullptr);
  if (view != nullptr) result.pixels.assign(view, view + imageBytes);
  UnmapViewOfFile(view);
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_EQ(GlobalFree(header), nullptr);
  EXPECT_TRUE(DeleteFileA(name));
  return result;
}

// The row store's pointer array, its block (from VirtualAlloc, which the
// stand-in serves from calloc for small regions) and the rows' read buffer.
constexpr int kImageCallocs = 3;

class AllocationFaultSweep : public ::testing::TestWithParam<Variant> {};

TEST_P(AllocationFaultSweep, EachFailingCallocGivesItsCodeAndLeavesNothing) {
  const std::string& temp = UsePrivateTempDirectory();
  const Variant& variant = GetParam();
  const Conversion clean = Convert(variant, 0);
  ASSERT_EQ(clean.code, PBM_OK);
  // The row store, the read buffer, a scratch row per promoted row, and the
  // grey palette's scratch copy: nothing else allocates.
  const int calls = clean.callocCalls;
  ASSERT_EQ(calls, kImageCallocs + variant.rowScratches + (variant.greyPalette ? 1 : 0));
  const int liveBefore = StandinLiveHandles();
  const int descriptorsBefore = testing::OpenDescriptorCount();

  for (int nth = 1; nth <= calls; ++nth) {
    SCOPED_TRACE("calloc call " + std::to_string(nth));
    const Conversion result = Convert(variant, nth);
    const bool image = nth <= kImageCallocs;
    const bool paletteScratch = variant.greyPalette && nth == calls;
    if (image || paletteScratch) {
      // No rows, or no colour table for the header block: both memory.
      EXPECT_EQ(result.code, PBM_E_NO_MEMORY);
      EXPECT_TRUE(result.headerNull);
      EXPECT_TRUE(result.mappingNull);
      // The pixel file is made only after the header block.
      EXPECT_EQ(result.pixelFile, "");
    } else {
      // A promoted row whose scratch row cannot be made is not a failure:
      // it keeps the store's cleared bytes and reads nothing, so each later
      // row holds what the clean run gave the row before it.
      ASSERT_EQ(result.code, PBM_OK);
      ASSERT_EQ(result.pixels.size(), clean.pixels.size());
      const int32_t failedRow = nth - kImageCallocs - 1;
      const auto rowBytes = [&](const Conversion& c, int32_t fileRow) {
        const auto begin =
            c.pixels.begin() + static_cast<std::ptrdiff_t>(variant.height - 1 - fileRow) *
                                   static_cast<std::ptrdiff_t>(c.stride);
        return std::vector<uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(c.stride));
      };
      const std::vector<uint8_t> zeroRow(result.stride, 0);
      for (int32_t row = 0; row < variant.height; ++row) {
        const std::vector<uint8_t> expected = row < failedRow    ? rowBytes(clean, row)
                                              : row == failedRow ? zeroRow
                                                                 : rowBytes(clean, row - 1);
        EXPECT_EQ(rowBytes(result, row), expected) << "file row " << row;
      }
      EXPECT_NE(rowBytes(clean, failedRow), zeroRow);
    }
    EXPECT_EQ(FilesIn(temp), 0);
    EXPECT_EQ(StandinLiveHandles(), liveBefore);
    EXPECT_EQ(testing::OpenDescriptorCount(), descriptorsBefore);
  }
}

// An image without pixels is walked row by row to its end, but its store
// holds no row pointers: ten million declared rows cost no more than one.
TEST(AllocationSizes, RowsWithoutPixelsTakeNoMemoryPerDeclaredRow) {
  UsePrivateTempDirectory();
  const Variant kZeroWide[] = {
      {"Pbm", LoadPbmAsDib, "P1 0 10000000\n", 10000000, 0, false},
      {"PgmFromRawPbm", LoadPgmAsDib, "P4 0 10000000\n", 10000000, 0, true},
      {"Pgm", LoadPgmAsDib, "P5 0 10000000 255\n", 10000000, 0, true},
      {"PpmFromPlainPgm", LoadPpmAsDib, "P2 0 10000000 255\n", 10000000, 0, false},
      {"Ppm", LoadPpmAsDib, "P6 0 10000000 255\n", 10000000, 0, false},
  };
  for (const Variant& variant : kZeroWide) {
    SCOPED_TRACE(variant.label);
    const Conversion result = Convert(variant, 0);
    EXPECT_EQ(result.code, PBM_E_MAPPING);
    EXPECT_EQ(result.callocCalls, kImageCallocs + (variant.greyPalette ? 1 : 0));
    // The read buffer, of 32 KB, is the largest allocation.
    EXPECT_LE(result.largestCalloc, 32768u);
  }
}

INSTANTIATE_TEST_SUITE_P(Converters, AllocationFaultSweep, ::testing::ValuesIn(kVariants),
                         testing::ParamLabel<Variant>);

}  // namespace
}  // namespace quentarpbm
