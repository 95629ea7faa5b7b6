// Runs PBMOpen as a host would and copies out what it handed over.
#ifndef QUENTARPBM_TESTS_SUPPORT_DIB_RESULT_H
#define QUENTARPBM_TESTS_SUPPORT_DIB_RESULT_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "dib/converters.h"
#include "support/little_endian.h"

namespace quentarpbm::testing {

struct DibResult {
  int32_t code = 0;
  bool headerNull = true;         // the header handle after the call
  bool mappingNull = true;        // the mapping handle after the call
  std::string pixelFile;          // the name buffer after the call
  std::vector<uint8_t> header;    // the whole header block, on success
  std::vector<uint8_t> pixels;    // the whole pixel file through the mapping, on success
  bool pixelFileRemoved = false;  // the host could delete it after closing the mapping
  size_t progressCalls = 0;
  // Every call so far gave (its own index, the height of the first call, the
  // user value passed in): a flag, so millions of rows cost no memory here.
  bool progressInOrder = true;
  int32_t progressHeight = 0;  // the rows argument of the first call
};

// Calls PBMOpen on path with a recording progress callback; on success reads
// the block and the mapped pixels, then releases everything as a host must:
// unmap, close the mapping, free the block, delete the pixel file.
DibResult OpenAsHost(const std::string& path);
// The same with converter called on stream in PBMOpen's place.
DibResult ConvertAsHost(Converter converter, FILE* stream);

// What every call must leave, whatever its result: on failure both handles
// null and no pixel file; on success a pixel file the host could delete; and
// in either case no file in tempDirectory, the temporary directory in use.
void ExpectNothingLeft(const DibResult& result, const std::string& tempDirectory);

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_DIB_RESULT_H
