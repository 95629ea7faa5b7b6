// The fast paths against a byte-at-a-time reader: same results, bytes and stream positions.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "dib/converters.h"
#include "netpbm/fast/alternate_bits.h"
#include "netpbm/fast/decimal_digit_run.h"
#include "netpbm/fast/netpbm_text_block.h"
#include "netpbm/fast/plain_raster_scan.h"
#include "netpbm/fast/red_blue_swap.h"
#include "netpbm/netpbm.h"
#include "oracle/byte_reader_oracle.h"
#include "support/dib_result.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

// Bytes that make Netpbm text interesting: digits and the bytes either side
// of them ('/' and ':'), the four whitespace bytes, comments, VT and FF (not
// whitespace), signs, letters and high bytes.
const std::string kTextAlphabet =
    testing::Bytes("0123456789012345678901//::    \t\t\n\n\r\r##\v\f-+xP\x80\xff");

uint32_t Next(std::mt19937& random) { return static_cast<uint32_t>(random()); }

std::string RandomText(std::mt19937& random, size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) text += kTextAlphabet[Next(random) % kTextAlphabet.size()];
  return text;
}

std::string RandomBytes(std::mt19937& random, size_t length) {
  std::string bytes;
  for (size_t i = 0; i < length; ++i) bytes += static_cast<char>(Next(random) & 0xFF);
  return bytes;
}

// Two streams over the same bytes, one for the library and one for the
// oracle. One file, rewritten for each input, serves every pair: thousands
// of files in one directory would make Wine's name lookups crawl.
struct StreamPair {
  explicit StreamPair(const std::string& bytes)
      : path(testing::WriteTestFile("fast-path-input", bytes)) {
    fast = fopen(path.c_str(), "rb");
    slow = fopen(path.c_str(), "rb");
  }
  ~StreamPair() {
    if (fast != nullptr) fclose(fast);
    if (slow != nullptr) fclose(slow);
  }
  std::string path;
  FILE* fast = nullptr;
  FILE* slow = nullptr;
};

// Out-parameters start from a value no read produces, so that "unwritten"
// is compared too.
constexpr uint8_t kUnwrittenByte = 0xA5;
constexpr int32_t kUnwrittenInt = -123456;

TEST(NetpbmFastPath, TokenReadsMatchTheByteAtATimeReaderAnywhereInAnyText) {
  std::mt19937 random(7);
  for (int input = 0; input < 120; ++input) {
    const std::string bytes = input % 4 == 3 ? RandomBytes(random, Next(random) % 40)
                                             : RandomText(random, Next(random) % 60);
    StreamPair streams(bytes);
    ASSERT_NE(streams.fast, nullptr);
    ASSERT_NE(streams.slow, nullptr);
    // Enough operations to run past the end of every input.
    for (int step = 0; step < 50; ++step) {
      const unsigned op = Next(random) % 5;
      SCOPED_TRACE("input " + std::to_string(input) + " step " + std::to_string(step) + " op " +
                   std::to_string(op));
      int32_t fastInt = kUnwrittenInt;
      int32_t slowInt = kUnwrittenInt;
      uint8_t fastByte = kUnwrittenByte;
      uint8_t slowByte = kUnwrittenByte;
      ResultCode fast = PBM_OK;
      ResultCode slow = PBM_OK;
      switch (op) {
        case 0:
          fast = ReadNetpbmChar(streams.fast, &fastByte);
          slow = oracle::ReadChar(streams.slow, &slowByte);
          break;
        case 1:
          fast = ReadNetpbmInt(streams.fast, &fastInt);
          slow = oracle::ReadInt(streams.slow, &slowInt);
          break;
        case 2:
          fast = ReadPlainPbmBit(streams.fast, &fastByte);
          slow = oracle::ReadPlainBit(streams.slow, &slowByte);
          break;
        case 3:
          fast = ReadNetpbmRawByte(streams.fast, &fastByte);
          slow = oracle::ReadRawByte(streams.slow, &slowByte);
          break;
        default:
          fast = ReadNetpbmMagic(streams.fast, &fastInt);
          slow = oracle::ReadMagic(streams.slow, &slowInt);
      }
      ASSERT_EQ(fast, slow);
      ASSERT_EQ(fastInt, slowInt);
      // After a failed character read the character is not to be used.
      if (!(op == 0 && fast != PBM_OK)) {
        ASSERT_EQ(fastByte, slowByte);
      }
      ASSERT_EQ(ftell(streams.fast), ftell(streams.slow));
    }
  }
}

struct RowReader {
  const char* label;
  oracle::Target target;
  int32_t magic;
};

