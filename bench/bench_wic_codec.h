// The WIC codec's decode as a WIC host gets it, for the benchmark's Windows build.
#ifndef QUENTARPBM_BENCH_BENCH_WIC_CODEC_H
#define QUENTARPBM_BENCH_BENCH_WIC_CODEC_H

#include "bench_images.h"

// QuentarPbmWic.dll beside the program, loaded once without the registry: a
// decoder over a file stream, Initialize, the frame, and the whole frame
// through CopyPixels into one buffer. False on any failure.
bool RunWicCodec(const BenchImage& image);

#endif  // QUENTARPBM_BENCH_BENCH_WIC_CODEC_H
