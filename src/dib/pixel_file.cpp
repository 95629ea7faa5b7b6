// MakeTempPixelFileName and CreatePixelFile: the temporary file that holds a DIB's pixels.
#include "dib/dib.h"

namespace quentarpbm {
namespace {

// Room for a MAX_PATH path and one more character.
constexpr DWORD kTempPathBufferLength = MAX_PATH + 1;
// The longest directory Windows' GetTempFileNameA takes: it keeps 14
// characters for the name. Wine's cuts the name short instead, or fails
// after making a file, so a longer directory is never asked for a name.
constexpr DWORD kLongestTempDirectory = MAX_PATH - 14;

}  // namespace

ResultCode MakeTempPixelFileName(char* nameBuffer) {
  char directory[kTempPathBufferLength];
  const DWORD length = GetTempPathA(kTempPathBufferLength, directory);
  // A directory too long for the buffer comes back as the length it needs,
  // with the buffer unfilled.
  if (length == 0 || length >= kTempPathBufferLength) return PBM_E_TEMP_PATH;
  if (length > kLongestTempDirectory) return PBM_E_TEMP_NAME;
  // Unique number 0: the platform picks a free name and creates the file,
  // so no other caller can get the same one.
  if (GetTempFileNameA(directory, "tp", 0, nameBuffer) == 0) return PBM_E_TEMP_NAME;
  return PBM_OK;
}

ResultCode CreatePixelFile(uint32_t byteCount, HANDLE* mapping, char* nameBuffer) {
  const ResultCode named = MakeTempPixelFileName(nameBuffer);
  if (named != PBM_OK) return named;
  HANDLE file = CreateFileA(nameBuffer, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  // The named empty file stays behind for the caller to delete.
  if (file == INVALID_HANDLE_VALUE) return PBM_E_OPEN;
  // The mapping grows the empty file to byteCount, so no pixel byte is ever
  // written through the file handle; a count of 0 cannot be mapped.
  *mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, byteCount, nullptr);
  // The mapping keeps the file open on its own from here.
  CloseHandle(file);
  if (*mapping == nullptr) {
    DeleteFileA(nameBuffer);
    return PBM_E_MAPPING;
  }
  return PBM_OK;
}

}  // namespace quentarpbm
