// The WIC codec's decoding core: a Netpbm byte stream to one image in WIC's pixel layout.
#ifndef QUENTARPBM_WIC_WIC_IMAGE_H
#define QUENTARPBM_WIC_WIC_IMAGE_H

#include <stddef.h>
#include <stdint.h>

#include "common/result_code.h"
#include "netpbm/netpbm.h"

namespace quentarpbm {

// The pixel formats the codec gives, each WIC's format of the same name.
// Unlike PBMOpen's DIBs, samples are as a viewer shows them: PBM's 1 (black)
// becomes WIC's 0, and samples are scaled from 0..maxval to the format's range.
enum class WicPixelLayout : int32_t {
  kBlackWhite,  // PBM: 1 bit a pixel, most significant bit first, 0 black
  kGray8,       // PGM, maxval up to 255
  kBgr24,       // PPM, maxval up to 255: blue, green, red
  kGray16,      // PGM, maxval 256..65535: 16-bit samples in the machine's order
  kRgb48,       // PPM, maxval 256..65535: red, green, blue, 16 bits each
};
inline constexpr size_t kWicLayoutCount = 5;

// What a layout is, written for each in one table (wic_layouts.cpp).
struct WicLayoutTraits {
  int32_t format;           // the Netpbm format it shows: 1 PBM, 2 PGM, 3 PPM
  bool wideSamples;         // 16 bits a sample, for maxvals above 255
  int32_t samplesPerPixel;  // 1 for PBM's bit and grey, 3 for colour
  int32_t bitsPerPixel;
};
const WicLayoutTraits& TraitsOfLayout(WicPixelLayout layout);
// The layout that shows an image of magic and maxval (1..65535).
WicPixelLayout LayoutOfImage(int32_t magic, int32_t maxval);

// One decoded image: height rows of stride bytes, top row first, each row
// packed (PBM's last byte padded with white bits). Owned by whoever received
// it from DecodeNetpbmForWic; release with FreeWicImage.
struct WicImage {
  int32_t width;
  int32_t height;
  WicPixelLayout layout;
  uint32_t stride;
  uint8_t* pixels;
};

// Reads the whole of a P1..P6 image from reader into *image, reading the
// data once and strictly forward. PBM_OK: *image filled, the caller owns its
// pixels; a raster cut short keeps what the file holds, the rest as the row
// readers leave it. Otherwise *image untouched and:
//   PBM_E_UNSUPPORTED  the data does not start with a Netpbm magic;
//   PBM_E_READ         the header is cut short or malformed, or a size is 0;
//   PBM_E_MAXVAL       maxval is 0 or above 65535;
//   PBM_E_NO_MEMORY    the image does not fit in memory or address space.
ResultCode DecodeNetpbmForWic(NetpbmStreamReader reader, WicImage* image);

// Releases the pixels of an image DecodeNetpbmForWic filled; null pixels are ignored.
void FreeWicImage(WicImage* image);

// Bytes per row of width pixels in layout, 0 if that does not fit 32 bits.
uint32_t WicRowBytes(WicPixelLayout layout, int32_t width);

}  // namespace quentarpbm

#endif  // QUENTARPBM_WIC_WIC_IMAGE_H
