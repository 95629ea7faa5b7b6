// The codec's property handler: a Netpbm file's size, depth and images for Explorer, from its
// header alone.
#include <windows.h>

#include <propsys.h>
#include <string.h>
#include <wchar.h>

#include <new>

#include "wic/com/wic_com.h"
#include "wic/com/wic_property_keys.h"
#include "wic/wic_decode.h"

namespace quentarpbm {

namespace {

// MinGW spells these Windows constants with a lower-case "l" suffix, which
// the static analysis refuses and cannot be told about inside a system
// header: STGM_WRITE | STGM_READWRITE, and
// HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED) (1247).
constexpr DWORD kWriteAccess = 0x3;
constexpr HRESULT kAlreadyInitialized = static_cast<HRESULT>(0x800704DFu);

// Images past this many are not counted: each costs a header's reads.
constexpr uint32_t kMostCountedImages = 65535;

// One property's value: a number of the key's type, or the dimensions text.
struct PropertyValue {
  const PROPERTYKEY* key;
  VARTYPE type;  // VT_UI4, VT_R8 or VT_LPWSTR (the object's text)
  ULONG number;
  double real;
};

constexpr size_t kMostProperties = 7;
constexpr size_t kTextCapacity = 32;  // "2147483647 x 2147483647" and more

// Writes value's decimal digits at text and returns the end.
wchar_t* AppendDecimal(wchar_t* text, uint32_t value) {
  wchar_t digits[10];
  size_t count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) *text++ = digits[--count];
  return text;
}

class PbmPropertyStore final
    : public CountedCodecObject<PbmPropertyStore, IPropertyStore, IInitializeWithStream,
                                IPropertyStoreCapabilities> {
 public:
  PbmPropertyStore() { InitializeSRWLock(&lock_); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    IPropertyStore* store = this;
    IInitializeWithStream* initialize = this;
    IPropertyStoreCapabilities* capabilities = this;
    const InterfaceFace faces[] = {{&IID_IUnknown, store},
                                   {&IID_IPropertyStore, store},
                                   {&IID_IInitializeWithStream, initialize},
                                   {&IID_IPropertyStoreCapabilities, capabilities}};
    return QueryInterfaceFromTable(faces, sizeof faces / sizeof faces[0], iid, object);
  }

  // Reads the header (and, for raw data, the headers of the images after
  // it, skipping their rasters) and nothing else. Data that is not a whole
  // Netpbm header gives a store without properties, not a failure: the
  // shell then shows what it knows of any file. Write access is refused:
  // the handler changes no file.
  HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, DWORD mode) override {
    if (stream == nullptr) return E_INVALIDARG;
    if ((mode & kWriteAccess) != 0) return STG_E_ACCESSDENIED;
    AcquireSRWLockExclusive(&lock_);
    HRESULT result = kAlreadyInitialized;
    if (!initialized_) {
      ReadProperties(stream);
      initialized_ = true;
      result = S_OK;
    }
    ReleaseSRWLockExclusive(&lock_);
    return result;
  }

  HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
    if (count == nullptr) return E_POINTER;
    AcquireSRWLockShared(&lock_);
    *count = static_cast<DWORD>(count_);
    ReleaseSRWLockShared(&lock_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) override {
    if (key == nullptr) return E_POINTER;
    AcquireSRWLockShared(&lock_);
    const HRESULT result = index < count_ ? S_OK : E_INVALIDARG;
    if (SUCCEEDED(result)) *key = *values_[index].key;
    ReleaseSRWLockShared(&lock_);
    return result;
  }
  // A key the store does not hold gives S_OK and VT_EMPTY, as the shell expects.
  HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
    if (value == nullptr) return E_POINTER;
    PropVariantInit(value);
    AcquireSRWLockShared(&lock_);
    HRESULT result = S_OK;
    for (size_t i = 0; i < count_; ++i) {
      if (IsEqualPropertyKey(key, *values_[i].key)) result = CopyValue(values_[i], value);
    }
    ReleaseSRWLockShared(&lock_);
    return result;
  }
  HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override {
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE Commit() override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE IsPropertyWritable(REFPROPERTYKEY) override { return S_FALSE; }

 private:
  friend class CountedCodecObject<PbmPropertyStore, IPropertyStore, IInitializeWithStream,
                                  IPropertyStoreCapabilities>;
  ~PbmPropertyStore() = default;

  // Called with the lock held, once. The frame's opening reads its header a
  // byte at a time, and the count skips raw rasters by their size: no
  // raster byte is read.
  void ReadProperties(IStream* stream) {
    CodecStream* shared = nullptr;
    if (FAILED(CreateCodecStream(&shared))) return;
    AttachCodecStream(shared, stream);
    const NetpbmOffsetReader reader = CodecStreamReader(shared);
    WicFrame frame{};
    if (OpenWicFrame(reader, 0, &frame) == PBM_OK) {
      CloseWicFrame(&frame);
      AddProperties(frame.header, CountNetpbmImages(reader, kMostCountedImages, true));
    }
    ReleaseCodecStream(shared);
  }

  void AddProperties(const WicHeader& header, uint32_t images) {
    const auto width = static_cast<ULONG>(header.width);
    const auto height = static_cast<ULONG>(header.height);
    Add(kImageHorizontalSize, VT_UI4, width);
    Add(kImageVerticalSize, VT_UI4, height);
    Add(kImageBitDepth, VT_UI4, static_cast<ULONG>(TraitsOfLayout(header.layout).bitsPerPixel));
    Add(kImageHorizontalResolution, VT_R8, 0, kCodecDotsPerInch);
    Add(kImageVerticalResolution, VT_R8, 0, kCodecDotsPerInch);
    wchar_t* end = AppendDecimal(dimensions_, width);
    for (const wchar_t* part = L" x "; *part != L'\0'; ++part) *end++ = *part;
    *AppendDecimal(end, height) = L'\0';
    Add(kImageDimensions, VT_LPWSTR, 0);
    if (images > 1) Add(kMediaFrameCount, VT_UI4, images);
  }

  void Add(const PROPERTYKEY& key, VARTYPE type, ULONG number, double real = 0.0) {
    values_[count_++] = PropertyValue{&key, type, number, real};
  }

  // The caller owns the copy, its text included (PropVariantClear frees it).
  HRESULT CopyValue(const PropertyValue& property, PROPVARIANT* value) const {
    if (property.type == VT_LPWSTR) {
      const size_t bytes = (wcslen(dimensions_) + 1) * sizeof(wchar_t);
      void* text = CoTaskMemAlloc(bytes);
      if (text == nullptr) return E_OUTOFMEMORY;
      memcpy(text, dimensions_, bytes);
      value->pwszVal = static_cast<wchar_t*>(text);
    } else if (property.type == VT_R8) {
      value->dblVal = property.real;
    } else {
      value->ulVal = property.number;
    }
    value->vt = property.type;
    return S_OK;
  }

  SRWLOCK lock_;
  bool initialized_ = false;
  size_t count_ = 0;
  PropertyValue values_[kMostProperties] = {};
  wchar_t dimensions_[kTextCapacity] = {};
};

}  // namespace

HRESULT CreatePbmPropertyStore(REFIID iid, void** object) {
  PbmPropertyStore* store = new (std::nothrow) PbmPropertyStore();
  if (store == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = store->QueryInterface(iid, object);
  store->Release();
  return result;
}

}  // namespace quentarpbm
