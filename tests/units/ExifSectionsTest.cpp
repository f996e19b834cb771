// Tags and sections of the EXIF model: editing rules, conversions, text forms,
// notification and loading from parsed directories.

#include "units/ExifSectionsFixtures.h"

#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using namespace ExifFixtures;
using enum TTiffDataType;
using enum TExifSectionKind;

namespace {

std::vector<TTiffTagID> IDs(const TExifSection& section) {
  std::vector<TTiffTagID> ids;
  for (auto* tag : section)
    ids.push_back(tag->ID());
  return ids;
}

template <typename T> T Element(const TExifTag& tag, int index) {
  T value;
  std::memcpy(&value, tag.DataPtr() + index * sizeof(T), sizeof(T));
  return value;
}

// Sets the process-wide locale settings for one test and restores them.
class TLocaleScope {
public:
  explicit TLocaleScope(const Platform::TFormatSettings& settings) : FSaved(Platform::FormatSettings()) {
    Platform::SetFormatSettings(settings);
  }
  ~TLocaleScope() { Platform::SetFormatSettings(FSaved); }

private:
  Platform::TFormatSettings FSaved;
};

// A fixed-structure section loaded with: SHORT 0x0112 = 1, ASCII 0x010F "Canon" (6 bytes),
// LONG 0x0100 = 640 (4 bytes).
std::unique_ptr<TFakeOwner> LoadedFixedOwner() {
  auto owner = std::make_unique<TFakeOwner>(false);
  LoadFirstDirectory(
      owner->Section(esGeneral),
      BuildTiff(false, {{0x0112, 3, 1, {1, 0}}, {0x010F, 2, 6, AsciiZ("Canon")}, {0x0100, 4, 1, {0x80, 2, 0, 0}}}));
  return owner;
}

} // namespace

TEST(ExifSections, IDChangesKeepTheListSortedAndUnique) {
  TExtendableExifSection section(nullptr, esUserDefined);
  for (TTiffTagID id : {10, 20, 30})
    section.Add(id, tdWord, 1);
  section.Find(20)->SetID(40);
  EXPECT_EQ(IDs(section), (std::vector<TTiffTagID>{10, 30, 40})) << "a larger ID moves the tag to the end";
  section.Find(40)->SetID(5);
  EXPECT_EQ(IDs(section), (std::vector<TTiffTagID>{5, 10, 30})) << "a smaller ID moves the tag to the front";

  EXPECT_THROW(section.Find(5)->SetID(30), ETagAlreadyExists);
  EXPECT_EQ(IDs(section), (std::vector<TTiffTagID>{5, 10, 30})) << "a refused ID change leaves the list alone";
  try {
    section.Add(10, tdByte, 1);
    FAIL() << "adding a present ID must fail";
  } catch (const ETagAlreadyExists& e) {
    EXPECT_STREQ(e.what(), "Tag with ID of \"10\" already exists in section");
  }
}

TEST(ExifSections, FixedSectionsRefuseStructuralEdits) {
  auto owner = LoadedFixedOwner();
  auto& section = owner->Section(esGeneral);
  ASSERT_EQ(IDs(section), (std::vector<TTiffTagID>{0x0100, 0x010F, 0x0112})) << "loaded tags are sorted";
  EXPECT_FALSE(section.Modified()) << "loading leaves the section unmodified";

  section.SetWordValue(0x0112, 0, 6);
  EXPECT_EQ(section.GetWordValue(0x0112, 0).Value(), 6) << "a value may change in place";

  EXPECT_THROW(section.SetWordValue(0x0001, 0, 1), EIllegalEditOfExifData) << "no new tags";
  EXPECT_THROW(section.Find(0x0112)->SetID(0x0113), EIllegalEditOfExifData) << "no new IDs";
  EXPECT_THROW(section.Find(0x0100)->UpdateData(tdLongWord, 2), EIllegalEditOfExifData)
      << "a 4-byte tag may not grow to 8 bytes";
  EXPECT_EQ(section.Find(0x0100)->ElementCount(), 1) << "a refused edit leaves the tag as it was";

  section.SetStringValue(0x010F, "Nikon");
  EXPECT_EQ(section.GetStringValue(0x010F), "Nikon") << "growing back within the loaded size is allowed";
  section.SetStringValue(0x010F, "ab");
  section.SetStringValue(0x010F, "Leica");
  EXPECT_THROW(section.SetStringValue(0x010F, "Pentax"), EIllegalEditOfExifData) << "7 bytes where 6 were loaded";
  EXPECT_EQ(section.GetStringValue(0x010F), "Leica");
  try {
    section.SetByteValue(0x0002, 0, 1);
  } catch (const EIllegalEditOfExifData& e) {
    EXPECT_STREQ(e.what(),
                 "Illegal attempt to edit the Exif data in such a way that it would change the file structure");
  }
}

