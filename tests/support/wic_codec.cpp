// What the WIC codec's tests share: COM set-up, the stock factory, streams and frames.
#include <windows.h>

#include "support/wic_codec.h"

#include <shlwapi.h>
#include <string.h>

#include "wic/com/wic_com.h"

namespace quentarpbm::testing {

HRESULT CreateStockFactory(IWICImagingFactory** factory) {
  return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                          IID_IWICImagingFactory, reinterpret_cast<void**>(factory));
}

HRESULT MemoryStream(const std::string& bytes, IStream** stream) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
  if (memory == nullptr) return E_OUTOFMEMORY;
  void* at = GlobalLock(memory);
  memcpy(at, bytes.data(), bytes.size());
  GlobalUnlock(memory);
  // The stream frees the block; its size is the block's, so trim it.
  HRESULT result = CreateStreamOnHGlobal(memory, TRUE, stream);
  if (FAILED(result)) {
    GlobalFree(memory);
    return result;
  }
  ULARGE_INTEGER size = {};
  size.QuadPart = bytes.size();
  return (*stream)->SetSize(size);
}

namespace {

// Every call goes to the stream over memory; Read also counts.
class CountedStream final : public IStream {
 public:
  CountedStream(IStream* inner, StreamReads* reads) : inner_(inner), reads_(reads) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ISequentialStream) &&
        !IsEqualIID(iid, IID_IStream))
      return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      inner_->Release();
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER at = {};
    inner_->Seek(zero, STREAM_SEEK_CUR, &at);
    ULONG got = 0;
    const HRESULT result = inner_->Read(buffer, count, &got);
    reads_->bytes += got;
    if (at.QuadPart + got > reads_->furthest) reads_->furthest = at.QuadPart + got;
    if (read != nullptr) *read = got;
    return result;
  }
  HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) override {
    return inner_->Write(data, count, written);
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* at) override {
    return inner_->Seek(move, origin, at);
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return inner_->SetSize(size); }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* to, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override {
    return inner_->CopyTo(to, count, read, written);
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override { return inner_->Commit(flags); }
  HRESULT STDMETHODCALLTYPE Revert() override { return inner_->Revert(); }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER at, ULARGE_INTEGER count,
                                       DWORD type) override {
    return inner_->LockRegion(at, count, type);
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER at, ULARGE_INTEGER count,
                                         DWORD type) override {
    return inner_->UnlockRegion(at, count, type);
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override {
    return inner_->Stat(stat, flags);
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override { return inner_->Clone(copy); }

 private:
  ~CountedStream() = default;
  IStream* inner_;
  StreamReads* reads_;
  LONG references_ = 1;
};

}  // namespace

HRESULT CountingStream(const std::string& bytes, StreamReads* reads, IStream** stream) {
  IStream* inner = nullptr;
  const HRESULT result = MemoryStream(bytes, &inner);
  if (FAILED(result)) return result;
  *stream = new CountedStream(inner, reads);
  return S_OK;
}

HRESULT DecoderFor(IWICImagingFactory* factory, WicSource source, const std::string& path,
                   IWICBitmapDecoder** decoder) {
  const std::wstring name(path.begin(), path.end());
  if (source == WicSource::kFileName) {
    return factory->CreateDecoderFromFilename(name.c_str(), nullptr, GENERIC_READ,
                                              WICDecodeMetadataCacheOnDemand, decoder);
  }
  ComRef<IStream> stream;
  HRESULT result = E_FAIL;
  if (source == WicSource::kFileStream) {
    result = SHCreateStreamOnFileEx(name.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE,
                                    FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.put());
  } else {
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    const BOOL read = ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    if (!read || got != bytes.size()) return E_FAIL;
    result = MemoryStream(bytes, stream.put());
  }
  if (FAILED(result)) return result;
  return factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                          decoder);
}

HRESULT FrameFromBytes(const std::string& bytes, IWICBitmapFrameDecode** frame) {
  ComRef<IWICImagingFactory> factory;
  HRESULT result = CreateStockFactory(factory.put());
  ComRef<IStream> stream;
  if (SUCCEEDED(result)) result = MemoryStream(bytes, stream.put());
  ComRef<IWICBitmapDecoder> decoder;
  if (SUCCEEDED(result)) {
    result = factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnLoad,
                                              decoder.put());
  }
  if (SUCCEEDED(result)) result = decoder->GetFrame(0, frame);
  return result;
}

bool DecoderIsOurs(IWICBitmapDecoder* decoder) {
  GUID container = {};
  if (FAILED(decoder->GetContainerFormat(&container))) return false;
  ComRef<IWICBitmapDecoderInfo> info;
  if (FAILED(decoder->GetDecoderInfo(info.put()))) return false;
  CLSID clsid = {};
  GUID infoContainer = {};
  if (FAILED(info->GetCLSID(&clsid))) return false;
  if (FAILED(info->GetContainerFormat(&infoContainer))) return false;
  return IsEqualCLSID(clsid, kPbmDecoderClsid) && IsEqualGUID(container, kNetpbmContainerFormat) &&
         IsEqualGUID(infoContainer, kNetpbmContainerFormat);
}

UINT TightStride(const GUID& format, UINT width) {
  UINT bits = 32;
  if (IsEqualGUID(format, GUID_WICPixelFormatBlackWhite)) bits = 1;
  if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) bits = 8;
  if (IsEqualGUID(format, GUID_WICPixelFormat16bppGray)) bits = 16;
  if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) bits = 24;
  if (IsEqualGUID(format, GUID_WICPixelFormat48bppRGB)) bits = 48;
  return (width * bits + 7) / 8;
}

HRESULT CopyWholeFrame(IWICBitmapSource* frame, WicPixels* pixels) {
  HRESULT result = frame->GetSize(&pixels->width, &pixels->height);
  if (FAILED(result)) return result;
  result = frame->GetPixelFormat(&pixels->format);
  if (FAILED(result)) return result;
  pixels->stride = TightStride(pixels->format, pixels->width);
  pixels->bytes.assign(static_cast<size_t>(pixels->stride) * pixels->height, 0);
  return frame->CopyPixels(nullptr, pixels->stride, static_cast<UINT>(pixels->bytes.size()),
                           pixels->bytes.data());
}

}  // namespace quentarpbm::testing
