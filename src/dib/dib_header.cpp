// CreateDibHeader: the global block holding a BITMAPINFOHEADER and its colour table.
#include <stdlib.h>
#include <string.h>

#include "dib/dib.h"

namespace quentarpbm {
namespace {

static_assert(sizeof(BITMAPINFOHEADER) == 40, "the DIB header block starts with 40 bytes");
static_assert(sizeof(RGBQUAD) == 4 && sizeof(PALETTEENTRY) == 4, "colour entries are 4 bytes");

// The colour-table size is a 16-bit byte count: 4 × 16383 = 65532 is the
// largest table it can describe.
constexpr WORD kMaxPaletteEntries = 16383;

bool IsDibBitCount(WORD bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24;
}

// Fills the colour table from the palette's first `count` entries. Entries
// the palette does not deliver stay zero (the scratch copy starts cleared),
// but a palette that delivers none would give a table of zeros that looks
// like a real one: that is PBM_E_PALETTE. PBM_E_NO_MEMORY when the scratch
// copy cannot be allocated.
ResultCode CopyPaletteToColourTable(HPALETTE palette, WORD count, RGBQUAD* table) {
  auto* entries = static_cast<PALETTEENTRY*>(calloc(count, sizeof(PALETTEENTRY)));
  if (entries == nullptr) return PBM_E_NO_MEMORY;
  if (GetPaletteEntries(palette, 0, count, entries) == 0) {
    free(entries);
    return PBM_E_PALETTE;
  }
  for (WORD i = 0; i < count; ++i) {
    table[i].rgbBlue = entries[i].peBlue;
    table[i].rgbGreen = entries[i].peGreen;
    table[i].rgbRed = entries[i].peRed;
    table[i].rgbReserved = entries[i].peFlags;
  }
  free(entries);
  return PBM_OK;
}

// Releases a block that could not be completed; the caller sees null.
void DiscardDibHeader(HGLOBAL* header) {
  GlobalFree(*header);
  *header = nullptr;
}

}  // namespace

ResultCode CreateDibHeader(HGLOBAL* header, int32_t width, int32_t height, uint32_t bitCount,
                           HPALETTE palette, int32_t xPelsPerMeter, int32_t yPelsPerMeter) {
  // Only the low 16 bits count: 65544 is taken as 8.
  const auto bits = static_cast<WORD>(bitCount);
  if (!IsDibBitCount(bits)) return PBM_E_ARGUMENT;

  // A palette whose size cannot be read gives no block: a table sized by the
  // bit count and left zero would turn a grey image black and call it done.
  WORD paletteEntries = 0;
  if (palette != nullptr) {
    const int stored =
        GetObjectA(palette, static_cast<int>(sizeof paletteEntries), &paletteEntries);
    if (stored != static_cast<int>(sizeof paletteEntries)) {
      *header = nullptr;
      return PBM_E_PALETTE;
    }
  }
  if (paletteEntries > kMaxPaletteEntries) return PBM_E_ARGUMENT;

  BITMAPINFOHEADER info;
  memset(&info, 0, sizeof info);
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = bits;
  info.biCompression = BI_RGB;
  // Wraps like the 32-bit fields of the format; the converters refuse sizes
  // that do not fit before they get here.
  info.biSizeImage = DibImageSizeWrapping(width, height, bits);
  info.biXPelsPerMeter = xPelsPerMeter;
  info.biYPelsPerMeter = yPelsPerMeter;
  info.biClrUsed = paletteEntries;

  // Stored at once, so every later failure can leave null behind.
  *header = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof info + DibColourTableSize(&info));
  if (*header == nullptr) return PBM_E_NO_MEMORY;
  auto* block = static_cast<unsigned char*>(GlobalLock(*header));
  if (block == nullptr) {
    DiscardDibHeader(header);
    return PBM_E_LOCK;
  }
  memcpy(block, &info, sizeof info);

  // With at most kMaxPaletteEntries entries, biClrUsed is exactly the number
  // of entries the block holds, so the table is never written past its end.
  if (paletteEntries != 0) {
    auto* table = reinterpret_cast<RGBQUAD*>(block + info.biSize);
    const ResultCode copied = CopyPaletteToColourTable(palette, paletteEntries, table);
    if (copied != PBM_OK) {
      GlobalUnlock(*header);
      DiscardDibHeader(header);
      return copied;
    }
  }
  GlobalUnlock(*header);
  return PBM_OK;
}

}  // namespace quentarpbm
