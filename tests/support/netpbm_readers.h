// The three Netpbm readers picked by a table's column, dispatched in one place for every test.
#ifndef QUENTARPBM_TESTS_SUPPORT_NETPBM_READERS_H
#define QUENTARPBM_TESTS_SUPPORT_NETPBM_READERS_H

#include <stdint.h>
#include <stdio.h>

#include "netpbm/netpbm.h"

namespace quentarpbm::testing {

enum class Reader { kPbm, kPgm, kPpm };
// Short names for table rows.
inline constexpr Reader kPbm = Reader::kPbm;
inline constexpr Reader kPgm = Reader::kPgm;
inline constexpr Reader kPpm = Reader::kPpm;

// Bytes a pixel takes in the reader's store: 3 for PPM, else 1.
int32_t BytesPerPixel(Reader reader);

// The reader's header, row and image operations of netpbm.h. PBM has no
// maxval: the header read leaves *maxval alone, the row read ignores
// maxvalByte, and the image read leaves *maxval alone.
ResultCode ReadHeaderWith(Reader reader, FILE* stream, int32_t* width, int32_t* height,
                          int32_t* maxval, int32_t* magic);
ResultCode ReadRowWith(Reader reader, FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte,
                       int32_t magic);
RowStore ReadImageWith(Reader reader, FILE* stream, int32_t* width, int32_t* height,
                       int32_t* maxval, ResultCode* status, PBMProgressCallback progress,
                       uint32_t userValue);

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_NETPBM_READERS_H
