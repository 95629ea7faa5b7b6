// The codec's IWICBitmapFrameDecode: the one frame, over the shared decoded image.
#include <windows.h>

#include <string.h>
#include <wincodec.h>

#include <new>

#include "wic/com/wic_com.h"

namespace quentarpbm {

namespace {

const IID* const kFrameInterfaces[] = {&IID_IUnknown, &IID_IWICBitmapSource,
                                       &IID_IWICBitmapFrameDecode};

// One row of a 1-bit image from bit left on, shifted to start at bit 0 of
// destination. Bits past the source row read as white, its own padding.
void CopyShiftedBits(const uint8_t* row, uint32_t rowBytes, uint32_t left, uint32_t count,
                     uint8_t* destination) {
  const uint32_t first = left / 8;
  const unsigned shift = left % 8;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = first + i;
    const unsigned next = at + 1 < rowBytes ? row[at + 1] : 0xFFu;
    destination[i] = static_cast<uint8_t>((row[at] << shift) | (next >> (8 - shift)));
  }
}

class PbmFrame final : public CountedCodecObject<PbmFrame, IWICBitmapFrameDecode> {
 public:
  explicit PbmFrame(SharedWicImage* shared) : shared_(shared) { AcquireSharedImage(shared_); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return QueryInterfaceFromTable(
        this, kFrameInterfaces, sizeof kFrameInterfaces / sizeof kFrameInterfaces[0], iid, object);
  }

  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override {
    if (width == nullptr) return E_INVALIDARG;
    if (height == nullptr) return E_INVALIDARG;
    *width = static_cast<UINT>(shared_->image.width);
    *height = static_cast<UINT>(shared_->image.height);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override {
    if (format == nullptr) return E_INVALIDARG;
    *format = PixelFormatOfLayout(shared_->image.layout);
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

  // rect null: the whole frame. Refused, with nothing written: a null buffer,
  // or a rect empty or reaching outside the frame, or a stride shorter than
  // the rect's row (E_INVALIDARG, as WIC's own bitmaps answer); a buffer
  // that cannot hold the rect's rows at that stride
  // (WINCODEC_ERR_INSUFFICIENTBUFFER). The last row need not be a full stride.
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT size,
                                       BYTE* buffer) override {
    if (buffer == nullptr) return E_INVALIDARG;
    const WicImage& image = shared_->image;
    const WICRect whole = {0, 0, image.width, image.height};
    const WICRect& area = rect != nullptr ? *rect : whole;
    if (area.X < 0 || area.Y < 0 || area.Width <= 0 || area.Height <= 0) return E_INVALIDARG;
    if (static_cast<int64_t>(area.X) + area.Width > image.width) return E_INVALIDARG;
    if (static_cast<int64_t>(area.Y) + area.Height > image.height) return E_INVALIDARG;
    const uint32_t rowBytes = WicRowBytes(image.layout, area.Width);
    if (stride < rowBytes) return E_INVALIDARG;
    const uint64_t needed =
        static_cast<uint64_t>(stride) * static_cast<uint32_t>(area.Height - 1) + rowBytes;
    if (size < needed) return WINCODEC_ERR_INSUFFICIENTBUFFER;
    const uint32_t left = static_cast<uint32_t>(area.X);
    // 0 for BlackWhite, whose rects are shifted bit by bit.
    const auto pixelBytes = static_cast<uint32_t>(TraitsOfLayout(image.layout).bitsPerPixel / 8);
    for (int32_t y = 0; y < area.Height; ++y) {
      const uint8_t* row =
          image.pixels + static_cast<size_t>(image.stride) * static_cast<uint32_t>(area.Y + y);
      BYTE* destination = buffer + static_cast<size_t>(stride) * static_cast<uint32_t>(y);
      if (pixelBytes == 0) {
        CopyShiftedBits(row, image.stride, left, rowBytes, destination);
      } else {
        memcpy(destination, row + static_cast<size_t>(left) * pixelBytes, rowBytes);
      }
    }
    return S_OK;
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

 private:
  friend class CountedCodecObject<PbmFrame, IWICBitmapFrameDecode>;
  ~PbmFrame() { ReleaseSharedImage(shared_); }

  SharedWicImage* shared_;
};

}  // namespace

void AcquireSharedImage(SharedWicImage* shared) { InterlockedIncrement(&shared->references); }

void ReleaseSharedImage(SharedWicImage* shared) {
  if (InterlockedDecrement(&shared->references) != 0) return;
  FreeWicImage(&shared->image);
  delete shared;
}

HRESULT CreatePbmFrame(SharedWicImage* shared, IWICBitmapFrameDecode** frame) {
  PbmFrame* made = new (std::nothrow) PbmFrame(shared);
  if (made == nullptr) return E_OUTOFMEMORY;
  *frame = made;
  return S_OK;
}

}  // namespace quentarpbm
