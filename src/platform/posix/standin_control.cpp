// The stand-in's test controls (call counts, injected faults, live objects): tests link them only.
#include <atomic>
#include <mutex>

#include "platform/posix/standin_handles.h"

namespace quentarpbm {

namespace {

constexpr int kApiCount = static_cast<int>(StandinApi::kCount);

// Atomic rather than guarded by the stand-in's lock: OpenWithoutWaiting also
// serves the library's own file reads, which take no lock.
struct StandinControls {
  std::atomic<int> live_objects{0};
  std::atomic<int> call_counts[kApiCount] = {};
  std::atomic<int> calls_until_fault[kApiCount] = {};  // 0 = no fault pending
  std::atomic<bool> temp_counter_set{false};
  unsigned temp_first = 0;  // written before temp_counter_set, read after it
  unsigned temp_left = 0;
};

StandinControls& TheStandinControls() {
  static StandinControls controls;
  return controls;
}

}  // namespace

bool InjectedFailure(StandinApi api) {
  StandinControls& controls = TheStandinControls();
  const int index = static_cast<int>(api);
  ++controls.call_counts[index];
  // Counts down only a pending fault, so two threads cannot both take it.
  int left = controls.calls_until_fault[index].load();
  while (left > 0 && !controls.calls_until_fault[index].compare_exchange_weak(left, left - 1)) {
  }
  return left == 1;
}

void ChangeLiveObjects(int delta) { TheStandinControls().live_objects += delta; }

bool InjectedTempNameCounter(unsigned* first, unsigned* left) {
  StandinControls& controls = TheStandinControls();
  if (!controls.temp_counter_set.exchange(false)) return false;
  *first = controls.temp_first;
  *left = controls.temp_left;
  return true;
}

void StandinFailCall(StandinApi api, int nth) {
  const std::lock_guard<std::mutex> lock(StandinMutex());
  const int index = static_cast<int>(api);
  if (index < 0 || index >= kApiCount) return;
  TheStandinControls().calls_until_fault[index] = nth > 0 ? nth : 0;
}

void StandinStartTempNameCounter(unsigned first, unsigned left) {
  const std::lock_guard<std::mutex> lock(StandinMutex());
  StandinControls& controls = TheStandinControls();
  controls.temp_first = first;
  controls.temp_left = left;
  controls.temp_counter_set = true;
}

int StandinCallCount(StandinApi api) {
  const std::lock_guard<std::mutex> lock(StandinMutex());
  const int index = static_cast<int>(api);
  if (index < 0 || index >= kApiCount) return 0;
  return TheStandinControls().call_counts[index];
}

int StandinLiveHandles() {
  const std::lock_guard<std::mutex> lock(StandinMutex());
  return TheStandinControls().live_objects;
}

void StandinReset() {
  const std::lock_guard<std::mutex> lock(StandinMutex());
  StandinControls& controls = TheStandinControls();
  for (auto& count : controls.call_counts) count = 0;
  for (auto& pending : controls.calls_until_fault) pending = 0;
  controls.temp_counter_set = false;
}

}  // namespace quentarpbm
