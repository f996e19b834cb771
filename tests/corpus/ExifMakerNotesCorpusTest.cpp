// Maker notes of real cameras: layouts with a header of their own, checked against the
// tag counts and values another reader (exiftool -v3) finds in the same files.

#include "Tessel/Exif.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace Tessel::Exif;
using enum TExifSectionKind;

TEST(ExifMakerNotesCorpus, PentaxNotesWithAByteOrderMark) {
  if (CorpusDir().empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  struct TCase {
    const char* File;
    int Tags;
    TEndianness Endianness;
    std::uint32_t ModelID; // tag 0x0005
    const char* Tag0200;   // the first values of tag 0x0200, 4 SHORTs stored behind the directory
  };
  using enum TEndianness;
  // The third file marks "MM" but holds a little-endian directory: the byte-order retry reads it.
  const TCase cases[] = {
      {"exiv2-testdata/exiv2-bug884a.jpg", 89, BigEndian, 76570, "128,128,128,128"},
      {"exiv2-testdata/exiv2-bug884b.jpg", 89, BigEndian, 76570, "128,127,128,128"},
      {"exiv2-testdata/exiv2-bug884c.jpg", 92, SmallEndian, 76570, "127,128,128,127"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    const auto fileName = CorpusDir() + "/" + c.File;
    if (!std::filesystem::exists(fileName)) {
      ADD_FAILURE() << fileName << " is missing from the sample pictures";
      continue;
    }
    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(fileName));
    ASSERT_EQ(data.MakerNoteType(), TPentaxMakerNote::Class());
    auto& note = data.MakerNote();
    EXPECT_EQ(note.ClassType(), TPentaxMakerNote::Class());
    EXPECT_EQ(note.Endianness(), c.Endianness);
    EXPECT_EQ(note.DataOffsetsType(), TExifDataOffsetsType::doFromExifStart);
    const auto& tags = note.Tags();
    EXPECT_EQ(tags.Count(), c.Tags);
    EXPECT_TRUE(tags.LoadErrors().Empty());
    EXPECT_EQ(tags.GetLongWordValue(5, 0, 0), c.ModelID);
    const auto* tag0200 = tags.Find(0x0200);
    ASSERT_NE(tag0200, nullptr);
    EXPECT_EQ(tag0200->AsString(), c.Tag0200) << "out-of-line values count from the EXIF block's header";
  }
}
