// Byte sources for the Netpbm readers: refills, block reads and the hand-back of bytes read ahead.
#include "netpbm/netpbm_byte_source.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "platform/stream_read.h"

namespace quentarpbm {

namespace {

constexpr size_t kLeastTextBufferBytes = 32768;
constexpr size_t kMostTextBufferBytes = 262144;

bool StreamHasEnded(FILE* stream) { return feof(stream) != 0 || ferror(stream) != 0; }

// Asks the reader until count bytes came or it gives none.
size_t ReadFromReader(const NetpbmStreamReader& reader, uint8_t* destination, size_t count) {
  size_t done = 0;
  while (done < count) {
    const size_t got = reader.read(reader.context, destination + done, count - done);
    if (got == 0) break;
    done += got;
  }
  return done;
}

// RefillByteSource for a reader: one byte, or one read into the buffer,
// which may come back less than full without the data having ended.
int RefillFromReader(NetpbmByteSource* source) {
  uint8_t byte = 0;
  uint8_t* target = source->capacity > 0 ? source->buffer : &byte;
  const size_t wanted = source->capacity > 0 ? source->capacity : 1;
  const size_t got = source->reader.read(source->reader.context, target, wanted);
  if (got == 0) {
    source->ended = true;
    return EOF;
  }
  if (source->capacity == 0) return byte;
  source->next = source->buffer;
  source->end = source->buffer + got;
  return *source->next++;
}

// A cursor's stream reader: reads at the cursor's offset and moves it on.
size_t ReadAtCursor(void* context, uint8_t* destination, size_t count) {
  auto* cursor = static_cast<NetpbmReadCursor*>(context);
  const size_t got =
      cursor->reader.readAt(cursor->reader.context, cursor->offset, destination, count);
  cursor->offset += got;
  return got;
}

}  // namespace

NetpbmStreamReader CursorStreamReader(NetpbmReadCursor* cursor) {
  return NetpbmStreamReader{cursor, ReadAtCursor};
}

NetpbmByteSource StreamByteSource(FILE* stream) {
  NetpbmByteSource source{};
  source.stream = stream;
  source.ended = StreamHasEnded(stream);
  return source;
}

NetpbmByteSource ReaderByteSource(NetpbmStreamReader reader, uint8_t* buffer, size_t capacity) {
  return NetpbmByteSource{nullptr, reader, buffer, capacity, buffer, buffer, false};
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

size_t TextBufferBytes(int32_t columns, int32_t rows, int32_t samplesPerPixel) {
  const auto samples = static_cast<uint64_t>(columns) * static_cast<uint64_t>(rows) *
                       static_cast<uint64_t>(samplesPerPixel);
  size_t bytes = kLeastTextBufferBytes;
  while (bytes < samples && bytes < kMostTextBufferBytes) bytes *= 2;
  return bytes;
}

void ReleaseByteSource(NetpbmByteSource* source) {
  // Once the reader has met the end with nothing left unread, the stream's
  // end-of-file flag is already where byte reads would have put it.
  if (source->capacity == 0 || source->stream == nullptr ||
      (source->ended && source->next == source->end))
    return;
  // Also with nothing left over: the seek clears an end-of-file flag that a
  // refill met but the reader did not.
  const long unread = static_cast<long>(source->end - source->next);
  // Those bytes were just read from this disk file: seeking back over them
  // cannot fail.
  (void)fseek(source->stream, -unread, SEEK_CUR);
  source->next = source->end;
}

int RefillByteSource(NetpbmByteSource* source) {
  if (source->stream == nullptr) return RefillFromReader(source);
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
  const size_t got = source->stream != nullptr
                         ? fread(destination + first, 1, count - first, source->stream)
                         : ReadFromReader(source->reader, destination + first, count - first);
  if (got < count - first) source->ended = true;
  return first + got;
}

}  // namespace quentarpbm
