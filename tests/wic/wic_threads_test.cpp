// Several threads decoding and copying at once through the stock factory, and one frame shared.
#include <windows.h>

#include <gtest/gtest.h>
#include <stdint.h>
#include <wincodec.h>

#include <string>
#include <thread>
#include <vector>

#include "support/wic_codec.h"

namespace quentarpbm {
namespace {

using testing::ComRef;

constexpr int kThreads = 4;
constexpr int kRounds = 25;

// A 97 x 61 raw PPM whose every sample differs from its neighbours'.
std::string ColourImage() {
  std::string image = "P6 97 61 255\n";
  for (int i = 0; i < 97 * 61 * 3; ++i) image += static_cast<char>((i * 7 + i / 291) & 0xFF);
  return image;
}

// Decodes image through the stock factory on the calling thread.
HRESULT DecodeOnce(const std::string& image, testing::WicPixels* pixels) {
  ComRef<IWICBitmapFrameDecode> frame;
  HRESULT result = testing::FrameFromBytes(image, frame.put());
  if (SUCCEEDED(result)) result = testing::CopyWholeFrame(frame.p, pixels);
  return result;
}

class WicThreads : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(WicThreads, DecodeAtOnceAndAgree) {
  const std::string image = ColourImage();
  testing::WicPixels alone;
  ASSERT_EQ(DecodeOnce(image, &alone), S_OK);
  // Red of pixel 0 is file byte 0; WIC's first byte is its blue, file byte 2.
  ASSERT_EQ(alone.bytes[0], 14);
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      for (int round = 0; round < kRounds; ++round) {
        testing::WicPixels pixels;
        if (DecodeOnce(image, &pixels) != S_OK || pixels.bytes != alone.bytes) ++failures[t];
      }
      CoUninitialize();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
}

TEST_F(WicThreads, ShareOneFrame) {
  const std::string image = ColourImage();
  // The decoder and its stream are gone by now: the frame alone keeps the image.
  ComRef<IWICBitmapFrameDecode> frame;
  ASSERT_EQ(testing::FrameFromBytes(image, frame.put()), S_OK);
  testing::WicPixels whole;
  ASSERT_EQ(testing::CopyWholeFrame(frame.p, &whole), S_OK);
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        // Each thread its own band of rows, and the whole frame.
        const WICRect band = {t, t * 15, 97 - t, 15};
        std::vector<uint8_t> rows(size_t{15} * whole.stride);
        frame->AddRef();
        const bool copied = frame->CopyPixels(&band, whole.stride, static_cast<UINT>(rows.size()),
                                              rows.data()) == S_OK;
        frame->Release();
        const size_t at = static_cast<size_t>(t) * 15 * whole.stride + static_cast<size_t>(t) * 3;
        bool same = copied;
        for (int y = 0; y < 15 && same; ++y) {
          same = std::equal(rows.begin() + y * whole.stride,
                            rows.begin() + y * whole.stride + (97 - t) * 3,
                            whole.bytes.begin() + static_cast<ptrdiff_t>(at) + y * whole.stride);
        }
        testing::WicPixels again;
        if (!same || testing::CopyWholeFrame(frame.p, &again) != S_OK ||
            again.bytes != whole.bytes) {
          ++failures[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
}

}  // namespace
}  // namespace quentarpbm
