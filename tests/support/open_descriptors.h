// The process's open file descriptors, for sweeps that must leave none behind (POSIX only).
#ifndef QUENTARPBM_TESTS_SUPPORT_OPEN_DESCRIPTORS_H
#define QUENTARPBM_TESTS_SUPPORT_OPEN_DESCRIPTORS_H

namespace quentarpbm::testing {

// How many descriptors the process has open, as /proc/self/fd lists them
// (the listing's own one included, so that counts compare alike).
int OpenDescriptorCount();

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_OPEN_DESCRIPTORS_H
