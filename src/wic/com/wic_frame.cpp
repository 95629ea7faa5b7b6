// The codec's IWICBitmapFrameDecode and its IWICBitmapSourceTransform: one image of the file,
// its rows decoded when CopyPixels asks for them, scaled, flipped or turned on the way.
#include <windows.h>

#include <wincodec.h>

#include <new>

#include "wic/com/wic_com.h"

namespace quentarpbm {

namespace {

// How often the host hears of a copy's progress: every megabyte of rows,
// or every 64 KB when it asked to hear frequently.
constexpr uint64_t kProgressBytes = uint64_t{1} << 20;
constexpr uint64_t kFrequentProgressBytes = uint64_t{1} << 16;

// What the core's progress reports to the host's callback with: the frame's
// lock is let go while the host runs, so that its callback may call the
// frame again without waiting on itself.
struct HostProgress {
  CodecFrame* image;
  CodecProgress progress;
};

bool ReportToHost(void* context, uint64_t done, uint64_t total) {
  auto* host = static_cast<HostProgress*>(context);
  if (done == 0 && (host->progress.flags & kWicProgressNotificationBegin) == 0) return true;
  ReleaseSRWLockExclusive(&host->image->lock);
  const HRESULT result = host->progress.callback(
      host->progress.data, host->image->index, WICProgressOperationCopyPixels,
      static_cast<double>(done) / static_cast<double>(total));
  AcquireSRWLockExclusive(&host->image->lock);
  return SUCCEEDED(result);
}

class PbmFrame final
    : public CountedCodecObject<PbmFrame, IWICBitmapFrameDecode, IWICBitmapSourceTransform> {
 public:
  explicit PbmFrame(CodecFrame* image) : image_(image) { AcquireCodecFrame(image_); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    IWICBitmapFrameDecode* frame = this;
    IWICBitmapSourceTransform* transform = this;
    const InterfaceFace faces[] = {{&IID_IUnknown, frame},
                                   {&IID_IWICBitmapSource, frame},
                                   {&IID_IWICBitmapFrameDecode, frame},
                                   {&kIidBitmapSourceTransform, transform}};
    return QueryInterfaceFromTable(faces, sizeof faces / sizeof faces[0], iid, object);
  }

  // The header is read once and never changes: no lock.
  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override {
    if (width == nullptr) return E_INVALIDARG;
    if (height == nullptr) return E_INVALIDARG;
    *width = static_cast<UINT>(Header().width);
    *height = static_cast<UINT>(Header().height);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override {
    if (format == nullptr) return E_INVALIDARG;
    *format = PixelFormatOfLayout(Header().layout);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetResolution(double* dpiX, double* dpiY) override {
    if (dpiX == nullptr) return E_INVALIDARG;
    if (dpiY == nullptr) return E_INVALIDARG;
    *dpiX = kCodecDotsPerInch;
    *dpiY = kCodecDotsPerInch;
    return S_OK;
  }
  // BlackWhite's two colours are implied by the format: no palette at all.
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override {
    if (palette == nullptr) return E_INVALIDARG;
    return WINCODEC_ERR_PALETTEUNAVAILABLE;
  }

  // rect null: the whole frame. CopyWicFramePixels' rules: refused, with
  // nothing written, for a null buffer, a rect empty or reaching outside the
  // frame, or a stride shorter than the rect's row (E_INVALIDARG, as WIC's
  // own bitmaps answer), or a buffer that cannot hold the rect's rows at
  // that stride (WINCODEC_ERR_INSUFFICIENTBUFFER; the last row need not be
  // a full stride).
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT size,
                                       BYTE* buffer) override {
    return Copy(rect, static_cast<UINT>(Header().width), static_cast<UINT>(Header().height),
                Header().layout, WicTransform::kNone, stride, size, buffer);
  }

  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override {
    if (reader == nullptr) return E_INVALIDARG;
    *reader = nullptr;
    return WINCODEC_ERR_UNSUPPORTEDOPERATION;
  }
  HRESULT STDMETHODCALLTYPE GetColorContexts(UINT, IWICColorContext**, UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** thumbnail) override {
    if (thumbnail == nullptr) return E_INVALIDARG;
    *thumbnail = nullptr;
    return WINCODEC_ERR_CODECNOTHUMBNAIL;
  }

  // A format we cannot give is WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT, a
  // transform we do not do WINCODEC_ERR_UNSUPPORTEDOPERATION.
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                       WICPixelFormatGUID* format,
                                       WICBitmapTransformOptions options, UINT stride, UINT size,
                                       BYTE* buffer) override {
    if (format == nullptr) return E_INVALIDARG;
    WicPixelLayout layout = Header().layout;
    if (!LayoutOfPixelFormat(*format, &layout)) return HresultFromResultCode(kWicUnsupportedFormat);
    WicTransform transform = WicTransform::kNone;
    if (!TransformOfWicOptions(static_cast<uint32_t>(options), &transform))
      return HresultFromResultCode(kWicUnsupportedTransform);
    return Copy(rect, width, height, layout, transform, stride, size, buffer);
  }
  HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) override {
    if (width == nullptr) return E_INVALIDARG;
    if (height == nullptr) return E_INVALIDARG;
    ClosestWicSize(image_->frame, width, height);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) override {
    if (format == nullptr) return E_INVALIDARG;
    WicPixelLayout wanted = Header().layout;
    const bool ours = LayoutOfPixelFormat(*format, &wanted);
    *format = PixelFormatOfLayout(ClosestWicLayout(image_->frame, ours ? &wanted : nullptr));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions options,
                                                 BOOL* supported) override {
    if (supported == nullptr) return E_INVALIDARG;
    WicTransform transform = WicTransform::kNone;
    *supported = TransformOfWicOptions(static_cast<uint32_t>(options), &transform) ? TRUE : FALSE;
    return S_OK;
  }

