// Runs a function on a thread with the smallest stack a host may give its workers.
#ifndef QUENTARPBM_TESTS_SUPPORT_SMALL_STACK_THREAD_H
#define QUENTARPBM_TESTS_SUPPORT_SMALL_STACK_THREAD_H

#include <stddef.h>

namespace quentarpbm::testing {

// The stack size used: 32 KB natively, 64 KB on Windows (its allocation
// granularity, the least a thread's stack reserves there).
extern const size_t kSmallestHostStack;

// Calls body(argument) on a new thread with a kSmallestHostStack stack and
// waits for it; false when no such thread could be made. One definition per
// platform, picked by the build.
bool RunOnSmallestHostStack(void (*body)(void*), void* argument);

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_SMALL_STACK_THREAD_H
