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

intptr_t HoldFifoWriter(const std::string& fifo) {
  const int descriptor = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
  EXPECT_GE(descriptor, 0) << "cannot hold " << fifo << " open";
  return descriptor;
}

intptr_t ServeIdleNamedPipe(std::string* name) {
  *name = "\\\\.\\pipe\\quentarpbm-idle";  // a missing file here
  return -1;
}

void ReleaseHeld(intptr_t held) { close(static_cast<int>(held)); }

}  // namespace quentarpbm::testing
