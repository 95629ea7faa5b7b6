// Pixel files a full disk cannot hold or the process may not grow to: -46, no signal, nothing left.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/win32_api.h"
#include "quentarpbm.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::FilesIn;
using testing::TestDirectory;

// One raw image per converter, 2000 x 1000: pixel files of 2 000 000 bytes
// (PBM and PGM, one byte per pixel) and 6 000 000 bytes (PPM), and one of
// 12 000 000 bytes, past the size up to which the stand-in grows files by
// writing zeros; all larger than the free space and the file-size limit below.
struct LargeImage {
  const char* label;
  const char* header;
  size_t rasterBytes;
};

const LargeImage kLargeImages[] = {
    {"RawPbm", "P4 2000 1000\n", 250 * 1000},
    {"RawPgm", "P5 2000 1000 255\n", 2000 * 1000},
    {"RawPpm", "P6 2000 1000 255\n", 6000 * 1000},
    {"TallRawPpm", "P6 2000 2000 255\n", 12000 * 1000},
};
constexpr size_t kImageCount = std::size(kLargeImages);

// What the child process sends back through a pipe: it makes no test
// assertions of its own.
struct ChildReport {
  char skipReason[200];  // empty when the conversions ran
  int32_t codes[kImageCount];
  bool handlesNull[kImageCount];   // the mapping and the header handle
  int filesLeft;                   // regular files in the temporary directory
  unsigned long freeBlocksBefore;  // of the temporary directory's file system
  unsigned long freeBlocksAfter;
};

// Sets up the child's temporary directory and points TMPDIR at it; false,
// with the reason in the report, when this machine does not allow it.
using PrepareChild = bool (*)(ChildReport* report);

bool Refuse(ChildReport* report, const char* step) {
  snprintf(report->skipReason, sizeof report->skipReason, "%s: %s", step, strerror(errno));
  return false;
}

unsigned long FreeBlocks(const char* directory) {
  struct statvfs status;
  return statvfs(directory, &status) == 0 ? status.f_bfree : 0;
}

void ConvertLargeImages(const std::vector<std::string>& paths, ChildReport* report) {
  const char* temp = getenv("TMPDIR");
  report->freeBlocksBefore = FreeBlocks(temp);
  for (size_t i = 0; i < kImageCount; ++i) {
    char name[MAX_PATH] = "";
    void* mapping = &mapping;
    void* header = &header;
    report->codes[i] = PBMOpen(paths[i].c_str(), name, &mapping, &header, nullptr, 0);
    report->handlesNull[i] = mapping == nullptr && header == nullptr;
    if (report->codes[i] == PBM_OK) {
      CloseHandle(mapping);
      GlobalFree(header);
      DeleteFileA(name);
    }
  }
  report->freeBlocksAfter = FreeBlocks(temp);
  report->filesLeft = FilesIn(temp);
}

// A coverage build keeps its counts in memory until exit, which _exit skips:
// the child writes them itself. Null in every other build.
extern "C" void __gcov_dump() __attribute__((weak));

