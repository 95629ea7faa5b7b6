// The peer readers that Debian packages, each timed when its package is installed.
#include "bench_peers.h"

#include <stdio.h>

#if QUENTARPBM_BENCH_NETPBM
#include <netpbm/pnm.h>
#endif
#if QUENTARPBM_BENCH_FREEIMAGE
#include <FreeImage.h>
#endif
#if QUENTARPBM_BENCH_STB
#include <stb/stb_image.h>
#endif

namespace {

#if QUENTARPBM_BENCH_NETPBM
// libnetpbm ends the process on a file cut short.
bool ReadsWholeFiles(const BenchImage& image) { return image.label != "P6h"; }

bool RunNetpbm(const BenchImage& image) {
  FILE* file = fopen(image.path.c_str(), "rb");
  if (file == nullptr) return false;
  int columns = 0;
  int rowCount = 0;
  xelval maxval = 0;
  int format = 0;
  xel** pixels = pnm_readpnm(file, &columns, &rowCount, &maxval, &format);
  fclose(file);
  if (pixels == nullptr) return false;
  pnm_freearray(pixels, rowCount);
  return true;
}
#endif

#if QUENTARPBM_BENCH_FREEIMAGE
// FreeImage wants whitespace between plain PBM digits.
bool ReadsAllButCompactPbm(const BenchImage& image) { return image.label != "P1c"; }

bool RunFreeImage(const BenchImage& image) {
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(image.path.c_str(), 0);
  FIBITMAP* bitmap = FreeImage_Load(format, image.path.c_str(), 0);
  if (bitmap == nullptr) return false;
  FreeImage_Unload(bitmap);
  return true;
}
#endif

#if QUENTARPBM_BENCH_STB
bool ReadsRawGreyOrColour(const BenchImage& image) {
  return image.variant == "P5" || image.variant == "P6";
}

bool RunStb(const BenchImage& image) {
  int width = 0;
  int height = 0;
  int channels = 0;
  stbi_uc* pixels = stbi_load(image.path.c_str(), &width, &height, &channels, 0);
  if (pixels == nullptr) return false;
  stbi_image_free(pixels);
  return true;
}
#endif

}  // namespace

std::vector<BenchMethod> PeerMethods() {
  std::vector<BenchMethod> methods;
#if QUENTARPBM_BENCH_NETPBM
  static const char* argv0 = "quentarpbm_bench";
  pm_init(argv0, 0);
  methods.push_back({"libnetpbm", RunNetpbm, ReadsWholeFiles, nullptr});
#endif
#if QUENTARPBM_BENCH_FREEIMAGE
  methods.push_back({"FreeImage", RunFreeImage, ReadsAllButCompactPbm, nullptr});
#endif
#if QUENTARPBM_BENCH_STB
  methods.push_back({"stb_image", RunStb, ReadsRawGreyOrColour, nullptr});
#endif
  return methods;
}