TEST(ExifSections, TypeConversionKeepsIntegerValues) {
  TExtendableExifSection section(nullptr, esUserDefined);
  auto* tag = section.SetWordValue(1, 1, 5);
  section.SetWordValue(1, 0, 300);

  tag->SetDataType(tdByte);
  ASSERT_EQ(tag->ElementCount(), 2);
  EXPECT_EQ(tag->DataPtr()[0], 44) << "300 truncated to 8 bits";
  EXPECT_EQ(tag->DataPtr()[1], 5);

  section.SetWordValue(2, 1, 5);
  auto* wide = section.SetWordValue(2, 0, 300);
  wide->SetDataType(tdLongWord);
  EXPECT_EQ(Element<std::uint32_t>(*wide, 0), 300U);
  EXPECT_EQ(Element<std::uint32_t>(*wide, 1), 5U);

  // Same byte size, other width: the first value must survive too.
  section.SetWordValue(3, 1, 5);
  auto* same = section.SetWordValue(3, 0, 300);
  same->UpdateData(tdLongWord, 1);
  EXPECT_EQ(Element<std::uint32_t>(*same, 0), 300U);

  // A writer of another type converts the tag and keeps the other elements.
  section.SetByteValue(4, 0, 7);
  section.SetByteValue(4, 1, 9);
  auto* converted = section.SetLongWordValue(4, 1, 70000);
  EXPECT_EQ(converted->DataType(), tdLongWord);
  EXPECT_EQ(Element<std::uint32_t>(*converted, 0), 7U);
  EXPECT_EQ(Element<std::uint32_t>(*converted, 1), 70000U);

  auto* grown = section.SetWordValue(5, 3, 7);
  EXPECT_EQ(grown->ElementCount(), 4);
  EXPECT_EQ(grown->AsString(), "0,0,0,7") << "a missing tag is created up to the index";

  EXPECT_THROW(section.SetWordValue(6, -1, 1), Platform::EListError);
  EXPECT_EQ(section.Find(6), nullptr);
}

TEST(ExifSections, ZeroFractionMeansNoValue) {
  TExtendableExifSection section(nullptr, esUserDefined);
  section.SetFractionValue(1, 0, {3, 4});
  section.SetFractionValue(1, 0, {0, 0});
  EXPECT_EQ(section.Find(1), nullptr) << "0/0 at the only element removes the tag";

  for (int i = 0; i < 3; ++i)
    section.SetFractionValue(2, i, {static_cast<std::uint32_t>(i + 1), 1});
  section.SetFractionValue(2, 2, {0, 0});
  ASSERT_NE(section.Find(2), nullptr);
  EXPECT_EQ(section.Find(2)->ElementCount(), 2) << "0/0 at the last element drops it";
  section.SetFractionValue(2, 0, {0, 0});
  EXPECT_EQ(section.Find(2)->ElementCount(), 2) << "0/0 in the middle is stored";
  EXPECT_TRUE(section.GetFractionValue(2, 0).MissingOrInvalid());
  EXPECT_EQ(section.GetFractionValue(2, 1), TTiffLongWordFraction(2, 1));

  section.SetFractionValue(3, 5, {0, 0});
  EXPECT_EQ(section.Find(3), nullptr) << "0/0 for a missing tag changes nothing";

  section.SetSignedFractionValue(4, 0, {-1, 2});
  EXPECT_EQ(section.Find(4)->DataType(), tdLongIntFraction);
  EXPECT_EQ(section.GetSignedFractionValue(4, 0), TTiffLongIntFraction(-1, 2));
  EXPECT_EQ(section.Find(4)->AsString(), "-1/2");
  section.SetSignedFractionValue(4, 0, {0, 0});
  EXPECT_EQ(section.Find(4), nullptr);
}

TEST(ExifSections, EnumerationSurvivesDeletingTheCurrentTag) {
  TExtendableExifSection section(nullptr, esUserDefined);
  for (TTiffTagID id = 1; id <= 5; ++id)
    section.Add(id, tdByte, 1);
  std::vector<TTiffTagID> visited;
  for (auto* tag : section) {
    visited.push_back(tag->ID());
    tag->Delete();
  }
  EXPECT_EQ(visited, (std::vector<TTiffTagID>{1, 2, 3, 4, 5}));
  EXPECT_EQ(section.Count(), 0);

  for (TTiffTagID id = 1; id <= 4; ++id)
    section.Add(id, tdByte, 1);
  visited.clear();
  for (auto* tag : section) {
    visited.push_back(tag->ID());
    if (tag->ID() % 2 == 0)
      tag->Delete();
  }
  EXPECT_EQ(visited, (std::vector<TTiffTagID>{1, 2, 3, 4}));
  EXPECT_EQ(IDs(section), (std::vector<TTiffTagID>{1, 3}));

  // The ITiffDirectory view hands out the same tags.
  std::vector<TTiffTagID> viaInterface;
  for (const auto& tag : *section.GetEnumerator())
    viaInterface.push_back(tag->ID());
  EXPECT_EQ(viaInterface, (std::vector<TTiffTagID>{1, 3}));
}

