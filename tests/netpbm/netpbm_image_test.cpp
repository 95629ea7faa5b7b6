// Netpbm image readers and the row store: whole rasters, sizes refused, progress calls.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "netpbm/netpbm.h"
#include "support/netpbm_readers.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::BytesPerPixel;
using testing::OpenBytes;
using testing::Reader;
using testing::ReadImageWith;
using Bytes = std::vector<uint8_t>;

constexpr int32_t kUnwritten = 0x5EED;

// What the progress callback saw: each call's arguments and how far the
// stream had been read at that moment.
struct ProgressCall {
  int32_t row;
  int32_t rows;
  uint32_t userValue;
  long position;
};

std::vector<ProgressCall> g_calls;
FILE* g_stream = nullptr;

void PBM_CALL RecordProgress(int32_t row, int32_t rows, uint32_t userValue) {
  g_calls.push_back({row, rows, userValue, g_stream != nullptr ? ftell(g_stream) : -1});
}

// One image read through a real stream, with everything the reader reported.
struct ImageRead {
  RowStore store = nullptr;
  ResultCode status = kUnwritten;
  int32_t width = kUnwritten;
  int32_t height = kUnwritten;
  int32_t maxval = kUnwritten;
  int next = 0;  // the byte after what the reader consumed

  ~ImageRead() { FreeRowStore(store, height); }

  // The rows as one run of bytes, checking that entry i is block + i * row;
  // a store without pixels has entry 0 alone.
  Bytes Samples(Reader reader) const {
    Bytes samples;
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(BytesPerPixel(reader));
    if (store == nullptr || rowBytes == 0) return samples;
    for (int32_t i = 0; i < height; ++i) {
      EXPECT_EQ(store[i], store[0] + static_cast<size_t>(i) * rowBytes) << "row " << i;
      samples.insert(samples.end(), store[i], store[i] + rowBytes);
    }
    return samples;
  }
};

void ReadImage(Reader reader, const std::string& bytes, ImageRead* read,
               PBMProgressCallback progress = RecordProgress, uint32_t userValue = 77) {
  g_calls.clear();
  FILE* stream = OpenBytes(bytes);
  ASSERT_NE(stream, nullptr);
  g_stream = stream;
  read->store = ReadImageWith(reader, stream, &read->width, &read->height, &read->maxval,
                              &read->status, progress, userValue);
  g_stream = nullptr;
  read->next = getc(stream);
  fclose(stream);
}

struct ImageCase {
  const char* label;
  Reader reader;
  std::string bytes;
  int32_t width;
  int32_t height;
  Bytes samples;  // all rows, top first
};

void PrintTo(const ImageCase& c, std::ostream* os) { *os << c.label; }

class NetpbmImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(NetpbmImage, ReadsEveryRowWhateverBecameOfThePrevious) {
  const ImageCase& c = GetParam();
  ImageRead read;
  ReadImage(c.reader, c.bytes, &read);
  ASSERT_NE(read.store, nullptr);
  EXPECT_EQ(read.status, PBM_OK);
  EXPECT_EQ(read.width, c.width);
  EXPECT_EQ(read.height, c.height);
  EXPECT_EQ(read.Samples(c.reader), c.samples);
  EXPECT_EQ(g_calls.size(), static_cast<size_t>(c.height));
}

using testing::kPbm;
using testing::kPgm;
using testing::kPpm;

