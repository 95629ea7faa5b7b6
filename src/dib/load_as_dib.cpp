// The three Netpbm-to-DIB converters and the one sequence they share.
#include <string.h>

#include "dib/converters.h"
#include "dib/dib.h"
#include "netpbm/netpbm.h"
#include "platform/view_writing.h"

namespace quentarpbm {

namespace {

enum class ColourTable {
  kWhiteBlack,  // PBM: index 0 white, index 1 black, the rest left zero
  kGrey,        // PGM: entry i is (i, i, i), copied from the grey palette
  kNone,        // PPM: 24-bit pixels need no table
};

struct DibFormat {
  NetpbmTarget target;
  uint32_t bitCount;
  int32_t bytesPerPixel;
  ColourTable colourTable;
};

// The file's maxval plays no part in the DIB.
constexpr DibFormat kPbmFormat = {NetpbmTarget::kPbm, 8, 1, ColourTable::kWhiteBlack};
constexpr DibFormat kPgmFormat = {NetpbmTarget::kPgm, 8, 1, ColourTable::kGrey};
constexpr DibFormat kPpmFormat = {NetpbmTarget::kPpm, 24, 3, ColourTable::kNone};

// PBM's two colours go into the table CreateDibHeader left zero.
ResultCode WriteWhiteBlackTable(HGLOBAL dibHeader) {
  uint8_t* block = static_cast<uint8_t*>(GlobalLock(dibHeader));
  if (block == nullptr) return PBM_E_LOCK;
  const RGBQUAD whiteThenBlack[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
  memcpy(block + sizeof(BITMAPINFOHEADER), whiteThenBlack, sizeof whiteThenBlack);
  GlobalUnlock(dibHeader);
  return PBM_OK;
}

// Reads the whole image, then builds the header block and the pixel file and
// copies the rows in bottom-up. A failure after the read is thrown as a bare
// code and caught below, where everything made so far is released in one
// fixed order: rows, view, mapping, header block, then the pixel file (last,
// since the file cannot go while a mapping holds it).
ResultCode LoadNetpbmAsDib(const DibFormat& format, FILE* stream, char* pixelFileName,
                           HANDLE* pixelMapping, HGLOBAL* dibHeader, PBMProgressCallback progress,
                           uint32_t userValue) {
  *dibHeader = nullptr;
  *pixelMapping = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t maxval = 0;
  int32_t clearedFrom = 0;
  ResultCode status = PBM_OK;
  RowStore rows = ReadNetpbmImage(stream, format.target, &width, &height, &maxval, &clearedFrom,
                                  &status, progress, userValue);
  if (rows == nullptr) return status;

  uint8_t* view = nullptr;
  bool pixelFileNamed = false;  // the name buffer holds a file this call made
  try {
    HPALETTE greyPalette = nullptr;
    if (format.colourTable == ColourTable::kGrey) {
      greyPalette = CreateGreyPalette();
      if (greyPalette == nullptr) throw PBM_E_PALETTE;
    }
    // A palette that cannot be read is the palette's failure; whatever else
    // failed inside, no block means memory.
    const ResultCode made =
        CreateDibHeader(dibHeader, width, height, format.bitCount, greyPalette, 0, 0);
    if (greyPalette != nullptr) DeleteObject(greyPalette);
    if (made == PBM_E_PALETTE) throw PBM_E_PALETTE;
    if (*dibHeader == nullptr) throw PBM_E_NO_MEMORY;

    int32_t stride = 0;
    int32_t imageSize = 0;
    if (!DibGeometryFits(width, height, format.bitCount, &stride, &imageSize))
      throw PBM_E_NO_MEMORY;
    const ResultCode created =
        CreatePixelFile(static_cast<uint32_t>(imageSize), pixelMapping, pixelFileName);
    // On PBM_E_MAPPING the file is gone already, and its name may have been
    // handed to another call since: deleting it again could remove that file.
    pixelFileNamed = created == PBM_OK || created == PBM_E_OPEN;
    if (created != PBM_OK) throw ResultCode{created};

    view = static_cast<uint8_t*>(
        MapViewOfFile(*pixelMapping, FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(imageSize)));
    if (view == nullptr) throw PBM_E_VIEW;

    if (format.colourTable == ColourTable::kWhiteBlack) {
      const ResultCode written = WriteWhiteBlackTable(*dibHeader);
      if (written != PBM_OK) throw ResultCode{written};
    }

    // The file's top row becomes the DIB's last; padding bytes stay zero.
    // So do the rows the file did not hold: the fresh pixel file is zero
    // already, so only the rows before them are copied, into the end of the
    // view, and only that part is made ready for writing.
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(format.bytesPerPixel);
    const size_t untouched =
        static_cast<size_t>(height - clearedFrom) * static_cast<size_t>(stride);
    PrepareViewForWriting(view + untouched, static_cast<size_t>(imageSize) - untouched);
    for (int32_t i = 0; i < clearedFrom; ++i) {
      memcpy(view + static_cast<size_t>(height - 1 - i) * static_cast<size_t>(stride), rows[i],
             rowBytes);
    }
    UnmapViewOfFile(view);
    FreeRowStore(rows, height);
    return PBM_OK;
  } catch (ResultCode code) {
    FreeRowStore(rows, height);
    if (view != nullptr) UnmapViewOfFile(view);
    if (*pixelMapping != nullptr) {
      CloseHandle(*pixelMapping);
      *pixelMapping = nullptr;
    }
    if (*dibHeader != nullptr) {
      GlobalFree(*dibHeader);
      *dibHeader = nullptr;
    }
    if (pixelFileNamed) DeleteFileA(pixelFileName);
    return code;
  }
}

}  // namespace

ResultCode LoadPbmAsDib(FILE* stream, char* pixelFileName, HANDLE* pixelMapping, HGLOBAL* dibHeader,
                        PBMProgressCallback progress, uint32_t userValue) {
  return LoadNetpbmAsDib(kPbmFormat, stream, pixelFileName, pixelMapping, dibHeader, progress,
                         userValue);
}

ResultCode LoadPgmAsDib(FILE* stream, char* pixelFileName, HANDLE* pixelMapping, HGLOBAL* dibHeader,
                        PBMProgressCallback progress, uint32_t userValue) {
  return LoadNetpbmAsDib(kPgmFormat, stream, pixelFileName, pixelMapping, dibHeader, progress,
                         userValue);
}

ResultCode LoadPpmAsDib(FILE* stream, char* pixelFileName, HANDLE* pixelMapping, HGLOBAL* dibHeader,
                        PBMProgressCallback progress, uint32_t userValue) {
  return LoadNetpbmAsDib(kPpmFormat, stream, pixelFileName, pixelMapping, dibHeader, progress,
                         userValue);
}

}  // namespace quentarpbm
