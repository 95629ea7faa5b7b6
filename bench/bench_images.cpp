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

// Plain text writer, lines kept to 70 columns. Spaced: tokens separated by
// spaces. Compact, as netpbm's tools write plain PBM: digits with nothing
// between them.
class PlainWriter {
 public:
  PlainWriter(FILE* file, bool compact) : file_(file), compact_(compact) {}
  void Token(unsigned value) {
    char digits[4];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    const int separator = compact_ || column_ == 0 ? 0 : 1;
    if (column_ + separator + n > 70) {
      fputc('\n', file_);
      column_ = 0;
    } else if (separator > 0) {
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
  bool compact_;
  int column_ = 0;
};

// A header alone declares the image and the file ends there.
void WriteHeaderOnly(const BenchImage& image, FILE* file) {
  fprintf(file, "%s %d %d", image.variant.c_str(), image.width, image.height);
  if (image.variant != "P1" && image.variant != "P4") fprintf(file, " 255");
  fputc('\n', file);
}

void WriteImage(const BenchImage& image, bool compact, bool headerOnly, int32_t heldRows) {
  FILE* file = fopen(image.path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + image.path);
  if (headerOnly) {
    WriteHeaderOnly(image, file);
    if (fclose(file) != 0) throw std::runtime_error("cannot write " + image.path);
    return;
  }
  const int32_t w = image.width;
  const int32_t h = image.height;
  const char kind = image.variant[1];
  fprintf(file, "%s\n# bench image\n%d %d\n", image.variant.c_str(), w, h);
  if (kind != '1' && kind != '4') fprintf(file, "255\n");
  PlainWriter plain(file, compact);
  const size_t rawBytes = kind == '4'   ? (static_cast<size_t>(w) + 7) / 8
                          : kind == '5' ? static_cast<size_t>(w)
                          : kind == '6' ? 3 * static_cast<size_t>(w)
                                        : 0;
  std::vector<uint8_t> row(rawBytes + 1);
  for (int32_t y = 0; y < heldRows; ++y) {
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
  bool compact;     // plain PBM without spaces, as netpbm writes it
  bool headerOnly;  // the file ends after the header
  bool halfRaster;  // the file ends halfway through the raster
};

const char* ShapeLabel(const Shape& shape) {
  return shape.compact      ? "P1c"
         : shape.headerOnly ? "P6h"
         : shape.halfRaster ? "P6t"
                            : shape.variant;
}

int32_t HeldRows(const Shape& shape) {
  return shape.headerOnly ? 0 : shape.halfRaster ? shape.height / 2 : shape.height;
}

}  // namespace

std::vector<BenchImage> MakeBenchImages(const std::string& directory,
                                        const std::string& sizeClass) {
  // Plain sizes are chosen for their file size: about 2 bytes per spaced PBM
  // pixel and 1 per compact one, 3.6 per PGM sample, three such samples per
  // PPM pixel.
  static const std::vector<Shape> kLarge = {
      {"P1", 6000, 4400, false, false, false}, {"P1", 6000, 4400, true, false, false},
      {"P2", 6000, 4000, false, false, false}, {"P3", 4000, 3000, false, false, false},
      {"P4", 6000, 4000, false, false, false}, {"P5", 6000, 4000, false, false, false},
      {"P6", 6000, 4000, false, false, false}, {"P6", 6000, 4000, false, false, true}};
  static const std::vector<Shape> kMedium = {
      {"P1", 1024, 768, false, false, false}, {"P1", 1024, 768, true, false, false},
      {"P2", 1024, 768, false, false, false}, {"P3", 1024, 768, false, false, false},
      {"P4", 1024, 768, false, false, false}, {"P5", 1024, 768, false, false, false},
      {"P6", 1024, 768, false, false, false}, {"P6", 1024, 768, false, false, true}};
  // The fixed cost of a call: a header that declares a large image, and the
  // smallest image there is.
  static const std::vector<Shape> kTiny = {{"P6", 3000, 3000, false, true, false},
                                           {"P5", 1, 1, false, false, false}};
  static const std::vector<Shape> kSmoke = {
      {"P1", 64, 48, false, false, false}, {"P1", 64, 48, true, false, false},
      {"P2", 64, 48, false, false, false}, {"P3", 64, 48, false, false, false},
      {"P4", 64, 48, false, false, false}, {"P5", 64, 48, false, false, false},
      {"P6", 64, 48, false, false, false}, {"P6", 64, 48, false, true, false},
      {"P6", 64, 48, false, false, true}};
  const std::vector<Shape>* shapes = sizeClass == "large"    ? &kLarge
                                     : sizeClass == "medium" ? &kMedium
                                     : sizeClass == "tiny"   ? &kTiny
                                     : sizeClass == "smoke"  ? &kSmoke
                                                             : nullptr;
  if (shapes == nullptr) throw std::runtime_error("unknown size class " + sizeClass);
  std::vector<BenchImage> images;
  for (const Shape& shape : *shapes) {
    BenchImage image;
    image.sizeClass = sizeClass;
    image.variant = shape.variant;
    image.label = ShapeLabel(shape);
    image.path = directory + "/" + sizeClass + "_" + image.label + ".pnm";
    image.width = shape.width;
    image.height = shape.height;
    image.dibBytesPerPixel = shape.variant[1] == '3' || shape.variant[1] == '6' ? 3 : 1;
    image.heldRows = HeldRows(shape);
    struct stat status;
    if (stat(image.path.c_str(), &status) != 0) {
      WriteImage(image, shape.compact, shape.headerOnly, image.heldRows);
      if (stat(image.path.c_str(), &status) != 0) throw std::runtime_error("lost " + image.path);
    }
    image.fileBytes = static_cast<uint64_t>(status.st_size);
    images.push_back(image);
  }
  return images;
}
