// Runs PBMOpen as a host would and copies out what it handed over.
#include "support/dib_result.h"

#include <gtest/gtest.h>
#include <string.h>

#include "platform/win32_api.h"
#include "quentarpbm.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

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

// Calls open (PBMOpen or a converter) with the recording callback, then
// takes what it handed over and releases it as a host must.
template <typename Open>
DibResult OpenThrough(const Open& open) {
  DibResult result;
  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  recorder = &result;
  result.code = open(name, &mapping, &header);
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

}  // namespace

DibResult OpenAsHost(const std::string& path) {
  return OpenThrough([&path](char* name, void** mapping, void** header) {
    return PBMOpen(path.c_str(), name, mapping, header, RecordProgress, kUserValue);
  });
}

DibResult ConvertAsHost(Converter converter, FILE* stream) {
  return OpenThrough([converter, stream](char* name, void** mapping, void** header) {
    return converter(stream, name, mapping, header, RecordProgress, kUserValue);
  });
}

void ExpectNothingLeft(const DibResult& result, const std::string& tempDirectory) {
  if (result.code != PBM_OK) {
    EXPECT_TRUE(result.headerNull);
    EXPECT_TRUE(result.mappingNull);
    EXPECT_TRUE(result.pixelFile.empty() || !PathExists(result.pixelFile))
        << result.pixelFile << " was left behind";
  } else {
    EXPECT_TRUE(result.pixelFileRemoved) << "the host could not delete " << result.pixelFile;
  }
  EXPECT_EQ(FilesIn(tempDirectory), 0);
}

}  // namespace quentarpbm::testing