// Every row reader with every magic it reads, promotions included.
const RowReader kRowReaders[] = {
    {"PbmFromP1", oracle::Target::kPbm, kMagicP1}, {"PbmFromP4", oracle::Target::kPbm, kMagicP4},
    {"PgmFromP1", oracle::Target::kPgm, kMagicP1}, {"PgmFromP4", oracle::Target::kPgm, kMagicP4},
    {"PgmFromP2", oracle::Target::kPgm, kMagicP2}, {"PgmFromP5", oracle::Target::kPgm, kMagicP5},
    {"PpmFromP1", oracle::Target::kPpm, kMagicP1}, {"PpmFromP4", oracle::Target::kPpm, kMagicP4},
    {"PpmFromP2", oracle::Target::kPpm, kMagicP2}, {"PpmFromP5", oracle::Target::kPpm, kMagicP5},
    {"PpmFromP3", oracle::Target::kPpm, kMagicP3}, {"PpmFromP6", oracle::Target::kPpm, kMagicP6},
};

ResultCode ReadFastRow(const RowReader& reader, FILE* stream, uint8_t* row, int32_t count) {
  if (reader.target == oracle::Target::kPbm) return ReadPbmRow(stream, row, count, reader.magic);
  if (reader.target == oracle::Target::kPgm) return ReadPgmRow(stream, row, count, 9, reader.magic);
  return ReadPpmRow(stream, row, count, 9, reader.magic);
}

ResultCode ReadSlowRow(const RowReader& reader, FILE* stream, uint8_t* row, int32_t count) {
  if (reader.target == oracle::Target::kPbm)
    return oracle::ReadPbmRow(stream, row, count, reader.magic);
  if (reader.target == oracle::Target::kPgm)
    return oracle::ReadPgmRow(stream, row, count, 9, reader.magic);
  return oracle::ReadPpmRow(stream, row, count, 9, reader.magic);
}

void PrintTo(const RowReader& reader, std::ostream* os) { *os << reader.label; }

bool IsRaw(int32_t magic) { return magic >= kMagicP4; }

class NetpbmFastPathRows : public ::testing::TestWithParam<RowReader> {};

