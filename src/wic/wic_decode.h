// The WIC decoding core's steps: the header, memory, sample scaling, the rows of each kind of
// raster, progress, flips and turns, and scaling.
#ifndef QUENTARPBM_WIC_WIC_DECODE_H
#define QUENTARPBM_WIC_WIC_DECODE_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "common/result_code.h"
#include "netpbm/netpbm.h"
#include "wic/wic_image.h"

namespace quentarpbm {

inline bool IsRawMagic(int32_t magic) {
  return magic == kMagicP4 || magic == kMagicP5 || magic == kMagicP6;
}

// The magic, width, height and (but for PBM) maxval from source, through
// the library's one header reader; the source is left at the raster.
// OpenWicFrame's codes but PBM_E_NO_MEMORY; *header is filled only on PBM_OK.
ResultCode ReadWicHeader(NetpbmByteSource* source, WicHeader* header);

// A zero-filled image of height rows of WicRowBytes each into *image, PBM_OK;
// PBM_E_NO_MEMORY, *image untouched and nothing allocated, when the size
// exceeds INT32_MAX bytes (as the row store's) or memory runs out.
ResultCode AllocWicImage(WicPixelLayout layout, int32_t width, int32_t height, WicImage* image);

// Samples scaled from 0..maxval to 0..255 by index (samples are the low 8
// bits of the file's, as the row readers give them): (v * 255 + maxval / 2)
// / maxval, and 255 for a sample above maxval.
void MakeSampleTable(int32_t maxval, uint8_t table[256]);
// Each of count bytes replaced by its table entry.
void ScaleSamples(uint8_t* samples, size_t count, const uint8_t table[256]);
// value scaled from 0..maxval to 0..65535 the same way; 65535 above maxval.
uint32_t ScaleWideSample(uint32_t value, uint32_t maxval);
// A 16-bit sample stored in WIC's order, low byte first, and read back.
inline void StoreWideSample(uint8_t* at, uint32_t sample) {
  at[0] = static_cast<uint8_t>(sample);
  at[1] = static_cast<uint8_t>(sample >> 8);
}
inline uint32_t LoadWideSample(const uint8_t* at) { return at[0] + 256u * at[1]; }
// count raw samples of two bytes, most significant first as the file has
// them, scaled and turned into WIC's order in place.
void FinishRawWideSamples(uint8_t* samples, size_t count, uint32_t maxval);
// The table that scales header's 8-bit samples into *table; false when
// they need none (PBM, 16-bit samples, maxval 255).
bool SampleTableOf(const WicHeader& header, uint8_t table[256]);

// BlackWhite pixel x of a row: true for white.
inline bool WicBitAt(const uint8_t* row, int64_t x) {
  return ((row[x / 8] >> (7 - x % 8)) & 1) != 0;
}
// The unused bits of a BlackWhite row's last byte, which WIC shows white
// whatever the file holds there.
inline uint8_t WicPadBits(int32_t width) {
  return static_cast<uint8_t>(0xFFu >> (width % 8 == 0 ? 8 : width % 8));
}

// A row that no data reaches: white for BlackWhite, zero samples otherwise.
inline void BlankWicRow(WicPixelLayout layout, uint8_t* row, size_t bytes) {
  memset(row, layout == WicPixelLayout::kBlackWhite ? 0xFF : 0, bytes);
}
// Where decoded rows go: row i of rows at buffer + i * stride, or flipped,
// the last row first, at buffer + (rows - 1 - i) * stride.
struct WicRowTarget {
  uint8_t* buffer;
  size_t stride;
  int32_t rows;
  bool flipped;
};
inline uint8_t* WicTargetRow(const WicRowTarget& target, int32_t i) {
  const int32_t place = target.flipped ? target.rows - 1 - i : i;
  return target.buffer + static_cast<size_t>(place) * target.stride;
}

// Decodes the rows of rect (inside the frame) from reader: row rect.y + i
// into target's row i, packed from its first byte, WicRowBytes(layout,
// rect.width) bytes (BlackWhite: pixel rect.x at the first byte's top bit,
// the last byte's bits past the rectangle the source's next pixels, white
// past the image). target null: the rows are read for what reading learns,
// and dropped. Rows the data does not reach are blank. PBM_OK,
// PBM_E_NO_MEMORY when reading memory cannot be had (nothing written), or
// kWicStopped from progress (counted a row per row of rect).
ResultCode ReadWicFrameRows(NetpbmOffsetReader reader, WicFrame* frame, const WicRect& rect,
                            const WicRowTarget* target, WicProgress* progress);
// The same for a raw raster (rows at their offsets) and a plain one (text
// read from the nearest row the frame's index knows).
ResultCode ReadRawWicRows(NetpbmOffsetReader reader, WicFrame* frame, const WicRect& rect,
                          const WicRowTarget* target, WicProgress* progress);
ResultCode ReadPlainWicRows(NetpbmOffsetReader reader, WicFrame* frame, const WicRect& rect,
                            const WicRowTarget* target, WicProgress* progress);

// What a band of rows read for turning or scaling may take: a row at least.
inline constexpr size_t kWicBandBytes = size_t{4} << 20;

// Sets the rows a copy reads and reports that it starts; false when the
// host said stop.
bool BeginWicProgress(WicProgress* progress, uint64_t total);
// Counts rows done, of bytes bytes in all; false when the host said stop.
bool AdvanceWicProgress(WicProgress* progress, uint64_t rows, uint64_t bytes);

// A row of width pixels in layout reversed in place (BlackWhite: its bits
// past the width made white).
void ReverseWicRow(uint8_t* row, WicPixelLayout layout, int32_t width);
// count pixels of crop row y from column x on, packed in layout at pixels,
// put where transform takes them in the output (buffer at stride) of a
// crop width x height. BlackWhite output bits are set one by one; its rows'
// bits past the width are left for WhitenWicPadBits.
void PlaceWicPixels(const uint8_t* pixels, int32_t count, int32_t x, int32_t y,
                    WicPixelLayout layout, WicTransform transform, int32_t width, int32_t height,
                    uint8_t* buffer, uint32_t stride);
// The bits past width of rows BlackWhite rows at buffer made white.
void WhitenWicPadBits(uint8_t* buffer, uint32_t stride, int32_t rows, int32_t width);
// rect of the frame, unscaled, turned a quarter either way into request's
// buffer, a band of rows at a time. CopyWicFramePixels' results.
ResultCode CopyTurnedWicRows(NetpbmOffsetReader reader, WicFrame* frame,
                             const WicCopyRequest& request, const WicRect& rect,
                             WicProgress* progress);
// rect of the frame scaled to request's size (or in grey, for PBM) into
// request's buffer, transformed. CopyWicFramePixels' results.
ResultCode CopyResampledWicPixels(NetpbmOffsetReader reader, WicFrame* frame,
                                  const WicCopyRequest& request, const WicRect& rect,
                                  WicProgress* progress);

}  // namespace quentarpbm

#endif  // QUENTARPBM_WIC_WIC_DECODE_H
