// The stream a decoder shares with its frames: read at any offset under one lock, and the host's
// progress callback kept beside it.
#include <windows.h>

#include <new>

#include "wic/com/wic_com.h"

namespace quentarpbm {

namespace {

// The stream's size: from Stat, else from a seek to its end.
uint64_t SizeOfStream(IStream* stream) {
  STATSTG stat = {};
  if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) return stat.cbSize.QuadPart;
  LARGE_INTEGER zero = {};
  ULARGE_INTEGER end = {};
  if (SUCCEEDED(stream->Seek(zero, STREAM_SEEK_END, &end))) return end.QuadPart;
  return UINT64_MAX;
}

// A seek to offset, then IStream::Read in pieces a ULONG can count, under
// the stream's lock: frames on other threads read between, never within.
// Nothing is read at or past the stream's end, where not every stream
// behaves (Wine's over memory reads what lies beyond). A stream that fails
// gives the bytes it gave so far, which the core takes as the end of the
// data.
size_t ReadCodecStreamAt(void* context, uint64_t offset, uint8_t* destination, size_t count) {
  auto* shared = static_cast<CodecStream*>(context);
  AcquireSRWLockExclusive(&shared->lock);
  size_t total = 0;
  if (offset < shared->size && shared->size - offset < count)
    count = static_cast<size_t>(shared->size - offset);
  LARGE_INTEGER at = {};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (shared->stream != nullptr && offset < shared->size &&
      SUCCEEDED(shared->stream->Seek(at, STREAM_SEEK_SET, nullptr))) {
    while (total < count) {
      const size_t left = count - total;
      const ULONG piece = left > 0x40000000u ? 0x40000000u : static_cast<ULONG>(left);
      ULONG got = 0;
      const HRESULT result = shared->stream->Read(destination + total, piece, &got);
      total += got;
      if (FAILED(result) || got == 0) break;
    }
  }
  ReleaseSRWLockExclusive(&shared->lock);
  return total;
}

}  // namespace

HRESULT CreateCodecStream(CodecStream** shared) {
  CodecStream* made = new (std::nothrow) CodecStream{1, SRWLOCK_INIT, nullptr, 0, {}};
  if (made == nullptr) return E_OUTOFMEMORY;
  *shared = made;
  return S_OK;
}

void AcquireCodecStream(CodecStream* shared) { InterlockedIncrement(&shared->references); }

void ReleaseCodecStream(CodecStream* shared) {
  if (InterlockedDecrement(&shared->references) != 0) return;
  if (shared->stream != nullptr) shared->stream->Release();
  delete shared;
}

void AttachCodecStream(CodecStream* shared, IStream* stream) {
  if (stream != nullptr) stream->AddRef();
  const uint64_t size = stream != nullptr ? SizeOfStream(stream) : 0;
  AcquireSRWLockExclusive(&shared->lock);
  IStream* held = shared->stream;
  shared->stream = stream;
  shared->size = size;
  ReleaseSRWLockExclusive(&shared->lock);
  if (held != nullptr) held->Release();
}

NetpbmOffsetReader CodecStreamReader(CodecStream* shared) {
  return NetpbmOffsetReader{shared, ReadCodecStreamAt};
}

void SetCodecProgress(CodecStream* shared, const CodecProgress& progress) {
  AcquireSRWLockExclusive(&shared->lock);
  shared->progress = progress;
  ReleaseSRWLockExclusive(&shared->lock);
}

CodecProgress CodecProgressOf(CodecStream* shared) {
  AcquireSRWLockShared(&shared->lock);
  const CodecProgress progress = shared->progress;
  ReleaseSRWLockShared(&shared->lock);
  return progress;
}

}  // namespace quentarpbm
