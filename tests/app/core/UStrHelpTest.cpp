#include "app/core/UStrHelp.h"

#include <gtest/gtest.h>

#include <string>

using namespace Fotarium::Core;

TEST(UStrHelp, TextBeforeAndCutToken) {
  EXPECT_EQ(TextBefore("/", "48,8,1530/100N"), "48,8,1530");
  EXPECT_EQ(TextBefore("/", "48,8,15N"), "48,8,15N") << "no separator: the whole text";
  EXPECT_EQ(TextBefore("/", "/x"), "");

  std::string text = "48\xC2\xB0"
                     "8'15,3\"N";
  std::string head;
  CutToken("\xC2\xB0", text, head); // a separator of two bytes
  EXPECT_EQ(head, "48");
  EXPECT_EQ(text, "8'15,3\"N");
  CutToken("'", text, head);
  CutToken("\"", text, head);
  EXPECT_EQ(head, "15,3");
  EXPECT_EQ(text, "N");
  CutToken(".", text, head);
  EXPECT_EQ(head, "N") << "no separator: head takes all, text becomes empty";
  EXPECT_EQ(text, "");

  text = "a.";
  CutToken(".", text, head);
  EXPECT_EQ(head, "a");
  EXPECT_EQ(text, "") << "the separator itself is dropped";
}
