// The WIC codec's decoding core: Netpbm images in WIC's pixel layouts, read when they are asked
// for from data that can be read at any offset.
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
  kGray8,       // PGM, maxval up to 255; also PBM scaled or asked for in grey
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

// Bytes per row of width pixels in layout, 0 if that does not fit 32 bits.
uint32_t WicRowBytes(WicPixelLayout layout, int32_t width);

// Codes of the codec's own beside the library's PBM_* ones, for what only a
// WIC call meets; the COM shell gives each its HRESULT in one place.
inline constexpr ResultCode kWicStopped = -100;            // the host's progress callback said stop
inline constexpr ResultCode kWicUnsupportedFormat = -101;  // a pixel format the frame cannot give
inline constexpr ResultCode kWicUnsupportedTransform =
    -102;                                               // a flip or turn the frame does not do
inline constexpr ResultCode kWicBufferTooSmall = -103;  // the buffer cannot hold the rows asked

// What a header says, and the layout the image takes from it.
struct WicHeader {
  int32_t magic;  // a NetpbmMagic
  int32_t width;
  int32_t height;
  int32_t maxval;  // 1 for PBM, which has none
  WicPixelLayout layout;
};

// Where a plain raster's rows start, learned as they are read, so that a
// rectangle anywhere is read again from the nearest row known: an entry
// every rowsPerEntry rows (256 or more, at most kWicMostIndexEntries); where
// the last read stopped, from where the next band goes on; and the text it
// read last (up to 256 KB), from which the next band reads on without
// reading a byte twice. Each read takes the text buffer and the scratch
// piece of a row for its own while it runs (null meanwhile).
inline constexpr uint32_t kWicMostIndexEntries = 4096;
struct WicRowIndex {
  uint64_t* offsets;  // entry k: where row k * rowsPerEntry starts, 0 while unknown
  uint32_t entries;
  int32_t rowsPerEntry;
  int32_t resumeRow;  // the row after the last one read, and where it starts (0: none)
  uint64_t resumeOffset;
  uint8_t* text;
  uint64_t textOffset;  // where text's first byte lies in the data
  size_t textBytes;     // how many of its bytes hold text
  uint8_t* scratch;
};

// One image of the data: its header, where its raster lies, and what reading
// it has learned. Owned by whoever opened it; CloseWicFrame releases it. Not
// for two threads at once.
struct WicFrame {
  WicHeader header;
  uint32_t stride;  // bytes of a packed row in WIC's layout, also a raw row's bytes in the file
  uint64_t offset;  // where the header starts
  uint64_t rasterOffset;
  // Where the image's data ends and another may follow: known on opening for
  // raw rasters, once the last row has been read for plain ones; 0 before.
  uint64_t endOffset;
  uint64_t dataEnd;  // raw rasters: where the data ends, once a read met it; UINT64_MAX before
  WicRowIndex rows;  // plain rasters only
};

// Reads the header at offset of reader's data, a read per byte so that no
// raster byte is read, into *frame. PBM_OK; otherwise *frame untouched and:
//   PBM_E_UNSUPPORTED  the data does not start with a Netpbm magic there;
//   PBM_E_READ         the header is cut short or malformed, or a size is 0;
//   PBM_E_MAXVAL       maxval is 0 or above 65535;
//   PBM_E_NO_MEMORY    a row of the image does not fit WIC's 32-bit strides.
ResultCode OpenWicFrame(NetpbmOffsetReader reader, uint64_t offset, WicFrame* frame);
// Releases what reading the frame has learned; the frame may not be read again.
void CloseWicFrame(WicFrame* frame);

// The image after frame's, opened into *next: after frame's raster (a plain
// one is read to its end, learning its rows) and whitespace, a whole header
// that OpenWicFrame takes. PBM_OK; PBM_E_READ, *next untouched, when the data
// ends first or holds anything else; PBM_E_NO_MEMORY when a plain raster's
// reading memory cannot be had.
ResultCode FindNextNetpbmImage(NetpbmOffsetReader reader, WicFrame* frame, WicFrame* next);
// How many images the data holds one after another from offset 0, at most
// limit: 0 when the first does not open. With headersOnly no raster byte is
// read: the count stops at the first plain image, whose end only reading its
// text would tell (a raw raster's end its header gives).
uint32_t CountNetpbmImages(NetpbmOffsetReader reader, uint32_t limit, bool headersOnly);

// A rectangle of pixels, left and top column and row first.
struct WicRect {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};

