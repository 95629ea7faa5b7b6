// The benchmark's measure of memory: the process's private memory now and at its peak, and the
// program run again, so that each method's peak is measured in a process of its own.
#ifndef QUENTARPBM_BENCH_BENCH_MEMORY_H
#define QUENTARPBM_BENCH_BENCH_MEMORY_H

#include <stdint.h>

#include <string>

// The resident set and its peak: on Windows WorkingSetSize and
// PeakWorkingSetSize, natively VmRSS and VmHWM. 0 when the system does not say.
uint64_t PrivateBytes();
uint64_t PeakPrivateBytes();

// This program's own path.
std::string SelfPath();
// What command printed on its standard output; empty when it could not run.
std::string CommandOutput(const std::string& command);

#endif  // QUENTARPBM_BENCH_BENCH_MEMORY_H
