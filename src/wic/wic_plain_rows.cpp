// Plain rasters read as text from the nearest row known: each row through the row readers a
// piece at a time, straight into the caller's row where a piece lies inside the rectangle.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

namespace {

// Pixels of a row read at once. A piece that lies only partly in the
// rectangle goes through scratch memory of this many pixels.
constexpr int32_t kPiecePixels = 8192;
constexpr int32_t kLeastRowsPerEntry = 256;

// What one read of plain rows shares.
struct PlainRows {
  NetpbmByteSource* source;
  const WicFrame* frame;
  const WicLayoutTraits* traits;
  uint8_t* scratch;
  bool scaled;  // 8-bit samples of a maxval other than 255
  uint8_t table[256];
};

struct RowStart {
  int32_t row;
  uint64_t offset;
};

ResultCode PrepareRowIndex(WicFrame* frame) {
  WicRowIndex& index = frame->rows;
  if (index.offsets != nullptr) return PBM_OK;
  const int32_t height = frame->header.height;
  int32_t rowsPerEntry = kLeastRowsPerEntry;
  while ((height - 1) / rowsPerEntry + 1 > static_cast<int32_t>(kWicMostIndexEntries))
    rowsPerEntry *= 2;
  const int32_t entries = (height - 1) / rowsPerEntry + 1;
  uint8_t* block = nullptr;
  if (AllocRowScratch(entries, sizeof(uint64_t), &block) != PBM_OK) return PBM_E_NO_MEMORY;
  index.offsets = reinterpret_cast<uint64_t*>(block);
  index.entries = static_cast<uint32_t>(entries);
  index.rowsPerEntry = rowsPerEntry;
  index.offsets[0] = frame->rasterOffset;
  return PBM_OK;
}

// What one read of plain text works in: a text buffer, with the text it
// holds from an earlier read, and a scratch piece of a row.
struct PlainMemory {
  uint8_t* text;
  size_t textCapacity;
  uint64_t textOffset;
  size_t textBytes;
  uint8_t* scratch;
};

// The frame's memory, taken from it; or, where the frame has none (its
// first read, or one in another read's progress callback), memory of the
// read's own. False when memory runs out.
bool TakePlainMemory(WicFrame* frame, PlainMemory* memory) {
  WicRowIndex& index = frame->rows;
  const WicHeader& header = frame->header;
  const WicLayoutTraits& traits = TraitsOfLayout(header.layout);
  const size_t capacity = TextBufferBytes(header.width, header.height, traits.samplesPerPixel);
  if (index.text != nullptr) {
    *memory = PlainMemory{index.text, capacity, index.textOffset, index.textBytes, index.scratch};
    index.text = nullptr;
    index.scratch = nullptr;
    return true;
  }
  const int32_t pixelBytes =
      header.layout == WicPixelLayout::kBlackWhite ? 1 : traits.bitsPerPixel / 8;
  const int32_t pieceBytes =
      (header.width < kPiecePixels ? header.width : kPiecePixels) * pixelBytes;
  uint8_t* text = nullptr;
  uint8_t* scratch = nullptr;
  if (AllocRowScratch(static_cast<int32_t>(capacity), 1, &text) != PBM_OK ||
      AllocRowScratch(pieceBytes, 1, &scratch) != PBM_OK) {
    FreeRowScratch(text);
    return false;
  }
  *memory = PlainMemory{text, capacity, 0, 0, scratch};
  return true;
}

// Gives the memory to the frame with what its text buffer holds, unless
// the frame has memory again (a read in this one's callback gave its own).
void GiveBackPlainMemory(WicFrame* frame, const PlainMemory& memory) {
  WicRowIndex& index = frame->rows;
  if (index.text != nullptr) {
    FreeRowScratch(memory.text);
    FreeRowScratch(memory.scratch);
    return;
  }
  index.text = memory.text;
  index.textOffset = memory.textOffset;
  index.textBytes = memory.textBytes;
  index.scratch = memory.scratch;
}

// The latest row at or before row whose start is known: an index entry, or
// where the last read stopped.
RowStart NearestKnownRow(const WicFrame& frame, int32_t row) {
  const WicRowIndex& index = frame.rows;
  int32_t entry = row / index.rowsPerEntry;
  while (index.offsets[entry] == 0) --entry;
  RowStart start{entry * index.rowsPerEntry, index.offsets[entry]};
  if (index.resumeOffset != 0 && index.resumeRow <= row && index.resumeRow > start.row)
    start = RowStart{index.resumeRow, index.resumeOffset};
  return start;
}

void LearnRowStart(WicFrame* frame, int32_t row, uint64_t offset) {
  WicRowIndex& index = frame->rows;
  if (row % index.rowsPerEntry != 0) return;
  uint64_t& entry = index.offsets[row / index.rowsPerEntry];
  if (entry == 0) entry = offset;
}

// Eight PBM pixels (bytes of 0 or 1, 1 black) as one byte of WIC's bits,
// the first pixel the top bit, 1 white: read as one number, least
// significant byte first, their low bits gather in the top byte by one
// multiplication (the partial products never overlap, so never carry).
uint8_t PackEightPixels(const uint8_t* pixels) {
  uint64_t eight = 0;
  for (int k = 7; k >= 0; --k) eight = eight << 8 | pixels[k];
  return static_cast<uint8_t>(~((eight * 0x8040201008040201u) >> 56));
}

// count PBM pixels from column on, a byte each with 1 for black, into WIC's
// bits, whose bit 0 is column x: the destination, white to begin with,
// loses a bit for each black pixel in [x, end).
void PutBlackPixels(const uint8_t* pixels, int64_t column, int64_t count, int64_t x, int64_t end,
                    uint8_t* destination) {
  int64_t at = column > x ? column : x;
  const int64_t stop = column + count < end ? column + count : end;
  // Eight pixels a byte where they line up with the destination's bytes.
  if ((at - x) % 8 == 0) {
    for (; stop - at >= 8; at += 8)
      destination[(at - x) / 8] = PackEightPixels(pixels + (at - column));
  }
  for (; at < stop; ++at) {
    const int64_t bit = at - x;
    if (pixels[at - column] != 0)
      destination[bit / 8] &= static_cast<uint8_t>(~(0x80u >> (bit % 8)));
  }
}

// A PBM row, a piece at a time through a scratch row cleared first, so
// that pixels a row cut short does not reach stay white. The destination's
// bits cover the whole bytes from x on: pixels past the rectangle too.
void ReadPlainBitRow(PlainRows& plain, uint8_t* destination, int32_t x, int32_t width) {
  const int32_t imageWidth = plain.frame->header.width;
  const uint32_t bytes = WicRowBytes(WicPixelLayout::kBlackWhite, width);
  const int64_t end = int64_t{x} + 8 * int64_t{bytes};
  if (destination != nullptr) memset(destination, 0xFF, bytes);
  for (int32_t column = 0; column < imageWidth; column += kPiecePixels) {
    const int32_t count = imageWidth - column < kPiecePixels ? imageWidth - column : kPiecePixels;
    memset(plain.scratch, 0, static_cast<size_t>(count));
    const ResultCode read = ReadPbmRowFrom(plain.source, plain.scratch, count, kMagicP1);
    if (destination != nullptr) PutBlackPixels(plain.scratch, column, count, x, end, destination);
    if (read != PBM_OK) return;
  }
}

// Samples up to 65535, each scaled as it is read. A grey row ends at its
// first failed sample and a colour row reads every one, as ReadPgmRowFrom's
// and ReadPpmRowFrom's rows do; a sample cut off by the end keeps its
// digits. False when the row ended, the samples after the failed one zero.
bool ReadPlainWideSamples(NetpbmByteSource* source, uint8_t* samples, size_t count, uint32_t maxval,
                          bool endsAtFailure) {
  for (size_t i = 0; i < count; ++i) {
    int32_t value = 0;
    const ResultCode result = ReadNetpbmIntFrom(source, &value);
    StoreWideSample(samples + 2 * i, ScaleWideSample(static_cast<uint32_t>(value), maxval));
    if (result != PBM_OK && endsAtFailure) {
      memset(samples + 2 * (i + 1), 0, 2 * (count - i - 1));
      return false;
    }
  }
  return true;
}

// count pixels of grey or colour into target; false when a grey row ended
// in them, the rest of them zero.
bool ReadPlainPiece(PlainRows& plain, uint8_t* target, int32_t count) {
  const WicLayoutTraits& traits = *plain.traits;
  const bool grey = traits.samplesPerPixel == 1;
  const size_t samples = static_cast<size_t>(count) * static_cast<size_t>(traits.samplesPerPixel);
  if (traits.wideSamples) {
    return ReadPlainWideSamples(plain.source, target, samples,
                                static_cast<uint32_t>(plain.frame->header.maxval), grey);
  }
  // The maxval byte only matters for PBM rows, which these are not.
  bool whole = true;
  if (grey) {
    memset(target, 0, samples);
    whole = ReadPgmRowFrom(plain.source, target, count, 0, kMagicP2) == PBM_OK;
  } else {
    ReadPpmRowFrom(plain.source, target, count, 0, kMagicP3);
  }
  if (plain.scaled) ScaleSamples(target, samples, plain.table);
  return whole;
}

// A grey or colour row, each piece read straight into the destination when
// it lies inside [x, x + width), else through scratch and the part inside
// copied.
void ReadPlainSampleRow(PlainRows& plain, uint8_t* destination, int32_t x, int32_t width) {
  const int32_t imageWidth = plain.frame->header.width;
  const auto pixelBytes = static_cast<size_t>(plain.traits->bitsPerPixel / 8);
  const int64_t end = int64_t{x} + width;
  for (int32_t column = 0; column < imageWidth; column += kPiecePixels) {
    const int32_t count = imageWidth - column < kPiecePixels ? imageWidth - column : kPiecePixels;
    const bool direct = destination != nullptr && column >= x && column + count <= end;
    uint8_t* target =
        direct ? destination + static_cast<size_t>(column - x) * pixelBytes : plain.scratch;
    const bool whole = ReadPlainPiece(plain, target, count);
    const int64_t from = column > x ? column : x;
    const int64_t to = column + count < end ? column + count : end;
    if (destination != nullptr && !direct && from < to) {
      memcpy(destination + static_cast<size_t>(from - x) * pixelBytes,
             plain.scratch + static_cast<size_t>(from - column) * pixelBytes,
             static_cast<size_t>(to - from) * pixelBytes);
    }
    if (whole) continue;
    // The row ended here: what it did not reach is zero.
    const int64_t rest = column + count > x ? column + count : x;
    if (destination != nullptr && rest < end) {
      memset(destination + static_cast<size_t>(rest - x) * pixelBytes, 0,
             static_cast<size_t>(end - rest) * pixelBytes);
    }
    return;
  }
}

}  // namespace

