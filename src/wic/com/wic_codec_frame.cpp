// One image of the file as the decoder and its frames share it: opened at its header, released
// with its last holder.
#include <windows.h>

#include <new>

#include "wic/com/wic_com.h"

namespace quentarpbm {

HRESULT OpenCodecFrame(CodecStream* stream, uint64_t offset, UINT index, CodecFrame** shared) {
  WicFrame frame{};
  const ResultCode opened = OpenWicFrame(CodecStreamReader(stream), offset, &frame);
  if (opened != PBM_OK) return HresultFromResultCode(opened);
  CodecFrame* made = new (std::nothrow) CodecFrame{1, SRWLOCK_INIT, stream, index, frame};
  if (made == nullptr) {
    CloseWicFrame(&frame);
    return E_OUTOFMEMORY;
  }
  AcquireCodecStream(stream);
  *shared = made;
  return S_OK;
}

void AcquireCodecFrame(CodecFrame* shared) { InterlockedIncrement(&shared->references); }

void ReleaseCodecFrame(CodecFrame* shared) {
  if (InterlockedDecrement(&shared->references) != 0) return;
  CloseWicFrame(&shared->frame);
  ReleaseCodecStream(shared->stream);
  delete shared;
}

}  // namespace quentarpbm
