// The IPTC dataset model and the IIM byte stream.

#include "Tessel/Exif/IPTC.h"

#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/StringList.h"
#include "platform/Strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Dataset(std::uint8_t record, std::uint8_t id, std::string_view data) {
  Bytes result{0x1C, record, id, static_cast<std::uint8_t>(data.size() >> 8), static_cast<std::uint8_t>(data.size())};
  result.insert(result.end(), data.begin(), data.end());
  return result;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes result;
  for (const auto& part : parts)
    result.insert(result.end(), part.begin(), part.end());
  return result;
}

Bytes Save(TIPTCData& data) {
  Platform::TMemoryStream stream;
  data.SaveToStream(stream);
  const auto bytes = stream.Bytes();
  return {bytes.begin(), bytes.end()};
}

void Load(TIPTCData& data, const Bytes& bytes) {
  Platform::TMemoryStream stream;
  stream.WriteBuffer(bytes);
  stream.SetPosition(0);
  data.LoadFromStream(stream);
}

std::vector<int> IDs(const TIPTCSection& section) {
  std::vector<int> result;
  for (const auto* tag : section)
    result.push_back(tag->ID());
  return result;
}

std::string Text(const TIPTCTag* tag) { return std::string(tag->Bytes().begin(), tag->Bytes().end()); }

const Bytes UTF8Marker = Dataset(1, 90, "\x1B%G");

} // namespace

TEST(IPTCStream, ReadsDatasetsInStreamOrderAndStopsAtTheFirstBadHeader) {
  TIPTCData data;
  Load(data, Concat({Dataset(2, 25, "hello"), Dataset(2, 25, "abc")}));
  EXPECT_EQ(data.Keywords(), (TStringDynArray{"hello", "abc"}));
  EXPECT_FALSE(data.Modified()) << "loading leaves the data unmodified";

  for (const Bytes& bad : {Bytes{0x1B, 0x02, 0x05, 0x00, 0x01, 'x'}, Bytes{0x1C, 0x0A, 0x05, 0x00, 0x01, 'x'},
                           Bytes{0x1C, 0x02, 0x05, 0x80, 0x04, 0, 0, 0, 1}}) {
    const auto bytes = Concat({Dataset(2, 5, "title"), bad, Dataset(2, 25, "after")});
    Platform::TMemoryStream stream;
    stream.WriteBuffer(bytes);
    stream.SetPosition(0);
    data.LoadFromStream(stream);
    EXPECT_EQ(data.ObjectName(), "title");
    EXPECT_TRUE(data.Keywords().empty()) << "nothing after a bad header is read";
    EXPECT_EQ(stream.Position(), 10) << "the stream stays where the bad header starts";
  }
}

TEST(IPTCStream, LongDatasetsUseTheFourByteLengthBothWays) {
  TIPTCData data;
  data.SetUTF8Encoded(false);
  const std::string caption(40000, 'c');
  data.SetCaptionOrAbstract(caption);
  data.SetHeadline(std::string(32767, 'h'));
  const auto bytes = Save(data);
  // Headline (2:105) comes first: the largest size that still fits the short form.
  ASSERT_GE(bytes.size(), 5U + 32767 + 9);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 5), (Bytes{0x1C, 2, 105, 0x7F, 0xFF}));
  const auto second = bytes.begin() + 5 + 32767;
  EXPECT_EQ(Bytes(second, second + 9), (Bytes{0x1C, 2, 120, 0xFF, 0xFC, 0x00, 0x00, 0x9C, 0x40}));

  TIPTCData reread;
  Load(reread, bytes);
  EXPECT_EQ(reread.CaptionOrAbstract(), caption);
  EXPECT_EQ(reread.Headline().size(), 32767U);
  EXPECT_EQ(Save(reread), bytes) << "an unchanged object saves the same bytes";
}

