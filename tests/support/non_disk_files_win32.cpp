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

// INVALID_HANDLE_VALUE is -1 as an integer.
intptr_t HoldFifoWriter(const std::string& fifo) {
  const HANDLE file =
      CreateFileA(fifo.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "cannot hold " << fifo << " open";
  return reinterpret_cast<intptr_t>(file);
}

// A fresh instance for each case, so that a client has one to connect to.
intptr_t ServeIdleNamedPipe(std::string* name) {
  *name = "\\\\.\\pipe\\quentarpbm-idle-" + std::to_string(GetCurrentProcessId());
  const HANDLE server =
      CreateNamedPipeA(name->c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                       PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
  EXPECT_NE(server, INVALID_HANDLE_VALUE) << "cannot serve " << *name;
  return reinterpret_cast<intptr_t>(server);
}

void ReleaseHeld(intptr_t held) { CloseHandle(reinterpret_cast<HANDLE>(held)); }

}  // namespace quentarpbm::testing
