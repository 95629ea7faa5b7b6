// CreatePalette, GetObjectA, GetPaletteEntries and DeleteObject for logical palettes.
#include <stddef.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <vector>

#include "platform/posix/standin_handles.h"

using quentarpbm::HandleKind;
using quentarpbm::StandinApi;

namespace {

// The palette's own copy of its entries.
struct PaletteRecord {
  std::vector<PALETTEENTRY> entries;
};

PaletteRecord* FindPalette(const void* object) {
  return static_cast<PaletteRecord*>(quentarpbm::FindHandle(object, HandleKind::kPalette));
}

}  // namespace

// Copies palNumEntries entries; null for no palette, no entries or no memory.
extern "C" HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kCreatePalette)) return nullptr;
  if (palette == nullptr || palette->palNumEntries == 0) return nullptr;
  auto* record = quentarpbm::NewRecord<PaletteRecord>();
  // The entries run on past the one that LOGPALETTE declares.
  const auto* first = reinterpret_cast<const PALETTEENTRY*>(
      reinterpret_cast<const unsigned char*>(palette) + offsetof(LOGPALETTE, palPalEntry));
  const auto copyEntries = [&] { record->entries.assign(first, first + palette->palNumEntries); };
  if (record == nullptr || !quentarpbm::StoredWithoutThrowing(copyEntries) ||
      !quentarpbm::AddHandle(record, HandleKind::kPalette)) {
    delete record;
    return nullptr;
  }
  quentarpbm::ChangeLiveObjects(1);
  return reinterpret_cast<HPALETTE>(record);
}

// For a palette: stores its entry count as a 16-bit word into buffer (which
// may be unaligned) and returns 2, or returns 2 alone for a null buffer.
// Returns 0 and writes nothing for a smaller buffer or any other object.
extern "C" int WINAPI GetObjectA(HGDIOBJ object, int bufferSize, LPVOID buffer) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kGetObjectA)) return 0;
  const PaletteRecord* record = FindPalette(object);
  if (record == nullptr) return 0;
  const auto count = static_cast<WORD>(record->entries.size());
  if (buffer == nullptr) return static_cast<int>(sizeof count);
  if (bufferSize < static_cast<int>(sizeof count)) return 0;
  memcpy(buffer, &count, sizeof count);
  return static_cast<int>(sizeof count);
}

// Copies entries [start, start + count) clipped to the palette and returns how
// many; a null array asks for the palette's size instead. 0 on failure.
extern "C" UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count,
                                         LPPALETTEENTRY entries) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kGetPaletteEntries)) return 0;
  const PaletteRecord* record = FindPalette(palette);
  if (record == nullptr) return 0;
  const size_t size = record->entries.size();
  if (entries == nullptr) return static_cast<UINT>(size);
  if (start >= size) return 0;
  const size_t copied = std::min<size_t>(count, size - start);
  std::copy_n(record->entries.begin() + static_cast<std::ptrdiff_t>(start), copied, entries);
  return static_cast<UINT>(copied);
}

// Deletes a palette; FALSE for anything else, including one already deleted.
extern "C" BOOL WINAPI DeleteObject(HGDIOBJ object) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kDeleteObject)) return FALSE;
  PaletteRecord* record = FindPalette(object);
  if (record == nullptr) return FALSE;
  quentarpbm::RemoveHandle(record);
  delete record;
  quentarpbm::ChangeLiveObjects(-1);
  return TRUE;
}
