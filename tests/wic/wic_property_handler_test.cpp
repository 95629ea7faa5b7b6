// The property handler through COM as Explorer reaches it: each format's values, several
// images, files it must not describe, refused writes, and a header read alone.
#include <windows.h>

#include <gtest/gtest.h>
#include <propsys.h>
#include <wincodec.h>

#include <string>

#include "support/param_label.h"
#include "support/wic_codec.h"

namespace quentarpbm {
namespace {

using testing::ComRef;

// The bytes of a literal, its zeros included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// The class and the keys as Windows documents them, written here by hand:
// the image summary property set and its property IDs.
const CLSID kHandlerClsid = {
    0x71d1ab58, 0x741e, 0x400f, {0x8e, 0xd6, 0xf3, 0x8d, 0xf8, 0xb1, 0x03, 0xa4}};
PROPERTYKEY ImageKey(DWORD pid) {
  return {{0x6444048f, 0x4c8b, 0x11d1, {0x8b, 0x70, 0x08, 0x00, 0x36, 0xb1, 0x1a, 0x03}}, pid};
}
const PROPERTYKEY kHorizontalSize = ImageKey(3);
const PROPERTYKEY kVerticalSize = ImageKey(4);
const PROPERTYKEY kHorizontalResolution = ImageKey(5);
const PROPERTYKEY kVerticalResolution = ImageKey(6);
const PROPERTYKEY kBitDepth = ImageKey(7);
const PROPERTYKEY kFrameCount = ImageKey(12);  // System.Media.FrameCount
const PROPERTYKEY kDimensions = ImageKey(13);

class WicPropertyHandler : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }

  // The handler by its class from the registry, initialized over stream.
  static HRESULT Open(IStream* stream, IPropertyStore** store) {
    ComRef<IInitializeWithStream> initialize;
    HRESULT result =
        CoCreateInstance(kHandlerClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IInitializeWithStream,
                         reinterpret_cast<void**>(initialize.put()));
    if (SUCCEEDED(result)) result = initialize->Initialize(stream, STGM_READ);
    if (SUCCEEDED(result)) {
      result = initialize->QueryInterface(IID_IPropertyStore, reinterpret_cast<void**>(store));
    }
    return result;
  }
};

// A key's value as text ("empty" when the store holds none).
std::string ValueText(IPropertyStore* store, const PROPERTYKEY& key) {
  PROPVARIANT value;
  if (FAILED(store->GetValue(key, &value))) return "failed";
  std::string text = "type " + std::to_string(value.vt);
  if (value.vt == VT_EMPTY) text = "empty";
  if (value.vt == VT_UI4) text = std::to_string(value.ulVal);
  if (value.vt == VT_R8) text = std::to_string(static_cast<int>(value.dblVal * 100)) + "/100";
  if (value.vt == VT_LPWSTR)
    text = std::string(value.pwszVal, value.pwszVal + wcslen(value.pwszVal));
  PropVariantClear(&value);
  return text;
}

struct PropertyCase {
  const char* label;
  std::string bytes;
  const char* dimensions;  // null: no properties at all
  const char* bitDepth;
  const char* frames;  // "empty" where one image is all there is
};

class WicPropertyValues : public WicPropertyHandler,
                          public ::testing::WithParamInterface<PropertyCase> {};

TEST_P(WicPropertyValues, FromTheHeaderAlone) {
  const PropertyCase& c = GetParam();
  ComRef<IStream> stream;
  ASSERT_EQ(testing::MemoryStream(c.bytes, stream.put()), S_OK);
  ComRef<IPropertyStore> store;
  ASSERT_EQ(Open(stream.p, store.put()), S_OK);
  DWORD count = 99;
  ASSERT_EQ(store->GetCount(&count), S_OK);
  if (c.dimensions == nullptr) {
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ValueText(store.p, kHorizontalSize), "empty");
    return;
  }
  const std::string dimensions = c.dimensions;
  const size_t cross = dimensions.find(" x ");
  EXPECT_EQ(ValueText(store.p, kDimensions), dimensions);
  EXPECT_EQ(ValueText(store.p, kHorizontalSize), dimensions.substr(0, cross));
  EXPECT_EQ(ValueText(store.p, kVerticalSize), dimensions.substr(cross + 3));
  EXPECT_EQ(ValueText(store.p, kBitDepth), c.bitDepth);
  EXPECT_EQ(ValueText(store.p, kHorizontalResolution), "9600/100");
  EXPECT_EQ(ValueText(store.p, kVerticalResolution), "9600/100");
  EXPECT_EQ(ValueText(store.p, kFrameCount), c.frames);
  // GetAt lists exactly the keys that have values.
  EXPECT_EQ(count, std::string(c.frames) == "empty" ? 6u : 7u);
  for (DWORD i = 0; i < count; ++i) {
    PROPERTYKEY key = {};
    ASSERT_EQ(store->GetAt(i, &key), S_OK);
    EXPECT_NE(ValueText(store.p, key), "empty") << "key " << i;
  }
  PROPERTYKEY beyond = {};
  EXPECT_EQ(store->GetAt(count, &beyond), E_INVALIDARG);
  printf("%-24s Dimensions %s, BitDepth %s, resolution %s dpi, FrameCount %s\n", c.label,
         ValueText(store.p, kDimensions).c_str(), ValueText(store.p, kBitDepth).c_str(),
         ValueText(store.p, kHorizontalResolution).c_str(),
         ValueText(store.p, kFrameCount).c_str());
}

