// A FIFO swapped with an image under one name while PBMOpen runs: every call returns (native only).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "quentarpbm.h"
#include "support/dib_result.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::DibResult;
using testing::OpenAsHost;
using testing::TestDirectory;

constexpr int kCalls = 20000;

// Puts a new link to source in place of target in one atomic step.
void ReplaceWithLinkTo(const std::string& source, const std::string& target) {
  const std::string spare = target + ".next";
  ASSERT_EQ(link(source.c_str(), spare.c_str()), 0);
  ASSERT_EQ(rename(spare.c_str(), target.c_str()), 0);
}

TEST(FifoSwapRace, EveryCallReturnsWithTheImageOrAnOpenFailure) {
  testing::UsePrivateTempDirectory();
  const std::string image = testing::WriteTestFile("race/image.pgm", "P5 1 1 255\n\x07");
  const std::string fifo = TestDirectory() + "race/idle.fifo";
  const std::string target = TestDirectory() + "race/target.pgm";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ReplaceWithLinkTo(image, target);

  // The FIFO never has a writer: a blocking open of it would never return.
  std::atomic<bool> done{false};
  std::thread swapper([&] {
    for (bool toFifo = true; !done; toFifo = !toFifo) {
      ReplaceWithLinkTo(toFifo ? fifo : image, target);
    }
  });
  int converted = 0;
  int refused = 0;
  for (int call = 0; call < kCalls; ++call) {
    const DibResult result = OpenAsHost(target);
    if (result.code == PBM_OK) {
      ++converted;
      ASSERT_EQ(result.pixels, std::vector<uint8_t>({7, 0, 0, 0}));
      ASSERT_TRUE(result.pixelFileRemoved);
    } else {
      ++refused;
      ASSERT_EQ(result.code, PBM_E_OPEN);
      ASSERT_TRUE(result.headerNull);
    }
  }
  done = true;
  swapper.join();
  // Both kinds of file were met.
  EXPECT_GT(converted, 0);
  EXPECT_GT(refused, 0);
  EXPECT_EQ(testing::FilesIn(testing::UsePrivateTempDirectory()), 0);
}

}  // namespace
}  // namespace quentarpbm
