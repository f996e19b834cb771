// Saving EXIF into the sample JPEGs: saved without an edit, every file loads again with
// the same tags, the same maker note and the picture data from SOS to EOI byte for byte;
// with a new orientation only the orientation changes.

#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace Tessel::Exif;
using enum TExifSectionKind;

namespace {

std::string Relative(const std::string& fileName) { return fileName.substr(CorpusDir().size() + 1); }

using TTagKey = std::pair<TExifSectionKind, TTiffTagID>;
using TTagValue = std::tuple<TTiffDataType, std::int32_t, std::vector<std::uint8_t>>;
using TTags = std::map<TTagKey, TTagValue>;

// Tags whose values follow the new layout, or that a save brings up to date on purpose.
bool FollowsTheSave(TExifSectionKind kind, TTiffTagID id) {
  switch (id) {
  case ttExifOffset:
  case ttGPSOffset:
  case ttInteropOffset:
  case ttOffsetSchema:
  case 0xEA1C: // padding, removed on save
    return true;
  case ttExifImageWidth:
  case ttExifImageHeight: return kind == esDetails;
  case ttJPEGInterchangeFormat:
  case ttJPEGInterchangeFormatLength:
  case ttCompression:
  case ttStripOffsets:    // an uncompressed thumbnail's strips move behind the new IFD1
  case ttStripByteCounts: // and go with their offsets when their data is not there
    return kind == esThumbnail;
  default: return false;
  }
}

// IFD1 travels with its tags, with or without a thumbnail picture.
TTags Tags(TExifData& data, bool all, bool withIFD1) {
  TTags tags;
  for (const auto kind : {esGeneral, esDetails, esInterop, esGPS, esThumbnail, esMakerNote})
    for (auto* tag : *data.GetSection(kind)) {
      if (kind == esThumbnail && !withIFD1)
        continue;
      if (!all && FollowsTheSave(kind, tag->ID()))
        continue;
      if (all && (tag->ID() == ttExifOffset || tag->ID() == ttGPSOffset || tag->ID() == ttInteropOffset ||
                  (kind == esThumbnail && tag->ID() == ttJPEGInterchangeFormat)))
        continue;
      const auto bytes = tag->Bytes();
      tags.emplace(TTagKey{kind, tag->ID()}, TTagValue{tag->DataType(), tag->ElementCount(),
                                                       std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
    }
  return tags;
}

// The keys whose entries differ, as "kind:0xID" texts; empty when the maps are equal.
std::string Diff(const TTags& actual, const TTags& expected) {
  std::string result;
  const auto note = [&result](const TTagKey& key, const char* what) {
    result += fmt::format(" {}:0x{:04X}({})", static_cast<int>(key.first), key.second, what);
  };
  for (const auto& [key, value] : actual) {
    const auto it = expected.find(key);
    if (it == expected.end())
      note(key, "added");
    else if (it->second != value)
      note(key, "changed");
  }
  for (const auto& [key, value] : expected)
    if (!actual.contains(key))
      note(key, "lost");
  return result;
}

// From the start-of-scan segment to the end.
// From the start-of-scan segment to the end; empty when the header is cut off before it.
std::vector<std::uint8_t> PictureData(Platform::TMemoryStream& stream) {
  stream.SetPosition(0);
  try {
    for (const auto& segment : *JPEGHeader(stream, TJPEGMarkers{jmSOS})) {
      const auto bytes = stream.Bytes();
      return {bytes.begin() + segment->Offset(), bytes.end()};
    }
  } catch (const Platform::EStreamError&) {
  }
  return {};
}

int FailureCount() { return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count(); }

bool Load(TExifData& data, Platform::TMemoryStream& stream) {
  stream.SetPosition(0);
  return data.LoadFromGraphic(stream);
}

} // namespace

TEST(ExifSavingCorpus, JPEGsRoundTrip) {
  const auto files = CorpusFiles({"jpg", "jpeg"});
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  int withExif = 0;
  int roundTripped = 0;
  std::map<std::string, int> refusals;
  for (const auto& fileName : files) {
    SCOPED_TRACE(Relative(fileName));
    const auto failuresBefore = FailureCount();
    Platform::TMemoryStream stream;
    stream.LoadFromFile(fileName);
    // A TIFF that only carries the extension is no JPEG to round-trip here.
    if (!HasJPEGHeader(stream))
      continue;
    TExifData data;
    if (!Load(data, stream) || !data.MetadataInSource().Contains(TJPEGMetadataKind::mkExif) || data.Empty())
      continue;
    ++withExif;
    const bool withIFD1 = true;
    const auto before = Tags(data, false, withIFD1);
    const auto makerNoteType = data.MakerNoteType();
    const auto picture = PictureData(stream);

    try {
      data.SaveToGraphic(stream);
    } catch (const Platform::Exception& e) {
      // Refusals name their reason; the stream must be left as it was.
      ++refusals[std::string(e.what()).substr(0, 40)];
      Platform::TMemoryStream original;
      original.LoadFromFile(fileName);
      EXPECT_TRUE(std::ranges::equal(stream.Bytes(), original.Bytes())) << "refused save changed the stream";
      continue;
    }
    const auto afterSave = Tags(data, true, withIFD1);

    TExifData loaded;
    ASSERT_TRUE(Load(loaded, stream));
    EXPECT_EQ(PictureData(stream), picture) << "picture data changed";
    EXPECT_EQ(Diff(Tags(loaded, true, withIFD1), afterSave), "") << "the saved block does not give back the tags saved";
    EXPECT_EQ(Diff(Tags(loaded, false, withIFD1), before), "") << "a save without edits changed tags";
    EXPECT_EQ(loaded.MakerNoteType(), makerNoteType);

    // A new orientation changes the orientation and nothing else.
    const auto orientation = loaded.Orientation() == TTiffOrientation::toRightTop ? TTiffOrientation::toTopLeft
                                                                                  : TTiffOrientation::toRightTop;
    try {
      loaded.SetOrientation(orientation);
    } catch (const Platform::Exception& e) {
      // The orientation's XMP mirror needs the packet parsed: a damaged packet says so.
      ++refusals[std::string("orientation: ") + e.what()];
      continue;
    }
    auto expected = Tags(loaded, false, withIFD1);
    loaded.SaveToGraphic(stream);
    TExifData edited;
    ASSERT_TRUE(Load(edited, stream));
    EXPECT_EQ(edited.Orientation(), orientation);
    EXPECT_EQ(Diff(Tags(edited, false, withIFD1), expected), "");
    EXPECT_EQ(PictureData(stream), picture);
    if (FailureCount() == failuresBefore)
      ++roundTripped;
  }
  std::cout << "[ corpus  ] " << withExif << " JPEGs with Exif, " << roundTripped << " round-tripped";
  for (const auto& [reason, count] : refusals)
    std::cout << "; refused " << count << "x: " << reason;
  std::cout << '\n';
  EXPECT_GT(withExif, 0);
}
