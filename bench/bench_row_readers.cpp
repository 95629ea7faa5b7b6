// The reading stage alone, timed by both builds of the benchmark.
#include <stdio.h>

#include "bench_methods.h"
#include "netpbm/netpbm.h"

bool RunRowReaders(const BenchImage& image) {
  FILE* stream = fopen(image.path.c_str(), "rb");
  if (stream == nullptr) return false;
  int32_t width = 0;
  int32_t height = 0;
  int32_t maxval = 0;
  quentarpbm::ResultCode status = PBM_E_READ;
  const char kind = image.variant[1];
  quentarpbm::RowStore store =
      kind == '1' || kind == '4'
          ? quentarpbm::ReadPbmImage(stream, &width, &height, &status, nullptr, 0)
      : kind == '2' || kind == '5'
          ? quentarpbm::ReadPgmImage(stream, &width, &height, &maxval, &status, nullptr, 0)
          : quentarpbm::ReadPpmImage(stream, &width, &height, &maxval, &status, nullptr, 0);
  fclose(stream);
  quentarpbm::FreeRowStore(store, height);
  return status == PBM_OK;
}