// Rows of many widths over inputs cut at every length: each row read leaves
// the same bytes (unwritten ones included), result and stream position.
TEST_P(NetpbmFastPathRows, RowReadsMatchTheByteAtATimeReaderOnCutInputs) {
  const RowReader& reader = GetParam();
  std::mt19937 random(11);
  for (int32_t count : {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 64, 1500, 5000}) {
    const size_t fullBytes = IsRaw(reader.magic) ? 3u * static_cast<size_t>(count) + 4u
                                                 : 4u * static_cast<size_t>(count) + 8u;
    const std::string full =
        IsRaw(reader.magic) ? RandomBytes(random, fullBytes) : RandomText(random, fullBytes);
    // Every cut for short rows; a spread of cuts for long ones.
    const size_t step = full.size() < 200 ? 1 : full.size() / 37;
    for (size_t cut = 0; cut <= full.size(); cut += step) {
      SCOPED_TRACE("count " + std::to_string(count) + " cut " + std::to_string(cut));
      StreamPair streams(full.substr(0, cut));
      ASSERT_NE(streams.fast, nullptr);
      ASSERT_NE(streams.slow, nullptr);
      const size_t rowBytes =
          static_cast<size_t>(count) * (reader.target == oracle::Target::kPpm ? 3 : 1);
      std::vector<uint8_t> fastRow(rowBytes + 2, kUnwrittenByte);
      std::vector<uint8_t> slowRow(rowBytes + 2, kUnwrittenByte);
      // Two rows in a row: the second starts where the first stopped.
      for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(ReadFastRow(reader, streams.fast, fastRow.data(), count),
                  ReadSlowRow(reader, streams.slow, slowRow.data(), count));
        ASSERT_EQ(fastRow, slowRow);
        ASSERT_EQ(ftell(streams.fast), ftell(streams.slow));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllReaders, NetpbmFastPathRows, ::testing::ValuesIn(kRowReaders),
                         testing::ParamLabel<RowReader>);

struct ProgressLog {
  std::vector<int32_t> rows;
  int32_t height = -1;
};

ProgressLog* g_progressLog = nullptr;

void PBM_CALL LogProgress(int32_t row, int32_t rows, uint32_t userValue) {
  EXPECT_EQ(userValue, 77u);
  g_progressLog->rows.push_back(row);
  g_progressLog->height = rows;
}

oracle::Image ReadFastImage(FILE* stream, oracle::Target target) {
  oracle::Image image;
  ProgressLog log;
  g_progressLog = &log;
  RowStore store = nullptr;
  if (target == oracle::Target::kPbm) {
    store = ReadPbmImage(stream, &image.width, &image.height, &image.status, LogProgress, 77);
  } else if (target == oracle::Target::kPgm) {
    store = ReadPgmImage(stream, &image.width, &image.height, &image.maxval, &image.status,
                         LogProgress, 77);
  } else {
    store = ReadPpmImage(stream, &image.width, &image.height, &image.maxval, &image.status,
                         LogProgress, 77);
  }
  g_progressLog = nullptr;
  image.progressRows = log.rows;
  if (store != nullptr) {
    const size_t bytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) *
                         (target == oracle::Target::kPpm ? 3u : 1u);
    image.pixels.assign(store[0], store[0] + bytes);
    FreeRowStore(store, image.height);
  }
  return image;
}

// The converter of target makes of the file the pixel file that copying
// every row of the oracle's store in gives: rows it leaves to the fresh
// file's zeros are zero indeed, and progress is called once per row.
void ExpectConversionCopiesEveryRow(const std::string& path, oracle::Target target,
                                    const oracle::Image& image) {
  if (image.status != PBM_OK || image.width <= 0 || image.height <= 0) return;
  FILE* stream = fopen(path.c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  const Converter converter = target == oracle::Target::kPbm   ? LoadPbmAsDib
                              : target == oracle::Target::kPgm ? LoadPgmAsDib
                                                               : LoadPpmAsDib;
  const testing::DibResult result = testing::ConvertAsHost(converter, stream);
  fclose(stream);
  ASSERT_EQ(result.code, PBM_OK);
  ASSERT_EQ(result.pixels, oracle::DibPixels(image, target));
  ASSERT_EQ(result.progressCalls, image.progressRows.size());
}

// Small images of each variant with comments, CR LF and odd widths.
// Reads one image from both streams, through the library and through the
// byte-at-a-time oracle, and asserts that status, size, pixels, progress calls
// and the position each stream is left at agree. Both images come back.
void ReadImagesAlike(const StreamPair& streams, oracle::Target target, oracle::Image* fast,
                     oracle::Image* slow) {
  ASSERT_NE(streams.fast, nullptr);
  ASSERT_NE(streams.slow, nullptr);
  *fast = ReadFastImage(streams.fast, target);
  *slow = oracle::ReadImage(streams.slow, target);
  ASSERT_EQ(fast->status, slow->status);
  ASSERT_EQ(fast->width, slow->width);
  ASSERT_EQ(fast->height, slow->height);
  ASSERT_EQ(fast->pixels, slow->pixels);
  ASSERT_EQ(fast->progressRows, slow->progressRows);
  ASSERT_EQ(ftell(streams.fast), ftell(streams.slow));
}

std::string SampleImage(std::mt19937& random, int variant) {
  const int32_t width = 1 + static_cast<int32_t>(Next(random) % 13);
  const int32_t height = 1 + static_cast<int32_t>(Next(random) % 6);
  std::string text = "P" + std::to_string(variant) + "\n# a comment\r\n" + std::to_string(width) +
                     " " + std::to_string(height) +
                     (variant == 1 || variant == 4 ? "\r\n" : " 255\n");
  const size_t samples = static_cast<size_t>(width) * static_cast<size_t>(height);
  switch (variant) {
    case 1:
      for (size_t i = 0; i < samples; ++i) text += Next(random) % 3 == 0 ? "1 " : "0";
      break;
    case 2:
    case 3:
      for (size_t i = 0; i < samples * (variant == 3 ? 3 : 1); ++i)
        text += std::to_string(Next(random) % 300) + (Next(random) % 9 == 0 ? "#c\n" : " ");
      break;
    case 4:
      text +=
          RandomBytes(random, (static_cast<size_t>(width) + 7) / 8 * static_cast<size_t>(height));
      break;
    default:
      text += RandomBytes(random, samples * (variant == 6 ? 3 : 1));
  }
  return text;
}

// Whole images cut at every length, through every image reader that takes
// them: the rows after the end of the stream come out as reading them byte
// by byte would give, and progress is still called once per row.
TEST(NetpbmFastPath, WholeImagesReadAlikeWhenCutAnywhere) {
  std::mt19937 random(23);
  for (int variant = 1; variant <= 6; ++variant) {
    for (int sample = 0; sample < 3; ++sample) {
      const std::string full = SampleImage(random, variant);
      for (size_t cut = 0; cut <= full.size(); ++cut) {
        for (oracle::Target target :
             {oracle::Target::kPbm, oracle::Target::kPgm, oracle::Target::kPpm}) {
          SCOPED_TRACE("P" + std::to_string(variant) + " cut " + std::to_string(cut) + " target " +
                       std::to_string(static_cast<int>(target)));
          StreamPair streams(full.substr(0, cut));
          oracle::Image fast;
          oracle::Image slow;
          ASSERT_NO_FATAL_FAILURE(ReadImagesAlike(streams, target, &fast, &slow));
          if (target != oracle::Target::kPbm) {
            ASSERT_EQ(fast.maxval, slow.maxval);
          }
          // Converted as PBMOpen converts it.
          if (static_cast<int>(target) == (variant - 1) % 3) {
            ASSERT_NO_FATAL_FAILURE(ExpectConversionCopiesEveryRow(streams.path, target, slow));
          }
        }
      }
    }
  }
}

// The image full cut at each of cuts, through every image reader that takes
// the variant (PBM 1, PGM 2, PPM 3): the image reads alike, the end-of-file
// flag after it too, and then four numbers read after it.
void ExpectCutImagesReadAlike(const std::string& full, const std::vector<size_t>& cuts,
                              int lowestTarget) {
  for (size_t cut : cuts) {
    for (oracle::Target target :
         {oracle::Target::kPbm, oracle::Target::kPgm, oracle::Target::kPpm}) {
      if (static_cast<int>(target) + 1 < lowestTarget) continue;
      SCOPED_TRACE("cut " + std::to_string(cut) + " of " + std::to_string(full.size()) +
                   " target " + std::to_string(static_cast<int>(target)));
      StreamPair streams(full.substr(0, cut));
      oracle::Image fast;
      oracle::Image slow;
      ASSERT_NO_FATAL_FAILURE(ReadImagesAlike(streams, target, &fast, &slow));
      ASSERT_NO_FATAL_FAILURE(ExpectConversionCopiesEveryRow(streams.path, target, slow));
      ASSERT_EQ(feof(streams.fast) != 0, feof(streams.slow) != 0);
      for (int after = 0; after < 4; ++after) {
        int32_t fastValue = kUnwrittenInt;
        int32_t slowValue = kUnwrittenInt;
        ASSERT_EQ(ReadNetpbmInt(streams.fast, &fastValue),
                  oracle::ReadInt(streams.slow, &slowValue));
        ASSERT_EQ(fastValue, slowValue);
        ASSERT_EQ(ftell(streams.fast), ftell(streams.slow));
      }
    }
  }
}

// A plain image of some 100 KB: more text than a reader would buffer at
// once, so that numbers, comments and CR LF pairs fall across its refills.
// Now and then a byte that is no token (a letter, VT, FF, a high byte) makes
// a sample malformed. Three numbers follow the raster.
std::string LargePlainImage(std::mt19937& random, int variant) {
  const int32_t width = variant == 1 ? 401 : variant == 2 ? 203 : 121;
  const int32_t height = variant == 1 ? 150 : variant == 2 ? 100 : 80;
  std::string text = "P" + std::to_string(variant) + "\r\n# large\n" + std::to_string(width) +
                     "\t" + std::to_string(height) + (variant == 1 ? "\n" : " 255\r\n");
  const size_t tokens =
      static_cast<size_t>(width) * static_cast<size_t>(height) * (variant == 3 ? 3u : 1u);
  const std::string malformed = testing::Bytes("x/:\v\f-+\x80\xff");
  for (size_t i = 0; i < tokens; ++i) {
    const uint32_t roll = Next(random) % 64;
    if (roll == 0) text += malformed[Next(random) % malformed.size()];
    if (variant == 1) {
      text += Next(random) % 2 == 0 ? "1" : "0";
    } else {
      // Now and then a number long enough to wrap modulo 2^32.
      text += roll == 1 ? std::to_string(Next(random)) + std::to_string(Next(random) % 100000)
                        : std::to_string(Next(random) % 300);
    }
    if (roll == 2) {
      text += "# a comment that runs on for a while 123\r\n";
    } else if (roll < 6) {
      text += "\r\n";
    } else if (roll < 9) {
      text += "\t";
    } else if (variant != 1 || roll < 32) {
      text += " ";
    }
  }
  return text + "\n17 0042 9";
}

// A large plain image of the simple text the block scanners take, with what
// they must hand over or carry across blocks now and then: runs of
// whitespace longer than a block, numbers of four to twelve digits (leading
// zeros too), bits with no whitespace between them, CR LF and tabs. Taller
// by heightTimes, for readers that buffer more of a larger raster.
std::string LargeSimplePlainImage(std::mt19937& random, int variant, int32_t heightTimes) {
  const int32_t width = variant == 1 ? 397 : variant == 2 ? 211 : 119;
  const int32_t height = (variant == 1 ? 160 : variant == 2 ? 90 : 70) * heightTimes;
  std::string text = "P" + std::to_string(variant) + "\n" + std::to_string(width) + " " +
                     std::to_string(height) + (variant == 1 ? "\n" : "\n255\n");
  const size_t tokens =
      static_cast<size_t>(width) * static_cast<size_t>(height) * (variant == 3 ? 3u : 1u);
  const std::string spaces = " \t\n\r";
  for (size_t i = 0; i < tokens; ++i) {
    const uint32_t roll = Next(random) % 100;
    if (variant == 1) {
      text += Next(random) % 2 == 0 ? "1" : "0";
    } else if (roll < 90) {
      text += std::to_string(Next(random) % 256);
    } else {
      const std::string digits = std::to_string(Next(random)) + std::to_string(Next(random));
      text += std::string(Next(random) % 3, '0') + digits.substr(0, 1 + Next(random) % 12);
    }
    if (roll < 3) {
      for (uint32_t n = 40 + Next(random) % 100; n > 0; --n) text += spaces[Next(random) % 4];
    } else if (roll < 8) {
      text += "\r\n";
    } else if (roll < 12) {
      text += "\t";
    } else if (variant != 1 || roll < 50) {
      text += roll < 20 ? "\n" : " ";
    }
  }
  return text + "\n17 0042 9";
}

// A large plain PBM as netpbm's tools write it: no whitespace between the
// digits, a line break after 70 of them and at the end of each row (now and
// then CR LF, or a digit that is no pixel to end the raster early). Spaced,
// as other writers have it: one space between digits, and now and then two
// or a tab, so that the pixels move from even bytes to odd ones; and now and
// then a row that runs on into the next with nothing between, so that a row
// starts on a block's first byte.
std::string CompactPlainPbmImage(std::mt19937& random, bool spaced) {
  const int32_t width = 389;
  const int32_t height = 170;
  std::string text = "P1\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      text += Next(random) % 2 == 0 ? "1" : "0";
      const uint32_t roll = Next(random) % 200;
      if ((x + 1) % (spaced ? 35 : 70) == 0 && x + 1 < width) {
        text += roll < 20 ? "\r\n" : "\n";
      } else if (spaced && x + 1 < width) {
        text += roll == 0 ? "  " : roll == 1 ? "\t" : " ";
      }
    }
    const uint32_t rowEnd = Next(random) % 4;
    text += y == height - 3 && rowEnd < 2 ? "2\n" : spaced && rowEnd == 3 ? "" : "\n";
  }
  return text + "\n17 0042 9";
}

