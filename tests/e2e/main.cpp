#include <QCoreApplication>

#include <gtest/gtest.h>

#include "Desktop.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The helper processes are driven through the toolkit's process class, which wants this.
  QCoreApplication app(argc, argv);
  const int result = RUN_ALL_TESTS();
  e2e::Desktop::stopshared();
  return result;
}