TEST(ExifSections, AsStringRoundTripsPerType) {
  TLocaleScope locale(Platform::TFormatSettings::English());
  TExtendableExifSection section(nullptr, esUserDefined);
  struct TCase {
    TTiffDataType Type;
    std::string Text;
    int Count;
  };
  const TCase cases[] = {
      {tdByte, "0,1,255", 3},
      {tdWord, "65535", 1},
      {tdLongWord, "4294967295,0", 2},
      {tdShortInt, "-128,127", 2},
      {tdSmallInt, "-32768,32767", 2},
      {tdLongInt, "-2147483648,5", 2},
      {tdSubDirectory, "-1", 1},
      {tdLongWordFraction, "3000000000/7,1,", 3},
      {tdLongIntFraction, "-1/2,4", 2},
      {tdSingle, "0.1,1.5", 2},
      {tdDouble, "0.333333333333333,0.1", 2},
      {tdUndefined, "01AB", 2},
  };
  TTiffTagID id = 100;
  for (const auto& c : cases) {
    auto* tag = section.Add(++id, c.Type, 0);
    tag->SetAsString(c.Text);
    EXPECT_EQ(tag->ElementCount(), c.Count) << c.Text;
    const auto stored = std::vector<std::uint8_t>(tag->DataPtr(), tag->DataPtr() + tag->DataSize());
    tag->Changed(); // drops the cached text, so the next read computes it from the data
    EXPECT_EQ(tag->AsString(), c.Text) << "type " << static_cast<int>(c.Type);
    tag->SetAsString(tag->AsString());
    EXPECT_EQ(std::vector<std::uint8_t>(tag->DataPtr(), tag->DataPtr() + tag->DataSize()), stored) << c.Text;
  }

  auto* ascii = section.Add(++id, tdAscii, 0);
  ascii->SetAsString("Canon, \"EOS\"");
  EXPECT_EQ(ascii->ElementCount(), 13) << "ANSI bytes plus NUL";
  ascii->Changed();
  EXPECT_EQ(ascii->AsString(), "Canon, \"EOS\"");
  EXPECT_EQ(ascii->ElementAsString(0), "C");

  auto* spaced = section.Add(++id, tdDouble, 0);
  spaced->SetAsString("1, 2.5");
  EXPECT_EQ(spaced->ElementCount(), 2) << "blanks around list items are dropped";
  spaced->Changed();
  EXPECT_EQ(spaced->AsString(), "1,2.5");

  auto* word = section.Add(++id, tdWord, 0);
  EXPECT_THROW(word->SetAsString("65536"), Platform::ERangeError);
  EXPECT_THROW(word->SetAsString("1,x"), Platform::EConvertError);
  EXPECT_THROW(section.Add(++id, tdLongWord, 0)->SetAsString("-1"), Platform::ERangeError);
  EXPECT_EQ(word->ElementCount(), 0) << "a failed assignment stores nothing";
  word->SetAsString("7");
  word->SetAsString("");
  EXPECT_EQ(word->ElementCount(), 0) << "an empty text empties the tag";
  EXPECT_EQ(word->AsString(), "");

  auto* undefined = section.Add(++id, tdUndefined, 0);
  undefined->SetAsString("0a0B");
  EXPECT_EQ(std::vector<std::uint8_t>(undefined->DataPtr(), undefined->DataPtr() + 2),
            (std::vector<std::uint8_t>{0x0A, 0x0B}));
  undefined->SetAsString("0AZZ117");
  ASSERT_EQ(undefined->ElementCount(), 3) << "the length decides the count; an odd last digit is ignored";
  EXPECT_EQ(undefined->DataPtr()[0], 0x0A);
  EXPECT_EQ(undefined->DataPtr()[1], 0) << "conversion stops at the first non-hex digit";
  EXPECT_EQ(undefined->DataPtr()[2], 0);

  try {
    (void)word->ElementAsString(0);
    FAIL() << "index outside the elements";
  } catch (const Platform::EListError& e) {
    EXPECT_STREQ(e.what(), "Listenindex außerhalb des gültigen Bereichs (0)");
  }
}

TEST(ExifSections, FloatTextsFollowTheLocale) {
  TLocaleScope locale(Platform::TFormatSettings::German());
  TExtendableExifSection section(nullptr, esUserDefined);
  auto* tag = section.Add(1, tdDouble, 0);
  tag->SetAsString("\"1,5\",\"2,25\"");
  ASSERT_EQ(tag->ElementCount(), 2);
  EXPECT_EQ(Element<double>(*tag, 1), 2.25);
  tag->Changed();
  EXPECT_EQ(tag->AsString(), "\"1,5\",\"2,25\"") << "items with the decimal comma are quoted";
  EXPECT_EQ(tag->ElementAsString(0), "1,5");

  // Values the 15-digit general form cannot carry get the shortest exact text.
  const double third = 1.0 / 3, huge = 1.2345678901234567e300;
  tag->UpdateData(tdDouble, 1, &third);
  EXPECT_EQ(tag->AsString(), "0,3333333333333333");
  tag->UpdateData(tdDouble, 1, &huge);
  EXPECT_EQ(tag->AsString(), "1,2345678901234567E300");
  tag->SetAsString(tag->AsString());
  EXPECT_EQ(tag->ElementCount(), 1) << "one number with a decimal comma is not a list";
  EXPECT_EQ(Element<double>(*tag, 0), huge);

  const double wholes[2] = {1, 5};
  tag->UpdateData(tdDouble, 2, wholes);
  EXPECT_EQ(tag->AsString(), "\"1\",\"5\"") << "quoted, so that the list does not read as 1,5";
  tag->SetAsString(tag->AsString());
  ASSERT_EQ(tag->ElementCount(), 2);
  EXPECT_EQ(Element<double>(*tag, 1), 5.0);
}

TEST(ExifSections, WindowsStringsAreUTF16InGeneralOnly) {
  TFakeOwner owner;
  auto& general = owner.Section(esGeneral);
  general.SetWindowsStringValue(ttXPTitle, "Grüße \xF0\x9F\x98\x80");
  auto* tag = general.Find(ttXPTitle);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->DataType(), tdByte);
  EXPECT_EQ(tag->ElementCount(), (8 + 1) * 2) << "8 UTF-16 code units plus a 2-byte NUL";
  EXPECT_EQ(tag->DataPtr()[0], 'G');
  EXPECT_EQ(tag->DataPtr()[1], 0) << "little-endian code units";
  EXPECT_TRUE(tag->HasWindowsStringData());
  EXPECT_EQ(general.GetWindowsStringValue(ttXPTitle), "Grüße \xF0\x9F\x98\x80");
  tag->Changed();
  EXPECT_EQ(tag->AsString(), "Grüße \xF0\x9F\x98\x80");
  tag->SetAsString("ab");
  EXPECT_EQ(tag->ElementCount(), 6);

  auto& details = owner.Section(esDetails);
  auto* elsewhere = details.SetByteValue(ttXPTitle, 1, 0);
  EXPECT_FALSE(elsewhere->HasWindowsStringData()) << "only IFD0 holds the Windows tags";
  EXPECT_EQ(elsewhere->AsString(), "0,0");

  general.SetWindowsStringValue(ttXPTitle, "");
  EXPECT_EQ(general.Find(ttXPTitle), nullptr) << "an empty text removes the tag";
}

