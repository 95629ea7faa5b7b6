// The codec's IWICBitmapDecoder: one Netpbm image read from an IStream, one frame.
#include <windows.h>

#include <wincodec.h>

#include <new>

#include "identify/identify.h"
#include "wic/com/wic_com.h"

namespace quentarpbm {

namespace {

const IID* const kDecoderInterfaces[] = {&IID_IUnknown, &IID_IWICBitmapDecoder};

class PbmDecoder final : public CountedCodecObject<PbmDecoder, IWICBitmapDecoder> {
 public:
  PbmDecoder() { InitializeSRWLock(&lock_); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return QueryInterfaceFromTable(this, kDecoderInterfaces,
                                   sizeof kDecoderInterfaces / sizeof kDecoderInterfaces[0], iid,
                                   object);
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

  // Decodes the whole image once. The image starts where the stream does, as
  // WIC's patterns assume: the factory leaves the stream past the bytes it
  // matched, so it is rewound first (a stream that cannot seek is read from
  // where it stands).
  HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, WICDecodeOptions) override {
    if (stream == nullptr) return E_INVALIDARG;
    AcquireSRWLockExclusive(&lock_);
    HRESULT result = WINCODEC_ERR_WRONGSTATE;
    if (image_ == nullptr) result = DecodeStream(stream);
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

  HRESULT STDMETHODCALLTYPE GetFrameCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    if (!Initialized()) return WINCODEC_ERR_NOTINITIALIZED;
    *count = 1;
    return S_OK;
  }

  // Every frame shares the one decoded image.
  HRESULT STDMETHODCALLTYPE GetFrame(UINT index, IWICBitmapFrameDecode** frame) override {
    if (frame == nullptr) return E_INVALIDARG;
    *frame = nullptr;
    AcquireSRWLockShared(&lock_);
    HRESULT result = WINCODEC_ERR_NOTINITIALIZED;
    if (image_ != nullptr) {
      result = index == 0 ? CreatePbmFrame(image_, frame) : WINCODEC_ERR_FRAMEMISSING;
    }
    ReleaseSRWLockShared(&lock_);
    return result;
  }

 private:
  friend class CountedCodecObject<PbmDecoder, IWICBitmapDecoder>;
  ~PbmDecoder() {
    if (image_ != nullptr) ReleaseSharedImage(image_);
  }

  // What a call for something Netpbm lacks returns: before Initialize, that.
  HRESULT NotAvailable(HRESULT lacking) {
    return Initialized() ? lacking : WINCODEC_ERR_NOTINITIALIZED;
  }

  bool Initialized() {
    AcquireSRWLockShared(&lock_);
    const bool initialized = image_ != nullptr;
    ReleaseSRWLockShared(&lock_);
    return initialized;
  }

  // Called with the lock held; on failure nothing is kept, so that a caller
  // may try again with another stream.
  HRESULT DecodeStream(IStream* stream) {
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    SharedWicImage* shared = new (std::nothrow) SharedWicImage{1, {}};
    if (shared == nullptr) return E_OUTOFMEMORY;
    const NetpbmStreamReader reader = {stream, ReadFromComStream};
    const ResultCode code = DecodeNetpbmForWic(reader, &shared->image);
    if (code != PBM_OK) {
      delete shared;
      return HresultFromResultCode(code);
    }
    image_ = shared;
    return S_OK;
  }

  SRWLOCK lock_;
  SharedWicImage* image_ = nullptr;  // null until Initialize succeeds
};

}  // namespace

HRESULT CreatePbmDecoder(REFIID iid, void** object) {
  PbmDecoder* decoder = new (std::nothrow) PbmDecoder();
  if (decoder == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = decoder->QueryInterface(iid, object);
  decoder->Release();
  return result;
}

}  // namespace quentarpbm
