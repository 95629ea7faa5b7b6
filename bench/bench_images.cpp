// Test images for the benchmark: smooth shapes, texture and noise, like a photograph.
#include "bench_images.h"

#include <math.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>

namespace {

// A deterministic pixel field: two slow waves, a finer texture and noise,
// so samples use the whole 0..255 range with short and long numbers.
uint8_t Sample(int32_t x, int32_t y, int channel) {
  const double phase = channel * 1.7;
  double v = 128.0 + 70.0 * sin(x / 97.0 + phase) * cos(y / 131.0 - phase) +
             35.0 * sin((x + 2.0 * y) / 23.0 + phase);
  uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
               static_cast<uint32_t>(channel) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  v += static_cast<double>(h % 41u) - 20.0;
  if (v < 0.0) v = 0.0;
  if (v > 255.0) v = 255.0;
  return static_cast<uint8_t>(v);
}

// Ordered dither of the grey field: black where darker than the threshold.
bool Black(int32_t x, int32_t y) {
  static const uint8_t kBayer[4][4] = {
      {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  return Sample(x, y, 0) < kBayer[y & 3][x & 3] * 16 + 8;
}

// Plain text writer: tokens separated by spaces, lines kept under 70 columns.
class PlainWriter {
 public:
  explicit PlainWriter(FILE* file) : file_(file) {}
  void Token(unsigned value) {
    char digits[4];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    if (column_ + n + 1 > 70) {
      fputc('\n', file_);
      column_ = 0;
    } else if (column_ > 0) {
      fputc(' ', file_);
      ++column_;
    }
    column_ += n;
    while (n > 0) fputc(digits[--n], file_);
  }
  void EndRow() {
    fputc('\n', file_);
    column_ = 0;
  }

 private:
  FILE* file_;
  int column_ = 0;
};

void WriteImage(const BenchImage& image) {
  FILE* file = fopen(image.path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + image.path);
  const int32_t w = image.width;
  const int32_t h = image.height;
  const char kind = image.variant[1];
  fprintf(file, "%s\n# bench image\n%d %d\n", image.variant.c_str(), w, h);
  if (kind != '1' && kind != '4') fprintf(file, "255\n");
  PlainWriter plain(file);
  const size_t rawBytes = kind == '4'   ? (static_cast<size_t>(w) + 7) / 8
                          : kind == '5' ? static_cast<size_t>(w)
                          : kind == '6' ? 3 * static_cast<size_t>(w)
                                        : 0;
  std::vector<uint8_t> row(rawBytes + 1);
  for (int32_t y = 0; y < h; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int32_t x = 0; x < w; ++x) {
      const size_t at = static_cast<size_t>(x);
      switch (kind) {
        case '1':
          plain.Token(Black(x, y) ? 1u : 0u);
          break;
        case '2':
          plain.Token(Sample(x, y, 0));
          break;
        case '3':
          for (int c = 0; c < 3; ++c) plain.Token(Sample(x, y, c));
          break;
        case '4':
          if (Black(x, y)) row[at / 8] = static_cast<uint8_t>(row[at / 8] | (0x80u >> (at % 8)));
          break;
        case '5':
          row[at] = Sample(x, y, 0);
          break;
        default:
          for (size_t c = 0; c < 3; ++c) row[3 * at + c] = Sample(x, y, static_cast<int>(c));
      }
    }
    if (kind <= '3') plain.EndRow();
    fwrite(row.data(), 1, rawBytes, file);
  }
  if (fclose(file) != 0) throw std::runtime_error("cannot write " + image.path);
}

struct Shape {
  const char* variant;
  int32_t width;
  int32_t height;
};

}  // namespace

std::vector<BenchImage> MakeBenchImages(const std::string& directory,
                                        const std::string& sizeClass) {
  // Plain sizes are chosen for their file size: about 2 bytes per PBM pixel,
  // 3.6 per PGM sample, three such samples per PPM pixel.
  static const Shape kLarge[6] = {{"P1", 6000, 4400}, {"P2", 6000, 4000}, {"P3", 4000, 3000},
                                  {"P4", 6000, 4000}, {"P5", 6000, 4000}, {"P6", 6000, 4000}};
  static const Shape kMedium[6] = {{"P1", 1024, 768}, {"P2", 1024, 768}, {"P3", 1024, 768},
                                   {"P4", 1024, 768}, {"P5", 1024, 768}, {"P6", 1024, 768}};
  static const Shape kSmoke[6] = {{"P1", 64, 48}, {"P2", 64, 48}, {"P3", 64, 48},
                                  {"P4", 64, 48}, {"P5", 64, 48}, {"P6", 64, 48}};
  const Shape* shapes = sizeClass == "large"    ? kLarge
                        : sizeClass == "medium" ? kMedium
                        : sizeClass == "smoke"  ? kSmoke
                                                : nullptr;
  if (shapes == nullptr) throw std::runtime_error("unknown size class " + sizeClass);
  std::vector<BenchImage> images;
  for (int k = 0; k < 6; ++k) {
    const Shape& shape = shapes[k];
    BenchImage image;
    image.variant = shape.variant;
    image.path = directory + "/" + sizeClass + "_" + shape.variant + ".pnm";
    image.width = shape.width;
    image.height = shape.height;
    image.dibBytesPerPixel = shape.variant[1] == '3' || shape.variant[1] == '6' ? 3 : 1;
    struct stat status;
    if (stat(image.path.c_str(), &status) != 0) {
      WriteImage(image);
      if (stat(image.path.c_str(), &status) != 0) throw std::runtime_error("lost " + image.path);
    }
    image.fileBytes = static_cast<uint64_t>(status.st_size);
    images.push_back(image);
  }
  return images;
}
