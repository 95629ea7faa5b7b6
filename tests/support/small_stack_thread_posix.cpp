// Small-stack threads natively: a pthread with an explicit stack size.
#include <pthread.h>

#include "support/small_stack_thread.h"

namespace quentarpbm::testing {

const size_t kSmallestHostStack = 32 * 1024;

namespace {

struct Job {
  void (*body)(void*);
  void* argument;
};

void* RunJob(void* job) {
  const Job* j = static_cast<const Job*>(job);
  j->body(j->argument);
  return nullptr;
}

}  // namespace

bool RunOnSmallestHostStack(void (*body)(void*), void* argument) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  Job job{body, argument};
  pthread_t thread;
  const bool made = pthread_attr_setstacksize(&attributes, kSmallestHostStack) == 0 &&
                    pthread_create(&thread, &attributes, RunJob, &job) == 0;
  pthread_attr_destroy(&attributes);
  return made && pthread_join(thread, nullptr) == 0;
}

}  // namespace quentarpbm::testing
