// The WIC codec's decode as a WIC host gets it, for the benchmark's Windows build.
#include <windows.h>

#include <objbase.h>
#include <shlwapi.h>
#include <wincodec.h>

#include <memory>
#include <string>

#include "bench_wic_codec.h"
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

}  // namespace

bool RunWicCodec(const BenchImage& image) {
  IClassFactory* factory = CodecFactory();
  if (factory == nullptr) return false;
  const std::wstring path(image.path.begin(), image.path.end());
  IStream* stream = nullptr;
  IWICBitmapDecoder* decoder = nullptr;
  IWICBitmapFrameDecode* frame = nullptr;
  bool ok = SUCCEEDED(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE,
                                             FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, &stream)) &&
            SUCCEEDED(factory->CreateInstance(nullptr, IID_IWICBitmapDecoder,
                                              reinterpret_cast<void**>(&decoder))) &&
            SUCCEEDED(decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand)) &&
            SUCCEEDED(decoder->GetFrame(0, &frame));
  if (ok) {
    UINT width = 0;
    UINT height = 0;
    WICPixelFormatGUID format = {};
    frame->GetSize(&width, &height);
    frame->GetPixelFormat(&format);
    UINT bits = 8;
    if (IsEqualGUID(format, GUID_WICPixelFormatBlackWhite)) bits = 1;
    if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) bits = 24;
    if (IsEqualGUID(format, GUID_WICPixelFormat16bppGray)) bits = 16;
    if (IsEqualGUID(format, GUID_WICPixelFormat48bppRGB)) bits = 48;
    const UINT stride = (width * bits + 7) / 8;
    // A host's fresh buffer, which the copy is the first to touch.
    const size_t size = static_cast<size_t>(stride) * height;
    const std::unique_ptr<BYTE[]> pixels(new BYTE[size]);
    ok = SUCCEEDED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(size), pixels.get()));
  }
  if (frame != nullptr) frame->Release();
  if (decoder != nullptr) decoder->Release();
  if (stream != nullptr) stream->Release();
  return ok;
}
