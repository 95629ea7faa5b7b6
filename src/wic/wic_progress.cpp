// The host's progress while rows are read: counted, and reported every so many bytes.
#include <stdint.h>

#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

bool BeginWicProgress(WicProgress* progress, uint64_t total) {
  if (progress == nullptr) return true;
  progress->total = total;
  return progress->report(progress->context, 0, total);
}

bool AdvanceWicProgress(WicProgress* progress, uint64_t rows, uint64_t bytes) {
  if (progress == nullptr) return true;
  progress->done += rows;
  progress->pending += bytes;
  // The last rows are left to the caller, which reports the end itself.
  if (progress->pending < progress->everyBytes || progress->done >= progress->total) return true;
  progress->pending = 0;
  return progress->report(progress->context, progress->done, progress->total);
}

}  // namespace quentarpbm
