// Byte reads without the per-call stream lock: each stream is private to one call.
#ifndef QUENTARPBM_PLATFORM_STREAM_READ_H
#define QUENTARPBM_PLATFORM_STREAM_READ_H

#include <stdio.h>

namespace quentarpbm {

// One byte 0..255, or EOF at end of file or on a read error, exactly as getc
// gives it but without taking the stream's lock: the caller must be the only
// user of the stream while it reads.
inline int ReadStreamByte(FILE* stream) {
#if defined(_WIN32)
  return _getc_nolock(stream);
#else
  return getc_unlocked(stream);  // NOLINT(concurrency-mt-unsafe): the caller's own stream
#endif
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_PLATFORM_STREAM_READ_H
