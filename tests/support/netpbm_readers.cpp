// The three Netpbm readers picked by a table's column, dispatched in one place for every test.
#include "support/netpbm_readers.h"

namespace quentarpbm::testing {

int32_t BytesPerPixel(Reader reader) { return reader == Reader::kPpm ? 3 : 1; }

ResultCode ReadHeaderWith(Reader reader, FILE* stream, int32_t* width, int32_t* height,
                          int32_t* maxval, int32_t* magic) {
  switch (reader) {
    case Reader::kPbm:
      return ReadPbmHeader(stream, width, height, magic);
    case Reader::kPgm:
      return ReadPgmHeader(stream, width, height, maxval, magic);
    case Reader::kPpm:
      return ReadPpmHeader(stream, width, height, maxval, magic);
  }
  return PBM_E_ARGUMENT;
}

ResultCode ReadRowWith(Reader reader, FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte,
                       int32_t magic) {
  switch (reader) {
    case Reader::kPbm:
      return ReadPbmRow(stream, row, count, magic);
    case Reader::kPgm:
      return ReadPgmRow(stream, row, count, maxvalByte, magic);
    case Reader::kPpm:
      return ReadPpmRow(stream, row, count, maxvalByte, magic);
  }
  return PBM_E_ARGUMENT;
}

RowStore ReadImageWith(Reader reader, FILE* stream, int32_t* width, int32_t* height,
                       int32_t* maxval, ResultCode* status, PBMProgressCallback progress,
                       uint32_t userValue) {
  switch (reader) {
    case Reader::kPbm:
      return ReadPbmImage(stream, width, height, status, progress, userValue);
    case Reader::kPgm:
      return ReadPgmImage(stream, width, height, maxval, status, progress, userValue);
    case Reader::kPpm:
      return ReadPpmImage(stream, width, height, maxval, status, progress, userValue);
  }
  return nullptr;
}

}  // namespace quentarpbm::testing
