// CreateFileMappingA, MapViewOfFile, UnmapViewOfFile over mmap, with Windows' sizes and access.
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <limits>
#include <new>
#include <unordered_map>

#include "platform/posix/standin_handles.h"

using quentarpbm::FileRecord;
using quentarpbm::HandleKind;
using quentarpbm::StandinApi;

namespace {

// A mapping holds its own descriptor and claim on the file, so it outlives
// the file handle it was made from; its views keep it alive in turn.
struct MappingRecord {
  int descriptor;
  quentarpbm::FileClaim claim;
  size_t size;
  bool writable;
  bool handle_open;
  int views;
};

struct ViewRecord {
  MappingRecord* mapping;
  size_t length;
};

// Views by base address; guarded by the stand-in's lock like everything else.
// Never destroyed, like the handle table: views are unmapped at exit too.
std::unordered_map<const void*, ViewRecord>& Views() {
  static auto* views = new std::unordered_map<const void*, ViewRecord>();
  return *views;
}

void DestroyMapping(MappingRecord* mapping) {
  quentarpbm::RemoveFileClaim(&mapping->claim);
  close(mapping->descriptor);
  delete mapping;
  quentarpbm::ChangeLiveObjects(-1);
}

// True when this process may grow a file to size bytes. Growing past the
// file-size limit raises SIGXFSZ, which ends the process unless the host
// handles it, so the limit is checked first. RLIM_INFINITY is the largest rlim_t.
bool GrowthAllowed(uint64_t size) {
  struct rlimit limit;
  return getrlimit(RLIMIT_FSIZE, &limit) == 0 && size <= limit.rlim_cur;
}

// Up to this many bytes, a file grows by writing zeros rather than by
// fallocate: the pages are then in the page cache, reserved but without
// blocks, so the view's faults find them and deleting the file soon after
// frees no blocks. Both make small pixel files several times cheaper; past
// this size the copies cost more than they save.
constexpr off_t kLargestZeroFilledGrowth = off_t{8} << 20;

// Writes zeros from from up to size; an error number, or 0. One small block
// of zeros stands for all of them, repeated in each call's vector.
int WriteZeros(int descriptor, off_t from, off_t size) {
  static const char zeros[4096] = {};
  struct iovec pieces[64];
  while (from < size) {
    int count = 0;
    for (off_t left = size - from; left > 0 && count < 64; ++count) {
      const size_t bytes = left < off_t{sizeof zeros} ? static_cast<size_t>(left) : sizeof zeros;
      pieces[count] = {const_cast<char*>(zeros), bytes};
      left -= static_cast<off_t>(bytes);
    }
    const ssize_t written = pwritev(descriptor, pieces, count, from);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : ENOSPC;
    from += written;
  }
  return 0;
}

// Grows the file from from to size bytes with its space reserved, as
// Windows does when a mapping grows a file: a file merely truncated up is
// sparse, and the first write through a view into a page the full disk cannot
// back would raise SIGBUS. glibc's posix_fallocate is one fallocate call where
// the file system has it and otherwise writes a byte into every block, which
// is sound here since no one else writes the new pixel file. A failure may
// have grown the file part way, so it is cut back to from.
bool ReserveFileSpace(int descriptor, off_t from, off_t size) {
  int error = 0;
  if (quentarpbm::InjectedFailure(StandinApi::kReserveFileSpace)) {
    // A full disk can fail after part of the file has grown.
    error = ftruncate(descriptor, from + (size - from) / 2) == 0 ? ENOSPC : errno;
  } else if (size - from <= kLargestZeroFilledGrowth) {
    error = WriteZeros(descriptor, from, size);
  } else {
    do {
      error = posix_fallocate(descriptor, from, size - from);
    } while (error == EINTR);
  }
  if (error == 0) return true;
  ftruncate(descriptor, from);
  return false;
}

// The byte count the mapping will cover, growing the file when the requested
// size exceeds it; 0 when Windows would refuse (an empty file with size 0, a
// read-only mapping past the end, a size this process cannot address or may
// not grow the file to, a disk too full to hold it).
size_t SizeMapping(const FileRecord& file, uint64_t requested, bool writable) {
  struct stat status;
  if (fstat(file.descriptor, &status) != 0) return 0;
  const auto file_size = static_cast<uint64_t>(status.st_size);
  const uint64_t size = requested == 0 ? file_size : requested;
  if (size == 0 || size > SIZE_MAX) return 0;
  if (size > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return 0;
  if (size > file_size) {
    if (!writable || !GrowthAllowed(size)) return 0;
    if (!ReserveFileSpace(file.descriptor, status.st_size, static_cast<off_t>(size))) return 0;
  }
  return static_cast<size_t>(size);
}

}  // namespace

namespace quentarpbm {

void CloseMappingHandle(void* record) {
  auto* mapping = static_cast<MappingRecord*>(record);
  RemoveHandle(mapping);
  mapping->handle_open = false;
  if (mapping->views == 0) DestroyMapping(mapping);
}

}  // namespace quentarpbm

// Only unnamed mappings of an open file, PAGE_READONLY (the file open for
// reading) or PAGE_READWRITE (open for reading and writing).
extern "C" HANDLE WINAPI CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES security,
                                            DWORD protect, DWORD maximumSizeHigh,
                                            DWORD maximumSizeLow, LPCSTR name) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kCreateFileMappingA)) return nullptr;
  if (security != nullptr || name != nullptr) return nullptr;
  if (protect != PAGE_READONLY && protect != PAGE_READWRITE) return nullptr;
  auto* record = static_cast<FileRecord*>(quentarpbm::FindHandle(file, HandleKind::kFile));
  if (record == nullptr) return nullptr;
  const bool writable = protect == PAGE_READWRITE;
  const DWORD needed = writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  if ((record->claim.access & needed) != needed) return nullptr;
  auto* mapping =
      quentarpbm::NewRecord<MappingRecord>(-1, record->claim, size_t{0}, writable, true, 0);
  if (mapping == nullptr) return nullptr;
  mapping->claim.mapping = true;
  mapping->descriptor = quentarpbm::InjectedFailure(StandinApi::kDuplicateDescriptor)
                            ? -1
                            : fcntl(record->descriptor, F_DUPFD_CLOEXEC, 0);
  if (mapping->descriptor < 0) {
    delete mapping;
    return nullptr;
  }
  const uint64_t requested = (static_cast<uint64_t>(maximumSizeHigh) << 32) | maximumSizeLow;
  mapping->size = SizeMapping(*record, requested, writable);
  if (mapping->size == 0 ||
      !quentarpbm::AddClaimingHandle(mapping, &mapping->claim, HandleKind::kMapping)) {
    close(mapping->descriptor);
    delete mapping;
    return nullptr;
  }
  quentarpbm::ChangeLiveObjects(1);
  return mapping;
}