const std::string kRawGrey = Bytes("P5 2 1 255\n\x01\x02");
const PropertyCase kCases[] = {
    {"PlainBitmap", "P1 3 2\n1 0 1 0 1 0", "3 x 2", "1", "empty"},
    {"PlainGrey", "P2 2 1 255\n0 255", "2 x 1", "8", "empty"},
    {"PlainColour", "P3 1 1 15\n1 2 3", "1 x 1", "24", "empty"},
    {"RawBitmap", Bytes("P4 9 2\n\0\0\0\0"), "9 x 2", "1", "empty"},
    {"RawGrey", kRawGrey, "2 x 1", "8", "empty"},
    {"RawColour", Bytes("P6 1 1 255\n\0\0\0"), "1 x 1", "24", "empty"},
    {"SixteenBitGrey", Bytes("P5 2 1 65535\n\0\1\0\2"), "2 x 1", "16", "empty"},
    {"SixteenBitColour", Bytes("P6 1 1 1000\n\0\0\0\0\0\0"), "1 x 1", "48", "empty"},
    // Images one after another: each raster skipped by its size.
    {"TwoImages", kRawGrey + "P5 3 1 255\n\x01\x02\x03", "2 x 1", "8", "2"},
    {"ThreeBitmapsWithLineEnds", Bytes("P4 8 1\n\x0F\nP4 8 1\n\xF0\n\nP4 16 1\n\xFF\xFF"), "8 x 1",
     "1", "3"},
    {"MixedImages", kRawGrey + Bytes("P6 1 1 255\n\0\0\0"), "2 x 1", "8", "2"},
    // What follows counts only as a whole valid header.
    {"TrailingHeaderCutShort", kRawGrey + "P5 3", "2 x 1", "8", "empty"},
    {"TrailingText", kRawGrey + "\nthe end\n", "2 x 1", "8", "empty"},
    {"BlanksThenAnImage", kRawGrey + std::string(300, ' ') + "P5 1 1 255\n\0", "2 x 1", "8", "2"},
    // A text raster's end is not known without reading it: one image.
    {"PlainImagesAreOne", "P2 1 1 255\n0\nP2 1 1 255\n0\n", "1 x 1", "8", "empty"},
    // Not a whole Netpbm header: no properties, and no failure.
    {"HeaderCutShort", "P5 2", nullptr, nullptr, nullptr},
    {"HeaderOnlyMagic", "P6", nullptr, nullptr, nullptr},
    {"MaxvalTooLarge", "P2 1 1 65536\n0", nullptr, nullptr, nullptr},
    {"NotNetpbm", "GIF89a\x01\x00\x01\x00", nullptr, nullptr, nullptr},
    {"Empty", "", nullptr, nullptr, nullptr},
};
INSTANTIATE_TEST_SUITE_P(Files, WicPropertyValues, ::testing::ValuesIn(kCases),
                         testing::ParamLabel<PropertyCase>);

TEST_F(WicPropertyHandler, RefusesWritesAndASecondInitialize) {
  ComRef<IInitializeWithStream> initialize;
  ASSERT_EQ(CoCreateInstance(kHandlerClsid, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IInitializeWithStream, reinterpret_cast<void**>(initialize.put())),
            S_OK);
  ComRef<IStream> stream;
  ASSERT_EQ(testing::MemoryStream(kRawGrey, stream.put()), S_OK);
  EXPECT_EQ(initialize->Initialize(stream.p, STGM_READWRITE), STG_E_ACCESSDENIED);
  EXPECT_EQ(initialize->Initialize(nullptr, STGM_READ), E_INVALIDARG);
  ASSERT_EQ(initialize->Initialize(stream.p, STGM_READ), S_OK);
  EXPECT_EQ(initialize->Initialize(stream.p, STGM_READ),
            HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
  ComRef<IPropertyStore> store;
  ASSERT_EQ(initialize->QueryInterface(IID_IPropertyStore, reinterpret_cast<void**>(store.put())),
            S_OK);
  PROPVARIANT value;
  PropVariantInit(&value);
  value.vt = VT_UI4;
  value.ulVal = 5;
  EXPECT_EQ(store->SetValue(kHorizontalSize, value), STG_E_ACCESSDENIED);
  EXPECT_EQ(store->Commit(), STG_E_ACCESSDENIED);
  EXPECT_EQ(ValueText(store.p, kHorizontalSize), "2");
  ComRef<IPropertyStoreCapabilities> capabilities;
  ASSERT_EQ(store->QueryInterface(IID_IPropertyStoreCapabilities,
                                  reinterpret_cast<void**>(capabilities.put())),
            S_OK);
  EXPECT_EQ(capabilities->IsPropertyWritable(kHorizontalSize), S_FALSE);
  // Every interface leads back to the same object.
  ComRef<IUnknown> first;
  ComRef<IUnknown> second;
  ASSERT_EQ(store->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(first.put())), S_OK);
  ASSERT_EQ(capabilities->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(second.put())),
            S_OK);
  EXPECT_EQ(first.p, second.p);
  ComRef<IWICBitmapDecoder> none;
  EXPECT_EQ(store->QueryInterface(IID_IWICBitmapDecoder, reinterpret_cast<void**>(none.put())),
            E_NOINTERFACE);
}

