// OpenWithoutWaiting: open(2) that a FIFO cannot stall, for the POSIX platform files.
#ifndef QUENTARPBM_PLATFORM_POSIX_OPEN_WITHOUT_WAITING_H
#define QUENTARPBM_PLATFORM_POSIX_OPEN_WITHOUT_WAITING_H

namespace quentarpbm {

// open(fileName, flags, 0666) with O_NONBLOCK for the open alone, so a FIFO
// without a writer does not hold it up; reads on the descriptor block as
// usual. The caller must still check what it opened. -1 on failure.
int OpenWithoutWaiting(const char* fileName, int flags);

}  // namespace quentarpbm

#endif  // QUENTARPBM_PLATFORM_POSIX_OPEN_WITHOUT_WAITING_H
