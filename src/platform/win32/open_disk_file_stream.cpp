// OpenDiskFileStream on Windows: a disk file's handle as a C runtime stream.
#include <fcntl.h>
#include <io.h>
#include <stdint.h>

#include "platform/disk_file_stream.h"
#include "platform/win32_api.h"

namespace quentarpbm {

ResultCode OpenDiskFileStream(const char* fileName, FILE** stream) {
  *stream = nullptr;
  // Shared for reading and writing, as the C runtime's fopen "rb" shares.
  HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return PBM_E_OPEN;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return PBM_E_OPEN;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(file);
    return PBM_E_OPEN;
  }
  FILE* opened = _fdopen(descriptor, "rb");
  if (opened == nullptr) {
    _close(descriptor);  // closes the handle with it
    return PBM_E_OPEN;
  }
  *stream = opened;
  return PBM_OK;
}

}  // namespace quentarpbm