TEST(IPTCStream, DamagedLengthsNeverReadOrAllocatePastTheEnd) {
  TIPTCData data;
  // Declares 1000 bytes but carries 3: the dataset keeps the 3.
  Load(data, Concat({Dataset(2, 5, "title"), Bytes{0x1C, 2, 120, 0x03, 0xE8, 'a', 'b', 'c'}}));
  EXPECT_EQ(data.ObjectName(), "title");
  ASSERT_EQ(data.ApplicationSection()->Count(), 2);
  EXPECT_EQ(data.ApplicationSection()->Tags(1)->DataSize(), 3);

  // A 4-byte length of almost 2 GiB over a few bytes: nothing that large is allocated.
  Load(data, Bytes{0x1C, 2, 120, 0xFF, 0xFC, 0x7F, 0xFF, 0xFF, 0xFF, 'x', 'y'});
  ASSERT_EQ(data.ApplicationSection()->Count(), 1);
  EXPECT_EQ(data.CaptionOrAbstract(), "xy");

  // A 4-byte length with the top bit set is no length: reading stops in front of it.
  Load(data, Concat({Dataset(2, 5, "t"), Bytes{0x1C, 2, 120, 0xFF, 0xFC, 0x80, 0, 0, 0, 'x'}}));
  EXPECT_EQ(IDs(*data.ApplicationSection()), (std::vector<int>{5}));

  // The one- and two-byte extended forms.
  Load(data, Bytes{0x1C, 2, 5, 0xFF, 0xFF, 0x02, 'a', 'b', 0x1C, 2, 7, 0xFF, 0xFE, 0x00, 0x01, 'z'});
  EXPECT_EQ(data.ObjectName(), "ab");
  EXPECT_EQ(data.EditStatus(), "z");
}

TEST(IPTCStream, AddFromStreamKeepsWhatIsThere) {
  TIPTCData data;
  Load(data, Dataset(2, 25, "one"));
  Platform::TMemoryStream more;
  more.WriteBuffer(Dataset(2, 25, "two"));
  more.SetPosition(0);
  data.AddFromStream(more);
  EXPECT_EQ(data.Keywords(), (TStringDynArray{"one", "two"}));
  EXPECT_TRUE(data.Modified()) << "added datasets count as a change";
}

TEST(IPTCSection, SortedFlagFollowsTheOrderOfTheDatasets) {
  TIPTCData data;
  Load(data, Concat({Dataset(2, 25, "k"), Dataset(2, 5, "name")}));
  auto& section = *data.ApplicationSection();
  EXPECT_FALSE(section.DefinitelySorted());
  EXPECT_NE(section.Find(5), nullptr) << "an unsorted load must not stop the search early";

  auto* zero = section.Add(0);
  EXPECT_EQ(zero->Index(), 0) << "Add places a dataset after the last smaller one, here in front";
  EXPECT_EQ(section.Find(0), zero);

  Load(data, Concat({Dataset(2, 5, "a"), Dataset(2, 25, "b")}));
  EXPECT_TRUE(data.ApplicationSection()->DefinitelySorted());
  auto* appended = data.ApplicationSection()->Append(2);
  EXPECT_EQ(data.ApplicationSection()->Find(2), appended) << "a small number appended to a sorted list is found";
  EXPECT_FALSE(data.ApplicationSection()->DefinitelySorted());

  Load(data, Concat({Dataset(2, 5, "a"), Dataset(2, 25, "b")}));
  data.ApplicationSection()->Tags(0)->SetID(30);
  EXPECT_FALSE(data.ApplicationSection()->DefinitelySorted()) << "a changed number ends the certainty";
  EXPECT_EQ(data.ApplicationSection()->Find(30)->Index(), 0);
  data.ApplicationSection()->Delete(0);
  EXPECT_TRUE(data.ApplicationSection()->DefinitelySorted()) << "one dataset is always in order";
}

TEST(IPTCSection, SortMoveAndAddPlacement) {
  TIPTCData data;
  Load(data, Concat({Dataset(2, 80, "A"), Dataset(2, 85, "a"), Dataset(2, 80, "B"), Dataset(2, 85, "b")}));
  auto& section = *data.ApplicationSection();
  section.Sort();
  EXPECT_EQ(IDs(section), (std::vector<int>{80, 80, 85, 85}));
  EXPECT_TRUE(section.Modified());
  EXPECT_TRUE(section.DefinitelySorted());

  // Add goes in front of datasets of its own number.
  auto* added = section.Add(80);
  EXPECT_EQ(added->Index(), 0);
  auto* between = section.Add(82);
  EXPECT_EQ(between->Index(), 3);

  section.Move(0, 4);
  EXPECT_EQ(IDs(section), (std::vector<int>{80, 80, 82, 85, 80, 85}));
  EXPECT_FALSE(section.DefinitelySorted());
  added->SetIndex(0);
  EXPECT_EQ(added->Index(), 0);

  EXPECT_EQ(section.Remove(TIPTCTagIDs{80, 82}), 0);
  EXPECT_EQ(IDs(section), (std::vector<int>{85, 85}));
  EXPECT_EQ(section.Remove(99), -1);
  section.Tags(0)->Delete();
  EXPECT_EQ(section.Count(), 1);

  EXPECT_THROW((void)section.Tags(5), Platform::EListError);
  EXPECT_THROW(section.Insert(3, 1), Platform::EListError);
  EXPECT_THROW((void)data.Sections(10), Platform::ERangeError);
}