// Large plain images cut in many places, among them around the block sizes a
// reader might buffer (counted from the raster) and near the end:
// pixels, results, the stream position and end-of-file flag after the image
// read, and the numbers read after it all come out as byte by byte.
TEST(NetpbmFastPath, LargePlainImagesReadAlikeAcrossBufferRefills) {
  std::mt19937 random(31);
  for (int image = 0; image < 9; ++image) {
    // The last: a PGM of 130 000 samples and 500 KB of text.
    const int variant = image == 8 ? 2 : image >= 6 ? 1 : 1 + image % 3;
    const bool simple = image >= 3;
    const std::string full = image == 8   ? LargeSimplePlainImage(random, variant, 7)
                             : image >= 6 ? CompactPlainPbmImage(random, image == 7)
                             : simple     ? LargeSimplePlainImage(random, variant, 1)
                                          : LargePlainImage(random, variant);
    // The raster starts after the header's lines: three, but two for the
    // simple PBM with no maxval line.
    size_t raster = 0;
    for (int line = simple && variant == 1 ? 2 : 3; line > 0; --line)
      raster = full.find('\n', raster) + 1;
    std::vector<size_t> cuts = {full.size(), raster, raster + 1};
    for (size_t block = 4096; raster + block + 1 < full.size(); block *= 2) {
      for (size_t offset : {block - 1, block, block + 1}) cuts.push_back(raster + offset);
    }
    for (size_t back = 1; back <= 12; ++back) cuts.push_back(full.size() - back);
    // Ending where the byte-at-a-time reader stops on the whole file: the
    // reader takes every byte yet never meets the end itself.
    size_t stop = 0;
    {
      StreamPair whole(full);
      ASSERT_NE(whole.slow, nullptr);
      oracle::ReadImage(whole.slow, static_cast<oracle::Target>(variant - 1));
      stop = static_cast<size_t>(ftell(whole.slow));
    }
    for (size_t cut = stop - 2; cut <= stop + 1; ++cut) cuts.push_back(cut);
    for (int i = 0; i < 8; ++i) cuts.push_back(Next(random) % full.size());
    ASSERT_NO_FATAL_FAILURE(ExpectCutImagesReadAlike(full, cuts, variant));
  }
}

