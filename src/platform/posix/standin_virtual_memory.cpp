// VirtualAlloc and VirtualFree: committed, zeroed regions, released whole.
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <map>
#include <new>

#include "platform/posix/standin_handles.h"

using quentarpbm::StandinApi;

namespace {

// Region start to its length, for the release.
std::map<void*, size_t>& Regions() {
  static std::map<void*, size_t>* regions = new std::map<void*, size_t>();
  return *regions;
}

// Small regions come from the heap, which hands freed memory out again
// without new page faults; large ones are mapped on their own, starting on a
// 2 MB boundary and marked for large pages where the system offers them on
// request, so that they are first written with a fault per 2 MB instead of
// one per 4 KB. Either way the bytes are zero.
constexpr size_t kLargeRegionBytes = size_t{4} << 20;
constexpr size_t kLargePageBytes = size_t{2} << 20;

bool IsLargeRegion(size_t bytes) { return bytes >= kLargeRegionBytes; }

void* MapLargeRegion(size_t bytes) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t length = (bytes + page - 1) / page * page;
  const size_t span = length + kLargePageBytes;
  void* mapped =
      quentarpbm::InjectedFailure(StandinApi::kOwnAllocation)
          ? MAP_FAILED
          : mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  // The slack either side of the aligned region goes back at once.
  const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = (start + kLargePageBytes - 1) & ~(kLargePageBytes - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  const size_t tail = span - (aligned - start) - length;
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
  void* region = reinterpret_cast<void*>(aligned);
  madvise(region, length, MADV_HUGEPAGE);  // only a hint
  return region;
}

void ReleaseRegion(void* region, size_t bytes) {
  if (IsLargeRegion(bytes)) {
    munmap(region, bytes);
  } else {
    free(region);
  }
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
  void* region = nullptr;
  if (IsLargeRegion(bytes)) {
    region = MapLargeRegion(bytes);
  } else if (!quentarpbm::InjectedFailure(StandinApi::kOwnAllocation)) {
    region = calloc(bytes, 1);
  }
  if (region == nullptr) return nullptr;
  if (!quentarpbm::StoredWithoutThrowing([&] { Regions().emplace(region, bytes); })) {
    ReleaseRegion(region, bytes);
    return nullptr;
  }
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
  ReleaseRegion(found->first, found->second);
  Regions().erase(found);
  quentarpbm::ChangeLiveObjects(-1);
  return TRUE;
}
