// Where the Netpbm readers take bytes from: the stream itself, or through a private buffer.
#ifndef QUENTARPBM_NETPBM_NETPBM_BYTE_SOURCE_H
#define QUENTARPBM_NETPBM_NETPBM_BYTE_SOURCE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

namespace quentarpbm {

// Where a byte source without a FILE* takes its bytes from (a COM stream,
// memory): read fills up to count bytes at destination and returns how many
// it gave (never more than count), 0 only at the end of the data or on a read
// error. It may give fewer than count before the end: the source then asks
// again.
struct NetpbmStreamReader {
  void* context;
  size_t (*read)(void* context, uint8_t* destination, size_t count);
};

// Where a reader that can go anywhere in the data takes its bytes from:
// readAt fills up to count bytes from offset on (counted from the data's
// first byte) at destination and returns how many it gave (never more than
// count), 0 only at or past the end of the data or on a read error. It may
// give fewer than count before the end. Nothing moves between calls: each
// names its own offset, so readers of one data may interleave.
struct NetpbmOffsetReader {
  void* context;
  size_t (*readAt)(void* context, uint64_t offset, uint8_t* destination, size_t count);
};

// An offset reader read forward from offset on: each read through
// CursorStreamReader moves offset past the bytes it gave.
struct NetpbmReadCursor {
  NetpbmOffsetReader reader;
  uint64_t offset;
};

// A stream reader over cursor, which must outlive it.
NetpbmStreamReader CursorStreamReader(NetpbmReadCursor* cursor);

// Bytes between next and end were read from the stream ahead of the reader;
// the stream's own position is past them until ReleaseByteSource. Without a
// buffer (capacity 0) every byte comes straight from the stream. A source
// without a stream (null) takes its bytes from reader instead.
struct NetpbmByteSource {
  FILE* stream;
  NetpbmStreamReader reader;
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
// Reads from reader, through buffer (capacity bytes) if there is one, else a
// call of reader per byte; block reads go straight to their destination
// either way. The data is read once, forward: nothing is handed back.
NetpbmByteSource ReaderByteSource(NetpbmStreamReader reader, uint8_t* buffer, size_t capacity);
// The buffer plain text is read through: 32 KB to 256 KB, the power of two
// that holds one byte for each sample of the raster (a compact PBM pixel, or
// a digit, is the least text a sample takes), so that a large raster takes
// few reads, and a small one no more memory than it needs.
size_t TextBufferBytes(int32_t columns, int32_t rows, int32_t samplesPerPixel);
// Seeks the stream back to just after the last byte the reader took, unless
// the reader met the end. Only needed for a buffered source over a stream.
void ReleaseByteSource(NetpbmByteSource* source);

// Refills an empty buffer (or, unbuffered, reads one byte) and returns the
// next byte, or EOF.
int RefillByteSource(NetpbmByteSource* source);
// Up to count bytes into destination, the buffered ones first and the rest by
// one fread (or reads of the reader until it gives them or ends); returns
// how many, fewer only at the end of the stream.
size_t ReadSourceBytes(NetpbmByteSource* source, uint8_t* destination, size_t count);

// The offset of the next byte a source over cursor's stream reader gives:
// what the cursor has read, less what the source holds unread.
inline uint64_t CursorSourceOffset(const NetpbmByteSource& source, const NetpbmReadCursor& cursor) {
  return cursor.offset - static_cast<uint64_t>(source.end - source.next);
}

// One byte 0..255, or EOF, exactly as getc on the stream would give it.
inline int NextSourceByte(NetpbmByteSource* source) {
  if (source->next != source->end) return *source->next++;
  return RefillByteSource(source);
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_NETPBM_BYTE_SOURCE_H
