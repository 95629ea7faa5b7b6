// Hosts that load and free QUENTARPBM.dll thousands of times, or convert on thousands
// of short-lived threads: the process keeps its TLS slots and its memory stays flat.
#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "platform/win32_api.h"
#include "quentarpbm.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::Bytes;
using testing::FilesIn;
using testing::UsePrivateTempDirectory;
using testing::WriteTestFile;

using OpenFunction = decltype(&PBMOpen);

// Past the 1,088 TLS slots a process has, so a slot lost per load would show.
constexpr int kCycles = 2000;
constexpr int kWarmUpCycles = 5;
constexpr int kThreads = 2000;
constexpr long long kGrowthLimit = 1 << 20;

// Committed private memory (heaps, stacks, VirtualAlloc regions), summed
// region by region: Wine reports no PrivateUsage in the process counters.
long long CommittedPrivateBytes() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  long long total = 0;
  MEMORY_BASIC_INFORMATION region;
  const char* address = static_cast<const char*>(system.lpMinimumApplicationAddress);
  while (address < system.lpMaximumApplicationAddress &&
         VirtualQuery(address, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
      total += static_cast<long long>(region.RegionSize);
    }
    address = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
  }
  return total;
}

// The index the host's next TlsAlloc gets.
DWORD NextFreeTlsIndex() {
  const DWORD index = TlsAlloc();
  TlsFree(index);
  return index;
}

// What a host keeps of one call. Nothing here asserts, so it may run on any thread.
struct Conversion {
  int32_t code = 1;
  DWORD lastError = 0;  // after a failed call, to tell which platform call failed
  LONG width = 0;
  bool released = false;  // every handle closed and the pixel file deleted
};

// Calls PBMOpen through the loaded DLL and releases what it handed over.
Conversion ConvertAndRelease(OpenFunction open, const std::string& path) {
  Conversion conversion;
  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  conversion.code = open(path.c_str(), name, &mapping, &header, nullptr, 0);
  if (conversion.code != PBM_OK) {
    conversion.lastError = GetLastError();
    conversion.released = mapping == nullptr && header == nullptr;
    return conversion;
  }
  const auto* info = static_cast<const BITMAPINFOHEADER*>(GlobalLock(header));
  if (info != nullptr) conversion.width = info->biWidth;
  GlobalUnlock(header);
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  conversion.released = view != nullptr && UnmapViewOfFile(view) && CloseHandle(mapping) &&
                        GlobalFree(header) == nullptr && DeleteFileA(name);
  return conversion;
}

OpenFunction FindOpen(HMODULE library) {
  return reinterpret_cast<OpenFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "PBMOpen")));
}

// A 3 x 2 grey image, and one with no pixels that fails after its header is
// read, so the converter's own exception handler runs.
std::string SmallImage() { return WriteTestFile("small.pgm", Bytes("P5 3 2 255\n\1\2\3\4\5\6")); }
std::string ZeroWidthImage() { return WriteTestFile("zero-width.pgm", Bytes("P5 0 4 255\n")); }

// One host's whole use of the library: load, convert, release, free.
Conversion LoadConvertAndFree(const std::string& image) {
  HMODULE library = LoadLibraryA("QUENTARPBM.dll");
  if (library == nullptr) return Conversion{};
  Conversion conversion;
  if (OpenFunction open = FindOpen(library)) conversion = ConvertAndRelease(open, image);
  FreeLibrary(library);
  return conversion;
}

