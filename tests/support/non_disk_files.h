// Names that open no disk file (devices, pipes, FIFOs), for tests that must refuse them at once.
#ifndef QUENTARPBM_TESTS_SUPPORT_NON_DISK_FILES_H
#define QUENTARPBM_TESTS_SUPPORT_NON_DISK_FILES_H

#include <stdint.h>

#include <ostream>
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

inline void PrintTo(const NonDiskCase& c, std::ostream* os) { *os << c.label; }

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

// Each platform's part, -1 standing for no descriptor or handle.

// This process's FIFO: made natively, and under Wine made before the test by
// a POSIX step, which passes its path in QUENTARPBM_TEST_FIFO.
std::string FifoPath();

// Opens fifo for reading and writing, which needs no other reader, so that it
// has a writer until released.
intptr_t HoldFifoWriter(const std::string& fifo);

// Stores the idle pipe's name in *name and serves one instance of it that
// never writes (natively there are no named pipes: nothing to serve).
intptr_t ServeIdleNamedPipe(std::string* name);

void ReleaseHeld(intptr_t held);

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_NON_DISK_FILES_H