 private:
  friend class CountedCodecObject<PbmFrame, IWICBitmapFrameDecode, IWICBitmapSourceTransform>;
  ~PbmFrame() { ReleaseCodecFrame(image_); }

  const WicHeader& Header() const { return image_->frame.header; }

  // Both CopyPixels: one image read by one thread at a time, the host's
  // callback told of the progress (its 1.0 once the copy is done).
  HRESULT Copy(const WICRect* rect, UINT width, UINT height, WicPixelLayout layout,
               WicTransform transform, UINT stride, UINT size, BYTE* buffer) {
    WicRect area{};
    if (rect != nullptr) area = WicRect{rect->X, rect->Y, rect->Width, rect->Height};
    const WicCopyRequest request{
        rect != nullptr ? &area : nullptr, width, height, layout, transform, stride, size, buffer};
    HostProgress host{image_, CodecProgressOf(image_->stream)};
    const bool reports = host.progress.callback != nullptr &&
                         (host.progress.flags & WICProgressOperationCopyPixels) != 0;
    const uint64_t every = (host.progress.flags & kWicProgressNotificationFrequent) != 0
                               ? kFrequentProgressBytes
                               : kProgressBytes;
    WicProgress progress{ReportToHost, &host, every, 0, 0, 0};
    AcquireSRWLockExclusive(&image_->lock);
    const ResultCode copied = CopyWicFramePixels(CodecStreamReader(image_->stream), &image_->frame,
                                                 request, reports ? &progress : nullptr);
    ReleaseSRWLockExclusive(&image_->lock);
    if (copied == PBM_OK && reports && (host.progress.flags & kWicProgressNotificationEnd) != 0 &&
        FAILED(host.progress.callback(host.progress.data, image_->index,
                                      WICProgressOperationCopyPixels, 1.0))) {
      return HresultFromResultCode(kWicStopped);
    }
    return HresultFromResultCode(copied);
  }

  CodecFrame* image_;
};

}  // namespace

HRESULT CreatePbmFrame(CodecFrame* image, IWICBitmapFrameDecode** frame) {
  PbmFrame* made = new (std::nothrow) PbmFrame(image);
  if (made == nullptr) return E_OUTOFMEMORY;
  *frame = made;
  return S_OK;
}

}  // namespace quentarpbm
