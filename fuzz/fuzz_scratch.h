// Scratch files for the fuzz targets, and the size cap they apply to inputs.
#ifndef QUENTARPBM_FUZZ_FUZZ_SCRATCH_H
#define QUENTARPBM_FUZZ_FUZZ_SCRATCH_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>

#include "fuzz_inputs.h"

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

// DeclaresTooManyPixels over the bytes.
bool DeclaresTooManyPixels(const uint8_t* data, size_t size);

// Limits the scanners' kernels to levelsBelow levels below the highest
// (the lowest once there are no more), through the test control.
void LimitScannersBelowHighest(int levelsBelow);

// Ends the process so that the fuzzer records the input, with a reason.
[[noreturn]] void Fail(const char* what);

}  // namespace quentarpbm::fuzz

#endif  // QUENTARPBM_FUZZ_FUZZ_SCRATCH_H
