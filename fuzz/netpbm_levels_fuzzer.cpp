// The image readers at every level the processor has, against the byte-at-a-time reader.
#include <stdint.h>
#include <stdio.h>

#include <vector>

#include "fuzz_scratch.h"
#include "netpbm/fast/simd/simd_control.h"
#include "netpbm/fast/simd/simd_level.h"
#include "netpbm/netpbm.h"
#include "oracle/byte_reader_oracle.h"

using namespace quentarpbm;

namespace {

const char* const kTargetNames[] = {"PBM", "PGM", "PPM"};

// An image read, and the state it left its stream in.
struct Reading {
  oracle::Image image;
  long position = -1;
  bool ended = false;
};

// The progress calls of the reading under way, and the row counts they gave.
struct ProgressLog {
  std::vector<int32_t> rows;
  std::vector<int32_t> heights;
};
ProgressLog* g_progress = nullptr;
constexpr uint32_t kUserValue = 77;

void PBM_CALL RecordProgress(int32_t row, int32_t rows, uint32_t userValue) {
  if (userValue != kUserValue) fuzz::Fail("progress called with another user value");
  g_progress->rows.push_back(row);
  g_progress->heights.push_back(rows);
}

// The library's image reader for target, at the level the scanners chose.
Reading ReadThroughLibrary(const uint8_t* data, size_t size, oracle::Target target) {
  Reading reading;
  oracle::Image& image = reading.image;
  FILE* stream = fuzz::OpenMemory(data, size);
  ProgressLog progress;
  g_progress = &progress;
  RowStore store = nullptr;
  if (target == oracle::Target::kPbm) {
    store = ReadPbmImage(stream, &image.width, &image.height, &image.status, RecordProgress,
                         kUserValue);
  } else if (target == oracle::Target::kPgm) {
    store = ReadPgmImage(stream, &image.width, &image.height, &image.maxval, &image.status,
                         RecordProgress, kUserValue);
  } else {
    store = ReadPpmImage(stream, &image.width, &image.height, &image.maxval, &image.status,
                         RecordProgress, kUserValue);
  }
  g_progress = nullptr;
  for (const int32_t height : progress.heights)
    if (height != image.height) fuzz::Fail("progress called with another row count");
  image.progressRows = progress.rows;
  if (store != nullptr) {
    // The store is one block, row after row.
    const size_t bytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) *
                         (target == oracle::Target::kPpm ? 3u : 1u);
    image.pixels.assign(store[0], store[0] + bytes);
    FreeRowStore(store, image.height);
  }
  reading.position = ftell(stream);
  reading.ended = feof(stream) != 0;
  fclose(stream);
  return reading;
}

Reading ReadByteAtATime(const uint8_t* data, size_t size, oracle::Target target) {
  Reading reading;
  FILE* stream = fuzz::OpenMemory(data, size);
  reading.image = oracle::ReadImage(stream, target);
  reading.position = ftell(stream);
  reading.ended = feof(stream) != 0;
  fclose(stream);
  return reading;
}

// The first way in which fast differs from slow, or nullptr.
const char* DifferenceOf(const Reading& fast, const Reading& slow, oracle::Target target) {
  if (fast.image.status != slow.image.status) return "the status differs";
  if (fast.image.width != slow.image.width) return "the width differs";
  if (fast.image.height != slow.image.height) return "the height differs";
  // The PBM reader gives no maxval.
  if (target != oracle::Target::kPbm && fast.image.maxval != slow.image.maxval)
    return "the maxval differs";
  if (fast.image.pixels != slow.image.pixels) return "the pixels differ";
  if (fast.image.progressRows != slow.image.progressRows)
    return "the rows given to progress differ";
  if (fast.position != slow.position) return "the stream position afterwards differs";
  if (fast.ended != slow.ended) return "the end-of-file flag afterwards differs";
  return nullptr;
}

}  // namespace

// The whole input is the stream, read as PBM, PGM and PPM; each is read once
// byte by byte and once at every level, each level asked for and checked.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (fuzz::DeclaresTooManyPixels(data, size)) return 0;
  const int highest = static_cast<int>(ProcessorSimdLevel());
  for (const oracle::Target target :
       {oracle::Target::kPbm, oracle::Target::kPgm, oracle::Target::kPpm}) {
    const Reading slow = ReadByteAtATime(data, size, target);
    for (int level = 0; level <= highest; ++level) {
      LimitSimdLevel(static_cast<SimdLevel>(level));
      if (ChosenSimdLevel() != static_cast<SimdLevel>(level))
        fuzz::Fail("the scanners chose another level than the one asked for");
      const char* difference = DifferenceOf(ReadThroughLibrary(data, size, target), slow, target);
      if (difference != nullptr) {
        fprintf(stderr, "read as %s at level %d of %d:\n", kTargetNames[static_cast<int>(target)],
                level, highest);
        fuzz::Fail(difference);
      }
    }
  }
  LimitSimdLevel(SimdLevel::kAvx2);
  return 0;
}