INSTANTIATE_TEST_SUITE_P(
    Cases, NetpbmImage,
    ::testing::Values(
        ImageCase{"PlainPbm", kPbm, "P1\n3 2\n1 0 1\n0 1 0\n", 3, 2, {1, 0, 1, 0, 1, 0}},
        ImageCase{"RawPbmRowsPaddedToBytes", kPbm, "P4 3 2\n\xBF\x5F", 3, 2, {1, 0, 1, 0, 1, 0}},
        ImageCase{"PlainPbmBadPixelSkipsRestOfRow", kPbm, "P1 2 2\n1x01", 2, 2, {1, 0, 0, 1}},
        ImageCase{
            "PlainPgm", kPgm, "P2 3 2 255\n0 128 255\n300 1 2\n", 3, 2, {0, 128, 255, 44, 1, 2}},
        ImageCase{"PlainPgmLetterEndsItsRowOnly",
                  kPgm,
                  "P2 3 2 255\n1 x 5\n7 8 9\n",
                  3,
                  2,
                  {1, 0, 0, 5, 7, 8}},
        ImageCase{"RawPgmSmallMaxvalUnscaled",
                  kPgm,
                  testing::Bytes("P5 4 1 15\n\x00\x05\x0F\x10"),
                  4,
                  1,
                  {0, 5, 15, 16}},
        ImageCase{
            "RawPgmCutOffMidRaster", kPgm, "P5 2 3 255\n\x01\x02\x03", 2, 3, {1, 2, 3, 0, 0, 0}},
        ImageCase{"PlainPpm", kPpm, "P3 2 1 255\n1 2 3 4 5 6\n", 2, 1, {3, 2, 1, 6, 5, 4}},
        ImageCase{
            "RawPpm", kPpm, "P6 1 2 255\n\x0A\x14\x1E\x01\x02\x03", 1, 2, {30, 20, 10, 3, 2, 1}},
        ImageCase{"PlainPpmCutOffAfterRed",
                  kPpm,
                  "P3 2 2 255\n1 2 3 9",
                  2,
                  2,
                  {3, 2, 1, 0, 0, 9, 0, 0, 0, 0, 0, 0}},
        ImageCase{"RawPpmCutOffAfterRed",
                  kPpm,
                  "P6 2 2 255\n\x01\x02\x03\x09",
                  2,
                  2,
                  {3, 2, 1, 3, 2, 9, 0, 0, 0, 0, 0, 0}},
        ImageCase{"PgmReadsRawPbmBlack0White1", kPgm, "P4 3 1\n\xA0", 3, 1, {0, 1, 0}},
        ImageCase{"PpmReadsRawPgmAsGreyTriples",
                  kPpm,
                  "P5 2 1 255\n\x07\xC8",
                  2,
                  1,
                  {7, 7, 7, 200, 200, 200}},
        ImageCase{"PpmReadsPlainPbm", kPpm, "P1 2 1\n10", 2, 1, {0, 0, 0, 1, 1, 1}},
        ImageCase{"WidthZeroReadsNoRaster", kPgm, "P5 0 3 255\nxyz", 0, 3, {}},
        ImageCase{"HeightZero", kPpm, "P6 3 0 255\n", 3, 0, {}}),
    testing::ParamLabel<ImageCase>);

TEST(NetpbmImage, RawPgmZeroBytesAreSamples) {
  ImageRead read;
  ReadImage(kPgm, testing::Bytes("P5 3 1 255\n\x00\x00\x07"), &read);
  ASSERT_NE(read.store, nullptr);
  EXPECT_EQ(read.Samples(kPgm), (Bytes{0, 0, 7}));
}

TEST(NetpbmImage, CallbackFollowsEachStoredRowInOrder) {
  ImageRead read;
  const std::string header = "P5 2 3 255\n";  // 11 bytes, then 2 bytes per row
  ReadImage(kPgm, header + "abcdef", &read, RecordProgress, 0xDEADBEEF);
  ASSERT_NE(read.store, nullptr);
  ASSERT_EQ(g_calls.size(), 3u);
  for (int32_t i = 0; i < 3; ++i) {
    const ProgressCall& call = g_calls[static_cast<size_t>(i)];
    EXPECT_EQ(call.row, i);
    EXPECT_EQ(call.rows, 3);
    EXPECT_EQ(call.userValue, 0xDEADBEEF);
    // Rows may be read many at a time, but never a row's call before its bytes.
    EXPECT_GE(call.position, 13 + 2 * i);
  }
}

TEST(NetpbmImage, CallbackCalledForEveryRowOfATruncatedRaster) {
  ImageRead read;
  ReadImage(kPpm, "P6 2 4 255\n\x01\x02", &read);
  ASSERT_NE(read.store, nullptr);
  EXPECT_EQ(read.status, PBM_OK);
  ASSERT_EQ(g_calls.size(), 4u);
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(g_calls[static_cast<size_t>(i)].row, i);
}

