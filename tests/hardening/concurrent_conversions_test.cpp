// Conversions on other threads, eight at once or on small stacks, match one-at-a-time ones.
#include <gtest/gtest.h>
#include <string.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32_api.h"
#include "quentarpbm.h"
#include "support/private_temp_directory.h"
#include "support/small_stack_thread.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::FilesIn;
using testing::UsePrivateTempDirectory;
using testing::WriteTestFile;

constexpr int kThreads = 8;
constexpr int kConversionsPerThread = 250;

// What a host keeps of one call. Nothing here asserts, so it may run on any thread.
struct Outcome {
  int32_t code = 0;
  std::vector<uint8_t> header;
  std::vector<uint8_t> pixels;
  int32_t progressCalls = 0;
  bool released = true;  // every handle closed and the pixel file deleted

  bool operator==(const Outcome& other) const {
    return code == other.code && header == other.header && pixels == other.pixels &&
           progressCalls == other.progressCalls && released == other.released;
  }
};

// Progress is counted per thread: the 32-bit user value cannot carry a pointer.
thread_local int32_t progressCalls = 0;
void PBM_CALL CountProgressHere(int32_t /*row*/, int32_t /*rows*/, uint32_t /*user*/) {
  ++progressCalls;
}

// Converts path, copies out the block and the pixels and releases all of it.
Outcome Convert(const std::string& path) {
  Outcome outcome;
  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  progressCalls = 0;
  outcome.code = PBMOpen(path.c_str(), name, &mapping, &header, CountProgressHere, 0);
  outcome.progressCalls = progressCalls;
  if (outcome.code != PBM_OK) {
    outcome.released = header == nullptr && mapping == nullptr;
    return outcome;
  }
  const SIZE_T blockBytes = GlobalSize(header);
  const auto* block = static_cast<const uint8_t*>(GlobalLock(header));
  if (block != nullptr) outcome.header.assign(block, block + blockBytes);
  GlobalUnlock(header);
  DWORD imageBytes = 0;
  if (outcome.header.size() >= 24) memcpy(&imageBytes, outcome.header.data() + 20, 4);
  const auto* view =
      static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, imageBytes));
  if (view != nullptr) outcome.pixels.assign(view, view + imageBytes);
  outcome.released = view != nullptr && UnmapViewOfFile(view) && CloseHandle(mapping) &&
                     GlobalFree(header) == nullptr && DeleteFileA(name);
  return outcome;
}

// All six variants at several sizes, and files that fail at each stage.
std::vector<std::string> MixedFiles() {
  std::vector<std::string> paths;
  const auto add = [&](const std::string& bytes) {
    paths.push_back(WriteTestFile("mixed-" + std::to_string(paths.size()), bytes));
  };
  for (int side : {1, 3, 17, 40}) {
    const std::string size = std::to_string(side) + " " + std::to_string(side + 1);
    const int pixels = side * (side + 1);
    std::string bits, raw, plain, rawColour, plainColour;
    for (int i = 0; i < pixels; ++i) {
      bits += (i * 7 + side) % 3 == 0 ? "1 " : "0 ";
      raw += static_cast<char>((i * 31 + side) % 256);
      plain += std::to_string((i * 13) % 256) + " ";
      for (int c = 0; c < 3; ++c) {
        rawColour += static_cast<char>((i * 5 + c * 70) % 256);
        plainColour += std::to_string((i + c * 90) % 256) + "\n";
      }
    }
    const int rowBytes = (side + 7) / 8;
    std::string packed;
    for (int i = 0; i < rowBytes * (side + 1); ++i) packed += static_cast<char>(i * 37 + side);
    add("P1\n" + size + "\n" + bits);
    add("P4 " + size + "\n" + packed);
    add("P2 " + size + " 255\n" + plain);
    add("P5 " + size + " 255\n" + raw);
    add("P3 " + size + " 255\n" + plainColour);
    add("P6 " + size + " 255\n" + rawColour);
  }
  add("P6 40 40 255\n");  // cut short: a full-size DIB of zeros
  add("P5 0 4 255\n");    // an empty pixel file cannot be mapped
  add("P2 2 2 256\n");    // maxval too large
  add("P2 x");            // malformed width
  add("GIF89a");          // recognised, not converted
  return paths;
}

TEST(ConcurrentConversions, EightThreadsGiveTheSameBytesAsOneAtATime) {
  const std::string& temp = UsePrivateTempDirectory();
  const std::vector<std::string> files = MixedFiles();
  std::vector<Outcome> alone;
  for (const std::string& path : files) alone.push_back(Convert(path));
  int succeeded = 0;
  for (const Outcome& outcome : alone) {
    ASSERT_TRUE(outcome.released);
    succeeded += outcome.code == PBM_OK;
  }
  // The 24 good files and the one cut short convert; the other four fail.
  ASSERT_EQ(succeeded, 25);
  ASSERT_EQ(FilesIn(temp), 0);

  std::atomic<int> mismatches{0};
  std::atomic<int> converted{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kConversionsPerThread; ++i) {
        // Each thread walks the files from its own start, so that different
        // files and the same file are converted side by side.
        const size_t file = (static_cast<size_t>(t) * 5 + static_cast<size_t>(i)) % files.size();
        const Outcome outcome = Convert(files[file]);
        if (!(outcome == alone[file])) ++mismatches;
        ++converted;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(converted.load(), kThreads * kConversionsPerThread);
  EXPECT_EQ(mismatches.load(), 0);
  // Every pixel file was deleted by the thread that received it.
  EXPECT_EQ(FilesIn(temp), 0);
}

struct SmallStackJob {
  const std::string* path;
  Outcome outcome;
};

// Hosts run import filters on worker threads with small stacks: every file,
// each variant among them, converts there exactly as on the main thread.
TEST(SmallStackConversions, EachFileConvertsOnTheSmallestStackAsOnTheMainThread) {
  const std::string& temp = UsePrivateTempDirectory();
  for (const std::string& path : MixedFiles()) {
    SCOPED_TRACE(path);
    const Outcome alone = Convert(path);
    SmallStackJob job{&path, {}};
    ASSERT_TRUE(testing::RunOnSmallestHostStack(
        [](void* argument) {
          auto* j = static_cast<SmallStackJob*>(argument);
          j->outcome = Convert(*j->path);
        },
        &job))
        << "no thread with a stack of " << testing::kSmallestHostStack << " bytes";
    EXPECT_TRUE(job.outcome == alone);
    EXPECT_TRUE(job.outcome.released);
  }
  EXPECT_EQ(FilesIn(temp), 0);
}

}  // namespace
}  // namespace quentarpbm
