// Sample pictures whose directories hold damaged entries or tags of types this library
// does not know: what loads, and that an orientation edit keeps every other tag with its
// ID, type code, count and bytes.

#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

using namespace Tessel::Exif;
using enum TExifSectionKind;
using enum TTiffDataType;

namespace {

std::string Sample(const char* name) {
  const auto dir = CorpusDir();
  if (dir.empty())
    return {};
  const auto path = dir + "/exiv2-testdata/" + name;
  return std::filesystem::exists(path) ? path : std::string();
}

using TEntry = std::tuple<TTiffTagID, int, std::int32_t, std::vector<std::uint8_t>>;

// The tags of a section as a save must keep them; pointers, the edited orientation and
// the frame size the JPEG saver writes on purpose are left out.
std::vector<TEntry> Entries(TExifData& data, TExifSectionKind kind) {
  static constexpr TTiffTagID moving[] = {0x0112, 0x8769, 0x8825, 0xA005, 0x0201, 0x0202, 0xA002, 0xA003};
  std::vector<TEntry> result;
  for (const auto* tag : *data.GetSection(kind)) {
    if (std::find(std::begin(moving), std::end(moving), tag->ID()) != std::end(moving))
      continue;
    result.emplace_back(tag->ID(), static_cast<int>(tag->DataType()), tag->ElementCount(),
                        std::vector<std::uint8_t>(tag->Bytes().begin(), tag->Bytes().end()));
  }
  return result;
}

struct TEdited {
  TExifData Before;
  TExifData After;
};

// Loads the sample, saves it in memory with a new orientation (through the verified
// save) and loads the result.
void EditOrientation(const std::string& fileName, TEdited& edited) {
  Platform::TMemoryStream source;
  source.LoadFromFile(fileName);
  ASSERT_TRUE(edited.Before.LoadFromGraphic(source));
  Platform::TMemoryStream saved;
  saved.LoadFromFile(fileName);
  TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(saved));
  data.SetOrientation(TTiffOrientation::toRightTop);
  ASSERT_NO_THROW(data.SaveToGraphic(saved));
  saved.SetPosition(0);
  ASSERT_TRUE(edited.After.LoadFromGraphic(saved));
  EXPECT_EQ(edited.After.Orientation(), TTiffOrientation::toRightTop);
  for (const auto kind : {esGeneral, esDetails, esInterop, esGPS, esThumbnail})
    EXPECT_EQ(Entries(edited.After, kind), Entries(edited.Before, kind)) << "section " << static_cast<int>(kind);
}

const TExifTag* Find(TExifData& data, TExifSectionKind kind, TTiffTagID id) { return data.GetSection(kind)->Find(id); }

} // namespace

TEST(ExifDamagedEntriesCorpus, ExifDirectoryWithGarbageEntriesInFrontKeepsItsSoundOnes) {
  // Six entries of a firmware's damaged Exif directory claim gigabytes far outside the
  // block; the twenty behind them, the Sigma maker note among them, are sound.
  for (const char* name : {"issue_3455_sigma_print0x0008_empty.jpg", "issue_3455_sigma_print0x0009_empty.jpg"}) {
    SCOPED_TRACE(name);
    const auto file = Sample(name);
    if (CorpusDir().empty())
      GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
    if (file.empty()) {
      ADD_FAILURE() << name << " is missing from " << CorpusDir();
      continue;
    }
    TEdited edited;
    EditOrientation(file, edited);
    auto& details = *edited.Before.GetSection(esDetails);
    EXPECT_EQ(details.Count(), 20);
    EXPECT_TRUE(details.LoadErrors().Contains(TMetadataLoadError::leBadTagHeader));
    ASSERT_NE(details.Find(ttMakerNote), nullptr);
    EXPECT_EQ(details.Find(ttMakerNote)->ElementCount(), 512);
    EXPECT_EQ(details.Find(0x9003), nullptr) << "a DateTimeOriginal of 4 GB is no tag, before or after";
    EXPECT_EQ(Find(edited.After, esDetails, 0x9003), nullptr);
    EXPECT_EQ(edited.After.MakerNoteType(), edited.Before.MakerNoteType());
  }
}

