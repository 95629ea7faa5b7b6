// Scaled copies: each output pixel the mean of the source pixels it covers, weighted by how much
// of each it covers, in exact integers from bands of source rows; and PBM given in grey.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

namespace {

// Weighted sums of 16-bit samples, each weight at most width x height in
// all, stay below 2^63.
constexpr uint64_t kMostScaledPixels = uint64_t{1} << 47;
// So that one output column's source pixels always fit a band, and their
// sum 32 bits.
constexpr uint32_t kMostWidthFactor = 65536;
constexpr int32_t kMostPieceColumns = 16384;

bool ScalesNatively(const WicFrame& frame) {
  return static_cast<uint64_t>(frame.header.width) * static_cast<uint64_t>(frame.header.height) <=
         kMostScaledPixels;
}

// The source pixels output pixel i covers along one axis. Measured in
// units of 1/outSize source pixel, i covers [i * inSize, (i + 1) * inSize)
// and source pixel s covers [s * outSize, (s + 1) * outSize): the weights
// are those units, and each output pixel's add up to inSize.
struct Cover {
  int64_t first;        // the first source pixel wholly covered
  int64_t end;          // past the last wholly covered (first <= end: inSize >= outSize)
  uint64_t headWeight;  // how much of pixel first - 1 is covered
  uint64_t tailWeight;  // how much of pixel end is covered
};

Cover CoverOf(int64_t i, uint64_t inSize, uint64_t outSize) {
  const uint64_t low = static_cast<uint64_t>(i) * inSize;
  const uint64_t high = low + inSize;
  const uint64_t first = (low + outSize - 1) / outSize;
  const uint64_t end = high / outSize;
  return Cover{static_cast<int64_t>(first), static_cast<int64_t>(end), first * outSize - low,
               high - end * outSize};
}

// Set bits in each byte value.
struct BitCounts {
  uint8_t of[256];
};
constexpr BitCounts MakeBitCounts() {
  BitCounts counts = {};
  for (int i = 1; i < 256; ++i) counts.of[i] = static_cast<uint8_t>(counts.of[i / 2] + i % 2);
  return counts;
}
constexpr BitCounts kBitCounts = MakeBitCounts();

// A decoded row's samples by layout: pixel x's sample c, and the sum of
// sample c over pixels [from, to), a run at most kMostWidthFactor long, so
// that 32 bits hold it. PBM's bits are black 0 and white 255: a run's sum
// counts its white bits a byte at a time.
struct BitSamples {
  static constexpr int kSamples = 1;
  static uint32_t At(const uint8_t* row, int64_t x, int) { return WicBitAt(row, x) ? 255u : 0u; }
  static uint32_t SumRun(const uint8_t* row, int64_t from, int64_t to, int) {
    if (from >= to) return 0;
    const int64_t first = from / 8;
    const int64_t last = (to - 1) / 8;
    const auto head = static_cast<uint8_t>(0xFFu >> (from % 8));
    const auto tail = static_cast<uint8_t>(0xFFu << (7 - (to - 1) % 8));
    if (first == last) return 255u * kBitCounts.of[row[first] & head & tail];
    uint32_t white = kBitCounts.of[row[first] & head] + kBitCounts.of[row[last] & tail];
    for (int64_t i = first + 1; i < last; ++i) white += kBitCounts.of[row[i]];
    return 255u * white;
  }
};
template <int N>
struct ByteSamples {
  static constexpr int kSamples = N;
  static uint32_t At(const uint8_t* row, int64_t x, int c) { return row[x * N + c]; }
  static uint32_t SumRun(const uint8_t* row, int64_t from, int64_t to, int c) {
    uint32_t sum = 0;
    for (int64_t x = from; x < to; ++x) sum += row[x * N + c];
    return sum;
  }
};
template <int N>
struct WideSamples {
  static constexpr int kSamples = N;
  static uint32_t At(const uint8_t* row, int64_t x, int c) {
    return LoadWideSample(row + 2 * (x * N + c));
  }
  static uint32_t SumRun(const uint8_t* row, int64_t from, int64_t to, int c) {
    uint32_t sum = 0;
    for (int64_t x = from; x < to; ++x) sum += LoadWideSample(row + 2 * (x * N + c));
    return sum;
  }
};

// The weighted sums of one source row for each output column of a piece
// (their covers), the row's pixels starting at source pixel sourceX.
template <typename Samples>
void SumColumns(const uint8_t* row, const Cover* covers, int32_t columns, int64_t sourceX,
                uint64_t wholeWeight, uint64_t* sums) {
  constexpr int kN = Samples::kSamples;
  for (int32_t j = 0; j < columns; ++j) {
    const Cover& cover = covers[j];
    for (int c = 0; c < kN; ++c) {
      uint64_t sum = uint64_t{Samples::SumRun(row, cover.first - sourceX, cover.end - sourceX, c)} *
                     wholeWeight;
      if (cover.headWeight != 0)
        sum += cover.headWeight * Samples::At(row, cover.first - 1 - sourceX, c);
      if (cover.tailWeight != 0) sum += cover.tailWeight * Samples::At(row, cover.end - sourceX, c);
      sums[j * kN + c] = sum;
    }
  }
}

// The sample reader for the layout's samples, as its traits give them.
void SumRow(WicPixelLayout layout, const uint8_t* row, const Cover* covers, int32_t columns,
            int64_t sourceX, uint64_t wholeWeight, uint64_t* sums) {
  const WicLayoutTraits& traits = TraitsOfLayout(layout);
  const bool grey = traits.samplesPerPixel == 1;
  if (traits.bitsPerPixel == 1) {
    SumColumns<BitSamples>(row, covers, columns, sourceX, wholeWeight, sums);
  } else if (traits.wideSamples) {
    if (grey) {
      SumColumns<WideSamples<1>>(row, covers, columns, sourceX, wholeWeight, sums);
    } else {
      SumColumns<WideSamples<3>>(row, covers, columns, sourceX, wholeWeight, sums);
    }
  } else if (grey) {
    SumColumns<ByteSamples<1>>(row, covers, columns, sourceX, wholeWeight, sums);
  } else {
    SumColumns<ByteSamples<3>>(row, covers, columns, sourceX, wholeWeight, sums);
  }
}

void AddWeighted(uint64_t* sums, const uint64_t* row, size_t count, uint64_t weight) {
  for (size_t i = 0; i < count; ++i) sums[i] += weight * row[i];
}

// sum / total rounded half up, without the 2 * sum that could pass 64 bits.
uint32_t RoundedMean(uint64_t sum, uint64_t total) {
  return static_cast<uint32_t>(sum / total + (2 * (sum % total) >= total ? 1 : 0));
}

// The memory one piece of output columns takes, made once for all pieces.
struct ResampleMemory {
  Cover* covers;
  uint64_t* current;  // the output row being summed
  uint64_t* next;     // the one after it, which a source row may reach into
  uint64_t* row;      // one source row's sums
  uint8_t* staging;   // one output row's pixels
  uint8_t* band;      // source rows
};

bool AllocResampleMemory(int32_t columns, int32_t samples, size_t bandBytes,
                         ResampleMemory* memory) {
  const int32_t sums = columns * samples;
  uint8_t* blocks[6] = {};
  const bool made = AllocRowScratch(columns, sizeof(Cover), &blocks[0]) == PBM_OK &&
                    AllocRowScratch(sums, sizeof(uint64_t), &blocks[1]) == PBM_OK &&
                    AllocRowScratch(sums, sizeof(uint64_t), &blocks[2]) == PBM_OK &&
                    AllocRowScratch(sums, sizeof(uint64_t), &blocks[3]) == PBM_OK &&
                    AllocRowScratch(sums, 2, &blocks[4]) == PBM_OK &&
                    AllocRowScratch(static_cast<int32_t>(bandBytes), 1, &blocks[5]) == PBM_OK;
  if (!made) {
    for (uint8_t* block : blocks) FreeRowScratch(block);
    return false;
  }
  *memory = ResampleMemory{reinterpret_cast<Cover*>(blocks[0]),
                           reinterpret_cast<uint64_t*>(blocks[1]),
                           reinterpret_cast<uint64_t*>(blocks[2]),
                           reinterpret_cast<uint64_t*>(blocks[3]),
                           blocks[4],
                           blocks[5]};
  return true;
}

void FreeResampleMemory(const ResampleMemory& memory) {
  FreeRowScratch(reinterpret_cast<uint8_t*>(memory.covers));
  FreeRowScratch(reinterpret_cast<uint8_t*>(memory.current));
  FreeRowScratch(reinterpret_cast<uint8_t*>(memory.next));
  FreeRowScratch(reinterpret_cast<uint8_t*>(memory.row));
  FreeRowScratch(memory.staging);
  FreeRowScratch(memory.band);
}

// Bytes of the source pixels a piece of columns output columns covers, at most.
uint64_t SpanBytesOf(WicPixelLayout layout, int32_t columns, uint64_t inWidth, uint64_t outWidth) {
  const uint64_t pixels = static_cast<uint64_t>(columns) * inWidth / outWidth + 2;
  return (pixels * static_cast<uint64_t>(TraitsOfLayout(layout).bitsPerPixel) + 7) / 8;
}

// What one resampled copy shares.
struct Resample {
  NetpbmOffsetReader reader;
  WicFrame* frame;
  const WicCopyRequest* request;
  WicRect rect;
  int32_t samples;
  bool wide;
  int64_t bandRows;  // source rows a band holds, at the widest span a piece may have
  ResampleMemory memory;
};

// Output row y (of the scaled image) of a piece of columns from column x of
// the rectangle: the sums' means, put where the transform takes them.
void EmitRow(const Resample& resample, int32_t x, int32_t columns, int64_t y) {
  const WicHeader& header = resample.frame->header;
  const uint64_t total = static_cast<uint64_t>(header.width) * static_cast<uint64_t>(header.height);
  const auto count = static_cast<size_t>(columns) * static_cast<size_t>(resample.samples);
  uint8_t* staging = resample.memory.staging;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t mean = RoundedMean(resample.memory.current[i], total);
    if (resample.wide) {
      StoreWideSample(staging + 2 * i, mean);
    } else {
      staging[i] = static_cast<uint8_t>(mean);
    }
  }
  const WicCopyRequest& request = *resample.request;
  PlaceWicPixels(staging, columns, x, static_cast<int32_t>(y - resample.rect.y), request.layout,
                 request.transform, resample.rect.width, resample.rect.height, request.buffer,
                 request.stride);
}

