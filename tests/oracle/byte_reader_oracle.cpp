// The byte-at-a-time reference reader: fgetc, comparisons, nothing clever.
#include "oracle/byte_reader_oracle.h"

#include <stddef.h>
#include <stdint.h>

#include <algorithm>

namespace quentarpbm::oracle {

namespace {

constexpr int32_t kP1 = 'P' * 256 + '1';
constexpr int32_t kP2 = 'P' * 256 + '2';
constexpr int32_t kP3 = 'P' * 256 + '3';
constexpr int32_t kP4 = 'P' * 256 + '4';
constexpr int32_t kP5 = 'P' * 256 + '5';
constexpr int32_t kP6 = 'P' * 256 + '6';

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

ResultCode SkipSpace(FILE* stream, uint8_t* c) {
  ResultCode result;
  do {
    result = ReadChar(stream, c);
  } while (result == PBM_OK && IsSpace(*c));
  return result;
}

int Rank(int32_t magic) {
  if (magic == kP1 || magic == kP4) return 1;
  if (magic == kP2 || magic == kP5) return 2;
  if (magic == kP3 || magic == kP6) return 3;
  return 0;
}

ResultCode ReadHeader(FILE* stream, int highest, Image* image, int32_t* magic) {
  if (ReadMagic(stream, magic) != PBM_OK) return PBM_E_READ;
  const int rank = Rank(*magic);
  if (rank == 0 || rank > highest) return PBM_E_UNSUPPORTED;
  ResultCode result = ReadInt(stream, &image->width);
  if (result != PBM_OK) {
    if (rank == 1) image->maxval = 1;
    return result;
  }
  result = ReadInt(stream, &image->height);
  if (rank == 1) {
    image->maxval = 1;
    return result;
  }
  if (result != PBM_OK) return result;
  ReadInt(stream, &image->maxval);
  return image->maxval > 255 ? PBM_E_MAXVAL : PBM_OK;
}

}  // namespace

ResultCode ReadChar(FILE* stream, uint8_t* character) {
  int byte = fgetc(stream);
  if (byte == EOF) return PBM_E_READ;
  *character = static_cast<uint8_t>(byte);
  if (byte != '#') return PBM_OK;
  for (;;) {
    byte = fgetc(stream);
    if (byte == EOF) return PBM_E_READ;
    *character = static_cast<uint8_t>(byte);
    if (byte == '\n' || byte == '\r') return PBM_OK;
  }
}

ResultCode ReadInt(FILE* stream, int32_t* value) {
  *value = 0;
  uint8_t c = 0;
  ResultCode result = SkipSpace(stream, &c);
  if (result != PBM_OK) return PBM_OK;
  if (!IsDigit(c)) return PBM_E_READ;
  uint32_t number = 0;
  while (result == PBM_OK && IsDigit(c)) {
    number = number * 10u + static_cast<uint32_t>(c - '0');
    *value = static_cast<int32_t>(number);
    result = ReadChar(stream, &c);
  }
  return result;
}

ResultCode ReadPlainBit(FILE* stream, uint8_t* bit) {
  uint8_t c = 0;
  if (SkipSpace(stream, &c) != PBM_OK) return PBM_E_READ;
  if (c != '0' && c != '1') return PBM_E_READ;
  *bit = c == '1' ? 1 : 0;
  return PBM_OK;
}

ResultCode ReadRawByte(FILE* stream, uint8_t* byte) {
  const int read = fgetc(stream);
  if (read == EOF) return PBM_E_READ;
  *byte = static_cast<uint8_t>(read);
  return PBM_OK;
}

ResultCode ReadMagic(FILE* stream, int32_t* magic) {
  uint8_t first = 0;
  uint8_t second = 0;
  if (ReadRawByte(stream, &first) != PBM_OK) return PBM_E_READ;
  if (ReadRawByte(stream, &second) != PBM_OK) return PBM_E_READ;
  *magic = first * 256 + second;
  return PBM_OK;
}

ResultCode ReadPbmRow(FILE* stream, uint8_t* row, int32_t count, int32_t magic) {
  if (magic == kP1) {
    for (int32_t i = 0; i < count; ++i) {
      if (ReadPlainBit(stream, &row[i]) != PBM_OK) return PBM_E_READ;
    }
    return PBM_OK;
  }
  if (magic != kP4) return PBM_E_UNSUPPORTED;
  uint8_t byte = 0;
  int bit = -1;
  for (int32_t i = 0; i < count; ++i) {
    if (bit < 0) {
      if (ReadRawByte(stream, &byte) != PBM_OK) return PBM_E_READ;
      bit = 7;
    }
    row[i] = static_cast<uint8_t>((byte >> bit) & 1);
    --bit;
  }
  return PBM_OK;
}

ResultCode ReadPgmRow(FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte,
                      int32_t magic) {
  if (magic == kP2) {
    for (int32_t i = 0; i < count; ++i) {
      int32_t sample = 0;
      const ResultCode result = ReadInt(stream, &sample);
      row[i] = static_cast<uint8_t>(sample & 0xFF);
      if (result != PBM_OK) return result;
    }
    return PBM_OK;
  }
  if (magic == kP5) {
    for (int32_t i = 0; i < count; ++i) {
      if (ReadRawByte(stream, &row[i]) != PBM_OK) return PBM_E_READ;
    }
    return PBM_OK;
  }
  if (magic != kP1 && magic != kP4) return PBM_E_UNSUPPORTED;
  std::vector<uint8_t> bits(static_cast<size_t>(count), 0);
  ReadPbmRow(stream, bits.data(), count, magic);
  for (int32_t i = 0; i < count; ++i) row[i] = bits[static_cast<size_t>(i)] == 1 ? 0 : maxvalByte;
  return PBM_OK;
}

ResultCode ReadPpmRow(FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte,
                      int32_t magic) {
  if (magic == kP3) {
    for (int32_t i = 0; i < count; ++i) {
      int32_t red = 0;
      int32_t green = 0;
      int32_t blue = 0;
      ReadInt(stream, &red);
      ReadInt(stream, &green);
      ReadInt(stream, &blue);
      row[3 * i] = static_cast<uint8_t>(blue & 0xFF);
      row[3 * i + 1] = static_cast<uint8_t>(green & 0xFF);
      row[3 * i + 2] = static_cast<uint8_t>(red & 0xFF);
    }
    return PBM_OK;
  }
  if (magic == kP6) {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    for (int32_t i = 0; i < count; ++i) {
      ReadRawByte(stream, &red);
      ReadRawByte(stream, &green);
      ReadRawByte(stream, &blue);
      row[3 * i] = blue;
      row[3 * i + 1] = green;
      row[3 * i + 2] = red;
    }
    return PBM_OK;
  }
  if (Rank(magic) != 1 && Rank(magic) != 2) return PBM_E_UNSUPPORTED;
  std::vector<uint8_t> grey(static_cast<size_t>(count), 0);
  ReadPgmRow(stream, grey.data(), count, maxvalByte, magic);
  for (int32_t i = 0; i < count; ++i) {
    for (int k = 0; k < 3; ++k) row[3 * i + k] = grey[static_cast<size_t>(i)];
  }
  return PBM_OK;
}

Image ReadImage(FILE* stream, Target target) {
  Image image;
  int32_t magic = 0;
  const int highest = target == Target::kPbm ? 1 : target == Target::kPgm ? 2 : 3;
  image.status = ReadHeader(stream, highest, &image, &magic);
  if (image.status != PBM_OK) return image;
  const int32_t bytesPerPixel = target == Target::kPpm ? 3 : 1;
  const int64_t rowBytes = static_cast<int64_t>(image.width) * bytesPerPixel;
  // Sizes the library refuses; the tests keep generated sizes small.
  if (image.width < 0 || image.height < 0 || rowBytes * image.height > (1 << 24)) {
    image.status = PBM_E_NO_MEMORY;
    return image;
  }
  image.pixels.assign(static_cast<size_t>(rowBytes * image.height), 0);
  const uint8_t maxvalByte = static_cast<uint8_t>(image.maxval & 0xFF);
  for (int32_t i = 0; i < image.height; ++i) {
    uint8_t* row = image.pixels.data() + static_cast<size_t>(i * rowBytes);
    if (target == Target::kPbm) ReadPbmRow(stream, row, image.width, magic);
    if (target == Target::kPgm) ReadPgmRow(stream, row, image.width, maxvalByte, magic);
    if (target == Target::kPpm) ReadPpmRow(stream, row, image.width, maxvalByte, magic);
    image.progressRows.push_back(i);
  }
  return image;
}

std::vector<uint8_t> DibPixels(const Image& image, Target target) {
  const size_t rowBytes = static_cast<size_t>(image.width) * (target == Target::kPpm ? 3u : 1u);
  const size_t stride = (rowBytes + 3) / 4 * 4;
  const auto height = static_cast<size_t>(image.height);
  std::vector<uint8_t> pixels(stride * height, 0);
  for (size_t i = 0; i < height; ++i) {
    std::copy_n(image.pixels.begin() + static_cast<ptrdiff_t>(i * rowBytes), rowBytes,
                pixels.begin() + static_cast<ptrdiff_t>((height - 1 - i) * stride));
  }
  return pixels;
}

}  // namespace quentarpbm::oracle
