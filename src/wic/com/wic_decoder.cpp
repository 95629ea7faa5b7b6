// The codec's IWICBitmapDecoder: the images of a Netpbm stream, each read when it is asked for,
// and the host's progress callback.
#include <windows.h>

#include <wincodec.h>

#include <new>

#include "identify/identify.h"
#include "wic/com/wic_com.h"

namespace quentarpbm {

namespace {

// Images of one file the decoder counts at most: their offsets stay small.
constexpr UINT kMostFrames = 65536;
constexpr UINT kFirstOffsets = 16;

class PbmDecoder final : public CountedCodecObject<PbmDecoder, IWICBitmapDecoder,
                                                   IWICBitmapCodecProgressNotification> {
 public:
  explicit PbmDecoder(CodecStream* stream) : stream_(stream) { InitializeSRWLock(&lock_); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    IWICBitmapDecoder* decoder = this;
    IWICBitmapCodecProgressNotification* progress = this;
    const InterfaceFace faces[] = {{&IID_IUnknown, decoder},
                                   {&IID_IWICBitmapDecoder, decoder},
                                   {&kIidBitmapCodecProgressNotification, progress}};
    return QueryInterfaceFromTable(faces, sizeof faces / sizeof faces[0], iid, object);
  }

  // Reads the image's first bytes (from the start of the stream, as
  // Initialize does) through the identification layer's rule, and puts the
  // stream back where it was, whatever the answer.
  HRESULT STDMETHODCALLTYPE QueryCapability(IStream* stream, DWORD* capability) override {
    if (stream == nullptr) return E_INVALIDARG;
    if (capability == nullptr) return E_INVALIDARG;
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER start = {};
    HRESULT result = stream->Seek(zero, STREAM_SEEK_CUR, &start);
    if (FAILED(result)) return result;
    uint8_t signature[kSignatureBytes] = {};
    ULONG got = 0;
    result = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(result))
      result = stream->Read(signature, static_cast<ULONG>(kSignatureBytes), &got);
    LARGE_INTEGER back = {};
    back.QuadPart = static_cast<LONGLONG>(start.QuadPart);
    const HRESULT restored = stream->Seek(back, STREAM_SEEK_SET, nullptr);
    if (FAILED(result)) return result;
    if (FAILED(restored)) return restored;
    const int32_t format = ClassifySignature(signature, "");
    const bool netpbm = format == kFormatPbm || format == kFormatPgm || format == kFormatPpm;
    *capability = netpbm ? WICBitmapDecoderCapabilityCanDecodeAllImages : 0;
    return S_OK;
  }

  // Reads the first image's header and nothing more. The image starts where
  // the stream does, as WIC's patterns assume: every read seeks to its
  // offset from the stream's start.
  HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, WICDecodeOptions) override {
    if (stream == nullptr) return E_INVALIDARG;
    AcquireSRWLockExclusive(&lock_);
    HRESULT result = WINCODEC_ERR_WRONGSTATE;
    if (first_ == nullptr) result = OpenFirstImage(stream);
    ReleaseSRWLockExclusive(&lock_);
    return result;
  }

  HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* format) override {
    if (format == nullptr) return E_INVALIDARG;
    *format = kNetpbmContainerFormat;
    return S_OK;
  }

  // Through the stock factory's component info, as WIC's own decoders do.
  HRESULT STDMETHODCALLTYPE GetDecoderInfo(IWICBitmapDecoderInfo** info) override {
    if (info == nullptr) return E_INVALIDARG;
    *info = nullptr;
    IWICImagingFactory* factory = nullptr;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(result)) return result;
    IWICComponentInfo* component = nullptr;
    result = factory->CreateComponentInfo(kPbmDecoderClsid, &component);
    factory->Release();
    if (FAILED(result)) return result;
    result = component->QueryInterface(IID_IWICBitmapDecoderInfo, reinterpret_cast<void**>(info));
    component->Release();
    return result;
  }

  // Netpbm has no palette, no metadata, no preview, thumbnail or colour profile.
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override {
    if (palette == nullptr) return E_INVALIDARG;
    return NotAvailable(WINCODEC_ERR_PALETTEUNAVAILABLE);
  }
  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override {
    if (reader == nullptr) return E_INVALIDARG;
    *reader = nullptr;
    return NotAvailable(WINCODEC_ERR_UNSUPPORTEDOPERATION);
  }
  HRESULT STDMETHODCALLTYPE GetPreview(IWICBitmapSource** preview) override {
    if (preview == nullptr) return E_INVALIDARG;
    *preview = nullptr;
    return NotAvailable(WINCODEC_ERR_UNSUPPORTEDOPERATION);
  }
  HRESULT STDMETHODCALLTYPE GetColorContexts(UINT, IWICColorContext**, UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    if (!Initialized()) return WINCODEC_ERR_NOTINITIALIZED;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** thumbnail) override {
    if (thumbnail == nullptr) return E_INVALIDARG;
    *thumbnail = nullptr;
    return NotAvailable(WINCODEC_ERR_CODECNOTHUMBNAIL);
  }

  // The images one after another: a raw image's end is known from its
  // header, a plain one's is read to (learning its rows); each next image
  // needs a whole header after whitespace.
  HRESULT STDMETHODCALLTYPE GetFrameCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    AcquireSRWLockExclusive(&lock_);
    HRESULT result = WINCODEC_ERR_NOTINITIALIZED;
    if (first_ != nullptr) result = WalkImages(kMostFrames);
    if (SUCCEEDED(result)) *count = count_;
    ReleaseSRWLockExclusive(&lock_);
    return result;
  }

  // The first image's frames share the decoder's reading state (what reading
  // it has learned); each later one's starts afresh.
  HRESULT STDMETHODCALLTYPE GetFrame(UINT index, IWICBitmapFrameDecode** frame) override {
    if (frame == nullptr) return E_INVALIDARG;
    *frame = nullptr;
    AcquireSRWLockExclusive(&lock_);
    HRESULT result = WINCODEC_ERR_NOTINITIALIZED;
    if (first_ != nullptr) result = WalkImages(index);
    if (SUCCEEDED(result) && index >= count_) result = WINCODEC_ERR_FRAMEMISSING;
    CodecFrame* image = first_;
    if (SUCCEEDED(result) && index > 0) {
      result = OpenCodecFrame(stream_, offsets_[index], index, &image);
    } else if (SUCCEEDED(result)) {
      AcquireCodecFrame(image);
    }
    ReleaseSRWLockExclusive(&lock_);
    if (FAILED(result)) return result;
    result = CreatePbmFrame(image, frame);
    ReleaseCodecFrame(image);
    return result;
  }

  // One callback for the decoder and all its frames; null unregisters it.
  HRESULT STDMETHODCALLTYPE RegisterProgressNotification(PFNProgressNotification callback,
                                                         LPVOID data, DWORD flags) override {
    SetCodecProgress(stream_, CodecProgress{callback, data, flags});
    return S_OK;
  }

 private:
  friend class CountedCodecObject<PbmDecoder, IWICBitmapDecoder,
                                  IWICBitmapCodecProgressNotification>;
  ~PbmDecoder() {
    if (first_ != nullptr) ReleaseCodecFrame(first_);
    delete[] offsets_;
    ReleaseCodecStream(stream_);
  }

  // What a call for something Netpbm lacks returns: before Initialize, that.
  HRESULT NotAvailable(HRESULT lacking) {
    return Initialized() ? lacking : WINCODEC_ERR_NOTINITIALIZED;
  }

  bool Initialized() {
    AcquireSRWLockShared(&lock_);
    const bool initialized = first_ != nullptr;
    ReleaseSRWLockShared(&lock_);
    return initialized;
  }

  // Called with the lock held; on failure nothing is kept, so that a caller
  // may try again with another stream.
  HRESULT OpenFirstImage(IStream* stream) {
    uint64_t* offsets = new (std::nothrow) uint64_t[kFirstOffsets];
    if (offsets == nullptr) return E_OUTOFMEMORY;
    AttachCodecStream(stream_, stream);
    const HRESULT result = OpenCodecFrame(stream_, 0, 0, &first_);
    if (FAILED(result)) {
      AttachCodecStream(stream_, nullptr);
      delete[] offsets;
      return result;
    }
    offsets_ = offsets;
    offsets[0] = 0;
    capacity_ = kFirstOffsets;
    count_ = 1;
    return S_OK;
  }

  // Counts images until index is among them or the data holds no more
  // (at most kMostFrames); called with the lock held. E_OUTOFMEMORY when a
  // plain image's reading memory or the offsets' cannot be had.
  HRESULT WalkImages(UINT index) {
    if (walked_ || count_ > index) return S_OK;
    const NetpbmOffsetReader reader = CodecStreamReader(stream_);
    // The image counted last, which the search goes on from; the first's
    // reading state is the decoder's own.
    WicFrame last{};
    ResultCode found = count_ > 1 ? OpenWicFrame(reader, offsets_[count_ - 1], &last) : PBM_OK;
    while (found == PBM_OK && count_ <= index && count_ < kMostFrames) {
      WicFrame next{};
      if (count_ == 1) {
        AcquireSRWLockExclusive(&first_->lock);
        found = FindNextNetpbmImage(reader, &first_->frame, &next);
        ReleaseSRWLockExclusive(&first_->lock);
      } else {
        found = FindNextNetpbmImage(reader, &last, &next);
      }
      if (found != PBM_OK) break;
      CloseWicFrame(&last);
      last = next;
      if (count_ == capacity_ && !GrowOffsets()) found = PBM_E_NO_MEMORY;
      if (found == PBM_OK) offsets_[count_++] = last.offset;
    }
    CloseWicFrame(&last);
    if (found == PBM_E_NO_MEMORY) return E_OUTOFMEMORY;
    walked_ = found != PBM_OK || count_ == kMostFrames;
    return S_OK;
  }

  bool GrowOffsets() {
    uint64_t* grown = new (std::nothrow) uint64_t[2 * capacity_];
    if (grown == nullptr) return false;
    for (UINT i = 0; i < count_; ++i) grown[i] = offsets_[i];
    delete[] offsets_;
    offsets_ = grown;
    capacity_ *= 2;
    return true;
  }

  SRWLOCK lock_;
  CodecStream* stream_;          // the decoder's reference, from its creation
  CodecFrame* first_ = nullptr;  // the first image; null until Initialize succeeds
  uint64_t* offsets_ = nullptr;  // where each image counted so far starts
  UINT count_ = 0;
  UINT capacity_ = 0;
  bool walked_ = false;  // every image is counted
};

}  // namespace

HRESULT CreatePbmDecoder(REFIID iid, void** object) {
  CodecStream* stream = nullptr;
  if (FAILED(CreateCodecStream(&stream))) return E_OUTOFMEMORY;
  PbmDecoder* decoder = new (std::nothrow) PbmDecoder(stream);
  if (decoder == nullptr) {
    ReleaseCodecStream(stream);
    return E_OUTOFMEMORY;
  }
  const HRESULT result = decoder->QueryInterface(iid, object);
  decoder->Release();
  return result;
}

}  // namespace quentarpbm