TEST(IPTCSection, RepeatableValuesReplaceInPlace) {
  TIPTCData data;
  data.SetObjectName("name");
  data.SetCity("city");
  data.SetKeywords(std::vector<std::string>{"a", "b"});
  EXPECT_EQ(IDs(*data.ApplicationSection()), (std::vector<int>{5, 25, 25, 90}))
      << "new repeatable datasets go to their sorted place";

  // Move the keywords behind the city; replacing them keeps that place.
  data.ApplicationSection()->Move(1, 3);
  data.ApplicationSection()->Move(1, 3);
  data.SetKeywords(std::vector<std::string>{"x", "", "z"});
  EXPECT_EQ(IDs(*data.ApplicationSection()), (std::vector<int>{5, 90, 25, 25, 25}));
  EXPECT_EQ(data.Keywords(), (TStringDynArray{"x", "", "z"})) << "empty values give empty datasets";

  Platform::TStringList list;
  list.Add("old");
  data.GetKeywords(list);
  EXPECT_EQ(list.Count(), 3) << "the list is cleared first";
  list.Clear();
  list.Add("p");
  data.SetKeywords(list);
  EXPECT_EQ(data.Keywords(), (TStringDynArray{"p"}));
  data.SetKeywords(std::vector<std::string>{});
  EXPECT_EQ(data.ApplicationSection()->Find(25), nullptr);
}

TEST(IPTCSection, PairsAlternateAndSkipEmptyParts) {
  TIPTCData data;
  Platform::TStringList pairs;
  pairs.Add("Ann=Editor");
  pairs.Add("Bob=");
  pairs.Add("Carl");
  data.SetBylineValues(pairs);
  auto& section = *data.ApplicationSection();
  ASSERT_EQ(section.Count(), 4);
  EXPECT_EQ(IDs(section), (std::vector<int>{80, 85, 80, 80}));
  EXPECT_EQ(Text(section[0]), "Ann");
  EXPECT_EQ(Text(section[1]), "Editor");
  EXPECT_EQ(Text(section[2]), "Bob");
  EXPECT_EQ(Text(section[3]), "Carl") << "a line without a separator is a key";

  Platform::TStringList read;
  data.GetPSCreatorValues(read);
  ASSERT_EQ(read.Count(), 3) << "the shorter list is padded";
  EXPECT_EQ(read[0], "Ann=Editor");
  EXPECT_EQ(read[1], "Bob=");
  EXPECT_EQ(read[2], "Carl=");

  Platform::TStringList locations;
  locations.SetNameValueSeparator(':');
  locations.Add("DEU:Germany");
  data.SetContentLocationValues(locations);
  Platform::TStringList back;
  back.SetNameValueSeparator(':');
  data.GetContentLocationValues(back);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back[0], "DEU:Germany");
  EXPECT_EQ(IDs(section), (std::vector<int>{26, 27, 80, 85, 80, 80}));
}

TEST(IPTCEncoding, SwitchingRewritesEveryTextDataset) {
  TIPTCData data;
  data.SetCity("Müller");
  data.SetRecordVersion(4);
  ASSERT_TRUE(data.UTF8Encoded());
  EXPECT_EQ(Text(data.ApplicationSection()->Find(90)), "M\xC3\xBCller");

  data.SetUTF8Encoded(false);
  EXPECT_EQ(Text(data.ApplicationSection()->Find(90)), "M\xFCller") << "Windows-1252 form";
  EXPECT_EQ(data.City(), "Müller");
  EXPECT_EQ(data.RecordVersion().Value(), 4) << "integer datasets are left alone";
  auto bytes = Save(data);
  EXPECT_EQ(data.EnvelopeSection()->Find(90), nullptr) << "no UTF-8 marker for code-page text";

  TIPTCData reread;
  Load(reread, bytes);
  EXPECT_FALSE(reread.UTF8Encoded());
  EXPECT_EQ(reread.City(), "Müller");

  reread.SetUTF8Encoded(true);
  bytes = Save(reread);
  const auto marker = Concat({UTF8Marker});
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end()), bytes.end())
      << "UTF-8 text is saved with the 1:90 marker";
  TIPTCData utf8;
  Load(utf8, bytes);
  EXPECT_TRUE(utf8.UTF8Encoded());
  EXPECT_EQ(utf8.City(), "Müller");

  // A marker with other content is left alone when saving as code page.
  TIPTCData other;
  Load(other, Concat({Dataset(1, 90, "\x1B%@")}));
  other.SetUTF8Encoded(false);
  Save(other);
  EXPECT_NE(other.EnvelopeSection()->Find(90), nullptr);

  // Without a marker, text that is no UTF-8 counts as code page, unless told otherwise.
  TIPTCData assume;
  Load(assume, Dataset(2, 90, "M\xFCller"));
  EXPECT_EQ(assume.City(), "Müller");
  EXPECT_FALSE(assume.TextIsUTF8());
  assume.SetAlwaysAssumeUTF8Encoding(true);
  Load(assume, Dataset(2, 90, "M\xC3\xBCller"));
  EXPECT_EQ(assume.City(), "Müller");
  EXPECT_TRUE(assume.UTF8Encoded());
  EXPECT_FALSE(assume.UTF8Detected());
}

