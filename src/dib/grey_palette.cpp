// CreateGreyPalette: the 256-step grey logical palette for PGM images.
#include <stddef.h>

#include "dib/dib.h"

namespace quentarpbm {
namespace {

constexpr WORD kGreyLevels = 256;

// LOGPALETTE declares one entry of its own; 256 more follow it. The first
// 1028 bytes are used, the last 4 stay zero.
constexpr SIZE_T kLogPaletteBytes = sizeof(LOGPALETTE) + kGreyLevels * sizeof(PALETTEENTRY);
static_assert(kLogPaletteBytes == 1032, "LOGPALETTE block of the grey palette");

}  // namespace

HPALETTE CreateGreyPalette() {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kLogPaletteBytes);
  if (block == nullptr) return nullptr;
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  if (bytes == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  auto* logPalette = reinterpret_cast<LOGPALETTE*>(bytes);
  logPalette->palVersion = 0x300;
  logPalette->palNumEntries = kGreyLevels;
  // Addressed from the block, since the entries run past the declared array.
  auto* entries = reinterpret_cast<PALETTEENTRY*>(bytes + offsetof(LOGPALETTE, palPalEntry));
  for (WORD i = 0; i < kGreyLevels; ++i) {
    const auto level = static_cast<BYTE>(i);
    entries[i].peRed = level;
    entries[i].peGreen = level;
    entries[i].peBlue = level;  // peFlags keeps the zero fill
  }
  // The palette keeps its own copy, so the block goes whatever the outcome.
  HPALETTE palette = CreatePalette(logPalette);
  GlobalUnlock(block);
  GlobalFree(block);
  return palette;
}

}  // namespace quentarpbm
