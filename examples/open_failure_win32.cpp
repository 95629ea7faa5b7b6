// DescribeOpenFailure on Windows: the file opened as the library opens it.
#include <windows.h>

#include <string.h>

#include "open_failure.h"

namespace {

std::string TemporaryFolderFailure() {
  char folder[MAX_PATH + 1] = "";
  const DWORD length = GetTempPathA(sizeof folder, folder);
  return DescribeTemporaryFolderFailure(
      length > 0 && length < sizeof folder ? folder : "the temporary folder");
}

}  // namespace

std::string DescribeOpenFailure(const char* fileName) {
  // Windows file names hold no wildcards, so one still here matched nothing
  // when the command line was expanded.
  if (strpbrk(fileName, "*?") != nullptr)
    return "there is no such file: nothing matches the pattern";
  // The library's own open: shared for reading and writing, existing only.
  HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    const DWORD type = GetFileType(file);
    CloseHandle(file);
    if (type != FILE_TYPE_DISK) return "this is a device or pipe, not a file on disk";
    return TemporaryFolderFailure();
  }
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesA(fileName);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return "this is a folder, not a file";
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return "there is no such file";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "the file cannot be read: another program has it open and shares it with no one";
    default:
      return "the file cannot be read (is it readable by you?)";
  }
}
