// Test controls of the POSIX stand-in: fault injection and handle accounting.
#ifndef QUENTARPBM_PLATFORM_POSIX_STANDIN_CONTROL_H
#define QUENTARPBM_PLATFORM_POSIX_STANDIN_CONTROL_H

namespace quentarpbm {

// Every stand-in call that can fail, one constant each.
enum class StandinApi {
  kCreateFileA,
  kReadFile,
  kGetFileType,
  kCloseHandle,
  kDeleteFileA,
  kGetTempPathA,
  kGetTempFileNameA,
  kCreateFileMappingA,
  kReserveFileSpace,  // inside CreateFileMappingA when it grows the file; fails as a full disk
  kMapViewOfFile,
  kUnmapViewOfFile,
  kGlobalAlloc,
  kGlobalLock,
  kGlobalUnlock,
  kGlobalFree,
  kCreatePalette,
  kGetObjectA,
  kGetPaletteEntries,
  kDeleteObject,
  kVirtualAlloc,
  kVirtualFree,
  // The stand-in's own resources, which its calls above fail on as Windows
  // fails on its own: these make the next such step fail instead of the call.
  kOwnAllocation,        // a record or block: new (std::nothrow), malloc, calloc, or a large mmap
  kOwnTableEntry,        // an entry in one of its tables, which fails as std::bad_alloc
  kDuplicateDescriptor,  // fcntl(F_DUPFD_CLOEXEC), the descriptor a mapping keeps
  kClearNonBlocking,     // fcntl clearing O_NONBLOCK after an open that a FIFO cannot stall
  kCount
};

// Makes the nth call of api from now on (1 = the next one) fail the way the
// real call reports failure, without any effect. One pending fault per api.
void StandinFailCall(StandinApi api, int nth);

// Number of calls of api since the last StandinReset.
int StandinCallCount(StandinApi api);

// Live objects of every kind: open files, mappings, views, global blocks,
// committed regions and palettes. A conversion that cleans up after itself leaves this unchanged.
int StandinLiveHandles();

// Makes the next GetTempFileNameA try number first (1 to 0xFFFF) and then
// only the names after it up to left names in all, as if every other name
// were taken: the end of its 65,535 names without making them all.
void StandinStartTempNameCounter(unsigned first, unsigned left);

// Clears pending faults and call counts; live objects are left alone.
void StandinReset();

}  // namespace quentarpbm

#endif  // QUENTARPBM_PLATFORM_POSIX_STANDIN_CONTROL_H
