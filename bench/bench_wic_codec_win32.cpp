// The WIC codec's decode as a WIC host gets it, for the benchmark's Windows build:
// QuentarPbmWic.dll beside the program, loaded once without the registry.
#include <windows.h>

#include <objbase.h>
#include <shlwapi.h>
#include <wincodec.h>

#include <memory>
#include <string>

#include "bench_wic_codec.h"
#include "wic/com/wic_codec_interfaces.h"
#include "wic/com/wic_com.h"

namespace {

using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

// The class factory of the DLL beside the program, made once and kept.
IClassFactory* CodecFactory() {
  static IClassFactory* const factory = [] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const HMODULE module = LoadLibraryA("QuentarPbmWic.dll");
    // Through void*: FARPROC has no parameters to match.
    const auto getClassObject = reinterpret_cast<GetClassObject>(
        module != nullptr ? reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject"))
                          : nullptr);
    IClassFactory* made = nullptr;
    if (getClassObject != nullptr) {
      getClassObject(quentarpbm::kPbmDecoderClsid, IID_IClassFactory,
                     reinterpret_cast<void**>(&made));
    }
    return made;
  }();
  return factory;
}

// A decoder over a file stream, initialized, and its first frame.
class OpenedFrame {
 public:
  explicit OpenedFrame(const BenchImage& image) {
    IClassFactory* factory = CodecFactory();
    const std::wstring path(image.path.begin(), image.path.end());
    opened_ = factory != nullptr &&
              SUCCEEDED(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE,
                                               FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, &stream_)) &&
              SUCCEEDED(factory->CreateInstance(nullptr, IID_IWICBitmapDecoder,
                                                reinterpret_cast<void**>(&decoder_))) &&
              SUCCEEDED(decoder_->Initialize(stream_, WICDecodeMetadataCacheOnDemand)) &&
              SUCCEEDED(decoder_->GetFrame(0, &frame_));
  }
  ~OpenedFrame() {
    if (frame_ != nullptr) frame_->Release();
    if (decoder_ != nullptr) decoder_->Release();
    if (stream_ != nullptr) stream_->Release();
  }
  OpenedFrame(const OpenedFrame&) = delete;
  OpenedFrame& operator=(const OpenedFrame&) = delete;

  bool opened() const { return opened_; }
  IWICBitmapFrameDecode* frame() const { return frame_; }

 private:
  IStream* stream_ = nullptr;
  IWICBitmapDecoder* decoder_ = nullptr;
  IWICBitmapFrameDecode* frame_ = nullptr;
  bool opened_ = false;
};

}  // namespace

bool RunWicHeader(const BenchImage& image) {
  OpenedFrame opened(image);
  UINT width = 0;
  UINT height = 0;
  return opened.opened() && SUCCEEDED(opened.frame()->GetSize(&width, &height));
}

bool RunWicFrame(const BenchImage& image) {
  OpenedFrame opened(image);
  if (!opened.opened()) return false;
  const auto stride =
      static_cast<UINT>(WicRowBytesOf(image, static_cast<uint32_t>(image.width), false));
  // A host's fresh buffer, which the copy is the first to touch.
  const size_t size = WicFrameBytes(image);
  const std::unique_ptr<BYTE[]> pixels(new BYTE[size]);
  return SUCCEEDED(
      opened.frame()->CopyPixels(nullptr, stride, static_cast<UINT>(size), pixels.get()));
}

bool RunWicBands(const BenchImage& image) {
  OpenedFrame opened(image);
  if (!opened.opened()) return false;
  const auto stride =
      static_cast<UINT>(WicRowBytesOf(image, static_cast<uint32_t>(image.width), false));
  const size_t size = WicBandBytes(image);
  const std::unique_ptr<BYTE[]> band(new BYTE[size]);
  bool ok = true;
  for (int32_t y = 0; y < image.height && ok; y += kWicBandRows) {
    const WICRect rect = {0, y, image.width,
                          image.height - y < kWicBandRows ? image.height - y : kWicBandRows};
    ok = SUCCEEDED(opened.frame()->CopyPixels(&rect, stride, static_cast<UINT>(size), band.get()));
  }
  return ok;
}

bool RunWicThumbnail(const BenchImage& image) {
  OpenedFrame opened(image);
  quentarpbm::IWICBitmapSourceTransform* transform = nullptr;
  if (!opened.opened() ||
      FAILED(opened.frame()->QueryInterface(quentarpbm::kIidBitmapSourceTransform,
                                            reinterpret_cast<void**>(&transform))))
    return false;
  uint32_t width = 0;
  uint32_t height = 0;
  ThumbnailSize(image, &width, &height);
  GUID format = GUID_WICPixelFormat8bppGray;
  const size_t size = WicThumbnailBytes(image);
  const std::unique_ptr<BYTE[]> pixels(new BYTE[size]);
  const bool ok =
      SUCCEEDED(transform->GetClosestPixelFormat(&format)) &&
      SUCCEEDED(transform->CopyPixels(nullptr, width, height, &format, WICBitmapTransformRotate0,
                                      static_cast<UINT>(WicRowBytesOf(image, width, true)),
                                      static_cast<UINT>(size), pixels.get()));
  transform->Release();
  return ok;
}