// Rows of raw images that exceed the few hundred KB read at once: P4 and P6
// rows that do not divide it, P5 rows larger than it, a P4 row too wide for
// its buffer, and images that fit in one read.
struct RawShape {
  int variant;
  int32_t width;
  int32_t height;
};

const RawShape kLargeRawShapes[] = {{4, 3001, 800}, {4, 9, 70000}, {4, 2100000, 2}, {5, 1000, 700},
                                    {5, 300001, 2}, {5, 77, 50},   {6, 333, 900},   {6, 100000, 3}};

// Large raw images cut around the boundaries of the reads (counted from
// the raster), inside rows and near the end, with numbers after the raster:
// pixels, results, progress, the stream position and end-of-file flag after
// the image read, and what is read after it, all come out as byte by byte.
TEST(NetpbmFastPath, LargeRawImagesReadAlikeAcrossChunkBoundaries) {
  std::mt19937 random(37);
  for (const RawShape& shape : kLargeRawShapes) {
    const int variant = shape.variant;
    const std::string header = "P" + std::to_string(variant) + "\n" + std::to_string(shape.width) +
                               " " + std::to_string(shape.height) +
                               (variant == 4 ? "\n" : " 255\n");
    const size_t rowBytes = variant == 4   ? (static_cast<size_t>(shape.width) + 7) / 8
                            : variant == 5 ? static_cast<size_t>(shape.width)
                                           : 3 * static_cast<size_t>(shape.width);
    const size_t rasterBytes = rowBytes * static_cast<size_t>(shape.height);
    const std::string full = header + RandomBytes(random, rasterBytes) + "\n17 0042 9";
    const size_t raster = header.size();
    std::vector<size_t> cuts = {full.size(),
                                raster,
                                raster + 1,
                                raster + rasterBytes,
                                raster + rasterBytes - 1,
                                raster + rasterBytes + 1};
    // The stream's own buffer of 4 KB, and the reads of 256 KB.
    for (size_t at : {size_t{4096}, size_t{8192}}) {
      if (at < rasterBytes) cuts.push_back(raster + at);
    }
    const size_t rowsPerRead = 262144 / rowBytes > 0 ? 262144 / rowBytes : 1;
    for (size_t at = rowsPerRead * rowBytes; at < rasterBytes; at += rowsPerRead * rowBytes) {
      for (size_t offset : {at - 1, at, at + 1}) cuts.push_back(raster + offset);
    }
    for (int i = 0; i < 4; ++i) cuts.push_back(raster + Next(random) % rasterBytes);
    SCOPED_TRACE(std::to_string(shape.width) + "x" + std::to_string(shape.height));
    ASSERT_NO_FATAL_FAILURE(ExpectCutImagesReadAlike(full, cuts, variant == 4 ? 1 : variant - 3));
  }
}

