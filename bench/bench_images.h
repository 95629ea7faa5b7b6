// The benchmark's own test images: photograph-like content in all six Netpbm variants.
#ifndef QUENTARPBM_BENCH_BENCH_IMAGES_H
#define QUENTARPBM_BENCH_BENCH_IMAGES_H

#include <stdint.h>

#include <string>
#include <vector>

struct BenchImage {
  std::string variant;  // "P1" .. "P6"
  std::string path;
  int32_t width;
  int32_t height;
  int32_t dibBytesPerPixel;  // 1 for PBM and PGM, 3 for PPM
  uint64_t fileBytes;
};

// Writes the six images of one size class into directory (which must exist):
// "large" (about 6000 x 4000 raw, plain files of 50 to 150 MB), "medium"
// (1024 x 768) or "smoke" (64 x 48). Files already there are reused.
std::vector<BenchImage> MakeBenchImages(const std::string& directory, const std::string& sizeClass);

#endif  // QUENTARPBM_BENCH_BENCH_IMAGES_H
