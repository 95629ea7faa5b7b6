// CreateFileA, ReadFile, GetFileType, CloseHandle, DeleteFileA over descriptors, Windows' sharing.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "platform/posix/open_without_waiting.h"
#include "platform/posix/standin_handles.h"

using quentarpbm::FileIdentity;
using quentarpbm::FileRecord;
using quentarpbm::HandleKind;
using quentarpbm::StandinApi;

namespace {

constexpr DWORD kKnownAccess = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kKnownShareModes = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int OpenFlags(DWORD access, DWORD disposition) {
  int flags = O_CLOEXEC;
  if ((access & GENERIC_WRITE) == 0) {
    flags |= O_RDONLY;
  } else {
    flags |= (access & GENERIC_READ) != 0 ? O_RDWR : O_WRONLY;
  }
  if (disposition == CREATE_ALWAYS) flags |= O_CREAT;
  return flags;
}

FileIdentity IdentityOf(const struct stat& status) { return {status.st_dev, status.st_ino}; }

// Takes over descriptor (closing it on failure) and returns the new file
// handle, or INVALID_HANDLE_VALUE when the file is a directory, the sharing of
// open handles forbids this open, or truncating fails. An empty file is not
// truncated again: ext4 takes a truncation to nothing as a file about to be
// replaced and writes its blocks out at close, as it does not for a new file.
HANDLE AdoptDescriptor(int descriptor, DWORD access, DWORD share_mode, DWORD disposition) {
  struct stat status;
  const bool truncates = disposition == CREATE_ALWAYS;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
      !quentarpbm::FileOpenAllowed(IdentityOf(status), access, share_mode, truncates) ||
      (truncates && status.st_size != 0 && ftruncate(descriptor, 0) != 0)) {
    close(descriptor);
    return INVALID_HANDLE_VALUE;
  }
  auto* record = quentarpbm::NewRecord<FileRecord>(
      descriptor, quentarpbm::FileClaim{IdentityOf(status), access, share_mode, false});
  if (record == nullptr ||
      !quentarpbm::AddClaimingHandle(record, &record->claim, HandleKind::kFile)) {
    close(descriptor);
    delete record;
    return INVALID_HANDLE_VALUE;
  }
  quentarpbm::ChangeLiveObjects(1);
  return record;
}

}  // namespace

// Only what the library and its hosts use: GENERIC_READ and/or GENERIC_WRITE,
// OPEN_EXISTING or CREATE_ALWAYS (which needs write access), no security
// attributes, no template. The flags are hints here and are accepted as given.
extern "C" HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode,
                                     LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                     HANDLE templateFile) {
  (void)flags;
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kCreateFileA)) return INVALID_HANDLE_VALUE;
  if (fileName == nullptr || fileName[0] == '\0') return INVALID_HANDLE_VALUE;
  if (access == 0 || (access & ~kKnownAccess) != 0) return INVALID_HANDLE_VALUE;
  if ((shareMode & ~kKnownShareModes) != 0) return INVALID_HANDLE_VALUE;
  if (security != nullptr || templateFile != nullptr) return INVALID_HANDLE_VALUE;
  if (disposition != OPEN_EXISTING && disposition != CREATE_ALWAYS) return INVALID_HANDLE_VALUE;
  if (disposition == CREATE_ALWAYS && (access & GENERIC_WRITE) == 0) return INVALID_HANDLE_VALUE;
  // A FIFO must not stall the open; it is refused with every other non-regular file below.
  const int descriptor = quentarpbm::OpenWithoutWaiting(fileName, OpenFlags(access, disposition));
  if (descriptor < 0) return INVALID_HANDLE_VALUE;
  return AdoptDescriptor(descriptor, access, shareMode, disposition);
}

// Reads up to toRead bytes, fewer only at the end of the file. *read always
// receives the count (0 on failure); it may not be null, as on Windows
// without an OVERLAPPED record.
extern "C" BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                                LPOVERLAPPED overlapped) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (read != nullptr) *read = 0;
  if (quentarpbm::InjectedFailure(StandinApi::kReadFile)) return FALSE;
  if (read == nullptr || overlapped != nullptr) return FALSE;
  if (buffer == nullptr && toRead != 0) return FALSE;
  auto* record = static_cast<FileRecord*>(quentarpbm::FindHandle(file, HandleKind::kFile));
  if (record == nullptr || (record->claim.access & GENERIC_READ) == 0) return FALSE;
  DWORD total = 0;
  while (total < toRead) {
    const ssize_t got =
        ::read(record->descriptor, static_cast<char*>(buffer) + total, toRead - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FALSE;
    if (got == 0) break;
    total += static_cast<DWORD>(got);
  }
  *read = total;
  return TRUE;
}

// Only regular files ever get a file handle here, so every one is a disk
// file; any other value is of no type.
extern "C" DWORD WINAPI GetFileType(HANDLE file) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kGetFileType)) return FILE_TYPE_UNKNOWN;
  return quentarpbm::FindHandle(file, HandleKind::kFile) != nullptr ? FILE_TYPE_DISK
                                                                    : FILE_TYPE_UNKNOWN;
}

// Closes a file or file-mapping handle; any other value, or a handle already
// closed, gives FALSE and changes nothing.
extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kCloseHandle)) return FALSE;
  if (void* mapping = quentarpbm::FindHandle(handle, HandleKind::kMapping)) {
    quentarpbm::CloseMappingHandle(mapping);
    return TRUE;
  }
  auto* record = static_cast<FileRecord*>(quentarpbm::FindHandle(handle, HandleKind::kFile));
  if (record == nullptr) return FALSE;
  quentarpbm::RemoveHandle(record);
  quentarpbm::RemoveFileClaim(&record->claim);
  close(record->descriptor);
  delete record;
  quentarpbm::ChangeLiveObjects(-1);
  return TRUE;
}

// Refuses a file that an open handle, a mapping or a view still holds, as
// Windows does for handles opened without delete sharing and for mapped
// files: that is how a wrong release order shows up here.
extern "C" BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kDeleteFileA)) return FALSE;
  if (fileName == nullptr) return FALSE;
  struct stat status;
  if (lstat(fileName, &status) != 0 || S_ISDIR(status.st_mode)) return FALSE;
  if (quentarpbm::FileIsClaimed(IdentityOf(status))) return FALSE;
  return unlink(fileName) == 0 ? TRUE : FALSE;
}
