// Compares the image readers with netpbm's own decoding of images that netpbm's tools made.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "netpbm/netpbm.h"
#include "support/test_files.h"

#ifndef QUENTARPBM_REFERENCE_DIR
#error "QUENTARPBM_REFERENCE_DIR names the directory made by make_reference_images.sh"
#endif

namespace quentarpbm {
namespace {

// Relative to the test's working directory: under Wine, absolute Unix paths
// do not reliably name the same file.
const std::string kDirectory = QUENTARPBM_REFERENCE_DIR "/";

// An image as netpbm printed it in plain form (P1, P2 or P3, no comments).
struct PlainImage {
  std::string magic;
  int32_t width = 0;
  int32_t height = 0;
  int32_t maxval = 1;
  std::vector<int32_t> samples;  // file order: row by row, R G B for P3
};

bool ParsePlainImage(const std::string& text, PlainImage* image) {
  std::istringstream in(text);
  if (!(in >> image->magic >> image->width >> image->height)) return false;
  if (image->magic != "P1" && !(in >> image->maxval)) return false;
  const int channels = image->magic == "P3" ? 3 : 1;
  const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height) *
                       static_cast<size_t>(channels);
  for (size_t i = 0; i < count; ++i) {
    int32_t sample = 0;
    if (image->magic == "P1") {
      char bit = 0;  // plain PBM pixels need no separator
      if (!(in >> bit) || (bit != '0' && bit != '1')) return false;
      sample = bit - '0';
    } else if (!(in >> sample)) {
      return false;
    }
    image->samples.push_back(sample);
  }
  std::string rest;
  return !(in >> rest);
}

struct ReferenceCase {
  std::string format;  // what to read the source as: pbm, pgm or ppm
  std::string source;
  std::string reference;
};

std::vector<ReferenceCase> ReadManifest() {
  std::vector<ReferenceCase> cases;
  std::ifstream manifest(kDirectory + "manifest.txt");
  EXPECT_TRUE(manifest.good()) << "no " << kDirectory << "manifest.txt: run the fixture";
  ReferenceCase c;
  while (manifest >> c.format >> c.source >> c.reference) cases.push_back(c);
  return cases;
}

// Reads the source with our reader for c.format and compares every sample.
void CompareWithReference(const ReferenceCase& c) {
  PlainImage expected;
  ASSERT_TRUE(ParsePlainImage(testing::ReadWholeFile(kDirectory + c.reference), &expected));
  const std::string wantMagic = c.format == "pbm" ? "P1" : c.format == "pgm" ? "P2" : "P3";
  ASSERT_EQ(expected.magic, wantMagic);

  FILE* stream = fopen((kDirectory + c.source).c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  int32_t width = -1;
  int32_t height = -1;
  int32_t maxval = 1;
  ResultCode status = PBM_E_ARGUMENT;
  RowStore store = nullptr;
  if (c.format == "pbm") {
    store = ReadPbmImage(stream, &width, &height, &status, nullptr, 0);
  } else if (c.format == "pgm") {
    store = ReadPgmImage(stream, &width, &height, &maxval, &status, nullptr, 0);
  } else {
    store = ReadPpmImage(stream, &width, &height, &maxval, &status, nullptr, 0);
  }
  fclose(stream);
  ASSERT_EQ(status, PBM_OK);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(width, expected.width);
  EXPECT_EQ(height, expected.height);
  EXPECT_EQ(maxval, expected.maxval);

  // Ours: PBM 1 for black like the plain '1'; PPM pixels in B, G, R order.
  const int channels = c.format == "ppm" ? 3 : 1;
  size_t mismatches = 0;
  for (int32_t y = 0; y < height && y < expected.height; ++y) {
    for (int32_t x = 0; x < width * channels && x < expected.width * channels; ++x) {
      const int32_t component = x % channels;
      const int32_t fileX = x - component + (channels - 1 - component);
      const size_t at = static_cast<size_t>(y) * static_cast<size_t>(expected.width * channels) +
                        static_cast<size_t>(fileX);
      if (store[y][x] != expected.samples[at] && ++mismatches <= 5) {
        ADD_FAILURE() << "row " << y << " byte " << x << ": " << int{store[y][x]} << " vs "
                      << expected.samples[at];
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
  FreeRowStore(store, height);
}

TEST(NetpbmReference, EveryImageMatchesNetpbmsOwnDecoding) {
  const std::vector<ReferenceCase> cases = ReadManifest();
  // The script makes over a hundred cases; far fewer means it went wrong.
  ASSERT_GE(cases.size(), 100u);
  std::set<std::string> magics;
  for (const ReferenceCase& c : cases) {
    SCOPED_TRACE(c.source + " as " + c.format);
    magics.insert(testing::ReadWholeFile(kDirectory + c.source).substr(0, 2));
    CompareWithReference(c);
  }
  EXPECT_EQ(magics, (std::set<std::string>{"P1", "P2", "P3", "P4", "P5", "P6"}));
}

}  // namespace
}  // namespace quentarpbm
