// PrepareViewForWriting natively: the pages about to be written faulted in writable in one call.
#include <stdint.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/view_writing.h"

namespace quentarpbm {

void PrepareViewForWriting(void* start, size_t bytes) {
  if (bytes == 0) return;
  // Whole pages, from the one that holds start; kernels without
  // MADV_POPULATE_WRITE leave them to fault as they are written.
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto first = reinterpret_cast<uintptr_t>(start);
  const uintptr_t from = first / page * page;
  madvise(reinterpret_cast<void*>(from), first + bytes - from, MADV_POPULATE_WRITE);
}

}  // namespace quentarpbm
