// Test-only control over calloc, through a link-time wrap (-Wl,--wrap=calloc).
#ifndef QUENTARPBM_TESTS_SUPPORT_CALLOC_FAULTS_H
#define QUENTARPBM_TESTS_SUPPORT_CALLOC_FAULTS_H

#include <stddef.h>

namespace quentarpbm::testing {

// Starts counting calloc calls afresh and makes the nth from now on
// (1 = the next one) return null without allocating; 0 fails none.
void FailCallocAt(int nth);

// calloc calls since the last FailCallocAt.
int CallocCount();

// The most bytes one calloc call asked for since the last FailCallocAt.
size_t LargestCalloc();

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_CALLOC_FAULTS_H
