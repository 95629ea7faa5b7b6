// Where the stand-in's calls meet the test controls: compiled away in what ships.
#ifndef QUENTARPBM_PLATFORM_POSIX_STANDIN_TEST_SEAM_H
#define QUENTARPBM_PLATFORM_POSIX_STANDIN_TEST_SEAM_H

#include "platform/posix/standin_control.h"

namespace quentarpbm {

// Only the stand-in that tests link (built with QUENTARPBM_STANDIN_CONTROLS,
// see standin_control.cpp) counts calls, injects faults and tracks live
// objects; the shipped library has none of it. The controls are atomic, so
// these may be called with or without the stand-in's lock.
#if defined(QUENTARPBM_STANDIN_CONTROLS)
// Counts one call of api and reports whether an injected fault makes it fail;
// a failing call must return its failure value without any other effect.
bool InjectedFailure(StandinApi api);
// Live objects of every kind, including views and mappings whose handle is
// closed but which a view keeps alive.
void ChangeLiveObjects(int delta);
// True once after StandinStartTempNameCounter, with the number to try first
// and how many names are left to try.
bool InjectedTempNameCounter(unsigned* first, unsigned* left);
#else
// Always inlined, so that not even an unoptimised build keeps a trace.
[[gnu::always_inline]] inline bool InjectedFailure(StandinApi) { return false; }
[[gnu::always_inline]] inline void ChangeLiveObjects(int) {}
[[gnu::always_inline]] inline bool InjectedTempNameCounter(unsigned*, unsigned*) { return false; }
#endif

}  // namespace quentarpbm

#endif  // QUENTARPBM_PLATFORM_POSIX_STANDIN_TEST_SEAM_H
