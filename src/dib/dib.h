// DIB output: the header block, the grey palette and the pixel file.
#ifndef QUENTARPBM_DIB_DIB_H
#define QUENTARPBM_DIB_DIB_H

#include <stdint.h>

#include "common/result_code.h"
#include "platform/win32_api.h"

namespace quentarpbm {

// Makes the moveable, zero-filled DIB header block: a 40-byte
// BITMAPINFOHEADER (biSizeImage = height × stride, 32-bit wrapping) and its
// colour table. Only the low 16 bits of bitCount count. With a palette (which
// stays the caller's) the table holds its entries and biClrUsed their number;
// without one the table is sized by the bit count and left zero.
// PBM_E_ARGUMENT, *header untouched and nothing allocated: a bit count other
// than 1, 4, 8 or 24, or a palette of more than 16383 entries.
// PBM_E_PALETTE, *header null: the palette's size cannot be read, or it
// delivers none of its entries. PBM_E_NO_MEMORY or PBM_E_LOCK: *header null.
// PBM_OK: *header holds the unlocked block, owned by the caller.
ResultCode CreateDibHeader(HGLOBAL* header, int32_t width, int32_t height, uint32_t bitCount,
                           HPALETTE palette, int32_t xPelsPerMeter, int32_t yPelsPerMeter);

// height x stride, stride = ((width x bitCount + 31) / 32) x 4 bytes, in the
// 32-bit arithmetic that wraps as the header's biSizeImage field does.
DWORD DibImageSizeWrapping(int32_t width, int32_t height, uint32_t bitCount);
// The same stride and image size into *stride and *imageSize, or false when a
// size is negative or any step overflows a signed 32-bit integer: such a DIB
// cannot be described by its header, and rows written from wrapped sizes
// would miss the pixel file.
bool DibGeometryFits(int32_t width, int32_t height, uint32_t bitCount, int32_t* stride,
                     int32_t* imageSize);

// Colour-table entries that a DIB header in memory implies: a
// BITMAPCOREHEADER when its size field is 12 (entries by bit count), else a
// BITMAPINFOHEADER (biClrUsed when non-zero, else by bit count).
uint16_t DibColourCount(const void* dibHeader);
// The colour table's size in bytes (3 per core entry, 4 per info entry),
// computed in 16 bits.
uint16_t DibColourTableSize(const void* dibHeader);

// The 256-entry grey logical palette, entry i = (i, i, i), flags 0; null on
// failure. The caller deletes it with DeleteObject.
HPALETTE CreateGreyPalette();

// Names a new, empty temporary file "tp..." in the temporary directory and
// writes its path into nameBuffer (room for MAX_PATH chars). PBM_E_TEMP_PATH,
// buffer untouched: no temporary directory, or one whose path is longer than
// MAX_PATH. PBM_E_TEMP_NAME: no file could be named, or the directory is
// longer than MAX_PATH - 14 characters (then nothing is asked, the buffer
// is untouched and no file is made).
ResultCode MakeTempPixelFileName(char* nameBuffer);

// Makes the named pixel file and a read/write mapping of byteCount bytes over
// it; on PBM_OK the mapping in *mapping is the only open handle on the file,
// and both belong to the caller. PBM_E_TEMP_PATH / PBM_E_TEMP_NAME: as
// MakeTempPixelFileName, *mapping untouched. PBM_E_OPEN: *mapping untouched,
// the empty named file is left for the caller to delete. PBM_E_MAPPING
// (byteCount 0 among the causes): *mapping null, the file deleted.
ResultCode CreatePixelFile(uint32_t byteCount, HANDLE* mapping, char* nameBuffer);

}  // namespace quentarpbm

#endif  // QUENTARPBM_DIB_DIB_H
