// The row store and scratch rows: zero-filled, size-checked before any allocation.
#include <stdint.h>
#include <stdlib.h>

#include "common/int32_math.h"
#include "netpbm/netpbm.h"
#include "platform/win32_api.h"

namespace quentarpbm {

namespace {

// Every allocation asks for at least one byte, so that null always means
// failure (calloc(0) may or may not return null).
void* AllocCleared(int32_t bytes) {
  return calloc(bytes > 0 ? static_cast<size_t>(bytes) : 1u, 1u);
}

// The block is committed, zeroed memory from the platform: a large one is the
// system's own pages, which no allocator clears a second time, and the POSIX
// stand-in backs it with large pages, so writing the rows faults far less.
uint8_t* AllocClearedBlock(int32_t bytes) {
  const SIZE_T size = bytes > 0 ? static_cast<SIZE_T>(bytes) : 1u;
  return static_cast<uint8_t*>(
      VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

}  // namespace

RowStore AllocRowStore(int32_t columns, int32_t rows, int32_t bytesPerPixel) {
  // The header's width and height are unchecked and may have wrapped: every
  // size is proved to fit before anything is allocated, so the block is never
  // smaller than rows x columns x bytesPerPixel.
  if (rows < 0) return nullptr;
  int32_t arrayBytes = 0;
  int32_t rowBytes = 0;
  int32_t blockBytes = 0;
  // The array is sized for every row even where it is not made, so the
  // sizes refused do not depend on whether the image has pixels.
  if (!MulFitsInt32(rows, static_cast<int32_t>(sizeof(uint8_t*)), &arrayBytes)) return nullptr;
  if (!MulFitsInt32(columns, bytesPerPixel, &rowBytes)) return nullptr;
  if (!MulFitsInt32(rows, rowBytes, &blockBytes)) return nullptr;
  // A store without pixels has entry 0 only, holding a block for
  // FreeRowStore: a declared height of millions then costs no memory.
  const bool hasPixels = blockBytes > 0;
  const int32_t entries = hasPixels ? rows : 1;
  RowStore store = static_cast<RowStore>(
      AllocCleared(hasPixels ? arrayBytes : static_cast<int32_t>(sizeof(uint8_t*))));
  if (store == nullptr) return nullptr;
  uint8_t* block = AllocClearedBlock(blockBytes);
  if (block == nullptr) {
    free(store);
    return nullptr;
  }
  store[0] = block;
  for (int32_t i = 1; i < entries; ++i)
    store[i] = block + static_cast<size_t>(i) * static_cast<size_t>(rowBytes);
  return store;
}

void FreeRowStore(RowStore store, int32_t /*rows*/) {
  if (store == nullptr) return;
  VirtualFree(store[0], 0, MEM_RELEASE);
  free(store);
}

ResultCode AllocRowScratch(int32_t count, int32_t elementSize, uint8_t** buffer) {
  int32_t bytes = 0;
  *buffer = nullptr;
  if (!MulFitsInt32(count, elementSize, &bytes)) return PBM_E_NO_MEMORY;
  *buffer = static_cast<uint8_t*>(AllocCleared(bytes));
  return *buffer != nullptr ? PBM_OK : PBM_E_NO_MEMORY;
}

void FreeRowScratch(uint8_t* buffer) { free(buffer); }

}  // namespace quentarpbm
