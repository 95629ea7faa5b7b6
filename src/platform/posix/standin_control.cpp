// The stand-in's test controls (call counts, injected faults, live objects): tests link them only.
#include <algorithm>
#include <iterator>
#include <mutex>

#include "platform/posix/standin_registry.h"

namespace quentarpbm {

namespace {

constexpr int kApiCount = static_cast<int>(StandinApi::kCount);

// Guarded by the stand-in's lock, like its handle table.
struct Controls {
  int live_objects = 0;
  int call_counts[kApiCount] = {};
  int calls_until_fault[kApiCount] = {};  // 0 = no fault pending
};

Controls& TheControls() {
  static Controls controls;
  return controls;
}

}  // namespace

bool InjectedFailure(StandinApi api) {
  Controls& controls = TheControls();
  const int index = static_cast<int>(api);
  ++controls.call_counts[index];
  if (controls.calls_until_fault[index] == 0) return false;
  return --controls.calls_until_fault[index] == 0;
}

void ChangeLiveObjects(int delta) { TheControls().live_objects += delta; }

void StandinFailCall(StandinApi api, int nth) {
  const std::lock_guard<std::mutex> lock(StandinMutex());
  const int index = static_cast<int>(api);
  if (index < 0 || index >= kApiCount) return;
  TheControls().calls_until_fault[index] = std::max(nth, 0);
}

int StandinCallCount(StandinApi api) {
  const std::lock_guard<std::mutex> lock(StandinMutex());
  const int index = static_cast<int>(api);
  if (index < 0 || index >= kApiCount) return 0;
  return TheControls().call_counts[index];
}

int StandinLiveHandles() {
  const std::lock_guard<std::mutex> lock(StandinMutex());
  return TheControls().live_objects;
}

void StandinReset() {
  const std::lock_guard<std::mutex> lock(StandinMutex());
  Controls& controls = TheControls();
  std::fill(std::begin(controls.call_counts), std::end(controls.call_counts), 0);
  std::fill(std::begin(controls.calls_until_fault), std::end(controls.calls_until_fault), 0);
}

}  // namespace quentarpbm