// Converts the large images in a forked child after prepare; the child ends
// with _exit, so no handler of this process (the test directory's removal
// among them) runs twice. Fails the test unless the child ended normally.
void ConvertInChild(PrepareChild prepare, ChildReport* report) {
  std::vector<std::string> paths;
  for (const LargeImage& image : kLargeImages) {
    paths.push_back(testing::WriteTestFile(std::string(image.label) + ".pnm",
                                           image.header + std::string(image.rasterBytes, '\x5a')));
  }
  int channel[2];
  ASSERT_EQ(pipe(channel), 0);
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    close(channel[0]);
    ChildReport sent = {};
    if (prepare(&sent)) ConvertLargeImages(paths, &sent);
    const bool written = write(channel[1], &sent, sizeof sent) == sizeof sent;
    if (__gcov_dump != nullptr) __gcov_dump();
    _exit(written ? 0 : 1);
  }
  close(channel[1]);
  size_t got = 0;
  auto* bytes = reinterpret_cast<char*>(report);
  while (got < sizeof *report) {
    const ssize_t n = read(channel[0], bytes + got, sizeof *report - got);
    if (n > 0) {
      got += static_cast<size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(channel[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_FALSE(WIFSIGNALED(status))
      << "the conversions ended the process with signal " << WTERMSIG(status) << " ("
      << strsignal(WTERMSIG(status)) << ")";
  // AddressSanitizer reports a SIGBUS itself and exits with status 1.
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the child exited with status " << WEXITSTATUS(status);
  ASSERT_EQ(got, sizeof *report);
}

void ExpectEveryConversionRefusedCleanly(const ChildReport& report) {
  for (size_t i = 0; i < kImageCount; ++i) {
    SCOPED_TRACE(kLargeImages[i].label);
    EXPECT_EQ(report.codes[i], PBM_E_MAPPING);
    EXPECT_TRUE(report.handlesNull[i]);
  }
  EXPECT_EQ(report.filesLeft, 0);
}

// A 3 MiB tmpfs, 2 MiB of it taken by a filler file, as the temporary
// directory: the PBM and PGM pixel files run out of space part way, the PPM
// one does not fit at all. The mount lives in the child's own private mount
// namespace, so it ends with the child.
bool MountNearlyFullTmpfs(ChildReport* report) {
  const std::string mountPoint = TestDirectory() + "small-tmpfs";
  if (unshare(CLONE_NEWNS) != 0) return Refuse(report, "unshare(CLONE_NEWNS)");
  // The source and type are ignored for a change of propagation; named all
  // the same, since valgrind takes a null type for a bad pointer.
  if (mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) != 0) {
    return Refuse(report, "making the mounts private");
  }
  if (mkdir(mountPoint.c_str(), 0700) != 0 && errno != EEXIST) return Refuse(report, "mkdir");
  if (mount("quentarpbm-test", mountPoint.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
            "size=3m,mode=0700") != 0) {
    return Refuse(report, "mount -t tmpfs");
  }
  const std::string temp = mountPoint + "/temp/";
  const int filler = open((mountPoint + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
  const std::string bytes(size_t{2} << 20, '\x01');
  const bool filled = filler >= 0 && write(filler, bytes.data(), bytes.size()) ==
                                         static_cast<ssize_t>(bytes.size());
  if (filler >= 0) close(filler);
  if (!filled) return Refuse(report, "filling the tmpfs");
  if (mkdir(temp.c_str(), 0700) != 0) return Refuse(report, "mkdir");
  setenv("TMPDIR", temp.c_str(), 1);
  return true;
}

TEST(NoSpaceForThePixelFile, AFullTemporaryDiskGivesMappingFailureAndLeavesNothing) {
  ChildReport report = {};
  ConvertInChild(MountNearlyFullTmpfs, &report);
  if (HasFatalFailure()) return;
  if (report.skipReason[0] != '\0') {
    GTEST_SKIP() << "no tmpfs can be mounted here (" << report.skipReason << ")";
  }
  ExpectEveryConversionRefusedCleanly(report);
  // Space reserved part way was given back.
  EXPECT_EQ(report.freeBlocksAfter, report.freeBlocksBefore);
  EXPECT_GT(report.freeBlocksBefore, 0u);
}

// 1000 KiB, as "ulimit -f 1000" sets it, for the child only.
bool LimitFileSize(ChildReport* report) {
  struct rlimit limit = {1000 * 1024, 1000 * 1024};
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return Refuse(report, "setrlimit(RLIMIT_FSIZE)");
  return true;
}

TEST(NoSpaceForThePixelFile, AFileSizeLimitGivesMappingFailureWithoutSignalAndLeavesNothing) {
  ChildReport report = {};
  ConvertInChild(LimitFileSize, &report);
  if (HasFatalFailure()) return;
  ASSERT_STREQ(report.skipReason, "");
  ExpectEveryConversionRefusedCleanly(report);
}

}  // namespace
}  // namespace quentarpbm
