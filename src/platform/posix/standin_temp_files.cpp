// GetTempPathA and GetTempFileNameA: the temporary directory and uniquely named files made in it.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "platform/posix/standin_handles.h"

using quentarpbm::StandinApi;

namespace {

// Windows names temporary files prefix + 4 hex digits + ".tmp".
constexpr size_t kMaxPrefix = 3;
constexpr size_t kNumberAndSuffix = 8;
constexpr unsigned kNumbers = 0xFFFF;  // 1 to FFFF; 0 means "pick one"

// The number tried last, starting somewhere different in every process so
// that concurrent processes rarely collide; callers hold the stand-in's lock.
unsigned& LastCandidate() {
  static unsigned last = static_cast<unsigned>(getpid()) ^ static_cast<unsigned>(time(nullptr));
  return last;
}

// The next number to try, after 0xFFFF 1 again.
unsigned NextCandidate() {
  unsigned& last = LastCandidate();
  last = last % kNumbers + 1;
  return last;
}

}  // namespace

// TMPDIR when set, else /tmp, always ending in '/'. Returns the length
// written without the terminating zero, or, when bufferLength is too small,
// the length needed including it and writes nothing.
extern "C" DWORD WINAPI GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kGetTempPathA)) return 0;
  // As Windows does, from the process's environment, which nothing in the
  // library changes.
  const char* variable = getenv("TMPDIR");  // NOLINT(concurrency-mt-unsafe)
  std::string path = variable != nullptr && variable[0] != '\0' ? variable : "/tmp";
  if (path.back() != '/') path += '/';
  if (path.size() >= UINT32_MAX) return 0;
  const auto length = static_cast<DWORD>(path.size());
  if (buffer == nullptr || bufferLength <= length) return length + 1;
  memcpy(buffer, path.c_str(), path.size() + 1);
  return length;
}

// Only unique number 0: creates a new empty file (mode 0600) named pathName
// + up to 3 characters of prefix + 4 hex digits + ".tmp", writes its full path
// to tempFileName (MAX_PATH bytes) and returns the number used. Returns 0 and
// leaves tempFileName alone when the path would exceed MAX_PATH, the directory
// cannot take the file, or every name is taken.
extern "C" UINT WINAPI GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique,
                                        LPSTR tempFileName) {
  const std::lock_guard<std::mutex> lock(quentarpbm::StandinMutex());
  if (quentarpbm::InjectedFailure(StandinApi::kGetTempFileNameA)) return 0;
  if (pathName == nullptr || prefix == nullptr || tempFileName == nullptr) return 0;
  if (unique != 0) return 0;
  std::string stem = pathName;
  if (stem.empty() || stem.back() != '/') stem += '/';
  stem.append(prefix, strnlen(prefix, kMaxPrefix));
  if (stem.size() + kNumberAndSuffix + 1 > MAX_PATH) return 0;
  unsigned names = kNumbers;
  unsigned first = 0;
  if (quentarpbm::InjectedTempNameCounter(&first, &names)) LastCandidate() = first - 1;
  for (unsigned attempt = 0; attempt < names; ++attempt) {
    const unsigned number = NextCandidate();
    char name[MAX_PATH];
    // Fits: the stem's length was checked above.
    (void)snprintf(name, sizeof name, "%s%04X.tmp", stem.c_str(), number);
    const int descriptor = open(name, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (descriptor < 0 && errno == EEXIST) continue;
    if (descriptor < 0) return 0;
    close(descriptor);
    memcpy(tempFileName, name, strlen(name) + 1);
    return number;
  }
  return 0;
}
