// A NetpbmStreamReader over bytes in memory.
#include "memory_stream_reader.h"

#include <stdint.h>
#include <string.h>

namespace quentarpbm::fuzz {

namespace {

size_t ReadMemory(void* context, uint8_t* destination, size_t count) {
  auto* stream = static_cast<MemoryStream*>(context);
  ++stream->calls;
  size_t given = stream->bytes.size() - stream->position;
  if (count < given) given = count;
  if (stream->bytesPerCall > 0 && stream->bytesPerCall < given) given = stream->bytesPerCall;
  memcpy(destination, stream->bytes.data() + stream->position, given);
  stream->position += given;
  return given;
}

}  // namespace

NetpbmStreamReader MemoryStreamReader(MemoryStream* stream) {
  return NetpbmStreamReader{stream, ReadMemory};
}

}  // namespace quentarpbm::fuzz