TEST(ExifSections, StringReadersAndASCIIEnforcement) {
  TFakeOwner owner;
  auto& general = owner.Extendable(esGeneral);
  general.AddOrUpdate(1, tdAscii, 2, "ab");
  general.AddOrUpdate(2, tdAscii, 3, "ab\0");
  general.AddOrUpdate(3, tdAscii, 3, "ab ");
  EXPECT_EQ(general.GetStringValue(1), "ab") << "a missing NUL is tolerated";
  EXPECT_EQ(general.GetStringValue(2), "ab");
  EXPECT_EQ(general.GetStringValue(3), "ab") << "a trailing blank counts as the terminator";
  EXPECT_EQ(general.GetStringValue(4, "none"), "none");

  general.SetStringValue(ttMake, "Canon");
  EXPECT_THROW(general.SetStringValue(ttMake, "Müller"), ENotOnlyASCIIError);
  EXPECT_EQ(general.GetStringValue(ttMake), "Canon") << "a refused text changes nothing";
  EXPECT_THROW(general.Find(ttMake)->SetAsString("Müller"), ENotOnlyASCIIError);
  try {
    general.SetStringValue(ttModel, "é");
  } catch (const ENotOnlyASCIIError& e) {
    EXPECT_STREQ(e.what(), "Tag may contain only ASCII string data");
  }

  owner.Enforce = false;
  general.SetStringValue(ttMake, "Müller");
  auto* tag = general.Find(ttMake);
  EXPECT_EQ(tag->ElementCount(), 8) << "stored as UTF-8 plus NUL";
  EXPECT_EQ(tag->DataPtr()[1], 0xC3);
  EXPECT_EQ(tag->DataPtr()[2], 0xBC);
  EXPECT_EQ(general.GetStringValue(ttMake), "Müller");
  EXPECT_EQ(tag->AsString(), "Müller");
  general.SetStringValue(ttMake, "Canon");
  EXPECT_EQ(general.Find(ttMake)->ElementCount(), 6) << "ASCII stays byte for byte";

  // Older writers stored single-byte Windows-1252; bytes that are no UTF-8 read that way.
  general.AddOrUpdate(5, tdAscii, 8, "M\xFCller\x80");
  EXPECT_EQ(general.GetStringValue(5), "Müller€");
  EXPECT_EQ(general.Find(5)->AsString(), "Müller€");
  general.SetStringValue(6, "bad \xFF byte");
  EXPECT_EQ(general.GetStringValue(6), "bad \xEF\xBF\xBD byte") << "invalid UTF-8 is stored replaced, never raw";

  general.SetStringValue(ttMake, "");
  EXPECT_EQ(general.Find(ttMake), nullptr) << "an empty text removes the tag";

  TExtendableExifSection loose(nullptr, esGeneral);
  loose.SetStringValue(1, "Müller");
  EXPECT_EQ(loose.GetStringValue(1), "Müller") << "a section without owner does not check";
}

TEST(ExifSections, DateTimesWithSubSeconds) {
  TFakeOwner owner;
  auto& general = owner.Section(esGeneral);
  auto& details = owner.Section(esDetails);
  general.SetStringValue(ttDateTime, "2020:01:02 03:04:05");
  details.SetStringValue(ttSubsecTime, "5");
  const auto expected = Platform::EncodeDateTime(2020, 1, 2, 3, 4, 5, 500);
  EXPECT_NEAR(general.GetDateTimeValue(ttDateTime, ttSubsecTime).Value(), expected, 1e-9) << "\"5\" is 500 ms";
  details.SetStringValue(ttSubsecTime, "123456");
  EXPECT_EQ(Platform::MilliSecondOf(general.GetDateTimeValue(ttDateTime, ttSubsecTime)), 123);
  details.SetStringValue(ttSubsecTime, "x");
  EXPECT_EQ(Platform::MilliSecondOf(general.GetDateTimeValue(ttDateTime, ttSubsecTime)), 0)
      << "unreadable sub-seconds are ignored";

  const auto withMillis = Platform::EncodeDateTime(2021, 6, 7, 8, 9, 10, 5);
  general.SetDateTimeValue(ttDateTime, ttSubsecTime, withMillis);
  EXPECT_EQ(general.GetStringValue(ttDateTime), "2021:06:07 08:09:10");
  EXPECT_EQ(details.GetStringValue(ttSubsecTime), "005") << "an existing sub-second tag is rewritten";

  EXPECT_EQ(details.Find(ttSubsecTimeOriginal), nullptr);
  details.SetDateTimeValue(ttDateTimeOriginal, ttSubsecTimeOriginal, withMillis);
  EXPECT_EQ(details.Find(ttSubsecTimeOriginal), nullptr) << "not created unless precise times are asked for";
  owner.PreciseTimes = true;
  details.SetDateTimeValue(ttDateTimeOriginal, ttSubsecTimeOriginal, withMillis);
  ASSERT_NE(details.Find(ttSubsecTimeOriginal), nullptr);
  EXPECT_EQ(details.Find(ttSubsecTimeOriginal)->ElementCount(), 4);
  EXPECT_EQ(details.GetDateTimeValue(ttDateTimeOriginal, ttSubsecTimeOriginal), TDateTimeTagValue(withMillis));

  details.SetDateTimeValue(ttDateTimeOriginal, ttSubsecTimeOriginal, TDateTimeTagValue::CreateMissingOrInvalid());
  EXPECT_EQ(details.Find(ttDateTimeOriginal), nullptr);
  EXPECT_EQ(details.Find(ttSubsecTimeOriginal), nullptr) << "a missing value removes both tags";

  general.SetStringValue(ttDateTime, "2020-01-02 03:04:05");
  EXPECT_TRUE(general.GetDateTimeValue(ttDateTime, 0).MissingOrInvalid());
}