// Windows places views on this boundary; an offset between two is refused.
constexpr uint64_t kAllocationGranularity = uint64_t{64} * 1024;

// Views start at a multiple of the allocation granularity inside the mapping
// and end within it; bytes 0 means up to its end. FILE_MAP_WRITE gives a
// readable and writable view of a read/write mapping.
extern "C" LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh,
                                       DWORD offsetLow, SIZE_T bytes) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kMapViewOfFile)) return nullptr;
  if (access != FILE_MAP_READ && access != FILE_MAP_WRITE) return nullptr;
  const uint64_t offset = uint64_t{offsetHigh} << 32 | offsetLow;
  if (offset % kAllocationGranularity != 0) return nullptr;
  auto* record = static_cast<MappingRecord*>(quentarpbm::FindHandle(mapping, HandleKind::kMapping));
  if (record == nullptr || offset >= record->size || bytes > record->size - offset) return nullptr;
  if (access == FILE_MAP_WRITE && !record->writable) return nullptr;
  const size_t length = bytes == 0 ? static_cast<size_t>(record->size - offset) : bytes;
  const int protection = access == FILE_MAP_WRITE ? PROT_READ | PROT_WRITE : PROT_READ;
  void* base =
      mmap(nullptr, length, protection, MAP_SHARED, record->descriptor, static_cast<off_t>(offset));
  if (base == MAP_FAILED) return nullptr;
  if (!quentarpbm::StoredWithoutThrowing([&] {
        Views().emplace(base, ViewRecord{record, length});
      })) {
    munmap(base, length);
    return nullptr;
  }
  ++record->views;
  quentarpbm::ChangeLiveObjects(1);
  return base;
}

// Takes exactly a base address that MapViewOfFile returned; the written bytes
// are in the file (MAP_SHARED) when this returns.
extern "C" BOOL WINAPI UnmapViewOfFile(LPCVOID baseAddress) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kUnmapViewOfFile)) return FALSE;
  const auto found = Views().find(baseAddress);
  if (found == Views().end()) return FALSE;
  const ViewRecord view = found->second;
  Views().erase(found);
  munmap(const_cast<void*>(baseAddress), view.length);
  quentarpbm::ChangeLiveObjects(-1);
  if (--view.mapping->views == 0 && !view.mapping->handle_open) DestroyMapping(view.mapping);
  return TRUE;
}
