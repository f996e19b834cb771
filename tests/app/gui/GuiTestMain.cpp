// The window tests run inside one QApplication on Qt's offscreen platform, in the window's
// default language (German) whatever the machine's locale: tests that want English switch.

#include "app/Messages.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // Test discovery runs the program without CTest's environment.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  Fotarium::App::InstallWindowLanguage(Fotarium::Core::TWindowLanguage::wlGerman);
  return RUN_ALL_TESTS();
}
