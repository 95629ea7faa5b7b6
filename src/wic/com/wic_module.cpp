// The codec DLL's exports DllGetClassObject and DllCanUnloadNow, and the module's counts.
#include <windows.h>

#include "wic/com/wic_com.h"

namespace quentarpbm {

namespace {

// Plain LONGs changed only through the Interlocked calls: no constructor runs
// before DllMain, and none is left to run at unload.
LONG liveObjects = 0;
LONG moduleLocks = 0;

}  // namespace

void CountCodecObject(bool created) {
  if (created) {
    InterlockedIncrement(&liveObjects);
  } else {
    InterlockedDecrement(&liveObjects);
  }
}

void LockCodecModule(bool lock) {
  if (lock) {
    InterlockedIncrement(&moduleLocks);
  } else {
    InterlockedDecrement(&moduleLocks);
  }
}

bool CodecModuleInUse() {
  return InterlockedCompareExchange(&liveObjects, 0, 0) != 0 ||
         InterlockedCompareExchange(&moduleLocks, 0, 0) != 0;
}

HRESULT QueryInterfaceFromTable(const InterfaceFace* faces, size_t count, REFIID iid,
                                void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  for (size_t i = 0; i < count; ++i) {
    if (IsEqualIID(iid, *faces[i].iid)) {
      *object = faces[i].face;
      faces[i].face->AddRef();
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

HRESULT HresultFromResultCode(ResultCode code) {
  switch (code) {
    case PBM_OK:
      return S_OK;
    case PBM_E_UNSUPPORTED:
      return WINCODEC_ERR_UNKNOWNIMAGEFORMAT;
    case PBM_E_READ:
    case PBM_E_MAXVAL:
      return WINCODEC_ERR_BADHEADER;
    case PBM_E_NO_MEMORY:
      return E_OUTOFMEMORY;
    case PBM_E_ARGUMENT:
      return E_INVALIDARG;
    case kWicStopped:
      return kWincodecErrAborted;
    case kWicUnsupportedFormat:
      return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    case kWicUnsupportedTransform:
      return WINCODEC_ERR_UNSUPPORTEDOPERATION;
    case kWicBufferTooSmall:
      return WINCODEC_ERR_INSUFFICIENTBUFFER;
    default:
      return E_FAIL;
  }
}

}  // namespace quentarpbm

// Only our two classes are served: the decoder and the property handler.
// *object is null on every failure.
extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  using namespace quentarpbm;
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualCLSID(clsid, kPbmDecoderClsid)) {
    return CreatePbmClassFactory(CreatePbmDecoder, iid, object);
  }
  if (IsEqualCLSID(clsid, kPbmPropertyHandlerClsid)) {
    return CreatePbmClassFactory(CreatePbmPropertyStore, iid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

// S_OK once no object of ours lives and no lock is held: COM may then unload.
extern "C" HRESULT WINAPI DllCanUnloadNow() {
  return quentarpbm::CodecModuleInUse() ? S_FALSE : S_OK;
}
