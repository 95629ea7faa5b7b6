// The stand-in's typed handle table and file claims.
#include "platform/posix/standin_handles.h"

#include <algorithm>
#include <new>
#include <unordered_map>
#include <vector>

namespace quentarpbm {

namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<const void*, HandleKind> handles;
  std::vector<const FileClaim*> claims;
};

// Never destroyed: hosts release what they were given from static
// destructors and atexit handlers, and other threads may still be converting
// while the process ends, so the table serves calls until the process is gone.
HandleTable& TheHandleTable() {
  static HandleTable* table = new HandleTable();
  return *table;
}

bool SameFile(FileIdentity a, FileIdentity b) { return a.device == b.device && a.inode == b.inode; }

// Windows' sharing rule, seen from both sides: each party's access must be
// within what the other party shares.
bool AccessShared(DWORD access, DWORD share_mode) {
  if ((access & GENERIC_READ) != 0 && (share_mode & FILE_SHARE_READ) == 0) return false;
  if ((access & GENERIC_WRITE) != 0 && (share_mode & FILE_SHARE_WRITE) == 0) return false;
  return true;
}

}  // namespace

std::mutex& StandinMutex() { return TheHandleTable().mutex; }

bool AddHandle(void* record, HandleKind kind) {
  return StoredWithoutThrowing([&] { TheHandleTable().handles.emplace(record, kind); });
}

void* FindHandle(const void* handle, HandleKind kind) {
  const auto& handles = TheHandleTable().handles;
  const auto found = handles.find(handle);
  if (found == handles.end() || found->second != kind) return nullptr;
  return const_cast<void*>(handle);
}

void RemoveHandle(const void* handle) { TheHandleTable().handles.erase(handle); }

bool AddClaimingHandle(void* record, const FileClaim* claim, HandleKind kind) {
  if (!StoredWithoutThrowing([&] { TheHandleTable().claims.push_back(claim); })) return false;
  const bool added = AddHandle(record, kind);
  if (!added) RemoveFileClaim(claim);
  return added;
}

void RemoveFileClaim(const FileClaim* claim) {
  auto& claims = TheHandleTable().claims;
  claims.erase(std::remove(claims.begin(), claims.end(), claim), claims.end());
}

bool FileOpenAllowed(FileIdentity file, DWORD access, DWORD share_mode, bool truncates) {
  for (const FileClaim* claim : TheHandleTable().claims) {
    if (!SameFile(claim->file, file)) continue;
    // Windows will not cut a file short under a mapped section; sharing,
    // though, belongs to file handles and ends when the last one closes.
    if (claim->mapping) {
      if (truncates) return false;
      continue;
    }
    if (!AccessShared(access, claim->share_mode)) return false;
    if (!AccessShared(claim->access, share_mode)) return false;
  }
  return true;
}

bool FileIsClaimed(FileIdentity file) {
  const auto& claims = TheHandleTable().claims;
  return std::any_of(claims.begin(), claims.end(),
                     [file](const FileClaim* claim) { return SameFile(claim->file, file); });
}

}  // namespace quentarpbm
