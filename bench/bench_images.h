// The benchmark's own test images: photograph-like content in all six Netpbm variants.
#ifndef QUENTARPBM_BENCH_BENCH_IMAGES_H
#define QUENTARPBM_BENCH_BENCH_IMAGES_H

#include <stdint.h>

#include <string>
#include <vector>

struct BenchImage {
  std::string sizeClass;
  std::string variant;  // "P1" .. "P6"
  std::string label;    // the variant, and how it is written where that differs
  std::string path;
  int32_t width;
  int32_t height;
  int32_t dibBytesPerPixel;  // 1 for PBM and PGM, 3 for PPM
  int32_t heldRows;          // rows the file holds: height, fewer where the raster is cut short
  uint64_t fileBytes;
};

// Writes the images of one size class into directory (which must exist):
// "large" (about 6000 x 4000 raw, plain files of 30 to 150 MB), "medium"
// (1024 x 768), each with plain PBM spaced and compact and a raw PPM cut
// off halfway, or "tiny" (a header alone declaring 3000 x 3000, and a 1 x 1
// image), or "smoke" (64 x 48).
// Files already there are reused.
std::vector<BenchImage> MakeBenchImages(const std::string& directory, const std::string& sizeClass);

#endif  // QUENTARPBM_BENCH_BENCH_IMAGES_H
