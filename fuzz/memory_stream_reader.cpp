// A reader at any offset of bytes in memory.
#include "memory_stream_reader.h"

#include <stdint.h>
#include <string.h>

namespace quentarpbm::fuzz {

namespace {

size_t ReadMemoryAt(void* context, uint64_t offset, uint8_t* destination, size_t count) {
  auto* stream = static_cast<MemoryStream*>(context);
  ++stream->calls;
  if (offset >= stream->bytes.size()) return 0;
  const auto at = static_cast<size_t>(offset);
  size_t given = stream->bytes.size() - at;
  if (count < given) given = count;
  if (stream->bytesPerCall > 0 && stream->bytesPerCall < given) given = stream->bytesPerCall;
  memcpy(destination, stream->bytes.data() + at, given);
  stream->position = at + given;
  stream->given += given;
  if (stream->position > stream->furthest) stream->furthest = stream->position;
  return given;
}

}  // namespace

NetpbmOffsetReader MemoryOffsetReader(MemoryStream* stream) {
  return NetpbmOffsetReader{stream, ReadMemoryAt};
}

}  // namespace quentarpbm::fuzz