// The image reader leaves the stream right after the raster's last token
// and its delimiter, not where a buffer stopped: the bytes after it are
// read next. Worked out by hand: a 2 x 2 image of four numbers.
TEST(NetpbmFastPath, ImageReadLeavesTheStreamAfterTheLastTokenOfTheRaster) {
  const std::string text = "P2 2 2 255\n1 2\r\n3 4\n# tail\n77 ";
  FILE* stream = testing::OpenBytes(text);
  ASSERT_NE(stream, nullptr);
  const oracle::Image image = ReadFastImage(stream, oracle::Target::kPgm);
  ASSERT_EQ(image.status, PBM_OK);
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{1, 2, 3, 4}));
  // "4" ends at the LF after it, which is consumed as its delimiter.
  EXPECT_EQ(ftell(stream), static_cast<long>(text.find("# tail")));
  EXPECT_EQ(feof(stream), 0);
  int32_t value = 0;
  EXPECT_EQ(ReadNetpbmInt(stream, &value), PBM_OK);
  EXPECT_EQ(value, 77);  // the comment reads as the LF that ends it
  fclose(stream);
}

struct DigitRunCase {
  const char* bytes;  // eight
  uint32_t length;
  uint32_t value;
};

// Digit runs worked out by hand: the bytes either side of '0'..'9' ('/' and
// ':'), digits with the high bit set (octal 261 and 271), the cap at seven.
const DigitRunCase kDigitRuns[] = {
    {"x2345678", 0, 0},         {"7 345678", 1, 7},       {"42\r\n5678", 2, 42},
    {"255#1234", 3, 255},       {"0009/123", 4, 9},       {"12345:78", 5, 12345},
    {"654321\2618", 6, 654321}, {"98765432", 7, 9876543}, {"0000000x", 7, 0},
    {"/0123456", 0, 0},         {"9\271123456", 1, 9},    {"4294967\x00", 7, 4294967},
};

TEST(NetpbmFastPath, DecimalDigitRunCountsAndValuesTheLeadingDigits) {
  for (const DigitRunCase& run : kDigitRuns) {
    SCOPED_TRACE(run.bytes);
    uint8_t bytes[8];
    memcpy(bytes, run.bytes, sizeof bytes);
    uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(ReadDecimalDigitRun(bytes, &value), run.length);
    EXPECT_EQ(value, run.value);
  }
}

