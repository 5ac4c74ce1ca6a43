// The main of every GoogleTest program: on Linux the tests run under a read-only root.
#include <gtest/gtest.h>

#include "tests/common/read_only_root.h"

int main(int argc, char** argv) {
  orm::test::RunUnderReadOnlyRoot(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
