#include "app/core/FileNames.h"

#include "platform/DateTime.h"
#include "platform/FileOps.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

using namespace Fotarium::Core;

namespace {

const auto German = Platform::TFormatSettings::German();
const auto English = Platform::TFormatSettings::English();
// Friday, 2016-09-23 13:26:52
const Platform::TDateTime Taken = Platform::EncodeDateTime(2016, 9, 23, 13, 26, 52, 0);

} // namespace

TEST(FileNames, BuildsNamesAfterTheDefaultPattern) {
  const std::string pattern(DefaultRenamePattern);
  EXPECT_EQ(BuildFileName(pattern, "IMG_0042.JPG", Taken, German), "20160923_132652_IMG_0042.JPG");
  EXPECT_EQ(BuildFileName(pattern, "photo", Taken, German), "20160923_132652_photo.")
      << "a name without a dot gets a lone dot as extension";
  EXPECT_EQ(BuildFileName(pattern, "a.b.jpg", Taken, German), "20160923_132652_a.b.jpg")
      << "everything from the first dot on is the extension";
  EXPECT_EQ(BuildFileName("@-@", "x.jpg", Taken, German), "x-@.jpg") << "only the first @ is the old name";
  const auto once = BuildFileName(pattern, "IMG_0042.JPG", Taken, German);
  EXPECT_EQ(BuildFileName(pattern, once, Taken, German), "20160923_132652_20160923_132652_IMG_0042.JPG");
  EXPECT_EQ(BuildFileName("yyyy", "IMG_0042.JPG", Taken, German), "2016.JPG") << "no @, no old name";
}

TEST(FileNames, OldNameIsCopiedLiterally) {
  // Letters of the old name would be specifiers (M is the month, d the day) if they were formatted.
  EXPECT_EQ(BuildFileName("yyyy_@", "Summer day.jpg", Taken, German), "2016_Summer day.jpg");
  EXPECT_EQ(BuildFileName("yyyy_@_mm", "say \"hi\" now.jpg", Taken, German), "2016_say \"hi\" now_09.jpg")
      << "double quotes in the old name neither vanish nor end the literal";
  EXPECT_EQ(BuildFileName("yyyy_@", "it's.jpg", Taken, German), "2016_it's.jpg");
  EXPECT_EQ(BuildFileName("@", "\".jpg", Taken, German), "\".jpg");
}

TEST(FileNames, PatternSpecifiersInBothProfiles) {
  struct TCase {
    const char* Pattern;
    const char* GermanName;
    const char* EnglishName;
  };
  const TCase cases[] = {
      {"YYYYMMDD_HHNNSS", "20160923_132652.jpg", "20160923_132652.jpg"},
      {"yy-m-d h.n.s", "16-9-23 13.26.52.jpg", "16-9-23 13.26.52.jpg"},
      {"hh_mm", "13_26.jpg", "13_26.jpg"},
      {"ddd dddd", "Fr Freitag.jpg", "Fri Friday.jpg"},
      {"aaa aaaa", "Fr Freitag.jpg", "Fri Friday.jpg"},
      {"mmm mmmm", "Sep September.jpg", "Sep September.jpg"},
      {"hh am/pm", "01 pm.jpg", "01 pm.jpg"},
      {"h A/P", "1 P.jpg", "1 P.jpg"},
      {"hh ampm", "01 PM.jpg", "01 PM.jpg"},
      {"zzz", "000.jpg", "000.jpg"},
      {"dd.mm.yyyy", "23.09.2016.jpg", "23.09.2016.jpg"},
      {"dd/mm", "23.09.jpg", "23/09.jpg"},
      {"ddddd", "23.09.2016.jpg", "09/23/2016.jpg"},
      {"dddddd", "Freitag, 23. September 2016.jpg", "Friday, September 23, 2016.jpg"},
      {"t", "13:26.jpg", "13:26.jpg"},
      {"tt", "13:26:52.jpg", "13:26:52.jpg"},
      {"", "23.09.2016 13:26:52.jpg", "09/23/2016 13:26:52.jpg"},
      {"c", "23.09.2016 13:26:52.jpg", "09/23/2016 13:26:52.jpg"},
      {"'yyyy' \"mm\" yyyy", "yyyy mm 2016.jpg", "yyyy mm 2016.jpg"},
      {"yyyy 'open", "2016 open.jpg", "2016 open.jpg"},
      {"e gg", "2016 n. Chr..jpg", "2016 A.D..jpg"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildFileName(c.Pattern, "old.jpg", Taken, German), c.GermanName) << c.Pattern;
    EXPECT_EQ(BuildFileName(c.Pattern, "old.jpg", Taken, English), c.EnglishName) << c.Pattern;
  }
}