// The flips and quarter turns (clockwise) CopyWicFramePixels applies.
enum class WicTransform : int32_t {
  kNone,
  kRotate90,
  kRotate180,
  kRotate270,
  kFlipHorizontal,
  kFlipVertical,
};
// The transform WIC's options ask for (the turn in bits 0-1, 8 a horizontal
// flip, 16 a vertical one): false for other bits, and for a quarter turn
// with one flip, which WIC's own flip rotator has to do (its order decides).
bool TransformOfWicOptions(uint32_t options, WicTransform* transform);

// The host's progress while rows are read: report(context, done, total) is
// called with done 0 once a copy's arguments are taken, then each time
// everyBytes of rows (or more) are done since the last call, never for the
// last rows; false from it stops the copy (kWicStopped).
struct WicProgress {
  bool (*report)(void* context, uint64_t done, uint64_t total);
  void* context;
  uint64_t everyBytes;
  uint64_t total;  // rows the copy reads; set by CopyWicFramePixels
  uint64_t done;
  uint64_t pending;  // bytes done since the last report
};

// What a copy asks for: rect (null: all) of the frame scaled to width x
// height, in layout, turned or flipped, into buffer (bufferSize bytes) at
// stride. As WIC orders them: scale, then the rectangle (in the scaled
// image's coordinates), then the transform; stride is the transformed rows'.
struct WicCopyRequest {
  const WicRect* rect;
  uint32_t width;
  uint32_t height;
  WicPixelLayout layout;
  WicTransform transform;
  uint32_t stride;
  uint32_t bufferSize;
  uint8_t* buffer;
};

// The sizes CopyWicFramePixels scales to: width and height each brought
// into 1..the frame's, and the width no narrower than 1/65536 of the
// frame's. Images of more than 2^47 pixels are not scaled: their own size.
void ClosestWicSize(const WicFrame& frame, uint32_t* width, uint32_t* height);
// The layout CopyWicFramePixels gives closest to wanted (null: none of
// ours): the frame's own, or for PBM grey unless BlackWhite is wanted
// (unless the image is too large to scale, above).
WicPixelLayout ClosestWicLayout(const WicFrame& frame, const WicPixelLayout* wanted);

// Copies what request asks into its buffer, decoding just the rows it
// covers: each pixel of a scaled copy is the mean of the source pixels it
// covers, weighted by the area of each it covers, rounded half up. Refused,
// with nothing written: PBM_E_ARGUMENT for a null buffer, a size
// ClosestWicSize would not give, a rectangle empty or outside the scaled
// image, a stride shorter than a row; kWicUnsupportedFormat for a layout
// ClosestWicLayout would not give, or BlackWhite scaled; kWicBufferTooSmall
// when the rows at that stride do not fit bufferSize (the last row need not
// be whole). Then PBM_OK, PBM_E_NO_MEMORY when reading memory cannot be had,
// or kWicStopped when progress said stop (rows partly written). In
// BlackWhite a row's bits past its width are the source's next pixels
// (white past the image) unturned and unflipped, white otherwise.
ResultCode CopyWicFramePixels(NetpbmOffsetReader reader, WicFrame* frame,
                              const WicCopyRequest& request, WicProgress* progress);

// One decoded image: height rows of stride bytes, top row first, each row
// packed (PBM's last byte padded with white bits). Owned by whoever received
// it from DecodeWicFrame or DecodeNetpbmForWic; release with FreeWicImage.
struct WicImage {
  int32_t width;
  int32_t height;
  WicPixelLayout layout;
  uint32_t stride;
  uint8_t* pixels;
};

// The whole of frame into *image, PBM_OK; PBM_E_NO_MEMORY, *image untouched
// and nothing allocated, when the image exceeds INT32_MAX bytes or memory
// runs out. A raster cut short keeps what the data holds, the rest as the
// row readers leave it: zero samples, white PBM pixels.
ResultCode DecodeWicFrame(NetpbmOffsetReader reader, WicFrame* frame, WicImage* image);
// The first image of reader's data as DecodeWicFrame gives it; OpenWicFrame's
// codes when its header does not open (*image untouched).
ResultCode DecodeNetpbmForWic(NetpbmOffsetReader reader, WicImage* image);

// Releases the pixels of an image a decode filled; null pixels are ignored.
void FreeWicImage(WicImage* image);

}  // namespace quentarpbm

#endif  // QUENTARPBM_WIC_WIC_IMAGE_H