TEST(NetpbmImage, NullCallbackIsNeverCalled) {
  ImageRead read;
  ReadImage(kPbm, "P1 2 2\n1001", &read, nullptr);
  ASSERT_NE(read.store, nullptr);
  EXPECT_EQ(read.Samples(kPbm), (Bytes{1, 0, 0, 1}));
  EXPECT_TRUE(g_calls.empty());
}

TEST(NetpbmImage, WidthZeroStopsRightAfterTheHeader) {
  ImageRead read;
  ReadImage(kPgm, "P5 0 3 255\nxyz", &read);
  EXPECT_EQ(read.next, 'x');
  EXPECT_EQ(g_calls.size(), 3u);
}

// A tiny file that declares a large image still yields the whole image:
// every read past the end fails at once and the unread samples stay 0.
TEST(NetpbmImage, ShortFileDeclaringALargeImageIsReadToTheEnd) {
  constexpr size_t kSamples = 3000u * 3000u * 3u;
  const struct {
    const char* bytes;
    size_t nonZero;
  } cases[] = {
      // The first pixel's red, kept by every later pixel of its row.
      {"P6 3000 3000 255\n\x01", 3000},
      {"P3 3000 3000 255\n7", 1},
      {"P2 3000 3000 9\n", 0},
      // Promoted PBM: eight black pixels read, every unread bit white (1).
      {"P4 3000 3000\n\xFF", kSamples - 8 * 3},
  };
  for (const auto& c : cases) {
    ImageRead read;
    ReadImage(kPpm, c.bytes, &read);
    ASSERT_NE(read.store, nullptr) << c.bytes;
    EXPECT_EQ(read.status, PBM_OK);
    EXPECT_EQ(g_calls.size(), 3000u);
    ASSERT_EQ(read.width, 3000);
    ASSERT_EQ(read.height, 3000);
    // Raw pointers over the one block: iterators are slow in debug builds.
    const uint8_t* block = read.store[0];
    size_t nonZero = 0;
    for (size_t i = 0; i < kSamples; ++i) nonZero += block[i] != 0 ? 1u : 0u;
    EXPECT_EQ(nonZero, c.nonZero) << c.bytes;
  }
}

struct FailureCase {
  const char* label;
  Reader reader;
  std::string bytes;
  ResultCode status;
  int32_t width;
  int32_t height;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.label; }

class NetpbmImageFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(NetpbmImageFailure, ReturnsNoStoreAndMakesNoCalls) {
  const FailureCase& c = GetParam();
  ImageRead read;
  ReadImage(c.reader, c.bytes, &read);
  EXPECT_EQ(read.store, nullptr);
  EXPECT_EQ(read.status, c.status);
  EXPECT_EQ(read.width, c.width);
  EXPECT_EQ(read.height, c.height);
  EXPECT_TRUE(g_calls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Header, NetpbmImageFailure,
    ::testing::Values(FailureCase{"Lowercase", kPbm, "p1 1 1\n1", PBM_E_UNSUPPORTED, kUnwritten,
                                  kUnwritten},
                      FailureCase{"PbmReaderGivenPgm", kPbm, "P5 1 1 255\n\x01", PBM_E_UNSUPPORTED,
                                  kUnwritten, kUnwritten},
                      FailureCase{"Maxval256", kPgm, "P2 1 1 256\n1", PBM_E_MAXVAL, 1, 1},
                      FailureCase{"OneByte", kPpm, "P", PBM_E_READ, kUnwritten, kUnwritten},
                      FailureCase{"HeightCutOff", kPpm, "P6 2 2", PBM_E_READ, 2, 2}),
    testing::ParamLabel<FailureCase>);

// Sizes that cannot be stored are refused before anything is allocated: a
// wrapped negative, or a pointer array or block beyond INT32_MAX bytes.
INSTANTIATE_TEST_SUITE_P(
    Size, NetpbmImageFailure,
    ::testing::Values(
        FailureCase{"WidthWrapsToMostNegative", kPgm, "P5 2147483648 1 255\n", PBM_E_NO_MEMORY,
                    INT32_MIN, 1},
        FailureCase{"WidthWrapsToMinusOne", kPbm, "P4 4294967295 1\n", PBM_E_NO_MEMORY, -1, 1},
        FailureCase{"HeightWrapsToMinusOne", kPgm, "P5 1 4294967295 255\n", PBM_E_NO_MEMORY, 1, -1},
        FailureCase{"BlockOf2To32Pixels", kPbm, "P4 65536 65536\n", PBM_E_NO_MEMORY, 65536, 65536},
        FailureCase{"ColourBlockOf3Times2To32", kPpm, "P6 65536 65536 255\n", PBM_E_NO_MEMORY,
                    65536, 65536},
        // 715827883 x 3 = 2147483649: the width fits alone, its row does not.
        FailureCase{"ColourRowOverflowsOnlyTimes3", kPpm, "P6 715827883 1 255\n", PBM_E_NO_MEMORY,
                    715827883, 1},
        FailureCase{"PromotedRowOverflowsOnlyTimes3", kPpm, "P5 715827883 1 255\n", PBM_E_NO_MEMORY,
                    715827883, 1},
        // 2^29 rows of 1 byte fit, their pointers (4 or 8 bytes each) do not.
        FailureCase{"PointerArrayTooLarge", kPgm, "P5 1 536870912 255\n", PBM_E_NO_MEMORY, 1,
                    536870912}),
    testing::ParamLabel<FailureCase>);

TEST(RowStore, RowsPointIntoOneClearedBlock) {
  RowStore store = AllocRowStore(3, 4, 3);
  ASSERT_NE(store, nullptr);
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(store[i], store[0] + 9 * i);
    for (int32_t j = 0; j < 9; ++j) EXPECT_EQ(store[i][j], 0);
  }
  FreeRowStore(store, 4);
}