// What a block's masks must say of each byte, worked out from the text's rules.
TextBlockClasses ExpectedClasses(const uint8_t* bytes, uint8_t highestDigit) {
  TextBlockClasses expected = {0, 0};
  for (size_t k = 0; k < kTextBlockBytes; ++k) {
    const uint8_t byte = bytes[k];
    if (byte >= '0' && byte <= highestDigit) expected.digits |= uint64_t{1} << k;
    if (byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r')
      expected.whitespace |= uint64_t{1} << k;
  }
  return expected;
}

// A block worked out by hand: each run of up to three digits has its value
// modulo 256 at its last byte; VT, FF and '#' are in no class.
TEST(NetpbmFastPath, NumberBlockClassifiesBytesAndValuesShortRuns) {
  std::string text = testing::Bytes(
      "255 12\t3\r\n0 7 999 1000\v#09\f0\x80"
      "8");
  text.resize(kTextBlockBytes, ' ');
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
  ShortRunValues values;
  const TextBlockClasses block = ClassifyNumberBlock(bytes, values);
  const TextBlockClasses expected = ExpectedClasses(bytes, '9');
  EXPECT_EQ(block.digits, expected.digits);
  EXPECT_EQ(block.whitespace, expected.whitespace);
  const struct {
    const char* run;
    uint8_t value;
  } kRuns[] = {{"255", 255},
               {"12", 12},
               {"3", 3},
               {"0 ", 0},
               {"7", 7},
               {"999", 231},
               {"09", 9},
               {"\f0", 0},
               {"\x80"
                "8",
                8}};
  for (const auto& run : kRuns) {
    SCOPED_TRACE(run.run);
    const size_t at = text.find(run.run);
    ASSERT_NE(at, std::string::npos);
    const size_t last = at + strlen(run.run) - (run.run[strlen(run.run) - 1] == ' ' ? 2 : 1);
    EXPECT_EQ(values[last], run.value);
  }
  const TextBlockClasses bits = ClassifyTextBlock(bytes, '1');
  EXPECT_EQ(bits.digits, ExpectedClasses(bytes, '1').digits);
  EXPECT_EQ(bits.whitespace, expected.whitespace);
}

#if defined(__SSE2__)
// The SSE2 classification against the table one that builds without SSE2
// run, on blocks of Netpbm text and of any bytes.
TEST(NetpbmFastPath, Sse2AndTableClassifyEveryBlockAlike) {
  std::mt19937 random(41);
  for (int input = 0; input < 3000; ++input) {
    const std::string text =
        input % 2 == 0 ? RandomText(random, kTextBlockBytes) : RandomBytes(random, kTextBlockBytes);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
    SCOPED_TRACE(input);
    for (const uint8_t highestDigit : {uint8_t{'1'}, uint8_t{'9'}}) {
      const TextBlockClasses sse2 = ClassifyTextBlockSse2(bytes, highestDigit);
      const TextBlockClasses table = ClassifyTextBlockByTable(bytes, highestDigit);
      ASSERT_EQ(sse2.digits, table.digits);
      ASSERT_EQ(sse2.whitespace, table.whitespace);
      ASSERT_EQ(table.digits, ExpectedClasses(bytes, highestDigit).digits);
    }
    ShortRunValues sse2Values;
    ShortRunValues tableValues;
    const TextBlockClasses sse2 = ClassifyNumberBlockSse2(bytes, sse2Values);
    const TextBlockClasses table = ClassifyNumberBlockByTable(bytes, tableValues);
    ASSERT_EQ(sse2.digits, table.digits);
    ASSERT_EQ(sse2.whitespace, table.whitespace);
    ASSERT_EQ(memcmp(sse2Values, tableValues, kTextBlockBytes), 0);
  }
}
#endif

// Spaced plain PBM blocks, pixels at the even bytes or the odd ones: each
// digit becomes its pixel, by words and by SSE2 where built.
TEST(NetpbmFastPath, AlternateBitsTakeEveryOtherDigit) {
  std::mt19937 random(47);
  for (int input = 0; input < 200; ++input) {
    const bool odd = input % 2 == 1;
    std::string text(kTextBlockBytes, ' ');
    std::vector<uint8_t> expected(kAlternateBitsPerBlock);
    for (size_t i = 0; i < kAlternateBitsPerBlock; ++i) {
      expected[i] = static_cast<uint8_t>(Next(random) % 2);
      text[2 * i + (odd ? 1 : 0)] = static_cast<char>('0' + expected[i]);
      text[2 * i + (odd ? 0 : 1)] = " \t\n\r"[Next(random) % 4];
    }
    SCOPED_TRACE(text);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
    std::vector<uint8_t> words(kAlternateBitsPerBlock + 1, kUnwrittenByte);
    TakeAlternateBitsByWords(bytes, odd, words.data());
    EXPECT_EQ(words.back(), kUnwrittenByte);
    words.pop_back();
    EXPECT_EQ(words, expected);
#if defined(__SSE2__)
    std::vector<uint8_t> sse2(kAlternateBitsPerBlock + 1, kUnwrittenByte);
    TakeAlternateBitsSse2(bytes, odd, sse2.data());
    EXPECT_EQ(sse2.back(), kUnwrittenByte);
    sse2.pop_back();
    EXPECT_EQ(sse2, expected);
#endif
  }
}

// Runs of digits of every length up to 80 with whitespace between (or, for
// numbers, up to 3, and now and then as many as a block holds), asked for
// every count up to 100: the scanners take the pixels or numbers in
// order, write nothing past the count they were asked for, and leave the
// source where the token readers would: after the last pixel's digit, or
// after the last number's delimiter.
TEST(NetpbmFastPath, ScannersWriteNothingPastTheirCount) {
  std::mt19937 random(53);
  for (const bool bits : {true, false}) {
    for (int input = 0; input < 40; ++input) {
      std::string text;
      std::vector<uint8_t> expected;
      std::vector<size_t> ends;  // where the source is left after each
      while (text.size() < 600) {
        // Every fourth text of numbers has one digit each: 32 to a block.
        const uint32_t longest = bits ? 80 : input % 4 == 0 ? 1 : 3;
        const uint32_t digits = 1 + Next(random) % longest;
        uint32_t value = 0;
        for (uint32_t n = 0; n < digits; ++n) {
          const uint32_t digit = Next(random) % (bits ? 2 : 10);
          text += static_cast<char>('0' + digit);
          value = value * 10 + digit;
          if (bits) {
            expected.push_back(static_cast<uint8_t>(digit));
            ends.push_back(text.size());
          }
        }
        text += Next(random) % 4 == 0 ? '\n' : ' ';
        if (!bits) {
          expected.push_back(static_cast<uint8_t>(value));
          ends.push_back(text.size());
        }
      }
      for (size_t count = 1; count <= 100; ++count) {
        SCOPED_TRACE(std::string(bits ? "bits" : "samples") + " count " + std::to_string(count) +
                     " in " + text);
        std::vector<uint8_t> buffer(text.begin(), text.end());
        NetpbmByteSource source = {nullptr,       {nullptr, nullptr}, buffer.data(),
                                   buffer.size(), buffer.data(),      buffer.data() + buffer.size(),
                                   false};
        std::vector<uint8_t> out(count + 8, kUnwrittenByte);
        const size_t taken = bits ? ScanPlainBits(&source, out.data(), count)
                                  : ScanPlainSamples(&source, out.data(), count);
        ASSERT_EQ(taken, count);  // the text is simple and long enough for all
        EXPECT_EQ(source.next - buffer.data(), static_cast<ptrdiff_t>(ends[count - 1]));
        EXPECT_TRUE(
            std::equal(out.begin(), out.begin() + static_cast<ptrdiff_t>(taken), expected.begin()));
        EXPECT_EQ(
            std::count(out.begin() + static_cast<ptrdiff_t>(taken), out.end(), kUnwrittenByte),
            static_cast<ptrdiff_t>(out.size() - taken));
      }
    }
  }
}

// Red and blue trade places in every pixel, green and the bytes after the
// pixels stay, for the words, SSE2 where built, and the whole swap with its
// tail, on rows of every length around their batches of eight and sixteen.
TEST(NetpbmFastPath, RedBlueSwapsTurnEveryPixelAlike) {
  std::mt19937 random(43);
  for (size_t pixels = 0; pixels <= 70; ++pixels) {
    SCOPED_TRACE(pixels);
    const std::string text = RandomBytes(random, 3 * pixels + 5);
    const std::vector<uint8_t> input(text.begin(), text.end());
    std::vector<uint8_t> expected = input;
    for (size_t i = 0; i < pixels; ++i) {
      expected[3 * i] = input[3 * i + 2];
      expected[3 * i + 2] = input[3 * i];
    }
    std::vector<uint8_t> whole = input;
    SwapRedAndBlue(whole.data(), pixels);
    EXPECT_EQ(whole, expected);
    std::vector<uint8_t> words = input;
    const size_t byWords = SwapRedAndBlueByWords(words.data(), pixels);
    EXPECT_EQ(byWords, pixels / 8 * 8);
    SwapRedAndBlueByPixel(words.data() + 3 * byWords, pixels - byWords);
    EXPECT_EQ(words, expected);
#if defined(__SSE2__)
    std::vector<uint8_t> sse2 = input;
    const size_t bySse2 = SwapRedAndBlueSse2(sse2.data(), pixels);
    EXPECT_EQ(bySse2, pixels / 16 * 16);
    SwapRedAndBlueByPixel(sse2.data() + 3 * bySse2, pixels - bySse2);
    EXPECT_EQ(sse2, expected);
#endif
  }
}

// A tiny file that declares a large image: every row after the end comes
// out as the byte-at-a-time reader gives it (white for promoted bits).
TEST(NetpbmFastPath, TinyFileDeclaringALargeImageFillsEveryRowAlike) {
  for (const char* header : {"P4 900 700 ", "P1 900 700 1", "P5 900 700 255 ", "P6 900 700 255 ab",
                             "P6 900 700 255\n", "P2 900 700 255 1 2", "P3 900 700 255 9"}) {
    for (oracle::Target target :
         {oracle::Target::kPbm, oracle::Target::kPgm, oracle::Target::kPpm}) {
      // PBM 1, PGM 2, PPM 3: a reader takes its own rank and those below.
      const int rank = (header[1] - '1') % 3 + 1;
      if (rank > static_cast<int>(target) + 1) continue;
      SCOPED_TRACE(header);
      StreamPair streams(header);
      ASSERT_NE(streams.fast, nullptr);
      ASSERT_NE(streams.slow, nullptr);
      const oracle::Image fast = ReadFastImage(streams.fast, target);
      const oracle::Image slow = oracle::ReadImage(streams.slow, target);
      ASSERT_EQ(fast.status, PBM_OK);
      ASSERT_EQ(fast.pixels.size(), slow.pixels.size());
      ASSERT_EQ(fast.pixels, slow.pixels);
      ASSERT_EQ(fast.progressRows.size(), 700u);
      ASSERT_EQ(fast.progressRows, slow.progressRows);
      ASSERT_NO_FATAL_FAILURE(ExpectConversionCopiesEveryRow(streams.path, target, slow));
    }
  }
}

}  // namespace
}  // namespace quentarpbm
