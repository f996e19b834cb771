// The EXIF container over the sample pictures: every JPEG, Photoshop and TIFF file loads
// (damaged and hostile ones included) and the maker notes of the supported makers are
// recognised and parsed.

#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tessel::Exif;
using enum TExifSectionKind;

namespace {

std::vector<std::string> Pictures() { return CorpusFiles({"jpg", "jpeg", "psd", "tif", "tiff"}); }

std::string Relative(const std::string& fileName) { return fileName.substr(CorpusDir().size() + 1); }

// Tags per section, the maker note included (which parses it).
std::vector<int> Counts(TExifData& data) {
  std::vector<int> counts;
  for (auto* section : data)
    counts.push_back(section->Count());
  return counts;
}

// The maker-note class a camera make calls for, or nothing for makes we do not know.
std::string ExpectedMaker(const std::string& make, const std::vector<std::uint8_t>& note) {
  const auto startsWith = [&note](std::string_view signature) {
    return note.size() > signature.size() &&
           std::equal(signature.begin(), signature.end(), note.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
  };
  if (startsWith(std::string_view("Nikon\0\2", 7)))
    return "NikonType3";
  if (startsWith(std::string_view("Nikon\0\1\0", 8)))
    return "NikonType1";
  if (startsWith("SONY DSC"))
    return "Sony";
  if (startsWith(std::string_view("Panasonic\0\0\0", 12)))
    return "Panasonic";
  if (make == "Canon")
    return "Canon";
  if (make.starts_with("NIKON"))
    return "NikonType2";
  return {};
}

} // namespace

TEST(ExifContainerCorpus, EveryPictureLoads) {
  const auto files = Pictures();
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  int recognised = 0;
  for (const auto& fileName : files) {
    SCOPED_TRACE(Relative(fileName));
    TExifData data;
    int changes = 0;
    data.SetOnChange([&changes](TCustomExifData&) { ++changes; });
    bool loaded = false;
    ASSERT_NO_THROW(loaded = data.LoadFromGraphic(fileName));
    recognised += loaded ? 1 : 0;
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(data.Modified());

    // The file streamed and the file in memory give the same tags.
    TExifData fromMemory;
    Platform::TMemoryStream memory;
    memory.LoadFromFile(fileName);
    EXPECT_EQ(fromMemory.LoadFromGraphic(memory), loaded);
    std::vector<int> counts;
    ASSERT_NO_THROW(counts = Counts(data));
    EXPECT_EQ(Counts(fromMemory), counts);
    EXPECT_EQ(fromMemory.MetadataInSource(), data.MetadataInSource());
    EXPECT_FALSE(data.Modified()) << "parsing the maker note is no change";

    // The lazily held data is readable after the sections are gone.
    data.Clear(false);
    EXPECT_NO_THROW((void)data.EmbeddedIPTC().Sections(2)->Count());
    try {
      (void)data.XMPPacket().SchemaCount();
    } catch (const EInvalidXMPPacket&) {
      // A damaged packet is the XMP reader's finding, not a loading fault.
    }
  }
  EXPECT_GT(recognised, static_cast<int>(files.size()) * 9 / 10);
}

TEST(ExifContainerCorpus, SupportedMakerNotesAreRecognised) {
  const auto files = Pictures();
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  int checked = 0;
  for (const auto& fileName : files) {
    TExifData data;
    if (!data.LoadFromGraphic(fileName) || !data.HasMakerNote())
      continue;
    const auto* tag = data.OwnedSection(esDetails)->Find(ttMakerNote);
    const std::vector<std::uint8_t> note(tag->Bytes().begin(), tag->Bytes().end());
    const auto expected = ExpectedMaker(data.OwnedSection(esGeneral)->GetStringValue(ttMake), note);
    if (expected.empty())
      continue;
    SCOPED_TRACE(Relative(fileName));
    ++checked;
    EXPECT_EQ(data.MakerNoteType()->Name, expected);
    ASSERT_NO_THROW((void)data.MakerNote());
    // A note of a few bytes is a damaged one; anything longer holds a directory, unless
    // the Exif directory around it is damaged too (a note there may be garbage).
    if (note.size() >= 64 && data.OwnedSection(esDetails)->LoadErrors().Empty()) {
      EXPECT_EQ(data.MakerNote().ClassType()->Name, expected);
      EXPECT_GT(data.Sections(esMakerNote)->Count(), 0);
    }
  }
  EXPECT_GT(checked, 20);
}

// Tag counts checked against another reader (exiv2 -pv, whose binary sub-records such as
// CanonCs are counted here as the one tag that holds them).
TEST(ExifContainerCorpus, MakerNoteTagCounts) {
  if (CorpusDir().empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  struct TCase {
    const char* File;
    const char* Class;
    int Tags;
    TEndianness Endianness;
  };
  using enum TEndianness;
  const TCase cases[] = {
      {"exiv2-testdata/exiv2-canon-eos-20d.jpg", "Canon", 24, SmallEndian},
      {"exiv2-testdata/exiv2-nikon-d70.jpg", "NikonType3", 42, BigEndian},
      {"exiv2-testdata/exiv2-nikon-e950.jpg", "NikonType1", 11, SmallEndian},
      {"exiv2-testdata/exiv2-nikon-e990.jpg", "NikonType2", 16, SmallEndian},
      {"exiv2-testdata/exiv2-panasonic-dmc-fz5.jpg", "Panasonic", 27, SmallEndian},
      {"exiv2-testdata/exiv2-sony-dsc-w7.jpg", "Sony", 9, SmallEndian},
      // A little-endian Canon note inside a big-endian Exif block.
      {"exif-samples/jpg/tests/28-hex_value.jpg", "Canon", 17, SmallEndian},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(CorpusDir() + "/" + c.File));
    EXPECT_EQ(data.MakerNoteType()->Name, c.Class);
    EXPECT_EQ(data.Sections(esMakerNote)->Count(), c.Tags);
    EXPECT_EQ(data.MakerNote().Endianness(), c.Endianness);
  }
}