TEST(RowStore, EmptyStoresCanBeReleased) {
  RowStore noRows = AllocRowStore(5, 0, 3);
  ASSERT_NE(noRows, nullptr);
  FreeRowStore(noRows, 0);
  RowStore noColumns = AllocRowStore(0, 3, 1);
  ASSERT_NE(noColumns, nullptr);
  EXPECT_NE(noColumns[0], nullptr);
  FreeRowStore(noColumns, 3);
  // Only entry 0 is made, however many rows are declared; the pointer array
  // they would need must still fit, as for an image with pixels.
  const int32_t tallestRows = INT32_MAX / static_cast<int32_t>(sizeof(uint8_t*));
  RowStore tallest = AllocRowStore(0, tallestRows, 3);
  ASSERT_NE(tallest, nullptr);
  FreeRowStore(tallest, tallestRows);
  EXPECT_EQ(AllocRowStore(0, tallestRows + 1, 3), nullptr);
}

TEST(RowStore, RefusesSizesThatDoNotFit) {
  EXPECT_EQ(AllocRowStore(-1, 1, 1), nullptr);
  EXPECT_EQ(AllocRowStore(1, -1, 1), nullptr);
  EXPECT_EQ(AllocRowStore(1, 1, -1), nullptr);
  EXPECT_EQ(AllocRowStore(INT32_MIN, INT32_MIN, 1), nullptr);  // product is positive 2^62
  EXPECT_EQ(AllocRowStore(46341, 46341, 1), nullptr);          // 46341^2 > INT32_MAX
  EXPECT_EQ(AllocRowStore(1, INT32_MAX, 1), nullptr);
}

TEST(RowScratch, IsClearedAndRefusesWhatDoesNotFit) {
  uint8_t* buffer = nullptr;
  ASSERT_EQ(AllocRowScratch(5, 1, &buffer), PBM_OK);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(Bytes(buffer, buffer + 5), Bytes(5, 0));
  FreeRowScratch(buffer);

  ASSERT_EQ(AllocRowScratch(0, 1, &buffer), PBM_OK);
  EXPECT_NE(buffer, nullptr);
  FreeRowScratch(buffer);

  uint8_t sentinel = 0;
  buffer = &sentinel;
  EXPECT_EQ(AllocRowScratch(-1, 1, &buffer), PBM_E_NO_MEMORY);
  EXPECT_EQ(buffer, nullptr);
  buffer = &sentinel;
  EXPECT_EQ(AllocRowScratch(INT32_MAX, 2, &buffer), PBM_E_NO_MEMORY);
  EXPECT_EQ(buffer, nullptr);
}

}  // namespace
}  // namespace quentarpbm