// A stream of size bytes that holds head at its start and tail at its end
// and zeros between, none of them stored; it counts the bytes read from it,
// and those read between head and tail.
class SparseStream final : public IStream {
 public:
  SparseStream(std::string head, std::string tail, uint64_t size)
      : head_(std::move(head)), tail_(std::move(tail)), size_(size) {}
  uint64_t bytesRead = 0;
  uint64_t bytesBetween = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IStream) ? this : nullptr;
    return *object != nullptr ? S_OK : E_NOINTERFACE;
  }
  // Lives on the test's stack, which outlives the handler.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* got) override {
    ULONG done = 0;
    for (; done < count && position_ < size_; ++done, ++position_) {
      const uint64_t fromEnd = size_ - position_;
      char byte = 0;
      if (position_ < head_.size()) byte = head_[static_cast<size_t>(position_)];
      if (fromEnd <= tail_.size()) byte = tail_[tail_.size() - static_cast<size_t>(fromEnd)];
      if (position_ >= head_.size() && fromEnd > tail_.size()) ++bytesBetween;
      static_cast<char*>(buffer)[done] = byte;
    }
    bytesRead += done;
    if (got != nullptr) *got = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* at) override {
    const uint64_t base = origin == STREAM_SEEK_SET   ? 0
                          : origin == STREAM_SEEK_CUR ? position_
                                                      : size_;
    position_ = base + static_cast<uint64_t>(move.QuadPart);
    if (at != nullptr) at->QuadPart = position_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = size_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                   ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  std::string head_;
  std::string tail_;
  uint64_t size_;
  uint64_t position_ = 0;
};

TEST_F(WicPropertyHandler, ReadsHeadersOnlyOfA2GBFile) {
  // 46341 x 46341 grey bytes (just over 2 GB), then a second image of one pixel.
  const std::string head = "P5 46341 46341 255\n";
  const std::string tail = Bytes("P5 1 1 255\n") + '\x7f';
  const uint64_t raster = 46341ull * 46341ull;
  SparseStream stream(head, tail, head.size() + raster + tail.size());
  ComRef<IPropertyStore> store;
  ASSERT_EQ(Open(&stream, store.put()), S_OK);
  EXPECT_EQ(ValueText(store.p, kDimensions), "46341 x 46341");
  EXPECT_EQ(ValueText(store.p, kFrameCount), "2");
  // The headers (each read a few times over: opened, then counted) and what
  // follows the first raster, where a second image could start: never a
  // byte of the 2 GB raster.
  EXPECT_EQ(stream.bytesBetween, 0u);
  EXPECT_GE(stream.bytesRead, head.size() + tail.size() - 1);
  EXPECT_LE(stream.bytesRead, 3 * (head.size() + tail.size()));
}

// After an installation the handler and the decoder must come from the
// installed codec: the module that answers is the registered one.
TEST_F(WicPropertyHandler, TheRegisteredModuleAnswers) {
  ComRef<IStream> stream;
  ASSERT_EQ(testing::MemoryStream(kRawGrey, stream.put()), S_OK);
  ComRef<IPropertyStore> store;
  ASSERT_EQ(Open(stream.p, store.put()), S_OK);
  ComRef<IWICBitmapFrameDecode> frame;
  ASSERT_EQ(testing::FrameFromBytes(kRawGrey, frame.put()), S_OK);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT,
                          L"CLSID\\{71D1AB58-741E-400F-8ED6-F38DF8B103A4}\\InprocServer32", 0,
                          KEY_QUERY_VALUE, &key),
            ERROR_SUCCESS);
  wchar_t registered[MAX_PATH] = {};
  DWORD bytes = sizeof registered;
  const LSTATUS status =
      RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(registered), &bytes);
  RegCloseKey(key);
  ASSERT_EQ(status, ERROR_SUCCESS);
  wchar_t loaded[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(GetModuleHandleW(L"QuentarPbmWic.dll"), loaded, MAX_PATH), 0u);
  EXPECT_EQ(lstrcmpiW(registered, loaded), 0);
  printf("codec answering from %ls\n", loaded);
}

}  // namespace
}  // namespace quentarpbm