TEST(IPTCEncoding, UnmarkedTextIsUTF8WhenAllOfItIs) {
  // Common writers store UTF-8 without saying so; read as the code page it would show
  // as two characters per sign.
  const auto unmarked = Concat({Dataset(2, 0, std::string_view("\x00\x04", 2)), Dataset(2, 80, "Corbis"),
                                Dataset(2, 116, "\xC2\xA9 Corbis.  All Rights Reserved.")});
  TIPTCData data;
  Load(data, unmarked);
  EXPECT_EQ(data.CopyrightNotice(), "© Corbis.  All Rights Reserved.");
  EXPECT_EQ(data.Bylines(), (TStringDynArray{"Corbis"}));
  EXPECT_FALSE(data.UTF8Encoded()) << "the data does not say so";
  EXPECT_TRUE(data.UTF8Detected());
  EXPECT_TRUE(data.TextIsUTF8());
  EXPECT_EQ(data.RecordVersion(), TWordTagValue(4));
  EXPECT_EQ(Save(data), unmarked) << "saved as stored: no marker is added";
  EXPECT_FALSE(data.Modified());

  // Edits are written in the same encoding, still without a marker.
  data.SetCity("Zürich");
  EXPECT_EQ(Text(data.ApplicationSection()->Find(90)), "Z\xC3\xBCrich");
  auto bytes = Save(data);
  EXPECT_EQ(std::search(bytes.begin(), bytes.end(), UTF8Marker.begin(), UTF8Marker.end()), bytes.end());

  // Declaring it adds the marker and leaves the texts' bytes; asking for the code page converts.
  TIPTCData declared;
  Load(declared, unmarked);
  declared.SetUTF8Encoded(true);
  EXPECT_TRUE(declared.UTF8Encoded());
  EXPECT_EQ(Text(declared.ApplicationSection()->Find(116)), "\xC2\xA9 Corbis.  All Rights Reserved.");
  bytes = Save(declared);
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), UTF8Marker.begin(), UTF8Marker.end()), bytes.end());
  TIPTCData codePage;
  Load(codePage, unmarked);
  codePage.SetUTF8Encoded(false);
  EXPECT_FALSE(codePage.UTF8Detected());
  EXPECT_EQ(Text(codePage.ApplicationSection()->Find(116)), "\xA9 Corbis.  All Rights Reserved.");
  EXPECT_EQ(codePage.CopyrightNotice(), "© Corbis.  All Rights Reserved.");

  // One text that is no UTF-8 (the other still reads as UTF-8, see below), plain ASCII,
  // or a character set named otherwise: the block is not detected as UTF-8.
  const struct {
    Bytes Stream;
    std::string Copyright;
  } codePageCases[] = {
      {Concat({Dataset(2, 116, "\xC2\xA9"), Dataset(2, 80,
                                                    "Tr\xFC"
                                                    "biger")}),
       "©"},
      {Concat({Dataset(2, 116, "(c) Corbis")}), "(c) Corbis"},
      {Concat({Dataset(1, 90, "\x1B-A"), Dataset(2, 116, "\xC2\xA9")}), "Â©"},
  };
  for (const auto& c : codePageCases) {
    TIPTCData other;
    Load(other, c.Stream);
    EXPECT_FALSE(other.UTF8Detected()) << c.Copyright;
    EXPECT_EQ(other.CopyrightNotice(), c.Copyright);
    EXPECT_EQ(Save(other), c.Stream);
  }

  // Clearing forgets the detection; a copy keeps it.
  TIPTCData copy;
  copy.Assign(&data);
  EXPECT_TRUE(copy.UTF8Detected());
  EXPECT_EQ(copy.City(), "Zürich");
  data.Clear();
  EXPECT_FALSE(data.UTF8Detected());
}

