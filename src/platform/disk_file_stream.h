// OpenDiskFileStream: the converters' binary read stream, over disk files only.
#ifndef QUENTARPBM_PLATFORM_DISK_FILE_STREAM_H
#define QUENTARPBM_PLATFORM_DISK_FILE_STREAM_H

#include <stdio.h>

#include "common/result_code.h"

namespace quentarpbm {

// Opens fileName as fopen(fileName, "rb") would, shared with readers and
// writers, but only when it is a disk file (a regular file natively): the
// open does not wait and the check comes before any read, so a device, pipe
// or FIFO put in the file's place gives PBM_E_OPEN instead of a read that may
// never return. *stream is the caller's to fclose on success, null otherwise.
ResultCode OpenDiskFileStream(const char* fileName, FILE** stream);

}  // namespace quentarpbm

#endif  // QUENTARPBM_PLATFORM_DISK_FILE_STREAM_H