// The output columns from x of the rectangle, columns of them: their
// source rows read a band at a time, each summed into the output row it
// falls in (and the next, where it reaches into it), each output row
// emitted once its last source row is in.
ResultCode ResamplePiece(Resample& resample, int32_t x, int32_t columns, int64_t firstRow,
                         int64_t endRow, WicProgress* progress) {
  const WicHeader& header = resample.frame->header;
  const WicCopyRequest& request = *resample.request;
  const ResampleMemory& memory = resample.memory;
  const auto width = static_cast<uint64_t>(header.width);
  const auto height = static_cast<uint64_t>(header.height);
  for (int32_t j = 0; j < columns; ++j)
    memory.covers[j] = CoverOf(resample.rect.x + x + j, width, request.width);
  const int64_t sourceX = memory.covers[0].first - (memory.covers[0].headWeight != 0 ? 1 : 0);
  const Cover& last = memory.covers[columns - 1];
  const auto sourceWidth =
      static_cast<int32_t>(last.end + (last.tailWeight != 0 ? 1 : 0) - sourceX);
  const uint32_t span = WicRowBytes(header.layout, sourceWidth);
  const int64_t bandRows = resample.bandRows;
  const auto sums = static_cast<size_t>(columns) * static_cast<size_t>(resample.samples);
  memset(memory.current, 0, sums * sizeof(uint64_t));
  memset(memory.next, 0, sums * sizeof(uint64_t));
  int64_t outRow = resample.rect.y;
  uint64_t top = static_cast<uint64_t>(outRow) * height;
  for (int64_t y = firstRow; y < endRow;) {
    const int64_t rows = endRow - y < bandRows ? endRow - y : bandRows;
    const WicRowTarget target{memory.band, span, static_cast<int32_t>(rows), false};
    const WicRect source{static_cast<int32_t>(sourceX), static_cast<int32_t>(y), sourceWidth,
                         static_cast<int32_t>(rows)};
    const ResultCode read =
        ReadWicFrameRows(resample.reader, resample.frame, source, &target, progress);
    if (read != PBM_OK) return read;
    for (int64_t r = 0; r < rows; ++r, ++y) {
      SumRow(header.layout, memory.band + static_cast<size_t>(r) * span, memory.covers, columns,
             sourceX, request.width, memory.row);
      const uint64_t from = static_cast<uint64_t>(y) * request.height;
      const uint64_t to = from + request.height;
      const uint64_t bottom = top + height;
      AddWeighted(memory.current, memory.row, sums,
                  (to < bottom ? to : bottom) - (from > top ? from : top));
      if (to > bottom) AddWeighted(memory.next, memory.row, sums, to - bottom);
      if (to < bottom) continue;
      EmitRow(resample, x, columns, outRow);
      memcpy(memory.current, memory.next, sums * sizeof(uint64_t));
      memset(memory.next, 0, sums * sizeof(uint64_t));
      ++outRow;
      top = bottom;
    }
  }
  return PBM_OK;
}

}  // namespace

