// Byte sources for the Netpbm readers: refills, block reads and the hand-back of bytes read ahead.
#include "netpbm/fast/netpbm_byte_source.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "platform/stream_read.h"

namespace quentarpbm {

namespace {

bool StreamHasEnded(FILE* stream) { return feof(stream) != 0 || ferror(stream) != 0; }

}  // namespace

NetpbmByteSource StreamByteSource(FILE* stream) {
  return NetpbmByteSource{stream, nullptr, 0, nullptr, nullptr, StreamHasEnded(stream)};
}

NetpbmByteSource BufferedByteSource(FILE* stream, uint8_t* buffer, size_t capacity) {
  NetpbmByteSource source = StreamByteSource(stream);
  // A stream that cannot tell its position (a pipe) cannot be seeked back
  // either; it is read byte by byte.
  if (ftell(stream) < 0) return source;
  source.buffer = buffer;
  source.capacity = capacity;
  source.next = buffer;
  source.end = buffer;
  return source;
}

void ReleaseByteSource(NetpbmByteSource* source) {
  // Once the reader has met the end with nothing left unread, the stream's
  // end-of-file flag is already where byte reads would have put it.
  if (source->capacity == 0 || (source->ended && source->next == source->end)) return;
  // Also with nothing left over: the seek clears an end-of-file flag that a
  // refill met but the reader did not.
  const long unread = static_cast<long>(source->end - source->next);
  // Those bytes were just read from this disk file: seeking back over them
  // cannot fail.
  (void)fseek(source->stream, -unread, SEEK_CUR);
  source->next = source->end;
}

int RefillByteSource(NetpbmByteSource* source) {
  if (source->capacity == 0) {
    const int byte = ReadStreamByte(source->stream);
    if (byte == EOF) source->ended = true;
    return byte;
  }
  const size_t got = fread(source->buffer, 1, source->capacity, source->stream);
  source->next = source->buffer;
  source->end = source->buffer + got;
  if (got == 0) {
    source->ended = true;
    return EOF;
  }
  return *source->next++;
}

size_t ReadSourceBytes(NetpbmByteSource* source, uint8_t* destination, size_t count) {
  const size_t buffered = static_cast<size_t>(source->end - source->next);
  const size_t first = buffered < count ? buffered : count;
  if (first > 0) memcpy(destination, source->next, first);
  source->next += first;
  if (first == count) return count;
  const size_t got = fread(destination + first, 1, count - first, source->stream);
  if (got < count - first) source->ended = true;
  return first + got;
}

}  // namespace quentarpbm
