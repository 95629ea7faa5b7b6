// The WIC decoding core's steps: the header, the image's memory, sample scaling and the rasters.
#ifndef QUENTARPBM_WIC_WIC_DECODE_H
#define QUENTARPBM_WIC_WIC_DECODE_H

#include <stddef.h>
#include <stdint.h>

#include "common/result_code.h"
#include "netpbm/netpbm.h"
#include "wic/wic_image.h"

namespace quentarpbm {

// What the header says, and the layout the image takes from it.
struct WicHeader {
  int32_t magic;  // a NetpbmMagic
  int32_t width;
  int32_t height;
  int32_t maxval;  // 1 for PBM, which has none
  WicPixelLayout layout;
};

// The magic, width, height and (but for PBM) maxval from source, through
// the library's one header reader; the source is left at the raster.
// Results as DecodeNetpbmForWic's; *header is filled only on PBM_OK.
ResultCode ReadWicHeader(NetpbmByteSource* source, WicHeader* header);

// Moves a stream forward by count bytes without reading them: true when it
// did (even past the end of the data, where the next read then gives
// nothing), false when the stream cannot skip.
struct NetpbmStreamSkipper {
  void* context;
  bool (*skip)(void* context, uint64_t count);
};

// How many images the data holds one after another, counting at most limit
// (1 or more), the first one's header being first, read from source (an
// unbuffered reader source, left at that image's raster). A raw image's
// raster is skipped, never read, and the image after it counts only if a
// whole valid header follows, after at most 255 bytes of whitespace; the
// walk stops at the first that does not, or when a skip fails. A plain
// image's raster ends where its text does, which only reading it all would
// tell: plain data counts as 1.
uint32_t CountNetpbmImages(NetpbmByteSource* source, const WicHeader& first,
                           NetpbmStreamSkipper skipper, uint32_t limit);

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
// A 16-bit sample stored in WIC's order, low byte first.
inline void StoreWideSample(uint8_t* at, uint32_t sample) {
  at[0] = static_cast<uint8_t>(sample);
  at[1] = static_cast<uint8_t>(sample >> 8);
}
// count raw samples of two bytes, most significant first as the file has
// them, scaled and turned into WIC's order in place.
void FinishRawWideSamples(uint8_t* samples, size_t count, uint32_t maxval);

// The raster of a raw image (P4, P5, P6) from source into image's zeroed
// pixels, a chunk of rows per read. Rows or bytes the file does not hold are
// left as the readers leave them: zero samples, white for PBM.
void ReadRawWicRaster(NetpbmByteSource* source, const WicHeader& header, const WicImage& image);
// The same for a plain image (P1, P2, P3) from a buffered source; PBM_OK, or
// PBM_E_NO_MEMORY when PBM's scratch row cannot be made (pixels then left
// partly written, for the caller to free).
ResultCode ReadPlainWicRaster(NetpbmByteSource* source, const WicHeader& header,
                              const WicImage& image);

}  // namespace quentarpbm

#endif  // QUENTARPBM_WIC_WIC_DECODE_H