TEST(ExifSections, ExifDateTimeTexts) {
  TDateTime value = 0;
  EXPECT_TRUE(TryExifStringToDateTime("2020:01:02 03:04:05", value));
  EXPECT_EQ(value, Platform::EncodeDateTime(2020, 1, 2, 3, 4, 5, 0));
  EXPECT_TRUE(TryExifStringToDateTime("2020:01:02T03-04-05", value)) << "the 11th, 14th and 17th are not examined";
  EXPECT_FALSE(TryExifStringToDateTime("2020-01-02 03:04:05", value));
  EXPECT_FALSE(TryExifStringToDateTime("2020:01:02 03:04:05 ", value)) << "20 characters";
  EXPECT_FALSE(TryExifStringToDateTime("2020:02:30 03:04:05", value)) << "no such day";
  EXPECT_FALSE(TryExifStringToDateTime("    :  :     :  :  ", value));
  EXPECT_TRUE(TryExifStringToDateTime("2020:01:02\xC2\xA0"
                                      "03:04:05",
                                      value))
      << "characters are counted, not bytes";

  EXPECT_EQ(DateTimeToExifString(0.0), std::string(19, ' '));
  EXPECT_EQ(DateTimeToExifString(Platform::EncodeDateTime(1999, 12, 31, 23, 59, 58, 0)), "1999:12:31 23:59:58");
  EXPECT_TRUE(ContainsOnlyASCII("abc~\x7F"));
  EXPECT_FALSE(ContainsOnlyASCII("ä"));
}

TEST(ExifSections, OwnerHearsOfEveryChangeOnce) {
  TFakeOwner owner;
  auto& general = owner.Extendable(esGeneral);
  general.Add(1, tdWord, 1);
  EXPECT_EQ(owner.ChangeEvents, 1);
  ASSERT_FALSE(owner.Senders.empty());
  EXPECT_EQ(owner.Senders.back(), &general);
  EXPECT_TRUE(general.Modified());

  general.SetWordValue(1, 0, 0);
  EXPECT_EQ(owner.ChangeEvents, 1) << "storing the value the element already holds is no change";
  general.SetWordValue(1, 0, 9);
  EXPECT_EQ(owner.ChangeEvents, 2);

  general.Add(2, tdWord, 1);
  general.Add(3, tdWord, 1);
  const auto before = owner.ChangeEvents;
  general.Clear();
  EXPECT_EQ(owner.ChangeEvents, before + 1) << "Clear collapses its deletions in one update bracket";
  general.Clear();
  EXPECT_EQ(owner.ChangeEvents, before + 1) << "clearing an empty section changes nothing";

  TExtendableExifSection userDefined(&owner, esUserDefined);
  userDefined.Add(1, tdByte, 1);
  EXPECT_EQ(owner.ChangeEvents, before + 1) << "a user-defined section never notifies";
  EXPECT_TRUE(userDefined.Modified());

  auto& details = owner.Extendable(esDetails);
  auto* makerNote = details.AddOrUpdate(ttMakerNote, tdUndefined, 8);
  const auto resets = owner.MakerNoteResets;
  makerNote->SetAsString("0102");
  EXPECT_GT(owner.MakerNoteResets, resets) << "a changed maker note is forgotten";
  const auto resetsBeforeDelete = owner.MakerNoteResets;
  details.Remove(ttMakerNote);
  EXPECT_GT(owner.MakerNoteResets, resetsBeforeDelete) << "so is a deleted one";
  owner.Section(esGPS).SetByteValue(ttMakerNote, 0, 1);
  const auto resetsAfter = owner.MakerNoteResets;
  owner.Section(esGPS).Remove(ttMakerNote);
  EXPECT_EQ(owner.MakerNoteResets, resetsAfter) << "0x927C means a maker note only in the Exif sub-IFD";
}

TEST(ExifSections, RemovingTags) {
  TExtendableExifSection section(nullptr, esUserDefined);
  for (TTiffTagID id : {1, 2, 3, 4, 5})
    section.Add(id, tdByte, 1);
  EXPECT_TRUE(section.Remove(3));
  EXPECT_FALSE(section.Remove(3));
  section.Remove({1, 5, 9});
  EXPECT_EQ(IDs(section), (std::vector<TTiffTagID>{2, 4}));

  auto* padding = section.Add(ttPadding, tdByte, 1);
  padding->SetAsPadding(10);
  EXPECT_TRUE(padding->IsPadding());
  EXPECT_EQ(padding->ElementCount(), 10);
  EXPECT_EQ(padding->AsString(), "1CEA0000000000000000");
  auto* notPadding = section.Add(7, tdUndefined, 4);
  EXPECT_FALSE(notPadding->IsPadding());
  EXPECT_TRUE(section.RemovePaddingTag());
  EXPECT_FALSE(section.RemovePaddingTag());
  EXPECT_EQ(IDs(section), (std::vector<TTiffTagID>{2, 4, 7}));
}

