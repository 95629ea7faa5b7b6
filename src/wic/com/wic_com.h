// The WIC codec's COM objects: what each file of the shell offers the others.
#ifndef QUENTARPBM_WIC_COM_WIC_COM_H
#define QUENTARPBM_WIC_COM_WIC_COM_H

#include <windows.h>

#include <wincodec.h>

#include "common/result_code.h"
#include "wic/com/wic_codec_interfaces.h"
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
// last Release. Object derives from it (and so from each of Interfaces,
// whose AddRef and Release these are) and is final.
template <typename Object, typename... Interfaces>
class CountedCodecObject : public Interfaces... {
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

// One interface an object answers: its IID and the object seen as it. The
// first is the object's IUnknown.
struct InterfaceFace {
  const IID* iid;
  IUnknown* face;
};
// QueryInterface over an object's short table: *object gets the face asked
// for (with a reference) or null.
HRESULT QueryInterfaceFromTable(const InterfaceFace* faces, size_t count, REFIID iid,
                                void** object);

// Makes one object of a class and gives its interface iid in *object.
using CreateCodecObject = HRESULT (*)(REFIID iid, void** object);

// The class factory DllGetClassObject hands out for one class, which makes
// its objects with create; and the two classes' objects.
HRESULT CreatePbmClassFactory(CreateCodecObject create, REFIID iid, void** object);
HRESULT CreatePbmDecoder(REFIID iid, void** object);
HRESULT CreatePbmPropertyStore(REFIID iid, void** object);

// The host's progress callback and what it asked to hear (flags as
// RegisterProgressNotification takes them).
struct CodecProgress {
  PFNProgressNotification callback;
  void* data;
  DWORD flags;
};

// What a decoder shares with its frames: the stream, which the core reads at
// any offset under one lock (a seek and a read of one thread never meet
// another's), and the host's progress callback. Freed with the last
// reference, releasing the stream.
struct CodecStream {
  LONG references;
  SRWLOCK lock;
  IStream* stream;  // one reference of ours; null until the decoder's Initialize
  uint64_t size;    // the stream's size when it came, UINT64_MAX if it would not say
  CodecProgress progress;
};
HRESULT CreateCodecStream(CodecStream** shared);
void AcquireCodecStream(CodecStream* shared);
void ReleaseCodecStream(CodecStream* shared);
// Takes a reference to stream, and its size (null: lets go of the one held).
void AttachCodecStream(CodecStream* shared, IStream* stream);
NetpbmOffsetReader CodecStreamReader(CodecStream* shared);
void SetCodecProgress(CodecStream* shared, const CodecProgress& progress);
CodecProgress CodecProgressOf(CodecStream* shared);

// One image of the file as the decoder and its frames share it: its reading
// state, for one thread at a time (lock), and the stream it is read from.
// Freed with the last reference.
struct CodecFrame {
  LONG references;
  SRWLOCK lock;
  CodecStream* stream;  // one reference
  UINT index;           // which image of the file, 0 the first
  WicFrame frame;
};
// Reads the header at offset; OpenWicFrame's failures as HRESULTs.
HRESULT OpenCodecFrame(CodecStream* stream, uint64_t offset, UINT index, CodecFrame** shared);
void AcquireCodecFrame(CodecFrame* shared);
void ReleaseCodecFrame(CodecFrame* shared);

// The frame over an image of the file; it takes its own reference to shared.
HRESULT CreatePbmFrame(CodecFrame* shared, IWICBitmapFrameDecode** frame);

// WIC's pixel format for each layout of the decode core, in the layouts'
// order: what the frame gives and the registration lists.
struct LayoutPixelFormat {
  WicPixelLayout layout;
  const GUID* format;
};
extern const LayoutPixelFormat kLayoutPixelFormats[kWicLayoutCount];
const GUID& PixelFormatOfLayout(WicPixelLayout layout);
// The layout of format; false when it is none of ours.
bool LayoutOfPixelFormat(const GUID& format, WicPixelLayout* layout);

// The one mapping of the library's and the codec core's result codes to
// WIC's HRESULTs.
HRESULT HresultFromResultCode(ResultCode code);

}  // namespace quentarpbm

#endif  // QUENTARPBM_WIC_COM_WIC_COM_H
