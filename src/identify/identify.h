// Format identification: tells a file's format from its first 24 bytes and its name.
#ifndef QUENTARPBM_IDENTIFY_IDENTIFY_H
#define QUENTARPBM_IDENTIFY_IDENTIFY_H

#include <stddef.h>
#include <stdint.h>

#include "common/result_code.h"

namespace quentarpbm {

// Every code IdentifyImageFile produces; 102, 103, 111, 115, 116 and 124 lie
// in the range but are never produced.
enum FormatCode : int32_t {
  kFormatUnknown = 101,
  kFormatClipboardNamed = 104,
  kFormatClipboard = 105,
  kFormatPlaceableMetafileNamed = 106,
  kFormatPlaceableMetafile = 107,
  kFormatMetafileNamed = 108,  // plain metafile: the name must say ".WMF"/".wmf"
  kFormatBitmap = 109,
  kFormatBitmapNamed = 110,  // the one pair whose named code is the higher one
  kFormatGif = 112,
  kFormatIconNamed = 113,
  kFormatIcon = 114,
  kFormatCursorNamed = 117,
  kFormatCursor = 118,
  kFormatCgcImapp = 119,
  kFormatPcxNamed = 120,
  kFormatPcx = 121,
  kFormatTiffNamed = 122,
  kFormatTiff = 123,
  kFormatJpeg = 125,
  kFormatFif = 126,
  kFormatPbm = 127,
  kFormatPgm = 128,
  kFormatPpm = 129,
};

// How many leading bytes the signature tests look at.
constexpr size_t kSignatureBytes = 24;

// Reads up to 24 leading bytes of fileName (missing bytes count as zero) and
// writes the format they and the name select to *formatCode.
// Returns PBM_OK when a test decided; PBM_E_UNSUPPORTED with kFormatUnknown
// when none did; PBM_E_OPEN with kFormatUnknown when the file cannot be
// opened; PBM_E_ARGUMENT, *formatCode untouched, when a pointer is null.
ResultCode IdentifyImageFile(const char* fileName, int32_t* formatCode);

// The format that the kSignatureBytes bytes at signature (missing bytes given
// as zero) and the name select, kFormatUnknown when no test decides; the rule
// IdentifyImageFile applies to a file's first bytes. The WIC codec asks it of
// a stream's first bytes, with "" as the name.
int32_t ClassifySignature(const uint8_t* signature, const char* fileName);

// 1 when the little-endian word at offset 20 of a placeable metafile header
// equals PlaceableHeaderChecksum of it, 0 when not, PBM_E_ARGUMENT for null.
int32_t PlaceableHeaderChecksumOk(const uint8_t* header);

// XOR of the ten little-endian 16-bit words at offsets 0 to 18; header must
// hold at least 20 bytes.
uint16_t PlaceableHeaderChecksum(const uint8_t* header);

}  // namespace quentarpbm

#endif  // QUENTARPBM_IDENTIFY_IDENTIFY_H
