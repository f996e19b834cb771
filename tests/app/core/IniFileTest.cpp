// The ini reader of the maker-note map: sections, keys, strings and Booleans as common
// ini files write them, and text that is no ini file at all.

#include "app/core/IniFile.h"

#include "platform/Exceptions.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using Fotarium::Core::IniFile;

TEST(IniFile, SectionsKeysAndStrings) {
  const auto ini = IniFile::FromText("\xEF\xBB\xBF; comment\r\n"
                                     "# another comment\r\n"
                                     "[Canon.$0001]\r\n"
                                     "  TagDescription =  Camera settings  \r\n"
                                     "2=Macro\n"
                                     "Empty=\n"
                                     "Quoted=\"  padded  \"\n"
                                     "Equals=a=b\r"
                                     "[ Second ]\n"
                                     "Key=second\n"
                                     "[canon.$0001]\n"
                                     "2=Ignored: the first occurrence wins\n"
                                     "Late=merged\n");
  EXPECT_EQ(ini.ReadString("Canon.$0001", "TagDescription", "?"), "Camera settings");
  EXPECT_EQ(ini.ReadString("Canon.$0001", "2", "?"), "Macro");
  EXPECT_EQ(ini.ReadString("Canon.$0001", "Empty", "?"), "");
  EXPECT_EQ(ini.ReadString("Canon.$0001", "Quoted", "?"), "  padded  ");
  EXPECT_EQ(ini.ReadString("Canon.$0001", "Equals", "?"), "a=b");
  EXPECT_EQ(ini.ReadString("Canon.$0001", "Late", "?"), "merged");
  // Section and key names compare without regard to case.
  EXPECT_EQ(ini.ReadString("CANON.$0001", "tagdescription", "?"), "Camera settings");
  EXPECT_EQ(ini.ReadString("Second", "Key", "?"), "second");
  EXPECT_EQ(ini.ReadString("Second", "Missing", "default"), "default");
  EXPECT_EQ(ini.ReadString("Missing", "Key", "default"), "default");
  EXPECT_TRUE(ini.ValueExists("Canon.$0001", "Empty"));
  EXPECT_FALSE(ini.ValueExists("Canon.$0001", "Nothing"));
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Canon.$0001", "Second"}));
  EXPECT_EQ(ini.Keys("Canon.$0001"),
            (std::vector<std::string>{"TagDescription", "2", "Empty", "Quoted", "Equals", "Late"}));
}

TEST(IniFile, Booleans) {
  const auto ini = IniFile::FromText("[B]\na=1\nb=0\nc=True\nd=FALSE\ne=yes\nf=No\ng=on\nh=Off\ni=2\nj=maybe\nk=\n");
  EXPECT_TRUE(ini.ReadBool("B", "a", false));
  EXPECT_FALSE(ini.ReadBool("B", "b", true));
  EXPECT_TRUE(ini.ReadBool("B", "c", false));
  EXPECT_FALSE(ini.ReadBool("B", "d", true));
  EXPECT_TRUE(ini.ReadBool("B", "e", false));
  EXPECT_FALSE(ini.ReadBool("B", "f", true));
  EXPECT_TRUE(ini.ReadBool("B", "g", false));
  EXPECT_FALSE(ini.ReadBool("B", "h", true));
  EXPECT_TRUE(ini.ReadBool("B", "i", false));
  // Text that is no Boolean, an empty value and an absent key give the default.
  EXPECT_TRUE(ini.ReadBool("B", "j", true));
  EXPECT_FALSE(ini.ReadBool("B", "j", false));
  EXPECT_TRUE(ini.ReadBool("B", "k", true));
  EXPECT_FALSE(ini.ReadBool("B", "absent", false));
}

TEST(IniFile, LinesOutsideTheFormat) {
  const auto ini = IniFile::FromText("top=level\n"
                                     "[Broken\n"
                                     "no equals sign here\n"
                                     "=no key\n"
                                     "[]\n"
                                     "blank=section\n"
                                     "[A]\n"
                                     "key=value");
  // Keys before the first header live in the unnamed section; so do the keys of an
  // empty header, and a header without bracket starts nothing.
  EXPECT_EQ(ini.ReadString("", "top", "?"), "level");
  EXPECT_EQ(ini.ReadString("", "blank", "?"), "section");
  EXPECT_FALSE(ini.SectionExists("Broken"));
  EXPECT_EQ(ini.ReadString("A", "key", "?"), "value");
  EXPECT_TRUE(IniFile::FromText("").Sections().empty());
}

TEST(IniFile, HostileTextNeverCrashes) {
  std::mt19937 random(13);
  const std::string alphabet("[]=;#\r\n \t\"'aZ\0\xFF", 15);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 400);
    for (int i = 0; i < length; ++i)
      text += alphabet[random() % alphabet.size()];
    const auto ini = IniFile::FromText(text);
    for (const auto& section : ini.Sections())
      for (const auto& key : ini.Keys(section))
        EXPECT_TRUE(ini.ValueExists(section, key));
  }
}

TEST(IniFile, FromFile) {
  TTempDir dir;
  const std::string file = dir.File("map.ini");
  WriteFile(file, std::string_view("[TCanonMakerNote]\nUseTagsFrom=Canon\n"));
  EXPECT_EQ(IniFile::FromFile(file).ReadString("TCanonMakerNote", "UseTagsFrom", ""), "Canon");
  WriteFile(dir.File("empty.ini"), std::string_view(""));
  EXPECT_TRUE(IniFile::FromFile(dir.File("empty.ini")).Sections().empty());
  EXPECT_THROW((void)IniFile::FromFile(dir.File("missing.ini")), Platform::EFOpenError);
  EXPECT_THROW((void)IniFile::FromFile(dir.Path()), Platform::Exception);
}
