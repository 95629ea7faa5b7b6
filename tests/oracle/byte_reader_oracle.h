// A plain byte-at-a-time Netpbm reader for tests: the behaviour the fast paths must keep.
#ifndef QUENTARPBM_TESTS_ORACLE_BYTE_READER_ORACLE_H
#define QUENTARPBM_TESTS_ORACLE_BYTE_READER_ORACLE_H

#include <stdint.h>
#include <stdio.h>

#include <vector>

#include "common/result_code.h"

namespace quentarpbm::oracle {

// Token readers, one fgetc per byte, written straight from the format rules;
// out-parameters are written exactly when the library's are.
ResultCode ReadChar(FILE* stream, uint8_t* character);
ResultCode ReadInt(FILE* stream, int32_t* value);
ResultCode ReadPlainBit(FILE* stream, uint8_t* bit);
ResultCode ReadRawByte(FILE* stream, uint8_t* byte);
ResultCode ReadMagic(FILE* stream, int32_t* magic);

// Row readers for the targets PBM (bytesPerPixel 1, maxvalByte unused), PGM
// and PPM, with cleared scratch rows for promotion as the library has them.
ResultCode ReadPbmRow(FILE* stream, uint8_t* row, int32_t count, int32_t magic);
ResultCode ReadPgmRow(FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte, int32_t magic);
ResultCode ReadPpmRow(FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte, int32_t magic);

enum class Target { kPbm, kPgm, kPpm };

// A whole image as the image readers give it: header fields, status, the
// cleared store filled row by row (every row attempted, byte by byte, also
// after the end of the stream) and the rows reported to progress.
struct Image {
  ResultCode status = PBM_OK;
  int32_t width = -7;
  int32_t height = -7;
  int32_t maxval = -7;
  std::vector<uint8_t> pixels;  // rows x width x bytes per pixel, empty without a store
  std::vector<int32_t> progressRows;
};
Image ReadImage(FILE* stream, Target target);

// The pixel file a converter makes of image: every row of the store copied
// in, bottom-up, each padded with zeros to 4 bytes.
std::vector<uint8_t> DibPixels(const Image& image, Target target);

}  // namespace quentarpbm::oracle

#endif  // QUENTARPBM_TESTS_ORACLE_BYTE_READER_ORACLE_H
