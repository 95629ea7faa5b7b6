// Scratch files for the fuzz targets, and the size cap they apply to inputs.
#ifndef QUENTARPBM_FUZZ_FUZZ_SCRATCH_H
#define QUENTARPBM_FUZZ_FUZZ_SCRATCH_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>

namespace quentarpbm::fuzz {

// A directory of this process's own for input files, with a trailing '/'.
const std::string& ScratchDirectory();

// The directory the platform reports as temporary from first use on, so that
// pixel files land where the targets can count them.
const std::string& PixelDirectory();

// Writes bytes to ScratchDirectory() + name and returns the path.
std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size);

// Regular files in directory.
int FilesIn(const std::string& directory);

// A read-only stream over the bytes (an empty one included); the caller fcloses it.
FILE* OpenMemory(const uint8_t* data, size_t size);

// True when the bytes start with a Netpbm header whose image would be larger
// than the harness lets the library work on (rows or columns times each other
// beyond kMaxPixels). The library itself has no such limit: sizes it can hold
// are converted, however long that takes, so the harness keeps them small.
constexpr int64_t kMaxPixels = int64_t{1} << 20;
bool DeclaresTooManyPixels(const uint8_t* data, size_t size);

// Ends the process so that the fuzzer records the input, with a reason.
[[noreturn]] void Fail(const char* what);

}  // namespace quentarpbm::fuzz

#endif  // QUENTARPBM_FUZZ_FUZZ_SCRATCH_H
