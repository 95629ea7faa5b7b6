// A test program that faults the way Wine hides: one test starts and joins a
// thread, the next writes through a null pointer. Under Wine the process may
// then end with status 0; check_crash_verdict.sh shows its checked run fails.
#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(ThreadThenFault, StartsAndJoinsAThread) {
  bool ran = false;
  std::thread thread([&ran] { ran = true; });
  thread.join();
  EXPECT_TRUE(ran);
}

TEST(ThreadThenFault, WritesThroughANullPointer) {
  // A volatile write through a pointer read at run time: the compiler keeps it.
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
}

}  // namespace
