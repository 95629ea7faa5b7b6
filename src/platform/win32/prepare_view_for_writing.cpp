// PrepareViewForWriting on Windows: nothing, since a view's untouched pages cost nothing.
#include "platform/view_writing.h"

namespace quentarpbm {

void PrepareViewForWriting(void* /*start*/, size_t /*bytes*/) {}

}  // namespace quentarpbm
