// DllCanUnloadNow: S_FALSE while an object of the codec or a lock lives, S_OK after.
#include <windows.h>

#include <gtest/gtest.h>
#include <wincodec.h>

#include "support/wic_codec.h"
#include "wic/com/wic_com.h"

namespace quentarpbm {
namespace {

using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT(WINAPI*)();

// The DLL loaded directly, as COM would, beside this program.
class WicModule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    module_ = LoadLibraryW(L"QuentarPbmWic.dll");
    ASSERT_NE(module_, nullptr);
    getClassObject_ = testing::ProcAddress<GetClassObject>(module_, "DllGetClassObject");
    canUnloadNow_ = testing::ProcAddress<CanUnloadNow>(module_, "DllCanUnloadNow");
    ASSERT_NE(getClassObject_, nullptr);
    ASSERT_NE(canUnloadNow_, nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
    CoUninitialize();
  }

  IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(
        getClassObject_(kPbmDecoderClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
        S_OK);
    return factory;
  }

  HMODULE module_ = nullptr;
  GetClassObject getClassObject_ = nullptr;
  CanUnloadNow canUnloadNow_ = nullptr;
};

TEST_F(WicModule, FactoryAndLocks) {
  EXPECT_EQ(canUnloadNow_(), S_OK);
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);  // the lock alone
  factory = Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);  // the factory alone
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(WicModule, DecoderAndFrameOutliveTheFactory) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  IWICBitmapDecoder* decoder = nullptr;
  ASSERT_EQ(
      factory->CreateInstance(nullptr, IID_IWICBitmapDecoder, reinterpret_cast<void**>(&decoder)),
      S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);  // the decoder
  IStream* stream = nullptr;
  ASSERT_EQ(testing::MemoryStream("P1 2 1 10", &stream), S_OK);
  ASSERT_EQ(decoder->Initialize(stream, WICDecodeMetadataCacheOnLoad), S_OK);
  stream->Release();
  IWICBitmapFrameDecode* frame = nullptr;
  ASSERT_EQ(decoder->GetFrame(0, &frame), S_OK);
  decoder->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);  // the frame, which keeps the image
  uint8_t bits = 0xCD;
  EXPECT_EQ(frame->CopyPixels(nullptr, 1, 1, &bits), S_OK);
  EXPECT_EQ(bits, 0x7F);  // black then white, then white padding
  frame->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(WicModule, RefusesOtherClassesAndAggregation) {
  void* object = &object;
  EXPECT_EQ(getClassObject_(CLSID_WICImagingFactory, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(getClassObject_(kPbmDecoderClsid, IID_IClassFactory, nullptr), E_POINTER);
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  object = &object;
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown, &object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IWICBitmapFrameDecode, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

}  // namespace
}  // namespace quentarpbm