// Unmarked blocks mix encodings (a city in the code page beside a sublocation in UTF-8):
// each text is read on its own, UTF-8 when it is valid UTF-8, the code page otherwise. A
// character-set dataset decides for all texts, whatever they look like.
TEST(IPTCEncoding, UnmarkedMixedTextIsReadPerDataset) {
  const auto mixed = Concat({Dataset(2, 90, "G\xF6teborg"), Dataset(2, 92, "K\xC3\xA5lltorp"),
                             Dataset(2, 101, "Sverige"), Dataset(2, 120, "\x80 5, caf\xE9")});
  TIPTCData data;
  Load(data, mixed);
  EXPECT_FALSE(data.UTF8Detected());
  EXPECT_EQ(data.City(), "Göteborg");
  EXPECT_EQ(data.SubLocation(), "Kålltorp");
  EXPECT_EQ(data.CountryName(), "Sverige");
  EXPECT_EQ(data.CaptionOrAbstract(), "€ 5, café") << "Windows-1252, not Latin-1";
  EXPECT_EQ(Save(data), mixed) << "reading changes no bytes";

  // An edit is written in the code page and reads back as written; declaring UTF-8
  // converts every text from what it was read as.
  data.SetCity("Malmö");
  EXPECT_EQ(Text(data.ApplicationSection()->Find(90)), "Malm\xF6");
  EXPECT_EQ(data.City(), "Malmö");
  data.SetUTF8Encoded(true);
  EXPECT_EQ(Text(data.ApplicationSection()->Find(90)), "Malm\xC3\xB6");
  EXPECT_EQ(Text(data.ApplicationSection()->Find(92)), "K\xC3\xA5lltorp");
  EXPECT_EQ(Text(data.ApplicationSection()->Find(120)), "\xE2\x82\xAC 5, caf\xC3\xA9");

  const struct {
    const char* Marker;
    std::string SubLocation;
  } marked[] = {{"\x1B%G", "Kålltorp"}, {"\x1B-A", "KÃ¥lltorp"}};
  for (const auto& c : marked) {
    TIPTCData other;
    Load(other, Concat({Dataset(1, 90, c.Marker), mixed}));
    EXPECT_EQ(other.SubLocation(), c.SubLocation) << c.SubLocation;
  }
}

TEST(IPTCValues, IntegerDatasetsAndWords) {
  TIPTCData data;
  Load(data, Concat({Bytes{0x1C, 1, 0, 0, 1, 7}, Bytes{0x1C, 1, 20, 0, 4, 0, 1, 0, 2}, Bytes{0x1C, 2, 0, 0, 2, 0, 4},
                     Dataset(2, 5, "42")}));
  auto& envelope = *data.EnvelopeSection();
  EXPECT_EQ(envelope.Find(0)->AsString(), "7");
  EXPECT_EQ(envelope.Find(20)->AsString(), "65538");
  EXPECT_TRUE(data.ModelVersion().MissingOrInvalid()) << "a word needs exactly 2 bytes";
  EXPECT_EQ(data.RecordVersion(), TWordTagValue(4));
  EXPECT_EQ(data.ApplicationSection()->Find(5)->AsString(), "42") << "a text dataset stays text";

  auto* version = envelope.Find(20);
  version->SetAsString("300");
  EXPECT_EQ(version->Bytes().size(), 2U);
  EXPECT_EQ(data.FileFormat(), TWordTagValue(300));
  EXPECT_THROW(version->SetAsString("abc"), Platform::EConvertError);
  EXPECT_THROW(version->SetAsString("70000"), Platform::EConvertError);
  EXPECT_EQ(data.FileFormat(), TWordTagValue(300)) << "a refused value leaves the data unchanged";

  data.SetARMVersion(0x1234);
  EXPECT_EQ(Text(envelope.Find(122)), "\x12\x34");
  data.SetARMVersion(TWordTagValue::CreateMissingOrInvalid());
  EXPECT_EQ(envelope.Find(122), nullptr);
}

