// The WIC codec's COM objects: what each file of the shell offers the others.
#ifndef QUENTARPBM_WIC_COM_WIC_COM_H
#define QUENTARPBM_WIC_COM_WIC_COM_H

#include <windows.h>

#include <wincodec.h>

#include "common/result_code.h"
#include "wic/wic_image.h"

namespace quentarpbm {

// The decoder's class, the container format it reads, and the vendor that
// WIC shows: identities of our own, each written once here.
constexpr CLSID kPbmDecoderClsid = {
    0xa70e5cb8, 0xa137, 0x4431, {0x99, 0xb6, 0x78, 0x90, 0x95, 0xd9, 0x7e, 0x92}};
constexpr GUID kNetpbmContainerFormat = {
    0x292b6e6d, 0x20f0, 0x41a1, {0x8a, 0x97, 0x7c, 0x22, 0xc3, 0xc2, 0x4b, 0x4a}};
constexpr GUID kQuentarPbmVendor = {
    0x3d129551, 0x3503, 0x4171, {0xb2, 0x66, 0xdb, 0xf2, 0x64, 0x82, 0x34, 0xc5}};
// The property handler's class, which gives Explorer a file's size and depth.
constexpr CLSID kPbmPropertyHandlerClsid = {
    0x71d1ab58, 0x741e, 0x400f, {0x8e, 0xd6, 0xf3, 0x8d, 0xf8, 0xb1, 0x03, 0xa4}};

// Netpbm stores no resolution: WIC's customary default, which the frame
// and the property handler both give.
constexpr double kCodecDotsPerInch = 96.0;

// The module's count of live objects and of IClassFactory::LockServer locks,
// which DllCanUnloadNow reads; every object counts itself from its creation
// to its last Release.
void CountCodecObject(bool created);
void LockCodecModule(bool lock);
bool CodecModuleInUse();

// The reference count every object of the codec keeps, and its place in the
// module's count of live objects: made with one reference, deleted by its
// last Release. Object derives from it (and so from Interface) and is final.
template <typename Object, typename Interface>
class CountedCodecObject : public Interface {
 public:
  CountedCodecObject(const CountedCodecObject&) = delete;
  CountedCodecObject& operator=(const CountedCodecObject&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete static_cast<Object*>(this);
    return static_cast<ULONG>(left);
  }

 protected:
  CountedCodecObject() { CountCodecObject(true); }
  ~CountedCodecObject() { CountCodecObject(false); }

 private:
  LONG references_ = 1;
};

// QueryInterface over a short table of the IIDs an object answers, the
// first one its IUnknown: *object gets self (with a reference) or null.
HRESULT QueryInterfaceFromTable(IUnknown* self, const IID* const* iids, size_t count, REFIID iid,
                                void** object);

// Makes one object of a class and gives its interface iid in *object.
using CreateCodecObject = HRESULT (*)(REFIID iid, void** object);

// The class factory DllGetClassObject hands out for one class, which makes
// its objects with create; and the two classes' objects.
HRESULT CreatePbmClassFactory(CreateCodecObject create, REFIID iid, void** object);
HRESULT CreatePbmDecoder(REFIID iid, void** object);
HRESULT CreatePbmPropertyStore(REFIID iid, void** object);

// A decoded image shared by the decoder and its frames: immutable once made,
// freed with the last reference.
struct SharedWicImage {
  LONG references;
  WicImage image;
};
void AcquireSharedImage(SharedWicImage* shared);
void ReleaseSharedImage(SharedWicImage* shared);

// The frame over a decoded image; it takes its own reference to shared.
HRESULT CreatePbmFrame(SharedWicImage* shared, IWICBitmapFrameDecode** frame);

// The core's view of an IStream (the context): IStream::Read in pieces a
// ULONG can count, a stream that fails giving the bytes it gave so far, which
// the core takes as the end of the data; and a skip by IStream::Seek.
size_t ReadFromComStream(void* context, uint8_t* destination, size_t count);
bool SkipInComStream(void* context, uint64_t count);

// WIC's pixel format for each layout of the decode core, in the layouts'
// order: what the frame gives and the registration lists.
struct LayoutPixelFormat {
  WicPixelLayout layout;
  const GUID* format;
};
extern const LayoutPixelFormat kLayoutPixelFormats[kWicLayoutCount];
const GUID& PixelFormatOfLayout(WicPixelLayout layout);

// The one mapping of the library's result codes to WIC's HRESULTs.
HRESULT HresultFromResultCode(ResultCode code);

}  // namespace quentarpbm

#endif  // QUENTARPBM_WIC_COM_WIC_COM_H