TEST(ExifSections, CopyingAndAssigning) {
  TFakeOwner owner;
  auto& source = owner.Extendable(esGeneral);
  source.SetStringValue(ttMake, "Canon");
  source.SetWordValue(ttOrientation, 0, 6);
  auto& target = owner.Extendable(esThumbnail);
  target.SetByteValue(1, 0, 1);

  target.Assign(&source);
  EXPECT_EQ(IDs(target), (std::vector<TTiffTagID>{ttMake, ttOrientation}));
  EXPECT_EQ(target.GetStringValue(ttMake), "Canon");
  target.Assign(&target);
  EXPECT_EQ(target.Count(), 2) << "assigning a section to itself keeps its tags";
  target.Assign(nullptr);
  EXPECT_EQ(target.Count(), 0);

  auto* tag = target.AddOrUpdate(1, tdWord, 1);
  tag->Assign(source.Find(ttMake));
  EXPECT_EQ(tag->ID(), ttMake) << "a tag from another section brings its ID";
  EXPECT_EQ(tag->AsString(), "Canon");
  tag->Assign(tag);
  EXPECT_EQ(tag->AsString(), "Canon") << "a tag assigned to itself keeps its data";
  tag->Assign(nullptr);
  EXPECT_EQ(tag->ElementCount(), 0);

  Platform::TMemoryStream payload;
  payload.WriteBuffer("abcde", 5);
  struct TSource : Platform::IStreamPersist {
    Platform::TMemoryStream* Data;
    void LoadFromStream(Platform::TStream&) override {}
    void SaveToStream(Platform::TStream& stream) override { stream.CopyFrom(*Data, 0); }
  } persist;
  persist.Data = &payload;
  auto* fromStream = target.AddOrUpdate(9, tdWord, &persist);
  EXPECT_EQ(fromStream->ElementCount(), 3) << "5 bytes round up to three SHORT elements";
  EXPECT_EQ(fromStream->DataPtr()[5], 0);
}

TEST(ExifSections, ReadersCheckTypeAndIndex) {
  TExtendableExifSection section(nullptr, esUserDefined);
  section.AddOrUpdate(1, tdShortInt, 2, "\xFF\x05");
  section.AddOrUpdate(2, tdSmallInt, 1, "\xFE\xFF");
  section.AddOrUpdate(3, tdLongInt, 1, "\xFF\xFF\xFF\xFF");
  section.AddOrUpdate(4, tdAscii, 2, "1");

  std::uint8_t byte = 0;
  EXPECT_TRUE(section.TryGetByteValue(1, 0, byte));
  EXPECT_EQ(byte, 0xFF);
  EXPECT_FALSE(section.TryGetByteValue(1, 2, byte)) << "index beyond the count";
  EXPECT_FALSE(section.TryGetByteValue(2, 0, byte)) << "SSHORT is not a byte type";
  EXPECT_EQ(section.GetWordValue(1, 0).Value(), 0xFF) << "bytes are zero-extended";
  EXPECT_EQ(section.GetSmallIntValue(2, 0, 0), -2);
  EXPECT_EQ(section.GetSmallIntValue(2, 0, 7, 0, 10), 7) << "outside the signed range";
  EXPECT_EQ(section.GetByteValue(1, 1, 9, 0, 4), 9);
  EXPECT_EQ(section.GetByteValue(1, 1, 9), 5);
  EXPECT_EQ(section.GetLongIntValue(3, 0).Value(), -1);
  EXPECT_TRUE(section.GetWordValue(3, 0).MissingOrInvalid()) << "LONG is not a word type";
  EXPECT_TRUE(section.GetLongWordValue(4, 0).MissingOrInvalid()) << "ASCII is not a number";
  EXPECT_TRUE(section.GetFractionValue(3, 0).MissingOrInvalid());
  EXPECT_EQ(section.GetLongWordValue(9, 0, 42U), 42U);
  EXPECT_TRUE(section.TagExists(1, {tdShortInt}, 2, 2));
  EXPECT_FALSE(section.TagExists(1, {tdShortInt}, 3));
  EXPECT_FALSE(section.TagExists(1, {tdByte}));
}