TEST(DllLifecycle, LoadsAndFreesThousandsOfTimesKeepingTlsSlotsAndMemory) {
  const std::string image = SmallImage();
  for (int cycle = 0; cycle < kWarmUpCycles; ++cycle) LoadConvertAndFree(image);
  const DWORD firstFreeTls = NextFreeTlsIndex();
  const long long startBytes = CommittedPrivateBytes();
  long long growth = 0;
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    const Conversion conversion = LoadConvertAndFree(image);
    ASSERT_EQ(conversion.code, PBM_OK) << "cycle " << cycle;
    ASSERT_EQ(conversion.width, 3) << "cycle " << cycle;
    ASSERT_TRUE(conversion.released) << "cycle " << cycle;
    ASSERT_EQ(NextFreeTlsIndex(), firstFreeTls) << "a TLS slot lost by cycle " << cycle;
    growth = CommittedPrivateBytes() - startBytes;
    ASSERT_LT(growth, kGrowthLimit) << "private memory grew by cycle " << cycle;
  }
  std::cout << "private memory growth over " << kCycles << " loads: " << growth << " bytes\n";
  EXPECT_EQ(FilesIn(UsePrivateTempDirectory()), 0);
}

// Each worker thread converts a good file and a failing one.
struct ThreadWork {
  OpenFunction open = nullptr;
  const std::string* good = nullptr;
  const std::string* failing = nullptr;
  Conversion goodConversion;
  Conversion failingConversion;
};

DWORD WINAPI ConvertOnThisThread(LPVOID parameter) {
  auto* work = static_cast<ThreadWork*>(parameter);
  work->goodConversion = ConvertAndRelease(work->open, *work->good);
  work->failingConversion = ConvertAndRelease(work->open, *work->failing);
  return 0;
}

TEST(DllLifecycle, ThousandsOfShortLivedThreadsConvertWithMemoryFlat) {
  constexpr int kThreadsAtOnce = 4;
  constexpr int kWarmUpBatches = 2;
  const std::string good = SmallImage();
  const std::string failing = ZeroWidthImage();
  HMODULE library = LoadLibraryA("QUENTARPBM.dll");
  ASSERT_NE(library, nullptr);
  const OpenFunction open = FindOpen(library);
  ASSERT_NE(open, nullptr);
  long long startBytes = 0;
  long long growth = 0;
  for (int batch = 0; batch < kWarmUpBatches + kThreads / kThreadsAtOnce; ++batch) {
    if (batch == kWarmUpBatches) startBytes = CommittedPrivateBytes();
    ThreadWork work[kThreadsAtOnce];
    HANDLE threads[kThreadsAtOnce];
    DWORD started = 0;
    for (ThreadWork& thread : work) {
      thread.open = open;
      thread.good = &good;
      thread.failing = &failing;
      threads[started] = CreateThread(nullptr, 0, ConvertOnThisThread, &thread, 0, nullptr);
      if (threads[started] == nullptr) break;
      ++started;
    }
    const DWORD waited = WaitForMultipleObjects(started, threads, TRUE, INFINITE);
    for (DWORD i = 0; i < started; ++i) CloseHandle(threads[i]);
    ASSERT_EQ(started, static_cast<DWORD>(kThreadsAtOnce)) << "batch " << batch;
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "batch " << batch;
    for (int i = 0; i < kThreadsAtOnce; ++i) {
      ASSERT_EQ(work[i].goodConversion.code, PBM_OK)
          << "batch " << batch << ", last error " << work[i].goodConversion.lastError;
      ASSERT_EQ(work[i].goodConversion.width, 3) << "batch " << batch;
      ASSERT_TRUE(work[i].goodConversion.released) << "batch " << batch;
      ASSERT_EQ(work[i].failingConversion.code, PBM_E_MAPPING)
          << "batch " << batch << ", last error " << work[i].failingConversion.lastError;
      ASSERT_TRUE(work[i].failingConversion.released) << "batch " << batch;
    }
    if (batch < kWarmUpBatches) continue;
    growth = CommittedPrivateBytes() - startBytes;
    ASSERT_LT(growth, kGrowthLimit) << "private memory grew by batch " << batch;
  }
  std::cout << "private memory growth over " << kThreads << " threads: " << growth << " bytes\n";
  FreeLibrary(library);
  EXPECT_EQ(FilesIn(UsePrivateTempDirectory()), 0);
}

}  // namespace
}  // namespace quentarpbm
