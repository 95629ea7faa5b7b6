// Runs PBMOpen as a host would and copies out what it handed over.
#include "support/dib_result.h"

#include <gtest/gtest.h>
#include <string.h>

#include "platform/win32_api.h"
#include "quentarpbm.h"

namespace quentarpbm::testing {

namespace {

// The user value is only 32 bits, so the recorder is found per thread and the
// value itself is checked for being passed through unchanged.
constexpr uint32_t kUserValue = 0xC0FFEE42u;
thread_local DibResult* recorder = nullptr;

void PBM_CALL RecordProgress(int32_t row, int32_t rows, uint32_t userValue) {
  DibResult& log = *recorder;
  if (log.progressCalls == 0) log.progressHeight = rows;
  log.progressInOrder = log.progressInOrder && userValue == kUserValue && row >= 0 &&
                        static_cast<size_t>(row) == log.progressCalls && rows == log.progressHeight;
  ++log.progressCalls;
}

}  // namespace

DibResult OpenAsHost(const std::string& path) {
  DibResult result;
  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  recorder = &result;
  result.code = PBMOpen(path.c_str(), name, &mapping, &header, RecordProgress, kUserValue);
  recorder = nullptr;
  result.headerNull = header == nullptr;
  result.mappingNull = mapping == nullptr;
  result.pixelFile = name;
  if (result.code != PBM_OK) return result;

  const SIZE_T blockBytes = GlobalSize(header);
  const uint8_t* block = static_cast<const uint8_t*>(GlobalLock(header));
  EXPECT_NE(block, nullptr);
  if (block != nullptr) result.header.assign(block, block + blockBytes);
  GlobalUnlock(header);

  const uint32_t imageBytes = Dword(result.header, 20);
  const uint8_t* view =
      static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, imageBytes));
  EXPECT_NE(view, nullptr);
  if (view != nullptr) result.pixels.assign(view, view + imageBytes);
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_EQ(GlobalFree(header), nullptr);
  result.pixelFileRemoved = DeleteFileA(name) != FALSE;
  return result;
}

uint32_t Dword(const std::vector<uint8_t>& bytes, size_t offset) {
  if (bytes.size() < offset + 4) return 0;
  uint32_t value = 0;
  memcpy(&value, bytes.data() + offset, 4);
  return value;
}

uint16_t Word(const std::vector<uint8_t>& bytes, size_t offset) {
  if (bytes.size() < offset + 2) return 0;
  uint16_t value = 0;
  memcpy(&value, bytes.data() + offset, 2);
  return value;
}

}  // namespace quentarpbm::testing
