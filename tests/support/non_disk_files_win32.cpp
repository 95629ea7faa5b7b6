// Non-disk files on Windows: the FIFO from the environment, a named pipe served by this process.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/win32_api.h"
#include "support/non_disk_files.h"

namespace quentarpbm::testing {

std::string FifoPath() {
  const char* fifo = getenv("QUENTARPBM_TEST_FIFO");
  EXPECT_NE(fifo, nullptr) << "QUENTARPBM_TEST_FIFO names no FIFO: run the test through ctest";
  return fifo == nullptr ? std::string() : fifo;
}

NonDiskFile::NonDiskFile(const NonDiskCase& nonDiskCase) {
  HANDLE held = INVALID_HANDLE_VALUE;
  switch (nonDiskCase.kind) {
    case NonDiskKind::kName:
      path_ = nonDiskCase.name;
      break;
    case NonDiskKind::kFifo:
      path_ = FifoPath();
      break;
    case NonDiskKind::kFifoWithIdleWriter:
      path_ = FifoPath();
      // Read-write: the open needs no reader, and the FIFO then has a writer.
      held = CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      EXPECT_NE(held, INVALID_HANDLE_VALUE) << "cannot hold " << path_ << " open";
      break;
    case NonDiskKind::kIdleNamedPipe:
      path_ = "\\\\.\\pipe\\quentarpbm-idle-" + std::to_string(GetCurrentProcessId());
      // A fresh instance for each case: a client has one to connect to.
      held = CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                              PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
      EXPECT_NE(held, INVALID_HANDLE_VALUE) << "cannot serve " << path_;
      break;
  }
  if (held != INVALID_HANDLE_VALUE) held_ = reinterpret_cast<intptr_t>(held);
}

NonDiskFile::~NonDiskFile() {
  if (held_ != -1) CloseHandle(reinterpret_cast<HANDLE>(held_));
}

}  // namespace quentarpbm::testing
