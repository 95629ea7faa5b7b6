// Where the stand-in's calls meet the test controls: one seam, linked as shipped or controlled.
#ifndef QUENTARPBM_PLATFORM_POSIX_STANDIN_TEST_SEAM_H
#define QUENTARPBM_PLATFORM_POSIX_STANDIN_TEST_SEAM_H

#include "platform/posix/standin_control.h"

namespace quentarpbm {

// The stand-in is compiled once; each program links one definition of these.
// What tests link (standin_control.cpp) counts calls, injects faults and
// tracks live objects; the shipped library's (standin_without_controls.cpp)
// does none of it. The controls are atomic, so these may be called with or
// without the stand-in's lock.

// Counts one call of api and reports whether an injected fault makes it fail;
// a failing call must return its failure value without any other effect.
bool InjectedFailure(StandinApi api);
// Live objects of every kind, including views and mappings whose handle is
// closed but which a view keeps alive.
void ChangeLiveObjects(int delta);
// True once after StandinStartTempNameCounter, with the number to try first
// and how many names are left to try.
bool InjectedTempNameCounter(unsigned* first, unsigned* left);

}  // namespace quentarpbm

#endif  // QUENTARPBM_PLATFORM_POSIX_STANDIN_TEST_SEAM_H
