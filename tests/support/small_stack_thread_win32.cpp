// Small-stack threads on Windows: CreateThread reserving only the given stack.
#include "platform/win32_api.h"
#include "support/small_stack_thread.h"

namespace quentarpbm::testing {

const size_t kSmallestHostStack = 64 * 1024;

namespace {

struct Job {
  void (*body)(void*);
  void* argument;
};

DWORD WINAPI RunJob(LPVOID job) {
  const Job* j = static_cast<const Job*>(job);
  j->body(j->argument);
  return 0;
}

}  // namespace

bool RunOnSmallestHostStack(void (*body)(void*), void* argument) {
  Job job{body, argument};
  HANDLE thread = CreateThread(nullptr, kSmallestHostStack, RunJob, &job,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) return false;
  const bool finished = WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return finished;
}

}  // namespace quentarpbm::testing
