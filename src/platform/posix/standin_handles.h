// What the stand-in's files share: the lock, the typed handle table, file claims and the test seam.
#ifndef QUENTARPBM_PLATFORM_POSIX_STANDIN_HANDLES_H
#define QUENTARPBM_PLATFORM_POSIX_STANDIN_HANDLES_H

#include <sys/types.h>

#include <mutex>
#include <new>
#include <utility>

#include "platform/posix/standin_test_seam.h"
#include "platform/win32_api.h"

namespace quentarpbm {

// Every stand-in call holds this lock for its whole run, so calls from
// several threads see the handle table, claims and counters consistently.
// Everything below expects the caller to hold it.
std::mutex& StandinMutex();

// A handle is the address of a record of exactly one of these kinds.
enum class HandleKind { kFile, kMapping, kGlobalBlock, kPalette };

// Runs store, which grows a standard container; false when it ran out of
// memory, which the stand-in's calls report by failing, as Windows does,
// never by throwing to their callers.
template <typename Store>
bool StoredWithoutThrowing(Store store) {
  try {
    if (InjectedFailure(StandinApi::kOwnTableEntry)) throw std::bad_alloc();
    store();
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// A new record of the stand-in's own, made without throwing; null when memory
// runs out (or a test makes its allocation fail), which the calls report by failing.
template <typename Record, typename... Values>
Record* NewRecord(Values&&... values) {
  if (InjectedFailure(StandinApi::kOwnAllocation)) return nullptr;
  return new (std::nothrow) Record{std::forward<Values>(values)...};
}

// Enters record as a valid handle of kind; false when the table cannot grow.
bool AddHandle(void* record, HandleKind kind);

// The record behind handle when it is a live handle of kind, else null; an
// unknown, stale or wrong-kind handle is never dereferenced.
void* FindHandle(const void* handle, HandleKind kind);

// Removes handle from the table; it must be present.
void RemoveHandle(const void* handle);

// A file on disk, the way the share checks tell files apart.
struct FileIdentity {
  dev_t device;
  ino_t inode;
};

// The access and sharing that an open file handle, or a mapping made from
// one, holds on its file until it is closed.
struct FileClaim {
  FileIdentity file;
  DWORD access;      // GENERIC_READ and/or GENERIC_WRITE
  DWORD share_mode;  // FILE_SHARE_* granted to later openers
  bool mapping;
};

// Enters record as a valid handle of kind together with its claim on a
// file; false, with neither entered, when a table cannot grow.
bool AddClaimingHandle(void* record, const FileClaim* claim, HandleKind kind);
void RemoveFileClaim(const FileClaim* claim);

// True when an open with access and share_mode is compatible with every file
// handle's claim on file; a mapping refuses only truncation.
bool FileOpenAllowed(FileIdentity file, DWORD access, DWORD share_mode, bool truncates);

// True while any file handle, mapping or view still holds file.
bool FileIsClaimed(FileIdentity file);

// An open file handle; the handle is the record's address.
struct FileRecord {
  int descriptor;
  FileClaim claim;
};

// Closes a file-mapping handle (CloseHandle's job for that kind): the mapping
// lives on while views of it remain.
void CloseMappingHandle(void* record);

}  // namespace quentarpbm

#endif  // QUENTARPBM_PLATFORM_POSIX_STANDIN_HANDLES_H