TEST(ExifDamagedEntriesCorpus, CoverageSampleKeepsItsExifDirectoryAndTypesOfTruncatedTags) {
  const auto file = Sample("issue_1881_coverage.jpg");
  if (file.empty())
    GTEST_SKIP() << "issue_1881_coverage.jpg not found under " << FOTARIUM_CORPUS_DIR;
  TEdited edited;
  EditOrientation(file, edited);
  // ImageWidth claims 58 MB from offset 2: the SLONG stays, without elements.
  const auto* width = Find(edited.After, esGeneral, ttImageWidth);
  ASSERT_NE(width, nullptr);
  EXPECT_EQ(width->DataType(), tdLongInt);
  EXPECT_EQ(width->ElementCount(), 0);
  const auto* makerNote = Find(edited.After, esDetails, ttMakerNote);
  ASSERT_NE(makerNote, nullptr);
  EXPECT_EQ(makerNote->ElementCount(), 1004);
  EXPECT_NE(Find(edited.After, esDetails, ttExposureTime), nullptr);
}

TEST(ExifDamagedEntriesCorpus, LoneSoundTagBehindAnOverlongCount) {
  // The Exif directory claims 48 entries where the block holds room for two: Flash, stored
  // as SRATIONAL, and garbage.
  const auto file = Sample("1-string-format.jpg");
  if (file.empty())
    GTEST_SKIP() << "1-string-format.jpg not found under " << FOTARIUM_CORPUS_DIR;
  TEdited edited;
  EditOrientation(file, edited);
  const auto* flash = Find(edited.After, esDetails, ttFlash);
  ASSERT_NE(flash, nullptr);
  EXPECT_EQ(flash->DataType(), tdLongIntFraction);
  EXPECT_EQ(flash->AsString(), "-2147483648/-1");
  std::uint16_t bits = 0;
  EXPECT_FALSE(edited.After.GetSection(esDetails)->TryGetWordValue(ttFlash, 0, bits))
      << "typed reads do not take a fraction for the flash bits";
}

TEST(ExifDamagedEntriesCorpus, TagsOfUnknownTypesTravelAsTheyCame) {
  struct TCase {
    const char* File;
    TExifSectionKind Kind;
    TTiffTagID ID;
    int Type;
    std::int32_t Count;
  };
  const TCase cases[] = {
      {"exiv2-bug447.jpg", esDetails, ttUserComment, 0x000E, 125},
      {"exiv2-bug495.jpg", esThumbnail, ttImageLength, 0x0100, 0},
      {"IMGP0006-min.jpg", esDetails, ttMakerNote, 0x3030, 4400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    const auto file = Sample(c.File);
    if (CorpusDir().empty())
      GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
    if (file.empty()) {
      ADD_FAILURE() << c.File << " is missing from " << CorpusDir();
      continue;
    }
    TEdited edited;
    EditOrientation(file, edited);
    const auto* tag = Find(edited.After, c.Kind, c.ID);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(static_cast<int>(tag->DataType()), c.Type);
    EXPECT_EQ(tag->ElementCount(), c.Count);
    EXPECT_EQ(tag->DataSize(), c.Count);
    EXPECT_FALSE(tag->WellFormed());
  }
  if (const auto file = Sample("exiv2-bug447.jpg"); !file.empty()) {
    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(file));
    EXPECT_EQ(data.Comments(), "") << "a comment of unknown type reads as missing";
  }
}

TEST(ExifDamagedEntriesCorpus, RationalWhoseDataIsMissingKeepsItsType) {
  // FocalLength points behind the end of the block: RATIONAL with no elements, as before.
  const auto file = Sample("exiv2-bug855.jpg");
  if (file.empty())
    GTEST_SKIP() << "exiv2-bug855.jpg not found under " << FOTARIUM_CORPUS_DIR;
  TEdited edited;
  EditOrientation(file, edited);
  const auto* focalLength = Find(edited.After, esDetails, ttFocalLength);
  ASSERT_NE(focalLength, nullptr);
  EXPECT_EQ(focalLength->DataType(), tdLongWordFraction);
  EXPECT_EQ(focalLength->ElementCount(), 0);
  EXPECT_TRUE(edited.After.FocalLength().MissingOrInvalid());
}

