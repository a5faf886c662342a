#include <QApplication>

#include <gtest/gtest.h>

// One main for every test program that needs the toolkit: in-process window tests on the
// offscreen platform, and the desktop tests that drive helper processes through it.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // In-process windows never need a desktop; the desktop tests start their own.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
