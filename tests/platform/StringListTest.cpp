#include "platform/StringList.h"

#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace Platform;

namespace {

std::vector<std::string> Items(const TStringList& list) { return {list.begin(), list.end()}; }

TStringList Make(std::initializer_list<const char*> items) {
  TStringList list;
  for (const char* item : items)
    list.Add(item);
  return list;
}

} // namespace

TEST(StringList, EditsAndRefusesBadIndexes) {
  auto list = Make({"a", "b", "c"});
  list.Insert(1, "x");
  list.Delete(0);
  list.Insert(3, "end");
  EXPECT_EQ(Items(list), (std::vector<std::string>{"x", "b", "c", "end"}));
  list.Move(0, 3);
  list.Exchange(0, 1);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"c", "b", "end", "x"}));
  EXPECT_EQ(list.IndexOf("END"), 2) << "case-insensitive by default";
  EXPECT_EQ(list.IndexOf("zz"), -1);

  try {
    (void)list.Strings(4);
    ADD_FAILURE() << "no exception";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Listenindex überschreitet das Maximum (4)");
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(5, "y"), EListError);
  EXPECT_THROW(list.SetStrings(4, "y"), EListError);
  EXPECT_THROW((void)list[-1], EListError);
  list.Clear();
  EXPECT_THROW(list.Delete(0), EListError);
}

TEST(StringList, TextSplitsEveryLineBreakKind) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd");
  EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "b", "c", "d"}));
  list.SetText("a\n");
  EXPECT_EQ(Items(list), (std::vector<std::string>{"a"})) << "a final break adds no line";
  list.SetText("a\n\n\r\nb");
  EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "", "", "b"}));
  list.SetText("\n");
  EXPECT_EQ(Items(list), (std::vector<std::string>{""}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);

  list = Make({"a", "b"});
  EXPECT_EQ(list.Text(), "a\nb\n");
  list.SetTrailingLineBreak(false);
  EXPECT_EQ(list.Text(), "a\nb");
}

TEST(StringList, CommaTextQuotesAndUnquotes) {
  const auto list = Make({"a", "b c", "d\"e", "", "f,g", "tab\there"});
  const std::string expected = R"(a,"b c","d""e",,"f,g","tab	here")";
  EXPECT_EQ(list.CommaText(), expected);
  TStringList back;
  back.SetCommaText(expected);
  EXPECT_EQ(Items(back), Items(list)) << "what is written reads back";

  EXPECT_EQ(Make({""}).CommaText(), "\"\"") << "a single empty item stays visible";
  back.SetCommaText("\"\"");
  EXPECT_EQ(Items(back), (std::vector<std::string>{""}));

  const std::pair<const char*, std::vector<std::string>> reads[] = {
      {"a, b ,c", {"a", "b", "c"}},
      {"a b", {"a", "b"}}, // blanks separate too
      {"\"x y\" z", {"x y", "z"}},
      {"a,", {"a", ""}},
      {",", {"", ""}},
      {"\"ab\"cd", {"ab", "cd"}},
      {"\"abc", {"abc"}}, // unclosed quote runs to the end
      {"  ", {}},
      {"", {}},
  };
  for (const auto& [text, items] : reads) {
    back.SetCommaText(text);
    EXPECT_EQ(Items(back), items) << '"' << text << '"';
  }
}

TEST(StringList, DelimitedTextHonoursItsSettings) {
  auto list = Make({"a b", "c;d", "it's"});
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  EXPECT_EQ(list.DelimitedText(), "'a b';'c;d';'it''s'");
  list.SetStrictDelimiter(true);
  EXPECT_EQ(list.DelimitedText(), "a b;'c;d';'it''s'") << "strict: blanks need no quotes";
  EXPECT_EQ(list.CommaText(), "\"a b\",c;d,it's") << "comma text ignores the settings";

  list.SetDelimitedText("a b; c;;'x;y'");
  EXPECT_EQ(Items(list), (std::vector<std::string>{"a b", " c", "", "x;y"}));
  list.SetStrictDelimiter(false);
  list.SetDelimitedText("a b; c");
  EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(StringList, NameValuePairs) {
  auto list = Make({"Make=Canon", "Model=EOS", "plain", "Formula=a=b"});
  EXPECT_EQ(list.Names(0), "Make");
  EXPECT_EQ(list.Names(2), "") << "no separator, no name";
  EXPECT_EQ(list.Values("make"), "Canon");
  EXPECT_EQ(list.Values("Formula"), "a=b") << "the first separator splits";
  EXPECT_EQ(list.Values("plain"), "");
  EXPECT_EQ(list.ValueFromIndex(3), "a=b");

  list.SetValues("MODEL", "R5");
  EXPECT_EQ(list[1], "MODEL=R5");
  list.SetValues("Lens", "50mm");
  EXPECT_EQ(list[4], "Lens=50mm");
  list.SetValues("Make", "");
  EXPECT_EQ(list.IndexOfName("Make"), -1) << "an empty value deletes";
  EXPECT_EQ(list.Count(), 4);

  list.SetNameValueSeparator(':');
  list.SetValues("ISO", "100");
  EXPECT_EQ(list.Values("iso"), "100");
}

TEST(StringList, SortedListsAndDuplicates) {
  auto list = Make({"pear", "Apple", "banana"});
  list.SetSorted(true);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"Apple", "banana", "pear"}));
  EXPECT_EQ(list.Add("Cherry"), 2);
  EXPECT_EQ(list.Add("APPLE"), 0) << "ignored duplicate answers the existing index";
  EXPECT_EQ(list.Count(), 4);
  EXPECT_THROW(list.Insert(0, "x"), EListError);
  EXPECT_THROW(list.SetStrings(0, "x"), EListError);

  int index = -1;
  EXPECT_TRUE(list.Find("BANANA", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("blueberry", index));
  EXPECT_EQ(index, 2) << "where it would go";
  EXPECT_EQ(list.IndexOf("Pear"), 3);

  list.SetDuplicates(TDuplicates::dupError);
  try {
    list.Add("pear");
    ADD_FAILURE() << "no exception";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Stringliste erlaubt keine Duplikate");
  }
  list.SetDuplicates(TDuplicates::dupAccept);
  list.Add("Pear");
  EXPECT_EQ(list.Count(), 5);

  list.SetCaseSensitive(true);
  EXPECT_EQ(list[0], "Apple") << "upper case sorts first when case counts";
  EXPECT_EQ(list.IndexOf("apple"), -1);

  // Sorted name=value lists stay sorted when a value changes.
  TStringList pairs;
  pairs.SetSorted(true);
  pairs.SetValues("b", "2");
  pairs.SetValues("a", "1");
  pairs.SetValues("b", "3");
  EXPECT_EQ(Items(pairs), (std::vector<std::string>{"a=1", "b=3"}));
}

TEST(StringList, FilesRoundTrip) {
  TTempDir dir;
  const auto name = dir.File("list.txt");
  WriteFile(name, "\xEF\xBB\xBF" "eins\r\nzwei\n");
  TStringList list;
  list.LoadFromFile(name);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"eins", "zwei"})) << "the byte-order mark is dropped";
  list.Add("drei");
  list.SaveToFile(name);
  EXPECT_EQ(ReadFileText(name), "eins\nzwei\ndrei\n");
}