TEST(IPTCValues, PrioritiesAndActionAdvised) {
  TIPTCData data;
  Load(data, Concat({Dataset(2, 10, "5"), Dataset(1, 60, "55"), Dataset(2, 42, "07")}));
  EXPECT_EQ(data.Urgency(), TIPTCPriority::ipNormal);
  EXPECT_EQ(data.EnvelopePriority(), TIPTCPriority::ipTagMissing) << "two bytes are no priority";
  EXPECT_EQ(static_cast<int>(data.ActionAdvised()), 7) << "numbers beyond the named values are answered too";

  data.SetUrgency(TIPTCPriority::ipHighest);
  EXPECT_EQ(data.ApplicationSection()->GetStringValue(10), "1");
  data.SetEnvelopePriority(TIPTCPriority::ipUserDefined);
  EXPECT_EQ(data.EnvelopeSection()->GetStringValue(60), "9");
  data.SetUrgency(TIPTCPriority::ipTagMissing);
  EXPECT_EQ(data.ApplicationSection()->Find(10), nullptr);

  data.SetActionAdvised(TIPTCActionAdvised::iaObjectAppend);
  EXPECT_EQ(data.ApplicationSection()->GetStringValue(42), "03");
  EXPECT_EQ(data.ActionAdvised(), TIPTCActionAdvised::iaObjectAppend);
  data.ApplicationSection()->SetStringValue(42, "100");
  EXPECT_EQ(data.ActionAdvised(), TIPTCActionAdvised::iaTagMissing);
  data.SetActionAdvised(TIPTCActionAdvised::iaTagMissing);
  EXPECT_EQ(data.ApplicationSection()->Find(42), nullptr);
}

TEST(IPTCValues, Dates) {
  TIPTCData data;
  data.SetDateCreated(Platform::EncodeDate(2021, 3, 9));
  EXPECT_EQ(data.ApplicationSection()->GetStringValue(55), "20210309");
  EXPECT_EQ(data.DateCreated(), TDateTimeTagValue(Platform::EncodeDate(2021, 3, 9)));

  data.ApplicationSection()->SetStringValue(55, "20211309");
  EXPECT_TRUE(data.DateCreated().MissingOrInvalid()) << "month 13";
  data.ApplicationSection()->SetStringValue(55, "2021034");
  EXPECT_EQ(data.DateCreated(), TDateTimeTagValue(Platform::EncodeDate(2021, 3, 4))) << "a single day digit";
  data.ApplicationSection()->SetStringValue(55, "20210229");
  EXPECT_TRUE(data.DateCreated().MissingOrInvalid()) << "no 29 February in 2021";
  data.ApplicationSection()->SetStringValue(55, "20200229xyz");
  EXPECT_EQ(data.DateCreated(), TDateTimeTagValue(Platform::EncodeDate(2020, 2, 29))) << "text after 8 characters";

  data.SetDateCreated(TDateTimeTagValue::CreateMissingOrInvalid());
  EXPECT_EQ(data.ApplicationSection()->Find(55), nullptr);
  EXPECT_TRUE(data.ReleaseDate().MissingOrInvalid());
  data.SetExpirationDate(Platform::EncodeDate(999, 12, 31));
  EXPECT_EQ(data.ApplicationSection()->GetStringValue(37), "09991231");
}

