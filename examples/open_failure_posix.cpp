// DescribeOpenFailure natively: the file's kind from stat, then an open for reading.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

#include "open_failure.h"

std::string DescribeOpenFailure(const char* fileName) {
  struct stat status;
  if (stat(fileName, &status) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return "there is no such file";
    return "the file cannot be reached: " + std::generic_category().message(errno);
  }
  if (S_ISDIR(status.st_mode)) return "this is a folder, not a file";
  if (!S_ISREG(status.st_mode)) return "this is a device, pipe or socket, not a file on disk";
  // Non-blocking, as the library opens it, though only regular files come here.
  const int descriptor = open(fileName, O_RDONLY | O_NONBLOCK);
  if (descriptor < 0) return "the file cannot be read: " + std::generic_category().message(errno);
  close(descriptor);
  // Natively the library makes its pixel files in $TMPDIR, or else in /tmp.
  // NOLINTNEXTLINE(concurrency-mt-unsafe): no host program sets one, so no write races this
  const char* folder = getenv("TMPDIR");
  return DescribeTemporaryFolderFailure(folder != nullptr && folder[0] != '\0' ? folder : "/tmp");
}
