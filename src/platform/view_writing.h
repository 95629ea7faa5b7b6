// PrepareViewForWriting: the part of a fresh writable view that is about to be written.
#ifndef QUENTARPBM_PLATFORM_VIEW_WRITING_H
#define QUENTARPBM_PLATFORM_VIEW_WRITING_H

#include <stddef.h>

namespace quentarpbm {

// Only a hint, so it cannot fail: the bytes from start on, inside a view
// that MapViewOfFile gave for writing, will all be written next, and the
// rest of the view will not. Natively their pages are faulted in writable
// at once (a fault per page otherwise costs a read fault and a write fault);
// on Windows untouched view pages cost nothing and this does nothing.
void PrepareViewForWriting(void* start, size_t bytes);

}  // namespace quentarpbm

#endif  // QUENTARPBM_PLATFORM_VIEW_WRITING_H
