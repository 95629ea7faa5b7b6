// What the benchmark times: the library, the floor and the peer readers, one image per call.
#ifndef QUENTARPBM_BENCH_BENCH_METHODS_H
#define QUENTARPBM_BENCH_BENCH_METHODS_H

#include <stddef.h>

#include <string>
#include <vector>

#include "bench_images.h"

struct BenchMethod {
  std::string name;
  // Reads image end to end and releases what it made; false on failure.
  bool (*run)(const BenchImage& image);
  // Whether this method reads the variant at all (stb_image: P5 and P6 only).
  bool (*reads)(const BenchImage& image);
  // The bytes of the host's buffer it writes into, for the codec's rows;
  // null for the others.
  size_t (*outputBytes)(const BenchImage& image);
};

// The reads function of methods that read all six variants.
bool ReadsEveryVariant(const BenchImage& image);

// The header and every row into the store, with no identification and no
// output stage: the rate at which the row readers take the file.
bool RunRowReaders(const BenchImage& image);

// The WIC codec's rows: the header alone, the whole frame, 64-row bands, a
// 256-wide thumbnail (bench_wic_codec.h).
std::vector<BenchMethod> WicCodecMethods();

// The floor first, then PBMOpen, its reading stage, the WIC codec's rows,
// then whichever peers this build has.
std::vector<BenchMethod> BenchMethods();

#endif  // QUENTARPBM_BENCH_BENCH_METHODS_H
