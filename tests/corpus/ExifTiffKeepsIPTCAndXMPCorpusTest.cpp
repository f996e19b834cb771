// An orientation edit of a real TIFF file keeps its IPTC tag as stored (type, count and
// bytes) and writes the new orientation into the XMP packet's own text, byte-order mark,
// layout and padding included.

#include "Tessel/Exif.h"

#include "platform/Streams.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace Tessel::Exif;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TStoredTag {
  bool Found = false;
  TTiffDataType Type{};
  std::int32_t Count = 0;
  Bytes Data;
};

// A tag of the first directory as the file stores it.
TStoredTag StoredTag(const Bytes& file, TTiffTagID id) {
  Platform::TMemoryStream stream;
  stream.WriteBuffer(file);
  stream.SetPosition(0);
  const auto parser = ParseTiff(stream);
  for (const auto& directory : parser->GetEnumerator()) {
    for (const auto& info : directory->TagInfo())
      if (info.ID == id && info.IsWellFormed())
        return {true, info.DataType, info.ElementCount,
                Bytes(file.begin() + info.DataOffset, file.begin() + info.DataOffset + info.DataSize())};
    break;
  }
  return {};
}

Bytes SavedWithOrientation(const std::string& source, const TTempDir& dir) {
  const auto copy = dir.File("picture.tiff");
  WriteFile(copy, ReadFile(source));
  TExifData exif;
  EXPECT_TRUE(exif.LoadFromGraphic(copy));
  exif.SetOrientation(TTiffOrientation::toRightTop);
  exif.SaveToGraphic(copy);
  return ReadFile(copy);
}

// Where two byte arrays of the same size differ.
std::vector<std::size_t> Differences(const Bytes& a, const Bytes& b) {
  std::vector<std::size_t> result;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i])
      result.push_back(i);
  return result;
}

} // namespace

TEST(ExifTiffKeepsIPTCAndXMPCorpus, AnOrientationEditKeepsTheIPTCTagAsStored) {
  for (const char* name : {"Reagan.tiff", "ReaganLargeTiff.tiff"}) {
    SCOPED_TRACE(name);
    const auto source = CorpusDir() + "/exiv2-testdata/" + name;
    if (CorpusDir().empty())
      GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
    if (!std::filesystem::exists(source)) {
      ADD_FAILURE() << source << " is missing from the sample pictures";
      continue;
    }
    TTempDir dir;
    const auto before = StoredTag(ReadFile(source), 0x83BB);
    ASSERT_TRUE(before.Found);
    ASSERT_EQ(before.Type, TTiffDataType::tdLongWord) << "the sample stores its IPTC block as LONG";
    const auto after = StoredTag(SavedWithOrientation(source, dir), 0x83BB);
    ASSERT_TRUE(after.Found);
    EXPECT_EQ(after.Type, before.Type);
    EXPECT_EQ(after.Count, before.Count);
    EXPECT_TRUE(after.Data == before.Data) << "the IPTC bytes were not edited and must not change";
  }
}

TEST(ExifTiffKeepsIPTCAndXMPCorpus, TheMirroredOrientationIsTheOnlyChangeInTheXMPPacket) {
  const auto source = CorpusDir() + "/exiv2-testdata/ReaganLargeTiff.tiff";
  if (CorpusDir().empty() || !std::filesystem::exists(source))
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  TTempDir dir;
  const auto before = StoredTag(ReadFile(source), 0x02BC);
  const auto after = StoredTag(SavedWithOrientation(source, dir), 0x02BC);
  ASSERT_TRUE(before.Found);
  ASSERT_TRUE(after.Found);
  const std::string text(after.Data.begin(), after.Data.end());
  EXPECT_TRUE(text.starts_with("<?xpacket begin=\"\xEF\xBB\xBF\"")) << "the byte-order mark stays";
  EXPECT_NE(text.find("tiff:Orientation=\"6\""), std::string::npos) << "the packet follows the edit";
  ASSERT_EQ(after.Data.size(), before.Data.size());
  EXPECT_EQ(Differences(before.Data, after.Data).size(), 1U) << "only the orientation's digit changes";
}
