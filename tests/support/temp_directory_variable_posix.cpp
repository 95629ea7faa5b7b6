// The stand-in's GetTempPathA reports TMPDIR.
#include <stdlib.h>

#include "support/private_temp_directory.h"

namespace quentarpbm::testing {

void SetTempDirectoryVariable(const std::string& directory) {
  setenv("TMPDIR", directory.c_str(), 1);
}

void SetLesserTempVariable(const std::string& directory) { setenv("TEMP", directory.c_str(), 1); }

}  // namespace quentarpbm::testing
