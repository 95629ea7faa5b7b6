// A temporary directory of the test process's own, so leftover pixel files show.
#ifndef QUENTARPBM_TESTS_SUPPORT_PRIVATE_TEMP_DIRECTORY_H
#define QUENTARPBM_TESTS_SUPPORT_PRIVATE_TEMP_DIRECTORY_H

#include <string>

namespace quentarpbm::testing {

// Makes a directory inside TestDirectory() on first use and makes the
// platform report it as the temporary directory from then on. Returns it
// with a trailing separator.
const std::string& UsePrivateTempDirectory();

// Regular files in directory (pixel files the library left behind).
int FilesIn(const std::string& directory);

// Points the platform's temporary directory at directory; one definition per
// platform, picked by the build.
void SetTempDirectoryVariable(const std::string& directory);

// Points TEMP at directory: a variable the platform reads only after the one
// above (Windows) or not at all (natively), so it must not count.
void SetLesserTempVariable(const std::string& directory);

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_PRIVATE_TEMP_DIRECTORY_H
