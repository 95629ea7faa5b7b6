// DIB output: the header block, the grey palette and the pixel file.
#ifndef QUENTARPBM_DIB_DIB_H
#define QUENTARPBM_DIB_DIB_H

#include <stdint.h>

#include "common/result_code.h"
#include "platform/win32_api.h"

namespace quentarpbm {

// Makes the moveable, zero-filled DIB header block: a BITMAPINFOHEADER and
// its colour table, copied from palette when one is given (the palette stays
// the caller's). PBM_E_ARGUMENT (*header untouched) for a bit count other
// than 1, 4, 8 or 24, or a palette too large for a colour table;
// PBM_E_NO_MEMORY or PBM_E_LOCK with *header null. On PBM_OK *header holds
// the unlocked block, owned by the caller.
ResultCode CreateDibHeader(HGLOBAL* header, int32_t width, int32_t height, uint32_t bitCount,
                           HPALETTE palette, int32_t xPelsPerMeter, int32_t yPelsPerMeter);

// Colour-table entries and bytes that a DIB header in memory implies
// (BITMAPCOREHEADER when its size field is 12, else BITMAPINFOHEADER).
uint16_t DibColourCount(const void* dibHeader);
uint16_t DibColourTableSize(const void* dibHeader);

// The 256-entry grey logical palette, entry i = (i, i, i); null on failure.
// The caller deletes it with DeleteObject.
HPALETTE CreateGreyPalette();

// Names a new, empty temporary file "tp..." in the temporary directory into
// nameBuffer (MAX_PATH chars). PBM_E_TEMP_PATH, buffer untouched;
// PBM_E_TEMP_NAME.
ResultCode MakeTempPixelFileName(char* nameBuffer);

// Creates the pixel file of byteCount bytes and the mapping over it, which
// becomes the only open handle on the file. See the failure table in
// pixel_file.cpp for what each code leaves behind.
ResultCode CreatePixelFile(uint32_t byteCount, HANDLE* mapping, char* nameBuffer);

}  // namespace quentarpbm

#endif  // QUENTARPBM_DIB_DIB_H
