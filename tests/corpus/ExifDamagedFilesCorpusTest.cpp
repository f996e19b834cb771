// Damaged sample pictures are read as far as they go: the EXIF tags with their maker
// note, the XMP packet and the IPTC data load without an exception, also from copies cut
// off inside a segment.

#include "Tessel/Exif.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using enum TExifSectionKind;

namespace {

// Everything a listing of the file shows: each tag's text, the maker note and its tags.
int ReadEverything(Platform::TStream& stream) {
  TExifData exif;
  stream.SetPosition(0);
  exif.LoadFromGraphic(stream);
  int tags = 0;
  for (auto kind : ExifSectionKinds) {
    if (kind == esMakerNote && exif.MakerNoteType() == TUnrecognizedMakerNote::Class())
      continue;
    for (auto* tag : *exif.Sections(kind)) {
      (void)tag->AsString();
      ++tags;
    }
  }
  TXMPPacket xmp;
  stream.SetPosition(0);
  xmp.LoadFromGraphic(stream);
  TIPTCData iptc;
  stream.SetPosition(0);
  iptc.LoadFromGraphic(stream);
  for (const auto* section : iptc)
    tags += section->Count();
  return tags;
}

} // namespace

TEST(ExifDamagedFilesCorpus, FilesCutOffInTheScanHeaderAreRead) {
  if (CorpusDir().empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  for (const char* name : {"issue_3455_sigma_print0x0008_empty.jpg", "issue_3455_sigma_print0x0009_empty.jpg"}) {
    SCOPED_TRACE(name);
    const auto fileName = CorpusDir() + "/exiv2-testdata/" + name;
    if (!std::filesystem::exists(fileName)) {
      ADD_FAILURE() << fileName << " is missing from the sample pictures";
      continue;
    }
    Platform::TFileStream stream(fileName, Platform::fmOpenRead);
    int tags = 0;
    ASSERT_NO_THROW(tags = ReadEverything(stream));
    TExifData exif;
    ASSERT_TRUE(exif.LoadFromGraphic(fileName));
    EXPECT_EQ(exif.OwnedSection(esGeneral)->GetStringValue(ttMake), "SIGMA");
    EXPECT_EQ(exif.OwnedSection(esThumbnail)->Count(), 7);
    EXPECT_GE(tags, 17);
    TXMPPacket xmp;
    EXPECT_TRUE(xmp.LoadFromGraphic(fileName)) << "a JPEG without XMP, not an error";
    EXPECT_TRUE(xmp.Empty());
  }
}

TEST(ExifDamagedFilesCorpus, CopiesCutOffInsideASegmentAreRead) {
  const auto source = CorpusDir() + "/exiv2-testdata/exiv2-bug937.jpg";
  if (CorpusDir().empty() || !std::filesystem::exists(source))
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  const auto bytes = ReadFile(source);
  // Inside the Exif segment, behind it, inside the Photoshop segment, inside the scan header.
  for (const std::size_t size : {std::size_t{1000}, std::size_t{2100}, std::size_t{19000}, std::size_t{21742}}) {
    SCOPED_TRACE(size);
    Platform::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(std::min(size, bytes.size())));
    TExifData exif;
    stream.SetPosition(0);
    ASSERT_NO_THROW(exif.LoadFromGraphic(stream));
    if (size >= 2100) {
      EXPECT_GT(exif.OwnedSection(esGeneral)->Count(), 0) << "the complete Exif segment is read";
    }
    TIPTCData iptc;
    stream.SetPosition(0);
    ASSERT_NO_THROW(iptc.LoadFromGraphic(stream));
    if (size < 21742)
      continue;
    EXPECT_EQ(iptc.Bylines(), (TStringDynArray{"Corbis"})) << "the complete Photoshop segment is read";
    TXMPPacket xmp;
    stream.SetPosition(0);
    ASSERT_NO_THROW(xmp.LoadFromGraphic(stream));
    EXPECT_FALSE(xmp.Empty()) << "the complete XMP segment is read";
  }
}
