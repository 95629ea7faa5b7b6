// The core's reader and skipper over a COM IStream.
#include <windows.h>

#include "wic/com/wic_com.h"

namespace quentarpbm {

size_t ReadFromComStream(void* context, uint8_t* destination, size_t count) {
  IStream* stream = static_cast<IStream*>(context);
  size_t total = 0;
  while (total < count) {
    const size_t left = count - total;
    const ULONG piece = left > 0x40000000u ? 0x40000000u : static_cast<ULONG>(left);
    ULONG got = 0;
    const HRESULT result = stream->Read(destination + total, piece, &got);
    total += got;
    if (FAILED(result) || got == 0) break;
  }
  return total;
}

// Seek takes a signed distance: a skip past what it can say is refused.
bool SkipInComStream(void* context, uint64_t count) {
  if (count > static_cast<uint64_t>(INT64_MAX)) return false;
  IStream* stream = static_cast<IStream*>(context);
  LARGE_INTEGER distance = {};
  distance.QuadPart = static_cast<LONGLONG>(count);
  return SUCCEEDED(stream->Seek(distance, STREAM_SEEK_CUR, nullptr));
}

}  // namespace quentarpbm