TEST(ExifSections, LoadingTakesEveryEntryInOrder) {
  TFakeOwner owner;
  auto& general = owner.Section(esGeneral);
  const auto tiff = BuildTiff(true, {{0x0110, 2, 4, AsciiZ("A1x")},
                                     {0x010F, 3, 2, {0x01, 0x2C, 0x00, 0x05}},
                                     {0x0200, 0, 1, {1, 0, 0, 0}},
                                     {0x010F, 4, 1, {0, 0, 0, 1}},
                                     {0x0300, 4, 2, {}, 4u},
                                     {0x0301, 5, 1, {0, 0, 0, 3, 0, 0, 0, 4}},
                                     {0x0302, 0x0E, 3, {0xAB, 0xCD, 0xEF, 0}}});
  owner.ChangeEvents = 0;
  LoadFirstDirectory(general, tiff);
  EXPECT_EQ(IDs(general), (std::vector<TTiffTagID>{0x010F, 0x010F, 0x0110, 0x0300, 0x0301, 0x0302}))
      << "an entry of type 0 is no tag";
  EXPECT_TRUE(general.LoadErrors().Contains(TMetadataLoadError::leBadTagHeader));
  EXPECT_FALSE(general.Modified());

  auto* first = general.Find(0x010F);
  EXPECT_EQ(first->DataType(), tdWord) << "a repeated ID keeps file order; Find answers the first";
  EXPECT_EQ(first->AsString(), "300,5") << "big-endian data is held in native order";
  auto* noData = general.Find(0x0300);
  EXPECT_FALSE(noData->WellFormed()) << "a data offset below 8 is bad";
  EXPECT_EQ(noData->DataType(), tdLongWord) << "the type stays, the data that is not there goes";
  EXPECT_EQ(noData->ElementCount(), 0);
  EXPECT_EQ(noData->DataSize(), 0);
  auto* unknown = general.Find(0x0302);
  EXPECT_FALSE(unknown->WellFormed());
  EXPECT_EQ(static_cast<int>(unknown->DataType()), 0x0E);
  EXPECT_EQ(unknown->ElementCount(), 3);
  EXPECT_EQ(Bytes(unknown->Bytes().begin(), unknown->Bytes().end()), (Bytes{0xAB, 0xCD, 0xEF}))
      << "bytes of an unknown type stay as in the file";
  auto* rational = general.Find(0x0301);
  EXPECT_EQ(rational->AsString(), "3/4");
  EXPECT_EQ(rational->OriginalDataOffset(), 8U + 2 + 12 * 7 + 4) << "the first out-of-line data";
  EXPECT_EQ(rational->OriginalDataSize(), 8);
  EXPECT_EQ(general.GetStringValue(0x0110), "A1x");
}

TEST(ExifSections, TiffFilesKeepOnlyMetadataTagsInIFD0) {
  const auto tiff = BuildTiff(false, {{ttImageWidth, 3, 1, {64, 0}},
                                      {ttMake, 2, 4, AsciiZ("Abc")},
                                      {ttStripOffsets, 4, 1, {8, 0, 0, 0}},
                                      {ttOrientation, 3, 1, {1, 0}},
                                      {ttRating, 3, 1, {3, 0}},
                                      {ttXPTitle, 1, 4, {'a', 0, 0, 0}}});
  TFakeOwner owner;
  LoadFirstDirectory(owner.Section(esGeneral), tiff, true);
  EXPECT_EQ(IDs(owner.Section(esGeneral)), (std::vector<TTiffTagID>{ttMake, ttOrientation, ttXPTitle}));
  LoadFirstDirectory(owner.Section(esDetails), tiff, true);
  EXPECT_EQ(owner.Section(esDetails).Count(), 6) << "only IFD0 is filtered";
  LoadFirstDirectory(owner.Section(esGeneral), tiff, false);
  EXPECT_EQ(owner.Section(esGeneral).Count(), 6) << "an Exif block is not a TIFF file";

  EXPECT_TRUE(IsExifMetadataTagOfTiff(ttGPSOffset, tdLongWord));
  EXPECT_TRUE(IsExifMetadataTagOfTiff(ttPadding, tdByte));
  EXPECT_FALSE(IsExifMetadataTagOfTiff(ttPadding, tdUndefined));
  EXPECT_FALSE(IsExifMetadataTagOfTiff(ttCompression, tdWord));
}

TEST(ExifSections, WrittenEntriesParseBack) {
  for (const auto endianness : {TEndianness::SmallEndian, TEndianness::BigEndian}) {
    TExtendableExifSection source(nullptr, esUserDefined);
    source.SetWordValue(1, 0, 0x1234);
    source.SetByteValue(2, 2, 7);
    source.SetLongWordValue(3, 0, 0xA1B2C3D4);
    source.SetFractionValue(4, 1, {3, 4});
    source.AddOrUpdate(5, tdDouble, 1)->SetAsString("2.5");
    source.SetStringValue(6, "Hello");
    source.AddOrUpdate(7, tdSingle, 1)->SetAsString("1.5");

    const auto written = WriteSectionAsTiff(source, endianness);
    std::uint32_t expectedSize = 8 + 2 + 12 * static_cast<std::uint32_t>(source.Count()) + 4;
    for (auto* tag : source)
      expectedSize += tag->DataSize() > 4 ? static_cast<std::uint32_t>(tag->DataSize()) : 0;
    ASSERT_EQ(written.size(), expectedSize);

    if (endianness == TEndianness::BigEndian) {
      const auto* bytes = written.data();
      EXPECT_EQ(bytes[10 + 8], 0x12) << "SHORT inline, high byte first";
      EXPECT_EQ(bytes[10 + 9], 0x34);
      EXPECT_EQ(bytes[10 + 10], 0) << "padded with zeros";
    }

    TFakeOwner owner;
    auto& loaded = owner.Section(esGPS);
    LoadFirstDirectory(loaded, written);
    ASSERT_EQ(IDs(loaded), IDs(source));
    EXPECT_TRUE(loaded.LoadErrors().Empty());
    for (auto* tag : source) {
      auto* back = loaded.Find(tag->ID());
      EXPECT_EQ(back->DataType(), tag->DataType());
      EXPECT_EQ(back->AsString(), tag->AsString()) << "tag " << tag->ID();
    }
  }
}

