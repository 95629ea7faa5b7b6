// The whole PBMOpen on a file: results agree with each other and a failure leaves nothing.
#include <string.h>

#include <filesystem>

#include "fuzz_scratch.h"
#include "platform/posix/standin_control.h"
#include "platform/win32_api.h"
#include "quentarpbm.h"

using namespace quentarpbm;

namespace {

int32_t progressCalls = 0;
void PBM_CALL CountProgress(int32_t /*row*/, int32_t /*rows*/, uint32_t /*user*/) {
  ++progressCalls;
}

bool IsResultCode(int32_t code) {
  switch (code) {
    case PBM_OK:
    case PBM_E_NO_MEMORY:
    case PBM_E_UNSUPPORTED:
    case PBM_E_MAXVAL:
    case PBM_E_READ:
    case PBM_E_MAPPING:
      return true;
    default:  // the others need a platform failure, which this target never injects
      return false;
  }
}

// The header block describes exactly the pixel file: its size is
// height x stride, every byte of one view that size can be read, and the
// padding at the end of each row is zero.
void CheckDib(const char* pixelFile, void* mapping, void* header) {
  const SIZE_T blockBytes = GlobalSize(header);
  const auto* block = static_cast<const uint8_t*>(GlobalLock(header));
  if (block == nullptr || blockBytes < sizeof(BITMAPINFOHEADER)) fuzz::Fail("no header block");
  BITMAPINFOHEADER info;
  memcpy(&info, block, sizeof info);
  GlobalUnlock(header);
  if (info.biSize != 40 || info.biPlanes != 1) fuzz::Fail("header size or planes");
  if (info.biBitCount != 8 && info.biBitCount != 24) fuzz::Fail("bit count");
  if (blockBytes != 40u + (info.biBitCount == 8 ? 1024u : 0u)) fuzz::Fail("colour table size");
  if (info.biWidth < 0 || info.biHeight <= 0) fuzz::Fail("DIB size");
  if (info.biHeight != progressCalls) fuzz::Fail("progress calls are not one per row");
  const int64_t stride = (int64_t{info.biWidth} * info.biBitCount + 31) / 32 * 4;
  if (int64_t{info.biSizeImage} != stride * info.biHeight) fuzz::Fail("biSizeImage");
  if (std::filesystem::file_size(pixelFile) != info.biSizeImage) fuzz::Fail("pixel file size");

  const auto* view =
      static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, info.biSizeImage));
  if (view == nullptr) fuzz::Fail("the pixel file cannot be mapped whole");
  const int64_t pixelBytes = int64_t{info.biWidth} * (info.biBitCount / 8);
  for (int64_t row = 0; row < info.biHeight; ++row)
    for (int64_t i = pixelBytes; i < stride; ++i)
      if (view[row * stride + i] != 0) fuzz::Fail("padding byte not zero");
  UnmapViewOfFile(view);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (fuzz::DeclaresTooManyPixels(data, size)) return 0;
  const std::string& pixels = fuzz::PixelDirectory();
  const fuzz::InputFile file = fuzz::PbmOpenInput(data, size);
  const std::string path = fuzz::WriteScratchFile(file.name, file.bytes, file.size);
  const int liveBefore = StandinLiveHandles();

  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  progressCalls = 0;
  const int32_t code = PBMOpen(path.c_str(), name, &mapping, &header, CountProgress, 0);
  if (!IsResultCode(code)) fuzz::Fail("unexpected result code");
  if (code == PBM_OK) {
    CheckDib(name, mapping, header);
    if (!CloseHandle(mapping)) fuzz::Fail("mapping handle");
    if (GlobalFree(header) != nullptr) fuzz::Fail("header handle");
    if (!DeleteFileA(name)) fuzz::Fail("the pixel file cannot be deleted");
  } else {
    if (header != nullptr || mapping != nullptr) fuzz::Fail("a handle after a failure");
    if (name[0] != '\0' && std::filesystem::exists(name)) fuzz::Fail("pixel file left");
  }
  if (fuzz::FilesIn(pixels) != 0) fuzz::Fail("a file left in the temporary directory");
  if (StandinLiveHandles() != liveBefore) fuzz::Fail("a handle left open");
  return 0;
}