TEST(FileNames, PlansRefuseNamesThatAreNoPlainFileNames) {
  const auto english = PlanRename("x.jpg", "ddddd", Taken, English);
  EXPECT_EQ(english.NewName, "09/23/2016.jpg");
  EXPECT_EQ(english.ErrorCode, EINVAL) << "a \"/\" would move the file into another folder";
  const auto german = PlanRename("x.jpg", "ddddd", Taken, German);
  EXPECT_EQ(german.ErrorCode, 0);
  EXPECT_FALSE(german.Unchanged);
  EXPECT_EQ(PlanRename("x", "\"\"", Taken, German).ErrorCode, EINVAL) << "\".\" names the folder itself";
  EXPECT_EQ(PlanRename("x", "\".\"", Taken, German).ErrorCode, EINVAL) << "\"..\" names the parent folder";
  const auto own = PlanRename("2016.jpg", "yyyy", Taken, German);
  EXPECT_TRUE(own.Unchanged);
  EXPECT_EQ(own.ErrorCode, 0);
}

TEST(FileNames, RenamesWithoutEverReplacing) {
  TTempDir dir;
  const auto folder = dir.Path() + "/";
  WriteFile(folder + "a.jpg", std::string_view("first"));
  WriteFile(folder + "b.jpg", std::string_view("second"));
  WriteFile(folder + "2016.jpg", std::string_view("taken"));

  const auto renamed = RenameByPattern(folder, "a.jpg", "yyyymmdd_@", Taken, German);
  EXPECT_FALSE(renamed.Failed());
  EXPECT_EQ(renamed.NewName, "20160923_a.jpg");
  EXPECT_EQ(ReadFileText(folder + "20160923_a.jpg"), "first");
  EXPECT_FALSE(Platform::FileExists(folder + "a.jpg"));

  const auto clash = RenameByPattern(folder, "b.jpg", "yyyy", Taken, German);
  EXPECT_EQ(clash.ErrorCode, EEXIST);
  EXPECT_EQ(ReadFileText(folder + "b.jpg"), "second");
  EXPECT_EQ(ReadFileText(folder + "2016.jpg"), "taken") << "an existing file is never replaced";

  const auto own = RenameByPattern(folder, "2016.jpg", "yyyy", Taken, German);
  EXPECT_FALSE(own.Failed()) << "the own name is nothing to do, no error";
  EXPECT_TRUE(own.Unchanged);
  EXPECT_EQ(ReadFileText(folder + "2016.jpg"), "taken");

  std::filesystem::create_directory(folder + "2016");
  const auto slash = RenameByPattern(folder, "b.jpg", "yyyy/@", Taken, English);
  EXPECT_EQ(slash.ErrorCode, EINVAL);
  EXPECT_EQ(ReadFileText(folder + "b.jpg"), "second");
  EXPECT_TRUE(std::filesystem::is_empty(folder + "2016")) << "nothing moves into the sub-folder";

  EXPECT_EQ(RenameByPattern(folder, "gone.jpg", "yyyy_@", Taken, German).ErrorCode, ENOENT);
}

TEST(FileNames, FirstFreeNameCountsBeforeTheExtension) {
  std::set<std::string> taken{"a.jpg", "a_1.jpg", "p", "x.b.jpg"};
  const auto isTaken = [&](const std::string& n) { return taken.contains(n); };
  EXPECT_EQ(FirstFreeName("free.jpg", isTaken), "free.jpg");
  EXPECT_EQ(FirstFreeName("a.jpg", isTaken), "a_2.jpg");
  EXPECT_EQ(FirstFreeName("p", isTaken), "p_1");
  EXPECT_EQ(FirstFreeName("x.b.jpg", isTaken), "x_1.b.jpg");
  EXPECT_EQ(FirstFreeName(
                "a.jpg", [](const std::string&) { return true; }, 5),
            "")
      << "gives up after the tries";
}

TEST(FileNames, CaptureTimePrefersDateTimeOriginal) {
  Tessel::Exif::TExifData data;
  EXPECT_TRUE(CaptureTimeForRename(data).MissingOrInvalid());
  const auto later = Platform::EncodeDateTime(2020, 1, 2, 3, 4, 5, 0);
  data.SetDateTime(later);
  EXPECT_EQ(CaptureTimeForRename(data).Value(), later) << "DateTime when there is no DateTimeOriginal";
  data.SetDateTimeOriginal(Taken);
  EXPECT_EQ(CaptureTimeForRename(data).Value(), Taken) << "DateTimeOriginal wins even if DateTime differs";
}
