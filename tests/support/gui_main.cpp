// Entry of the GUI test programs: one dialog-layer session for all tests.
#include <gtest/gtest.h>

#include "dialog/dialog.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  dialog::Session session;
  return RUN_ALL_TESTS();
}
