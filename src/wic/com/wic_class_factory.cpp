// The codec's IClassFactory: makes decoders and holds the module's locks.
#include <windows.h>

#include <new>

#include "wic/com/wic_com.h"

namespace quentarpbm {

namespace {

const IID* const kFactoryInterfaces[] = {&IID_IUnknown, &IID_IClassFactory};

class PbmClassFactory final : public IClassFactory {
 public:
  PbmClassFactory() { CountCodecObject(true); }
  PbmClassFactory(const PbmClassFactory&) = delete;
  PbmClassFactory& operator=(const PbmClassFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return QueryInterfaceFromTable(this, kFactoryInterfaces,
                                   sizeof kFactoryInterfaces / sizeof kFactoryInterfaces[0], iid,
                                   object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // Aggregation is not offered: WIC never asks for it.
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return CreatePbmDecoder(iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    LockCodecModule(lock != FALSE);
    return S_OK;
  }

 private:
  ~PbmClassFactory() { CountCodecObject(false); }

  LONG references_ = 1;
};

}  // namespace

HRESULT CreatePbmClassFactory(REFIID iid, void** object) {
  PbmClassFactory* factory = new (std::nothrow) PbmClassFactory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  // The caller's reference replaces the one the factory was made with.
  const HRESULT result = factory->QueryInterface(iid, object);
  factory->Release();
  return result;
}

}  // namespace quentarpbm
