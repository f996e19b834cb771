// The program's command line: QApplication takes its own options out of argv first, so that
// only the pictures' names remain, byte for byte. A program of its own, since its
// QApplication is built from the command line under test.

#include "app/core/WindowRules.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Files;

TEST(CommandLine, QtOptionsAreNoFileNamesAndNamesKeepTheirBytes) {
  EXPECT_EQ(Files, (std::vector<std::string>{"a.jpg", "M\xFC" "ller.jpg", "b\xFF.jpg"}));
}

} // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (std::getenv("QT_QPA_PLATFORM") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // A command line as "Open with" and a user with Qt's options would give it.
  std::vector<std::string> arguments = {"fotarium", "-style", "fusion", "a.jpg", "M\xFC" "ller.jpg",
                                        "-platform", "offscreen", "b\xFF.jpg"};
  std::vector<char*> qtArgv;
  for (std::string& argument : arguments)
    qtArgv.push_back(argument.data());
  qtArgv.push_back(nullptr);
  int qtArgc = static_cast<int>(arguments.size());
  QApplication app(qtArgc, qtArgv.data());
  Files = Fotarium::Core::PictureArguments(qtArgc, qtArgv.data());
  return RUN_ALL_TESTS();
}
