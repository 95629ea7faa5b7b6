// A reader at any offset of bytes in memory, giving them a few at a time if asked to.
#ifndef QUENTARPBM_FUZZ_MEMORY_STREAM_READER_H
#define QUENTARPBM_FUZZ_MEMORY_STREAM_READER_H

#include <stddef.h>

#include <string>

#include "netpbm/netpbm.h"

namespace quentarpbm::fuzz {

// The bytes and how they have been read. Each read gives at most
// bytesPerCall (0: all it is asked for), as a stream that delivers in pieces.
struct MemoryStream {
  std::string bytes;
  size_t bytesPerCall = 0;
  size_t position = 0;
  int calls = 0;
  size_t given = 0;     // bytes all reads gave
  size_t furthest = 0;  // past the last byte any read gave
};

// A reader at any offset of stream's bytes, which must outlive it; each read
// leaves position past what it gave.
NetpbmOffsetReader MemoryOffsetReader(MemoryStream* stream);

}  // namespace quentarpbm::fuzz

#endif  // QUENTARPBM_FUZZ_MEMORY_STREAM_READER_H
