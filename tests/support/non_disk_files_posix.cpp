// Non-disk files natively: a FIFO of mkfifo's, its writer a read-write descriptor.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/non_disk_files.h"
#include "support/test_files.h"

namespace quentarpbm::testing {

std::string FifoPath() {
  static const std::string path = [] {
    const std::string fifo = TestDirectory() + "idle.fifo";
    EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0) << "cannot make " << fifo;
    return fifo;
  }();
  return path;
}

NonDiskFile::NonDiskFile(const NonDiskCase& nonDiskCase) {
  switch (nonDiskCase.kind) {
    case NonDiskKind::kName:
      path_ = nonDiskCase.name;
      break;
    case NonDiskKind::kFifo:
      path_ = FifoPath();
      break;
    case NonDiskKind::kFifoWithIdleWriter:
      path_ = FifoPath();
      // Read-write: the open needs no reader, and the FIFO then has a writer.
      held_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
      EXPECT_GE(held_, 0) << "cannot hold " << path_ << " open";
      break;
    case NonDiskKind::kIdleNamedPipe:
      path_ = "\\\\.\\pipe\\quentarpbm-idle";  // no such file here
      break;
  }
}

NonDiskFile::~NonDiskFile() {
  if (held_ >= 0) close(static_cast<int>(held_));
}

}  // namespace quentarpbm::testing
