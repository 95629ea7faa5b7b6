// Windows' GetTempPathA reports TMP first, then TEMP, from the process environment.
#include "platform/win32_api.h"
#include "support/private_temp_directory.h"

namespace quentarpbm::testing {

void SetTempDirectoryVariable(const std::string& directory) {
  SetEnvironmentVariableA("TMP", directory.c_str());
  SetEnvironmentVariableA("TEMP", directory.c_str());
}

void SetLesserTempVariable(const std::string& directory) {
  SetEnvironmentVariableA("TEMP", directory.c_str());
}

}  // namespace quentarpbm::testing
