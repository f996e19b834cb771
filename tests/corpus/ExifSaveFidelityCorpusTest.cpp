// What an orientation edit of the sample pictures keeps: uncompressed thumbnails, IFD1
// tags whose thumbnail is not in the block, unreadable XMP packets, orientation stored
// as LONG or SLONG; and every save of a sample passes its own read-back check.

#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using enum TExifSectionKind;

namespace {

std::string CorpusFile(const std::string& name) {
  for (const auto& file : CorpusFiles({"jpg", "jpeg", "psd", "tif", "tiff"}))
    if (file.size() >= name.size() + 1 && file.compare(file.size() - name.size(), name.size(), name) == 0 &&
        file[file.size() - name.size() - 1] == '/')
      return file;
  return {};
}

bool Load(TExifData& data, Platform::TMemoryStream& stream) {
  stream.SetPosition(0);
  return data.LoadFromGraphic(stream);
}

std::vector<TTiffTagID> IDs(TExifSection& section) {
  std::vector<TTiffTagID> ids;
  for (const auto* tag : section)
    ids.push_back(tag->ID());
  return ids;
}

// Loads the sample, gives it a new orientation, saves it in memory and loads it again.
struct TEdited {
  Platform::TMemoryStream Source;
  Platform::TMemoryStream Saved;
  TExifData Before;
  TExifData After;
};

bool EditOrientation(const std::string& fileName, TEdited& edited) {
  edited.Source.LoadFromFile(fileName);
  edited.Saved.LoadFromFile(fileName);
  if (!Load(edited.Before, edited.Source))
    return false;
  TExifData data;
  Load(data, edited.Saved);
  data.SetOrientation(TTiffOrientation::toRightTop);
  data.SaveToGraphic(edited.Saved);
  return Load(edited.After, edited.Saved);
}

std::vector<TTiffTagID> Without(std::vector<TTiffTagID> ids, std::initializer_list<TTiffTagID> gone) {
  std::erase_if(ids, [&](TTiffTagID id) { return std::find(gone.begin(), gone.end(), id) != gone.end(); });
  return ids;
}

} // namespace

TEST(ExifSaveFidelityCorpus, UncompressedThumbnailSurvives) {
  const auto file = CorpusFile("exiv2-kodak-dc210.jpg");
  if (file.empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  TEdited edited;
  ASSERT_TRUE(EditOrientation(file, edited));
  ASSERT_FALSE(edited.Before.ThumbnailStripData().empty()) << "the sample's strips load";
  EXPECT_EQ(edited.After.ThumbnailStripData(), edited.Before.ThumbnailStripData());
  EXPECT_EQ(IDs(*edited.After.GetSection(esThumbnail)), IDs(*edited.Before.GetSection(esThumbnail)));
  EXPECT_EQ(edited.After.Orientation(), TTiffOrientation::toRightTop);
}

TEST(ExifSaveFidelityCorpus, IFD1TagsStayWhereTheThumbnailIsElsewhere) {
  const char* const names[] = {"87_OSError.jpg",        "exiv2-bug1231a.jpg",    "exiv2-bug922.jpg",
                               "exiv2-photoshop.psd",   "exiv2-bug800-8BIM.psd", "exiv2-bug800-AgHg.psd",
                               "exiv2-bug800-DCSR.psd", "exiv2-bug800-PHUT.psd", "20110626_213900.psd"};
  int checked = 0;
  for (const auto* name : names) {
    const auto file = CorpusFile(name);
    if (file.empty())
      continue;
    SCOPED_TRACE(name);
    TEdited edited;
    ASSERT_TRUE(EditOrientation(file, edited));
    const auto before = IDs(*edited.Before.GetSection(esThumbnail));
    ASSERT_FALSE(before.empty()) << "the sample has IFD1 tags";
    ASSERT_FALSE(edited.Before.HasThumbnail());
    // Only the pointer pair whose data is missing goes.
    const auto expected =
        Without(before, {ttJPEGInterchangeFormat, ttJPEGInterchangeFormatLength, ttStripOffsets, ttStripByteCounts});
    EXPECT_EQ(IDs(*edited.After.GetSection(esThumbnail)), expected);
    ++checked;
  }
  if (checked == 0)
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
}

TEST(ExifSaveFidelityCorpus, UnreadableXMPPacketTravelsUnchanged) {
  const auto file = CorpusFile("exiv2-bug1026.jpg");
  if (file.empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  TEdited edited;
  ASSERT_NO_THROW(EditOrientation(file, edited));
  EXPECT_EQ(edited.After.Orientation(), TTiffOrientation::toRightTop);
  const auto& before = edited.Before.XMPPacket().DataToLazyLoad();
  const auto& after = edited.After.XMPPacket().DataToLazyLoad();
  ASSERT_TRUE(before && after);
  EXPECT_TRUE(std::ranges::equal(before->Data().Bytes(), after->Data().Bytes()));
}

TEST(ExifSaveFidelityCorpus, FujifilmOrientationStoredAsLong) {
  int found = 0;
  for (const auto& file : CorpusFiles({"jpg"})) {
    if (file.find("FujiTags") == std::string::npos)
      continue;
    SCOPED_TRACE(file);
    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(file));
    const auto* tag = data.GetSection(esGeneral)->Find(ttOrientation);
    if (tag == nullptr || (tag->DataType() != TTiffDataType::tdLongWord && tag->DataType() != TTiffDataType::tdLongInt))
      continue;
    ++found;
    const auto stored = tag->ReadLongWord(0, 0);
    EXPECT_EQ(static_cast<std::uint32_t>(data.Orientation()), stored >= 1 && stored <= 8 ? stored : 0);
    EXPECT_NE(data.Orientation(), TTiffOrientation::toUndefined);
  }
  if (found == 0)
    GTEST_SKIP() << "no sample with a LONG orientation in " << FOTARIUM_CORPUS_DIR;
  EXPECT_EQ(found, 7);
}

// A save that fails its own check would be a fault of the savers (or of the check).
TEST(ExifSaveFidelityCorpus, EverySampleSavePassesItsCheck) {
  const auto files = CorpusFiles({"jpg", "jpeg", "psd", "tif", "tiff"});
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  int saved = 0;
  int refused = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    Platform::TMemoryStream stream;
    stream.LoadFromFile(file);
    TExifData data;
    if (!Load(data, stream) || data.Empty())
      continue;
    try {
      data.SetOrientation(TTiffOrientation::toRightTop);
      data.SaveToGraphic(stream);
      ++saved;
    } catch (const ESaveVerificationFailed& e) {
      ADD_FAILURE() << e.what();
    } catch (const Platform::Exception&) {
      ++refused; // a refusal of its own (too large, invalid data), reported elsewhere
    }
  }
  std::cout << "[ corpus  ] " << saved << " saves verified, " << refused << " refused for other reasons\n";
  EXPECT_GT(saved, 0);
}
