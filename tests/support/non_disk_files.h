// Names that open no disk file: devices, pipes and FIFOs, for the tests that must refuse them at
// once.
#ifndef QUENTARPBM_TESTS_SUPPORT_NON_DISK_FILES_H
#define QUENTARPBM_TESTS_SUPPORT_NON_DISK_FILES_H

#include <stdint.h>

#include <string>

namespace quentarpbm::testing {

enum class NonDiskKind {
  kName,                // the name as given
  kFifo,                // a FIFO without a writer
  kFifoWithIdleWriter,  // a FIFO that this process holds open for writing and never writes
  kIdleNamedPipe,       // a named pipe whose server in this process never writes
};

struct NonDiskCase {
  const char* label;
  NonDiskKind kind;
  const char* name;  // for kName
};

// Windows' device names and /dev/null (natively the device names are plain
// missing files), both FIFOs, and the idle named pipe (natively a missing
// file of that name). A read of most of them would never return.
extern const NonDiskCase kNonDiskCases[9];

// What one case needs while the call under test runs: the FIFO's writer or
// the pipe's server, released on destruction.
class NonDiskFile {
 public:
  explicit NonDiskFile(const NonDiskCase& nonDiskCase);
  ~NonDiskFile();
  NonDiskFile(const NonDiskFile&) = delete;
  NonDiskFile& operator=(const NonDiskFile&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  intptr_t held_ = -1;  // the platform's descriptor or handle, -1 for none
};

// This process's FIFO: made natively, and under Wine made before the test by
// a POSIX step, which passes its path in QUENTARPBM_TEST_FIFO.
std::string FifoPath();

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_NON_DISK_FILES_H
