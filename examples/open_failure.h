// Why a file gave PBMOpen's -3, told by looking at the file itself.
#ifndef QUENTARPBM_EXAMPLES_OPEN_FAILURE_H
#define QUENTARPBM_EXAMPLES_OPEN_FAILURE_H

#include <string>

// One phrase for a file that PBMOpen could not open (result code -3): it is
// missing (or, on Windows, a pattern that matched no file), a folder, a
// device or pipe, or unreadable; when the file itself opens for reading, the
// temporary pixel file is what could not be made, and the phrase names the
// temporary folder.
std::string DescribeOpenFailure(const char* fileName);

// The phrase for a readable file whose pixel file could not be made in folder.
inline std::string DescribeTemporaryFolderFailure(const std::string& folder) {
  return "the file is readable, but the temporary pixel file could not be created in " + folder +
         " (is that folder missing or read-only?)";
}

#endif  // QUENTARPBM_EXAMPLES_OPEN_FAILURE_H
