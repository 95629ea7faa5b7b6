// Raw rasters read where their rows lie: whole rows a chunk at a time straight into the caller's
// rows, rectangles a row's span at a time, each finished in place.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

namespace {

// What one read of raw rows shares.
struct RawRows {
  NetpbmOffsetReader reader;
  WicFrame* frame;
  const WicLayoutTraits* traits;
  bool scaled;  // 8-bit samples of a maxval other than 255
  uint8_t table[256];
};

// Up to count bytes at offset, through as many reads as the reader needs.
// A read that comes up short after a byte tells exactly where the data ends.
size_t ReadRawBytes(RawRows& raw, uint64_t offset, uint8_t* destination, size_t count) {
  WicFrame& frame = *raw.frame;
  if (offset >= frame.dataEnd) return 0;
  const uint64_t left = frame.dataEnd - offset;
  const size_t wanted = left < count ? static_cast<size_t>(left) : count;
  size_t got = 0;
  while (got < wanted) {
    const size_t piece =
        raw.reader.readAt(raw.reader.context, offset + got, destination + got, wanted - got);
    if (piece == 0) break;
    got += piece;
  }
  if (got > 0 && got < wanted) frame.dataEnd = offset + got;
  return got;
}

// Where the data ends, known to be at or before high: the raster's header
// was read whole, so it lies in the raster, found by halving with reads of
// one byte.
uint64_t DataEndBefore(RawRows& raw, uint64_t high) {
  WicFrame& frame = *raw.frame;
  if (frame.dataEnd <= high) return frame.dataEnd;
  uint64_t low = frame.rasterOffset;
  while (low < high) {
    const uint64_t middle = low + (high - low) / 2;
    uint8_t byte = 0;
    if (raw.reader.readAt(raw.reader.context, middle, &byte, 1) == 1) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  frame.dataEnd = low;
  return low;
}

// Netpbm's 1 is black, WIC's 0: every byte inverted, and with it the zeros
// the data did not give become white.
void InvertBits(uint8_t* bytes, size_t count, size_t got) {
  memset(bytes + got, 0, count - got);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(~bytes[i]);
}

// The bits of a row from pixel x on, width of them, into destination: the
// bytes that hold them, and one more when they are shifted, whose top bits
// end the last byte (white past the row).
void ReadRawBitRow(RawRows& raw, uint64_t rowStart, int32_t x, int32_t width,
                   uint8_t* destination) {
  const WicFrame& frame = *raw.frame;
  const auto firstByte = static_cast<uint32_t>(x / 8);
  const auto shift = static_cast<unsigned>(x % 8);
  const uint32_t bytes = WicRowBytes(WicPixelLayout::kBlackWhite, width);
  const uint32_t rowLeft = frame.stride - firstByte;
  const bool extraInRow = shift != 0 && bytes < rowLeft;
  const size_t got = ReadRawBytes(raw, rowStart + firstByte, destination, bytes);
  uint8_t extra = 0;
  const size_t extraGot =
      extraInRow && got == bytes ? ReadRawBytes(raw, rowStart + firstByte + bytes, &extra, 1) : 0;
  InvertBits(destination, bytes, got);
  extra = extraGot == 1 ? static_cast<uint8_t>(~extra) : 0xFF;
  // The row's last byte, if the span reaches it, ends in pad bits.
  if (firstByte + bytes + (extraInRow ? 1 : 0) == frame.stride) {
    uint8_t& last = extraInRow ? extra : destination[bytes - 1];
    last = static_cast<uint8_t>(last | WicPadBits(frame.header.width));
  }
  if (shift == 0) return;
  for (uint32_t i = 0; i < bytes; ++i) {
    const unsigned next = i + 1 < bytes ? destination[i + 1] : extraInRow ? extra : 0xFFu;
    const unsigned bitsHere = destination[i];
    destination[i] = static_cast<uint8_t>((bitsHere << shift) | (next >> (8 - shift)));
  }
}

// P6 of 8-bit samples: whole pixels swapped to blue, green, red; from the
// pixel where the row's bytes ran out on, that pixel's components read
// over the previous pixel's, as the raw readers finish a row cut short,
// though that pixel may lie before x.
void FinishRawColour(RawRows& raw, uint64_t rowStart, int32_t x, size_t count, uint8_t* pixels,
                     size_t got) {
  if (got == 3 * count) {
    FinishRawPpmPixels(pixels, count, got);
    return;
  }
  const uint64_t spanStart = rowStart + 3 * static_cast<uint64_t>(x);
  const uint64_t end = got > 0 ? spanStart + got : DataEndBefore(raw, spanStart);
  const uint64_t rowGot = end > rowStart ? end - rowStart : 0;
  const uint64_t cut = rowGot / 3;
  const auto first = static_cast<uint64_t>(x);
  const size_t whole = cut > first ? static_cast<size_t>(cut - first) : 0;
  FinishRawPpmPixels(pixels, whole, 3 * whole);
  // The pixel the bytes ran out in, finished with the one before it.
  uint8_t pair[6] = {};
  const uint64_t previous = cut > 0 ? 1 : 0;
  const size_t pairGot = ReadRawBytes(raw, rowStart + 3 * (cut - previous), pair,
                                      static_cast<size_t>(rowGot - 3 * (cut - previous)));
  FinishRawPpmPixels(pair, static_cast<size_t>(previous + 1), pairGot);
  for (size_t i = whole; i < count; ++i) memcpy(pixels + 3 * i, pair + 3 * previous, 3);
}

// count pixels of a row from x on, of which got bytes were read, finished.
void FinishRawSpan(RawRows& raw, uint64_t rowStart, int32_t x, size_t count, uint8_t* pixels,
                   size_t got) {
  const WicLayoutTraits& traits = *raw.traits;
  const size_t bytes = count * static_cast<size_t>(traits.bitsPerPixel / 8);
  if (traits.wideSamples) {
    // A sample cut in half keeps its first byte.
    memset(pixels + got, 0, bytes - got);
    FinishRawWideSamples(pixels, (got + 1) / 2, static_cast<uint32_t>(raw.frame->header.maxval));
    return;
  }
  if (traits.samplesPerPixel == 3) {
    FinishRawColour(raw, rowStart, x, count, pixels, got);
  } else {
    memset(pixels + got, 0, bytes - got);
  }
  if (raw.scaled) ScaleSamples(pixels, bytes, raw.table);
}

// Whole rows at their stride: a read per chunk straight into the rows, the
// rows the data holds finished at once, the one it cuts and those after it
// on their own.
ResultCode ReadRawRowChunks(RawRows& raw, const WicRect& rect, uint8_t* first,
                            WicProgress* progress) {
  const WicFrame& frame = *raw.frame;
  const uint32_t stride = frame.stride;
  const int32_t width = frame.header.width;
  const bool bits = frame.header.layout == WicPixelLayout::kBlackWhite;
  // Whole rows of about kRawChunkBytes, at least one.
  const size_t fitting = kRawChunkBytes / stride;
  const size_t chunkRows = fitting > 0 ? fitting : 1;
  for (int32_t done = 0, rows = 0; done < rect.height; done += rows) {
    const auto left = static_cast<size_t>(rect.height - done);
    rows = static_cast<int32_t>(left < chunkRows ? left : chunkRows);
    uint8_t* at = first + static_cast<size_t>(done) * stride;
    const uint64_t offset =
        frame.rasterOffset + uint64_t{stride} * static_cast<uint32_t>(rect.y + done);
    const size_t count = static_cast<size_t>(rows) * stride;
    const size_t got = ReadRawBytes(raw, offset, at, count);
    const size_t whole = got / stride;
    if (bits) {
      InvertBits(at, whole * stride, whole * stride);
      WhitenWicPadBits(at, stride, static_cast<int32_t>(whole), width);
    } else {
      FinishRawSpan(raw, offset, 0, whole * static_cast<size_t>(width), at, whole * stride);
    }
    if (whole < static_cast<size_t>(rows)) {
      uint8_t* cut = at + whole * stride;
      const uint64_t cutStart = offset + whole * stride;
      // The cut row's last byte is missing, so white already, pad bits and all.
      if (bits) {
        InvertBits(cut, stride, got - whole * stride);
      } else {
        FinishRawSpan(raw, cutStart, 0, static_cast<size_t>(width), cut, got - whole * stride);
      }
      BlankWicRow(frame.header.layout, cut + stride, count - (whole + 1) * stride);
    }
    if (!AdvanceWicProgress(progress, static_cast<uint64_t>(rows), count)) return kWicStopped;
  }
  return PBM_OK;
}

}  // namespace

ResultCode ReadRawWicRows(NetpbmOffsetReader reader, WicFrame* frame, const WicRect& rect,
                          const WicRowTarget* target, WicProgress* progress) {
  // A raw raster's rows lie where arithmetic puts them: reading them to
  // drop them teaches nothing.
  if (target == nullptr) return PBM_OK;
  const WicHeader& header = frame->header;
  RawRows raw{reader, frame, &TraitsOfLayout(header.layout), false, {}};
  raw.scaled = SampleTableOf(header, raw.table);
  if (rect.x == 0 && rect.width == header.width && !target->flipped &&
      target->stride == frame->stride)
    return ReadRawRowChunks(raw, rect, target->buffer, progress);
  const uint32_t rowBytes = WicRowBytes(header.layout, rect.width);
  const auto pixelBytes = static_cast<uint32_t>(raw.traits->bitsPerPixel / 8);
  for (int32_t i = 0; i < rect.height; ++i) {
    const uint64_t rowStart =
        frame->rasterOffset + uint64_t{frame->stride} * static_cast<uint32_t>(rect.y + i);
    uint8_t* row = WicTargetRow(*target, i);
    if (pixelBytes == 0) {
      ReadRawBitRow(raw, rowStart, rect.x, rect.width, row);
    } else {
      const uint64_t spanStart = rowStart + uint64_t{pixelBytes} * static_cast<uint32_t>(rect.x);
      const size_t got = ReadRawBytes(raw, spanStart, row, rowBytes);
      FinishRawSpan(raw, rowStart, rect.x, static_cast<size_t>(rect.width), row, got);
    }
    if (!AdvanceWicProgress(progress, 1, rowBytes)) return kWicStopped;
  }
  return PBM_OK;
}

}  // namespace quentarpbm
