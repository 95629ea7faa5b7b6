// The WIC codec's decode as a host asks for it, for both builds of the benchmark: under Wine
// through QuentarPbmWic.dll, natively through its core on a file read at any offset.
#ifndef QUENTARPBM_BENCH_BENCH_WIC_CODEC_H
#define QUENTARPBM_BENCH_BENCH_WIC_CODEC_H

#include <stddef.h>
#include <stdint.h>

#include "bench_images.h"

// Each false on any failure. The header alone (Initialize and GetSize); the
// whole frame in one CopyPixels into a host's fresh buffer; the frame top to
// bottom in bands of kWicBandRows into one band's buffer; the frame scaled
// to ThumbnailSize through the source transform (grey for PBM).
bool RunWicHeader(const BenchImage& image);
bool RunWicFrame(const BenchImage& image);
bool RunWicBands(const BenchImage& image);
bool RunWicThumbnail(const BenchImage& image);

inline constexpr int32_t kWicBandRows = 64;
inline constexpr uint32_t kThumbnailWidth = 256;

// What those write into the host's buffer: the row of width pixels in the
// frame's format (8 bits for scaled PBM), the thumbnail's size, and the
// bytes of each method's buffer.
size_t WicRowBytesOf(const BenchImage& image, uint32_t width, bool scaled);
void ThumbnailSize(const BenchImage& image, uint32_t* width, uint32_t* height);
size_t WicFrameBytes(const BenchImage& image);
size_t WicBandBytes(const BenchImage& image);
size_t WicThumbnailBytes(const BenchImage& image);

#endif  // QUENTARPBM_BENCH_BENCH_WIC_CODEC_H
