// Test-only control over calloc: the link-time wrap sends the executable's callocs here.
#include "support/calloc_faults.h"

#include <stddef.h>

#include <atomic>

namespace {

std::atomic<int> calls{0};
std::atomic<int> failingCall{0};
std::atomic<size_t> largestRequest{0};

}  // namespace

extern "C" void* __real_calloc(size_t count, size_t size);

extern "C" void* __wrap_calloc(size_t count, size_t size) {
  const int call = ++calls;
  const size_t bytes = count * size;
  if (bytes > largestRequest.load()) largestRequest = bytes;
  if (call == failingCall.load()) return nullptr;
  return __real_calloc(count, size);
}

namespace quentarpbm::testing {

void FailCallocAt(int nth) {
  calls = 0;
  failingCall = nth;
  largestRequest = 0;
}

int CallocCount() { return calls.load(); }

size_t LargestCalloc() { return largestRequest.load(); }

}  // namespace quentarpbm::testing
