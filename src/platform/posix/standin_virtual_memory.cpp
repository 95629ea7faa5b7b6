// VirtualAlloc and VirtualFree: committed, zeroed regions of fresh pages, released whole.
#include <sys/mman.h>

#include <map>
#include <new>

#include "platform/posix/standin_registry.h"

using quentarpbm::StandinApi;

namespace {

// Region start to its length, for the release.
std::map<void*, size_t>& Regions() {
  static std::map<void*, size_t>* regions = new std::map<void*, size_t>();
  return *regions;
}

}  // namespace

// Reserves and commits in one go (MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE,
// no address asked for), as the row store does; null for anything else.
extern "C" LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T bytes, DWORD allocationType,
                                      DWORD protect) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kVirtualAlloc)) return nullptr;
  if (address != nullptr || allocationType != (MEM_RESERVE | MEM_COMMIT) ||
      protect != PAGE_READWRITE || bytes == 0) {
    return nullptr;
  }
  void* region = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (region == MAP_FAILED) return nullptr;
  try {
    Regions().emplace(region, bytes);
  } catch (const std::bad_alloc&) {
    munmap(region, bytes);
    return nullptr;
  }
  // Large pages where the system offers them on request: a big region is
  // then first written with a fault per 2 MB instead of one per 4 KB. Only
  // a hint; the region is the same without it.
  madvise(region, bytes, MADV_HUGEPAGE);
  quentarpbm::ChangeLiveObjects(1);
  return region;
}

// Releases a whole region (bytes 0, MEM_RELEASE) from its start; FALSE for
// anything else.
extern "C" BOOL WINAPI VirtualFree(LPVOID address, SIZE_T bytes, DWORD freeType) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kVirtualFree)) return FALSE;
  const auto found = Regions().find(address);
  if (bytes != 0 || freeType != MEM_RELEASE || found == Regions().end()) return FALSE;
  munmap(found->first, found->second);
  Regions().erase(found);
  quentarpbm::ChangeLiveObjects(-1);
  return TRUE;
}
