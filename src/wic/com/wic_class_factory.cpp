// The codec's IClassFactory: makes the objects of one class and holds the module's locks.
#include <windows.h>

#include <new>

#include "wic/com/wic_com.h"

namespace quentarpbm {

namespace {

class PbmClassFactory final : public CountedCodecObject<PbmClassFactory, IClassFactory> {
 public:
  explicit PbmClassFactory(CreateCodecObject create) : create_(create) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    const InterfaceFace faces[] = {{&IID_IUnknown, this}, {&IID_IClassFactory, this}};
    return QueryInterfaceFromTable(faces, sizeof faces / sizeof faces[0], iid, object);
  }

  // Aggregation is not offered: neither WIC nor the shell asks for it.
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return create_(iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    LockCodecModule(lock != FALSE);
    return S_OK;
  }

 private:
  friend class CountedCodecObject<PbmClassFactory, IClassFactory>;
  ~PbmClassFactory() = default;

  CreateCodecObject create_;
};

}  // namespace

HRESULT CreatePbmClassFactory(CreateCodecObject create, REFIID iid, void** object) {
  PbmClassFactory* factory = new (std::nothrow) PbmClassFactory(create);
  if (factory == nullptr) return E_OUTOFMEMORY;
  // The caller's reference replaces the one the factory was made with.
  const HRESULT result = factory->QueryInterface(iid, object);
  factory->Release();
  return result;
}

}  // namespace quentarpbm