TEST(ExifDamagedEntriesCorpus, EntriesWhoseDataIsNowhereAreReportedAsLoadErrors) {
  // A second MakerNote entry (type 0x75, 65 million elements 57 MB behind a 2 KB block)
  // and an ImageWidth of type 0x211 in a garbage IFD1: nothing of them can be found, so
  // they go, and their sections say that something had to go.
  struct TCase {
    const char* File;
    TExifSectionKind Kind;
    TTiffTagID ID;
    std::int32_t Kept;
  };
  const TCase cases[] = {
      {"issue_1881_coverage.jpg", esDetails, ttMakerNote, 1},
      {"exiv2-bug495.jpg", esThumbnail, ttImageWidth, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    const auto file = Sample(c.File);
    if (file.empty())
      GTEST_SKIP() << c.File << " not found under " << FOTARIUM_CORPUS_DIR;
    TEdited edited;
    EditOrientation(file, edited);
    for (auto* data : {&edited.Before, &edited.After}) {
      std::int32_t kept = 0;
      for (const auto* tag : *data->GetSection(c.Kind))
        kept += tag->ID() == c.ID ? 1 : 0;
      EXPECT_EQ(kept, c.Kept);
    }
    EXPECT_TRUE(edited.Before.GetSection(c.Kind)->LoadErrors().Contains(TMetadataLoadError::leBadTagHeader));
  }
}

TEST(ExifDamagedEntriesCorpus, MakerNoteMovedByAnEarlierSaveGoesBackWhereItsOffsetsLead) {
  // Windows Photo Gallery moved this Canon note 62 bytes and said so in OffsetSchema; an
  // edit puts it back, so that its offsets are right without the correction.
  const auto dir = CorpusDir();
  const auto file = dir + "/exif-samples/jpg/tests/28-hex_value.jpg";
  if (dir.empty() || !std::filesystem::exists(file))
    GTEST_SKIP() << "28-hex_value.jpg not found under " << FOTARIUM_CORPUS_DIR;
  TExifData before;
  ASSERT_TRUE(before.LoadFromGraphic(file));
  ASSERT_EQ(before.OffsetSchema(), TLongIntTagValue(62));
  Platform::TMemoryStream stream;
  stream.LoadFromFile(file);
  TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(stream));
  data.SetOrientation(TTiffOrientation::toRightTop);
  ASSERT_NO_THROW(data.SaveToGraphic(stream));
  stream.SetPosition(0);
  TExifData after;
  ASSERT_TRUE(after.LoadFromGraphic(stream));
  EXPECT_EQ(after.OffsetSchema(), TLongIntTagValue(0));
  const auto* noteBefore = before.GetSection(esDetails)->Find(ttMakerNote);
  const auto* noteAfter = after.GetSection(esDetails)->Find(ttMakerNote);
  ASSERT_NE(noteBefore, nullptr);
  ASSERT_NE(noteAfter, nullptr);
  EXPECT_EQ(noteAfter->OriginalDataOffset(), noteBefore->OriginalDataOffset() - 62);
  EXPECT_TRUE(std::equal(noteBefore->Bytes().begin(), noteBefore->Bytes().end(), noteAfter->Bytes().begin(),
                         noteAfter->Bytes().end()));
  const auto list = [](TExifData& exif) {
    std::vector<std::string> texts;
    for (const auto* tag : *exif.GetSection(esMakerNote))
      texts.push_back(std::to_string(tag->ID()) + "=" + tag->AsString());
    return texts;
  };
  EXPECT_EQ(list(after), list(before)) << "the note's entries read the same from its old place";
  EXPECT_EQ(after.GetSection(esMakerNote)->Count(), 17);
}