TEST(IPTCValues, DateTimesWithUtcOffsets) {
  TIPTCData data;
  const auto value = Platform::EncodeDateTime(2020, 5, 17, 23, 59, 0, 900);
  data.SetDateTimeCreated(value, true, 1, 0);
  auto& section = *data.ApplicationSection();
  EXPECT_EQ(section.GetStringValue(55), "20200517");
  EXPECT_EQ(section.GetStringValue(60), "235900+0100") << "seconds truncated, offset ahead of UTC";
  EXPECT_EQ(data.DateTimeCreated(), TDateTimeTagValue(Platform::EncodeDateTime(2020, 5, 17, 23, 59, 0, 0)));
  EXPECT_EQ(section.GetDateTimeValue(55, 60, true),
            TDateTimeTagValue(Platform::EncodeDateTime(2020, 5, 17, 22, 59, 0, 0)))
      << "as UTC the offset ahead is subtracted";

  data.SetDateTimeCreated(value, false, 2, 0);
  EXPECT_EQ(section.GetStringValue(60), "235900-0200");
  EXPECT_EQ(section.GetDateTimeValue(55, 60, true), TDateTimeTagValue(Platform::EncodeDate(2020, 5, 17)))
      << "25:59 is no time: the date alone, no carry";
  EXPECT_EQ(section.GetDateTimeValue(55, 60, false),
            TDateTimeTagValue(Platform::EncodeDateTime(2020, 5, 17, 23, 59, 0, 0)));

  data.SetDateTimeSent(Platform::EncodeDateTime(2001, 2, 3, 12, 40, 6, 0), true, 5, 30);
  EXPECT_EQ(data.EnvelopeSection()->GetStringValue(80), "124006+0530");
  EXPECT_EQ(data.EnvelopeSection()->GetDateTimeValue(70, 80, true),
            TDateTimeTagValue(Platform::EncodeDateTime(2001, 2, 3, 7, 10, 6, 0)));
  data.EnvelopeSection()->SetStringValue(80, "040506+0530");
  EXPECT_EQ(data.EnvelopeSection()->GetDateTimeValue(70, 80, true), TDateTimeTagValue(Platform::EncodeDate(2001, 2, 3)))
      << "an hour before midnight UTC is not carried into the previous day";

  // Unusable time texts fall back to the date; a missing date leaves the time alone.
  for (const char* bad : {"235900+010", "2359000+0100", "23590a+0100", "235900*0100", "2359 0+0100", "235900+0x10"}) {
    section.SetStringValue(60, bad);
    EXPECT_EQ(data.DateTimeCreated(), TDateTimeTagValue(Platform::EncodeDate(2020, 5, 17))) << bad;
  }
  section.SetStringValue(60, "120000+0000");
  section.Remove(55);
  EXPECT_EQ(data.DateTimeCreated(), TDateTimeTagValue(0.5));
  section.Remove(60);
  EXPECT_TRUE(data.DateTimeCreated().MissingOrInvalid());

  // Without an offset the local zone's is written; zones pinned by POSIX rules (no DST,
  // no zone files needed), the caller's TZ put back afterwards.
  const char* oldTZ = std::getenv("TZ");
  const std::string savedTZ = oldTZ ? oldTZ : "";
  for (const auto& [zone, text] : {std::pair{"XST-05:30", "235900+0530"}, std::pair{"YST+03:30", "235900-0330"},
                                   std::pair{"UTC0", "235900+0000"}}) {
    ::setenv("TZ", zone, 1);
    ::tzset();
    data.SetDateTimeCreated(value);
    EXPECT_EQ(section.GetStringValue(60), text) << zone;
  }
  if (oldTZ)
    ::setenv("TZ", savedTZ.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();

  data.SetDateTimeCreated(TDateTimeTagValue::CreateMissingOrInvalid());
  EXPECT_EQ(section.Count(), 0) << "a missing value removes both datasets";
}

TEST(IPTCData, LazyDataIsParsedOnFirstUseAndSavedUnchanged) {
  // Odd but valid bytes: an unsorted record that a re-save would not reproduce byte for byte.
  const auto bytes = Concat({Dataset(2, 25, "k"), Dataset(2, 5, "n"), Dataset(1, 90, "\x1B%G")});
  Platform::TMemoryStream source;
  source.WriteBuffer(bytes);
  source.SetPosition(0);
  auto block = std::make_shared<TMetadataBlock>(source, static_cast<std::int64_t>(bytes.size()));

  TIPTCData data;
  data.SetCity("gone");
  data.SetDataToLazyLoad(block);
  EXPECT_FALSE(data.Empty());
  EXPECT_FALSE(data.Modified());
  EXPECT_EQ(Save(data), bytes) << "a pending block is copied as it is";

  TIPTCData copy;
  copy.Assign(&data);
  EXPECT_EQ(copy.DataToLazyLoad(), block) << "Assign shares the pending block";

  EXPECT_EQ(data.Keywords(), (TStringDynArray{"k"}));
  EXPECT_EQ(data.DataToLazyLoad(), nullptr);
  EXPECT_EQ(data.City(), "") << "setting the block cleared the old content";
  EXPECT_FALSE(data.Modified());
  EXPECT_TRUE(data.UTF8Encoded());

  data.SetModified(true);
  EXPECT_TRUE(data.ApplicationSection()->Modified());
  data.Clear();
  EXPECT_TRUE(data.Empty());
}

TEST(IPTCData, AssignCopiesDatasetsWithTheirEncoding) {
  TIPTCData source;
  source.SetUTF8Encoded(false);
  source.SetCity("Zürich");
  source.SetKeywords(std::vector<std::string>{"a", "b"});
  Load(source, Save(source));
  ASSERT_FALSE(source.UTF8Encoded());

  TIPTCData target;
  target.SetHeadline("old");
  target.Assign(&source);
  EXPECT_EQ(target.Headline(), "");
  EXPECT_EQ(target.City(), "Zürich") << "the code-page bytes keep their meaning";
  EXPECT_EQ(target.Keywords(), (TStringDynArray{"a", "b"})) << "repeated datasets keep their order";

  Platform::TStringList pairs;
  pairs.Add("Ann=Editor");
  pairs.Add("Bob=");
  source.SetBylineValues(pairs);
  target.Assign(&source);
  Platform::TStringList copied;
  target.GetBylineValues(copied);
  EXPECT_EQ(copied.Text(), "Ann=Editor\nBob=\n") << "bylines stay with their titles";
  target.Assign(nullptr);
  EXPECT_TRUE(target.Empty());
}

TEST(IPTCData, EveryNamedPropertyReachesItsDataset) {
  TIPTCData data;
  data.SetDestination("d");
  data.SetServiceIdentifier("s");
  data.SetEnvelopeNumberString("e");
  data.SetProductID("p");
  data.SetTimeSent("t");
  data.SetUNOCode("u");
  data.SetObjectTypeRef("1");
  data.SetObjectAttributeRef("2");
  data.SetPSDocumentTitle("3");
  data.SetEditStatus("4");
  data.SetCategoryCode("5");
  data.SetFixtureIdentifier("6");
  data.SetSpecialInstructions("7");
  data.SetOriginatingProgram("8");
  data.SetProgramVersion("9");
  data.SetObjectCycleCode("10");
  data.SetPSCreator("11");
  data.SetPSCreatorJobTitle("12");
  data.SetSubLocation("13");
  data.SetProvinceOrState("14");
  data.SetCountryCode("15");
  data.SetCountryName("16");
  data.SetOriginalTransmissionRef("17");
  data.SetCredit("18");
  data.SetSource("19");
  data.SetPSCopyrightNotice("20");
  data.SetPSDescription("21");
  data.SetImageTypeCode("22");
  data.SetLanguageIdentifier("23");
  data.SetAudioTypeCode("24");
  data.SetSubjectRefs(std::vector<std::string>{"25"});
  data.SetSupplementaryCategories(std::vector<std::string>{"26"});
  data.SetContentLocationCodes(std::vector<std::string>{"27"});
  data.SetContentLocationNames(std::vector<std::string>{"28"});
  data.SetContacts(std::vector<std::string>{"29"});
  data.SetWritersOrEditors(std::vector<std::string>{"30"});
  data.SetDigitalCreationDate(Platform::EncodeDate(2000, 1, 2));
  data.SetFileFormatVersion(3);
  data.SetARMIdentifier(5);

  std::vector<std::string> named;
  for (const auto* section : data)
    for (const auto* tag : *section)
      if (!(section->ID() == 1 && tag->ID() == 90))
        named.push_back(std::string(IPTCPropertyName(section->ID(), tag->ID())));
  const std::vector<std::string> expected{"Destination",
                                          "FileFormatVersion",
                                          "ServiceIdentifier",
                                          "EnvelopeNumberString",
                                          "ProductID",
                                          "TimeSent",
                                          "UNOCode",
                                          "ARMIdentifier",
                                          "ObjectTypeRef",
                                          "ObjectAttributeRef",
                                          "ObjectName",
                                          "EditStatus",
                                          "SubjectRefs",
                                          "CategoryCode",
                                          "SupplementaryCategories",
                                          "FixtureIdentifier",
                                          "ContentLocationCodes",
                                          "ContentLocationNames",
                                          "SpecialInstructions",
                                          "DigitalCreationDate",
                                          "OriginatingProgram",
                                          "ProgramVersion",
                                          "ObjectCycleCode",
                                          "Bylines",
                                          "BylineTitles",
                                          "SubLocation",
                                          "ProvinceOrState",
                                          "CountryCode",
                                          "CountryName",
                                          "OriginalTransmissionRef",
                                          "Credit",
                                          "Source",
                                          "CopyrightNotice",
                                          "Contacts",
                                          "CaptionOrAbstract",
                                          "WritersOrEditors",
                                          "ImageTypeCode",
                                          "LanguageIdentifier",
                                          "AudioTypeCode"};
  EXPECT_EQ(named, expected);
  EXPECT_EQ(data.ObjectName(), "3");
  EXPECT_EQ(data.Bylines(), (TStringDynArray{"11"}));
  EXPECT_EQ(data.CopyrightNotice(), "20");
  EXPECT_EQ(data.CaptionOrAbstract(), "21");
  EXPECT_EQ(IPTCPropertyName(2, 60), "");
  EXPECT_TRUE(IsIPTCIntegerDataset(1, 122));
  EXPECT_FALSE(IsIPTCIntegerDataset(2, 5));

  data.SetCity("x");
  data.SetCity("");
  EXPECT_EQ(data.ApplicationSection()->Find(90), nullptr) << "an empty text removes the dataset";
}
