// An EXIF edit of a real picture keeps every IPTC block the picture holds, whether it is
// saved through the EXIF container or through the picture object with its IPTC data.

#include "Tessel/Exif.h"

#include "platform/Streams.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace Tessel::Exif;

namespace {

std::vector<std::string> Datasets(const TIPTCData& data) {
  std::vector<std::string> result;
  for (const auto* section : data)
    for (const auto* tag : *section)
      result.push_back(std::to_string(section->ID()) + ":" + std::to_string(tag->ID()) + "=" + tag->AsString());
  return result;
}

std::vector<std::string> DatasetsOf(Platform::TStream& stream) {
  TIPTCData data;
  stream.SetPosition(0);
  data.LoadFromGraphic(stream);
  return Datasets(data);
}

} // namespace

TEST(ExifKeepsIPTCCorpus, AnOrientationEditKeepsEveryIPTCBlock) {
  const auto source = CorpusDir() + "/exiv2-testdata/iptc-psAPP13-wIPTCmid1-wIPTCempty-wIPTCmid2.jpg";
  if (CorpusDir().empty() || !std::filesystem::exists(source))
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  const std::vector<std::string> expected{"2:0=0", "2:110=This is a credit", "2:80=This is a by-line"};
  const auto original = ReadFile(source);

  TTempDir dir;
  const auto copy = dir.File("picture.jpg");
  WriteFile(copy, original);
  TExifData exif;
  ASSERT_TRUE(exif.LoadFromGraphic(copy));
  exif.SetOrientation(TTiffOrientation::toRightTop);
  exif.SaveToGraphic(copy);
  Platform::TFileStream saved(copy, Platform::fmOpenRead);
  EXPECT_EQ(DatasetsOf(saved), expected) << "saved through the EXIF container";

  Platform::TMemoryStream in;
  in.WriteBuffer(original);
  in.SetPosition(0);
  TJPEGImageEx picture;
  picture.LoadFromStream(in);
  EXPECT_EQ(Datasets(picture.IPTCData()), expected);
  picture.ExifData().SetOrientation(TTiffOrientation::toRightTop);
  Platform::TMemoryStream out;
  picture.SaveToStream(out);
  EXPECT_EQ(DatasetsOf(out), expected) << "saved through the picture object";
  TExifData reread;
  out.SetPosition(0);
  ASSERT_TRUE(reread.LoadFromGraphic(out));
  EXPECT_EQ(reread.Orientation(), TTiffOrientation::toRightTop);
}