TEST(ExifSections, TagsOfUnknownTypesAreCarriedAsTheyCame) {
  // Type codes beyond the TIFF types (a later standard's, or a writer's own): the bytes go
  // out unchanged in either byte order, typed reads find nothing, an edit makes a known tag.
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    const auto endianness = big ? TEndianness::BigEndian : TEndianness::SmallEndian;
    const Bytes comment{0, 0, 0, 0, 0, 0, 0, 0, ' ', ' ', 'a', 'b', 'c'};
    const auto tiff = BuildTiff(big, {{0x0100, 0x0211, 0, {}},
                                      {0x0101, 0x0100, 2, {0x12, 0x34}},
                                      {0x0112, 3, 1, big ? Bytes{0, 6} : Bytes{6, 0}},
                                      {0x9286, 0x000E, static_cast<std::uint32_t>(comment.size()), comment}});
    TFakeOwner owner;
    auto& section = owner.Section(esDetails);
    LoadFirstDirectory(section, tiff);
    ASSERT_EQ(IDs(section), (std::vector<TTiffTagID>{0x0100, 0x0101, 0x0112, 0x9286}));
    auto* userComment = section.Find(0x9286);
    EXPECT_EQ(static_cast<int>(userComment->DataType()), 0x000E);
    EXPECT_EQ(userComment->ElementCount(), 13);
    EXPECT_EQ(userComment->DataSize(), 13);
    EXPECT_EQ(userComment->OriginalDataSize(), 13);
    EXPECT_EQ(userComment->AsString(), "00000000000000002020616263");
    std::uint8_t byte = 0;
    EXPECT_FALSE(section.TryGetByteValue(0x9286, 0, byte));
    EXPECT_TRUE(section.GetLongWordValue(0x0101, 0).MissingOrInvalid());
    EXPECT_TRUE(section.GetWordValue(0x0100, 0).MissingOrInvalid());
    EXPECT_EQ(section.GetStringValue(0x9286, "none"), "none");
    EXPECT_FALSE(section.TagExists(0x0101, AllTiffDataTypes()));

    // Written (in the source's order) and parsed again: entry for entry the same.
    const auto written = WriteSectionAsTiff(section, endianness);
    EXPECT_EQ(written, tiff) << "laid out as the fixture was, so byte for byte the same";
    TFakeOwner copy;
    auto& reloaded = copy.Section(esDetails);
    LoadFirstDirectory(reloaded, written);
    ASSERT_EQ(reloaded.Count(), 4);
    for (int i = 0; i < 4; ++i) {
      const auto* a = section.TagAt(i);
      const auto* b = reloaded.TagAt(i);
      EXPECT_EQ(b->DataType(), a->DataType());
      EXPECT_EQ(b->ElementCount(), a->ElementCount());
      EXPECT_EQ(Bytes(b->Bytes().begin(), b->Bytes().end()), Bytes(a->Bytes().begin(), a->Bytes().end()));
    }

    // From a TIFF file (whose saver carries such bytes too) the tag is read the same way.
    TFakeOwner fromTiff;
    LoadFirstDirectory(fromTiff.Section(esDetails), tiff, true);
    const auto* fromFile = fromTiff.Section(esDetails).Find(0x9286);
    ASSERT_NE(fromFile, nullptr);
    EXPECT_EQ(static_cast<int>(fromFile->DataType()), 0x000E);
    EXPECT_EQ(fromFile->ElementCount(), 13);
    EXPECT_EQ(fromFile->AsString(), userComment->AsString());

    // Writing a value through a typed writer replaces the unknown form.
    section.SetWordValue(0x0101, 0, 640);
    EXPECT_EQ(section.GetWordValue(0x0101, 0).Value(), 640);
    EXPECT_EQ(section.Find(0x0101)->ElementCount(), 2) << "the count stays";
    EXPECT_EQ(section.Find(0x0101)->DataSize(), 4);
    // Its text is the bytes in hexadecimal, and reads back as such.
    userComment->SetAsString("414243");
    EXPECT_EQ(static_cast<int>(userComment->DataType()), 0x000E);
    EXPECT_EQ(userComment->ElementCount(), 3);
    EXPECT_EQ(Bytes(userComment->Bytes().begin(), userComment->Bytes().end()), (Bytes{'A', 'B', 'C'}));
  }
}

TEST(ExifSections, InterfaceViews) {
  TFakeOwner owner;
  auto& details = owner.Extendable(esDetails);
  auto* tag = details.AddOrUpdate(ttIPTC, tdUndefined, 5, "\x1C\x02\x78\x00\x00");
  EXPECT_TRUE(tag->IsIPTCBlock(true));
  EXPECT_FALSE(details.AddOrUpdate(1, tdUndefined, 5, "\x1C\x02\x78\x00\x00")->IsIPTCBlock(true))
      << "with the ID check only 0x83BB qualifies";
  EXPECT_TRUE(details.Find(1)->IsIPTCBlock(false));
  EXPECT_FALSE(tag->IsExifBlock());

  EXPECT_EQ(details.Index(), 0x8769);
  EXPECT_EQ(owner.Section(esInterop).Index(), 0xA005);
  EXPECT_EQ(owner.Section(esThumbnail).Index(), 1);
  EXPECT_EQ(owner.Section(esMakerNote).Index(), -1);
  EXPECT_EQ(details.Parent().get(), static_cast<ITiffDirectory*>(&owner.Section(esGeneral)));
  EXPECT_EQ(owner.Section(esInterop).Parent().get(), static_cast<ITiffDirectory*>(&details));
  EXPECT_EQ(owner.Section(esGeneral).Parent(), nullptr);

  std::shared_ptr<ITiffTag> found;
  ASSERT_TRUE(details.FindTag(ttIPTC, found));
  EXPECT_EQ(found->ElementCount(), 5);
  EXPECT_EQ(found->Parent().get(), static_cast<ITiffDirectory*>(&details));
  EXPECT_EQ(found->Data().Size(), 5);
  EXPECT_THROW(found->Data().Write("x", 1), Platform::EStreamError) << "the data stream is read-only to others";
  EXPECT_FALSE(details.FindTag(0x9999, found));
  EXPECT_EQ(found, nullptr);
}
