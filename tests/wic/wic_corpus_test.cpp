// The fuzz corpus and the regression files through the stock factory: each gives a failure
// code or an image, none crashes, and no object of the codec is left at the end.
#include <windows.h>

#include <gtest/gtest.h>
#include <wincodec.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "support/wic_codec.h"

namespace quentarpbm {
namespace {

using testing::ComRef;

// Relative to the working directory, the source tree.
const char* const kDirectories[] = {"fuzz/corpus", "tests/regression"};

class WicCorpus : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(WicCorpus, EveryFileFailsOrDecodesAndNothingIsLeft) {
  std::vector<std::string> files;
  for (const char* directory : kDirectories) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
      if (entry.is_regular_file()) files.push_back(entry.path().generic_string());
    }
  }
  ASSERT_GT(files.size(), 1000u);
  size_t images = 0;
  size_t refused = 0;
  {
    ComRef<IWICImagingFactory> factory;
    ASSERT_EQ(testing::CreateStockFactory(factory.put()), S_OK);
    for (const std::string& file : files) {
      SCOPED_TRACE(file);
      ComRef<IStream> stream;
      ASSERT_EQ(testing::MemoryStream(testing::ReadWholeFile(file), stream.put()), S_OK);
      ComRef<IWICBitmapDecoder> decoder;
      if (FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                  decoder.put()))) {
        ++refused;
        continue;
      }
      // Another of WIC's decoders may take a file that is no Netpbm image.
      GUID container = {};
      ASSERT_EQ(decoder->GetContainerFormat(&container), S_OK);
      if (!testing::DecoderIsOurs(decoder.p)) continue;
      ComRef<IWICBitmapFrameDecode> frame;
      ASSERT_EQ(decoder->GetFrame(0, frame.put()), S_OK);
      testing::WicPixels pixels;
      ASSERT_EQ(testing::CopyWholeFrame(frame.p, &pixels), S_OK);
      EXPECT_GT(pixels.width * pixels.height, 0u);
      ++images;
    }
  }
  printf("%zu files: %zu images, %zu refused\n", files.size(), images, refused);
  EXPECT_GT(images, 0u);
  EXPECT_GT(refused, 0u);
  // Everything released: the codec module may be unloaded.
  HMODULE codec = GetModuleHandleW(L"QuentarPbmWic.dll");
  ASSERT_NE(codec, nullptr);
  auto canUnload = testing::ProcAddress<HRESULT(WINAPI*)()>(codec, "DllCanUnloadNow");
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_OK);
}

}  // namespace
}  // namespace quentarpbm
