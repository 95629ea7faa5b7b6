// PBMOpen end to end as a host calls it, then the host's release of its results.
#ifndef QUENTARPBM_BENCH_RUN_PBM_OPEN_H
#define QUENTARPBM_BENCH_RUN_PBM_OPEN_H

#include <stdint.h>

#include "bench_images.h"
#include "quentarpbm.h"
#if defined(_WIN32)
#include <windows.h>
#else
#include "quentarpbm_posix.h"
#endif

using PbmOpenFunction = int32_t(PBM_CALL*)(const char*, char*, void**, void**, PBMProgressCallback,
                                           uint32_t);

// False when pbmOpen is null or fails.
inline bool RunPbmOpenThrough(PbmOpenFunction pbmOpen, const BenchImage& image) {
  char pixelFileName[MAX_PATH];
  void* mapping = nullptr;
  void* header = nullptr;
  if (pbmOpen == nullptr ||
      pbmOpen(image.path.c_str(), pixelFileName, &mapping, &header, nullptr, 0) != PBM_OK)
    return false;
  CloseHandle(mapping);
  GlobalFree(header);
  DeleteFileA(pixelFileName);
  return true;
}

#endif  // QUENTARPBM_BENCH_RUN_PBM_OPEN_H
