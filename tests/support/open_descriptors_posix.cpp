// OpenDescriptorCount: the entries of /proc/self/fd.
#include <filesystem>

#include "support/open_descriptors.h"

namespace quentarpbm::testing {

int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

}  // namespace quentarpbm::testing
