// Where the Netpbm readers take bytes from: the stream itself, or through a private buffer.
#ifndef QUENTARPBM_NETPBM_FAST_NETPBM_BYTE_SOURCE_H
#define QUENTARPBM_NETPBM_FAST_NETPBM_BYTE_SOURCE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

namespace quentarpbm {

// Where a byte source without a FILE* takes its bytes from (a COM stream,
// memory): read fills up to count bytes at destination and returns how many
// it gave, fewer than count only at the end of the data or on a read error.
struct NetpbmStreamReader {
  void* context;
  size_t (*read)(void* context, uint8_t* destination, size_t count);
};

// Bytes between next and end were read from the stream ahead of the reader;
// the stream's own position is past them until ReleaseByteSource. Without a
// buffer (capacity 0) every byte comes straight from the stream.
struct NetpbmByteSource {
  FILE* stream;
  uint8_t* buffer;
  size_t capacity;
  const uint8_t* next;
  const uint8_t* end;
  // A fetch came up short, as feof or ferror would tell on the stream read
  // byte by byte: the image readers copy rows from there on.
  bool ended;
};

// Reads straight from the stream, one getc per byte.
NetpbmByteSource StreamByteSource(FILE* stream);
// Reads through buffer (capacity bytes) if the stream can be repositioned,
// so that ReleaseByteSource can hand back what was read ahead; otherwise as
// StreamByteSource. The stream must be binary, as "rb" opens it.
NetpbmByteSource BufferedByteSource(FILE* stream, uint8_t* buffer, size_t capacity);
// Seeks the stream back to just after the last byte the reader took, unless
// the reader met the end. Only needed for a buffered source.
void ReleaseByteSource(NetpbmByteSource* source);

// Refills an empty buffer (or, unbuffered, reads one byte) and returns the
// next byte, or EOF.
int RefillByteSource(NetpbmByteSource* source);
// Up to count bytes into destination, the buffered ones first and the rest by
// one fread; returns how many, fewer only at the end of the stream.
size_t ReadSourceBytes(NetpbmByteSource* source, uint8_t* destination, size_t count);

// One byte 0..255, or EOF, exactly as getc on the stream would give it.
inline int NextSourceByte(NetpbmByteSource* source) {
  if (source->next != source->end) return *source->next++;
  return RefillByteSource(source);
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_NETPBM_BYTE_SOURCE_H
