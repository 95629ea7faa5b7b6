// The main of every test program: each test process gets a temporary
// directory of its own before any test runs, so processes running side by
// side never see, reuse or delete each other's pixel files.
#include <gtest/gtest.h>

#include "support/private_temp_directory.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  quentarpbm::testing::UsePrivateTempDirectory();
  return RUN_ALL_TESTS();
}