void ClosestWicSize(const WicFrame& frame, uint32_t* width, uint32_t* height) {
  const auto ownWidth = static_cast<uint32_t>(frame.header.width);
  const auto ownHeight = static_cast<uint32_t>(frame.header.height);
  if (!ScalesNatively(frame)) {
    *width = ownWidth;
    *height = ownHeight;
    return;
  }
  const uint32_t narrowest = (ownWidth - 1) / kMostWidthFactor + 1;
  *width = *width < narrowest ? narrowest : *width > ownWidth ? ownWidth : *width;
  *height = *height < 1 ? 1 : *height > ownHeight ? ownHeight : *height;
}

WicPixelLayout ClosestWicLayout(const WicFrame& frame, const WicPixelLayout* wanted) {
  const WicPixelLayout own = frame.header.layout;
  if (own != WicPixelLayout::kBlackWhite || !ScalesNatively(frame)) return own;
  return wanted != nullptr && *wanted == own ? own : WicPixelLayout::kGray8;
}

ResultCode CopyResampledWicPixels(NetpbmOffsetReader reader, WicFrame* frame,
                                  const WicCopyRequest& request, const WicRect& rect,
                                  WicProgress* progress) {
  const WicHeader& header = frame->header;
  const WicLayoutTraits& traits = TraitsOfLayout(request.layout);
  const auto width = static_cast<uint64_t>(header.width);
  const auto height = static_cast<uint64_t>(header.height);
  // Pieces of output columns whose sums and source pixels stay small.
  int32_t columns = rect.width < kMostPieceColumns ? rect.width : kMostPieceColumns;
  while (columns > 1 && SpanBytesOf(header.layout, columns, width, request.width) > kWicBandBytes)
    columns /= 2;
  // The source rows the rectangle's rows cover, as many in a band as fit.
  const int64_t firstRow =
      static_cast<int64_t>(static_cast<uint64_t>(rect.y) * height / request.height);
  const int64_t endRow = static_cast<int64_t>(
      (static_cast<uint64_t>(rect.y + rect.height) * height + request.height - 1) / request.height);
  const uint64_t span = SpanBytesOf(header.layout, columns, width, request.width);
  const uint64_t fitting = kWicBandBytes / span;
  const int64_t bandRows = fitting == 0 ? 1
                           : fitting < static_cast<uint64_t>(endRow - firstRow)
                               ? static_cast<int64_t>(fitting)
                               : endRow - firstRow;
  Resample resample{reader,   frame, &request, rect, traits.samplesPerPixel, traits.wideSamples,
                    bandRows, {}};
  if (!AllocResampleMemory(columns, traits.samplesPerPixel,
                           static_cast<size_t>(span) * static_cast<size_t>(bandRows),
                           &resample.memory)) {
    return PBM_E_NO_MEMORY;
  }
  const int64_t pieces = (int64_t{rect.width} + columns - 1) / columns;
  ResultCode result =
      BeginWicProgress(progress, static_cast<uint64_t>(pieces * (endRow - firstRow))) ? PBM_OK
                                                                                      : kWicStopped;
  for (int32_t x = 0; x < rect.width && result == PBM_OK; x += columns) {
    result = ResamplePiece(resample, x, rect.width - x < columns ? rect.width - x : columns,
                           firstRow, endRow, progress);
  }
  FreeResampleMemory(resample.memory);
  return result;
}

}  // namespace quentarpbm
