// OpenWithoutWaiting: open(2) that a FIFO cannot stall, for the POSIX platform files.
#include "platform/posix/open_without_waiting.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/standin_test_seam.h"

namespace quentarpbm {

int OpenWithoutWaiting(const char* fileName, int flags) {
  const int descriptor = open(fileName, flags | O_NONBLOCK, 0666);
  if (descriptor < 0) return -1;
  const int statusFlags = fcntl(descriptor, F_GETFL);
  if (statusFlags < 0 || InjectedFailure(StandinApi::kClearNonBlocking) ||
      fcntl(descriptor, F_SETFL, statusFlags & ~O_NONBLOCK) != 0) {
    close(descriptor);
    return -1;
  }
  return descriptor;
}

}  // namespace quentarpbm
