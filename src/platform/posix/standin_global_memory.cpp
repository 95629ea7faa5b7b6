// GlobalAlloc, GlobalLock, GlobalUnlock, GlobalFree, GlobalSize: moveable blocks, lock counts.
#include <stdlib.h>
#include <string.h>

#include <new>

#include "platform/posix/standin_handles.h"

using quentarpbm::HandleKind;
using quentarpbm::StandinApi;

namespace {

struct GlobalBlockRecord {
  unsigned char* data;
  size_t size;
  unsigned lock_count;
};

// Bytes of a block made without GMEM_ZEROINIT start as this, so code that
// counts on zeroes it did not ask for shows up in tests.
constexpr unsigned char kUninitialisedByte = 0xA5;

GlobalBlockRecord* FindBlock(HGLOBAL block) {
  return static_cast<GlobalBlockRecord*>(quentarpbm::FindHandle(block, HandleKind::kGlobalBlock));
}

}  // namespace

// Moveable blocks only (flags GMEM_MOVEABLE, optionally GMEM_ZEROINIT), of at
// least one byte; null on any other request or when memory runs out.
extern "C" HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kGlobalAlloc)) return nullptr;
  if ((flags & GMEM_MOVEABLE) == 0 || (flags & ~(GMEM_MOVEABLE | GMEM_ZEROINIT)) != 0) {
    return nullptr;
  }
  if (bytes == 0) return nullptr;
  auto* record = quentarpbm::NewRecord<GlobalBlockRecord>(nullptr, bytes, 0u);
  if (record == nullptr) return nullptr;
  record->data = quentarpbm::InjectedFailure(StandinApi::kOwnAllocation)
                     ? nullptr
                     : static_cast<unsigned char*>(malloc(bytes));
  if (record->data == nullptr || !quentarpbm::AddHandle(record, HandleKind::kGlobalBlock)) {
    free(record->data);
    delete record;
    return nullptr;
  }
  memset(record->data, (flags & GMEM_ZEROINIT) != 0 ? 0 : kUninitialisedByte, bytes);
  quentarpbm::ChangeLiveObjects(1);
  return record;
}

// The block's bytes, counting one more lock; null for anything but a block.
extern "C" LPVOID WINAPI GlobalLock(HGLOBAL block) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kGlobalLock)) return nullptr;
  GlobalBlockRecord* record = FindBlock(block);
  if (record == nullptr) return nullptr;
  ++record->lock_count;
  return record->data;
}

// Counts one lock off: TRUE while the block stays locked, FALSE once it is
// unlocked and also when it was not locked or is not a block.
extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL block) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kGlobalUnlock)) return FALSE;
  GlobalBlockRecord* record = FindBlock(block);
  if (record == nullptr || record->lock_count == 0) return FALSE;
  --record->lock_count;
  return record->lock_count != 0 ? TRUE : FALSE;
}

// Releases the block, locked or not, and returns null; returns block itself
// when it is not a live block.
extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL block) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kGlobalFree)) return block;
  GlobalBlockRecord* record = FindBlock(block);
  if (record == nullptr) return block;
  quentarpbm::RemoveHandle(record);
  free(record->data);
  delete record;
  quentarpbm::ChangeLiveObjects(-1);
  return nullptr;
}

// The block's size in bytes, 0 for anything but a block.
extern "C" SIZE_T WINAPI GlobalSize(HGLOBAL block) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  GlobalBlockRecord* record = FindBlock(block);
  return record == nullptr ? 0 : record->size;
}