ResultCode ReadPlainWicRows(NetpbmOffsetReader reader, WicFrame* frame, const WicRect& rect,
                            const WicRowTarget* target, WicProgress* progress) {
  const WicHeader& header = frame->header;
  const WicLayoutTraits& traits = TraitsOfLayout(header.layout);
  const bool bits = header.layout == WicPixelLayout::kBlackWhite;
  PlainMemory memory{};
  if (PrepareRowIndex(frame) != PBM_OK || !TakePlainMemory(frame, &memory)) return PBM_E_NO_MEMORY;
  const int32_t last = rect.y + rect.height;
  const RowStart start = NearestKnownRow(*frame, rect.y);
  NetpbmReadCursor cursor{reader, start.offset};
  NetpbmByteSource source =
      ReaderByteSource(CursorStreamReader(&cursor), memory.text, memory.textCapacity);
  // Text the last read left that holds the start: read on from it.
  if (start.offset >= memory.textOffset && start.offset - memory.textOffset < memory.textBytes) {
    source.next = memory.text + (start.offset - memory.textOffset);
    source.end = memory.text + memory.textBytes;
    cursor.offset = memory.textOffset + memory.textBytes;
  }
  PlainRows plain{&source, frame, &traits, memory.scratch, false, {}};
  plain.scaled = SampleTableOf(header, plain.table);
  const uint32_t rowBytes = WicRowBytes(header.layout, rect.width);
  ResultCode result = PBM_OK;
  int32_t row = start.row;
  for (; row < last; ++row) {
    LearnRowStart(frame, row, CursorSourceOffset(source, cursor));
    // Once the data has ended, every row reads nothing: they are blank.
    if (source.ended && source.next == source.end) break;
    uint8_t* destination =
        target != nullptr && row >= rect.y ? WicTargetRow(*target, row - rect.y) : nullptr;
    if (bits) {
      ReadPlainBitRow(plain, destination, rect.x, rect.width);
    } else {
      ReadPlainSampleRow(plain, destination, rect.x, rect.width);
    }
    if (row >= rect.y && !AdvanceWicProgress(progress, 1, rowBytes)) {
      result = kWicStopped;
      ++row;
      break;
    }
  }
  const uint64_t stopped = CursorSourceOffset(source, cursor);
  frame->rows.resumeRow = row;
  frame->rows.resumeOffset = stopped;
  // Past the last row, or past the data (every row from here is blank), the
  // image's text has ended.
  if (row == header.height || (source.ended && source.next == source.end))
    frame->endOffset = stopped;
  memory.textBytes = static_cast<size_t>(source.end - memory.text);
  memory.textOffset = cursor.offset - memory.textBytes;
  GiveBackPlainMemory(frame, memory);
  if (result != PBM_OK || target == nullptr || row >= last) return result;
  const int32_t blankFrom = row > rect.y ? row : rect.y;
  for (int32_t i = blankFrom; i < last; ++i)
    BlankWicRow(header.layout, WicTargetRow(*target, i - rect.y), rowBytes);
  const auto blank = static_cast<uint64_t>(last - blankFrom);
  return AdvanceWicProgress(progress, blank, blank * rowBytes) ? PBM_OK : kWicStopped;
}

}  // namespace quentarpbm
