// OpenDiskFileStream natively: a regular file's descriptor as a stdio stream.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/disk_file_stream.h"
#include "platform/posix/open_without_waiting.h"

namespace quentarpbm {

ResultCode OpenDiskFileStream(const char* fileName, FILE** stream) {
  *stream = nullptr;
  const int descriptor = OpenWithoutWaiting(fileName, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return PBM_E_OPEN;
  struct stat status;
  FILE* opened = nullptr;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
      (opened = fdopen(descriptor, "rb")) == nullptr) {
    close(descriptor);
    return PBM_E_OPEN;
  }
  *stream = opened;
  return PBM_OK;
}

}  // namespace quentarpbm
