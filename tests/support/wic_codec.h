// What the WIC codec's tests share: COM set-up, the stock factory, streams and frames.
#ifndef QUENTARPBM_TESTS_SUPPORT_WIC_CODEC_H
#define QUENTARPBM_TESTS_SUPPORT_WIC_CODEC_H

#include <windows.h>

#include <stdint.h>
#include <wincodec.h>

#include <string>
#include <vector>

namespace quentarpbm::testing {

// Releases a COM reference when it goes out of scope.
template <typename T>
struct ComRef {
  T* p = nullptr;
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (p != nullptr) p->Release();
  }
  T** put() { return &p; }
  T* operator->() const { return p; }
};

// An export of module as the function type F, null when missing. FARPROC
// takes no arguments: the cast goes through void*, as GetProcAddress's
// callers must.
template <typename F>
F ProcAddress(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The ways a host hands WIC an image file.
enum class WicSource { kFileName, kFileStream, kMemoryStream };

// The stock CLSID_WICImagingFactory; the calling thread must have joined COM.
HRESULT CreateStockFactory(IWICImagingFactory** factory);

// A stream over the bytes in memory (CreateStreamOnHGlobal).
HRESULT MemoryStream(const std::string& bytes, IStream** stream);

// What a counting stream saw read: bytes in all, and past the furthest one.
struct StreamReads {
  ULONGLONG bytes = 0;
  ULONGLONG furthest = 0;
};
// A stream over the bytes that adds each Read to *reads, which must outlive it.
HRESULT CountingStream(const std::string& bytes, StreamReads* reads, IStream** stream);

// The first frame of the image in bytes, through the stock factory and a
// stream over memory; the frame keeps what it needs of the decoder.
HRESULT FrameFromBytes(const std::string& bytes, IWICBitmapFrameDecode** frame);

// Opens path (relative to the working directory) the given way.
HRESULT DecoderFor(IWICImagingFactory* factory, WicSource source, const std::string& path,
                   IWICBitmapDecoder** decoder);

// True when the decoder WIC chose is this library's, by its component info.
bool DecoderIsOurs(IWICBitmapDecoder* decoder);

// A frame's size, format and rows as CopyPixels gives them, at the tightest stride.
struct WicPixels {
  UINT width = 0;
  UINT height = 0;
  GUID format = {};
  UINT stride = 0;
  std::vector<uint8_t> bytes;
};
HRESULT CopyWholeFrame(IWICBitmapSource* frame, WicPixels* pixels);

// Bytes per row for WIC's formats of 1, 8, 16, 24, 32 and 48 bits.
UINT TightStride(const GUID& format, UINT width);

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_WIC_CODEC_H
