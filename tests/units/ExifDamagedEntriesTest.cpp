// Damaged entries and tags of unknown types through the container: what a load keeps and
// what an orientation edit saved (and read back by the verified save) still holds.

#include "units/ExifContainerFixtures.h"

#include "Tessel/Exif.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace Tessel::Exif;
using namespace ExifFixtures;
using enum TExifSectionKind;

namespace {

// An Exif directory as a camera's firmware bug leaves it: two entries that claim
// gigabytes far outside the block in front of sound ones, a comment of type 14 and a
// rational whose data lies behind the end of the block.
Bytes DamagedExifBlock(bool bigEndian) {
  TExifBuilder b(bigEndian);
  b.Short(0, ttOrientation, 1);
  const int exif = b.AddIfd();
  b.Pointer(0, ttExifOffset, exif);
  b.Raw(exif, ttExposureTime, 0xFF05, 0xFFFFFFFE, Bytes{0xA4, 0xCE, 0xFF, 0xFF});
  b.Raw(exif, 0x7D62, 0xFFFA, 0xFFFFFFFE, Bytes{0x9C, 0xCE, 0xFF, 0xFF});
  b.Rational(exif, ttFNumber, 28, 10);
  b.Short(exif, ttMeteringMode, 5);
  b.Raw(exif, ttFocalLength, TExifBuilder::RATIONAL, 1, Bytes(4)); // set below
  b.Raw(exif, ttUserComment, 0x000E, 12, BytesOf(std::string_view("\0\0\0\0\0\0\0\0abcd", 12)));
  b.Short(exif, ttColorSpace, 1);
  // The rational starts 4 bytes before the end of the block.
  const auto end = static_cast<std::uint32_t>(b.Build().size() - 4);
  b.SetValue(exif, ttFocalLength,
             bigEndian ? Bytes{static_cast<std::uint8_t>(end >> 24), static_cast<std::uint8_t>(end >> 16),
                               static_cast<std::uint8_t>(end >> 8), static_cast<std::uint8_t>(end)}
                       : Bytes{static_cast<std::uint8_t>(end), static_cast<std::uint8_t>(end >> 8),
                               static_cast<std::uint8_t>(end >> 16), static_cast<std::uint8_t>(end >> 24)});
  return b.Build();
}

std::string Summary(TExifSection& section) {
  std::string result;
  for (const auto* tag : section)
    result += fmt::format("{:04X}:{}:{}:{};", tag->ID(), static_cast<int>(tag->DataType()), tag->ElementCount(),
                          tag->AsString());
  return result;
}

} // namespace

TEST(ExifDamagedEntries, JPEGSaveKeepsSoundAndUnknownTagsAsTheyCame) {
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    auto stream = StreamOf(JPEGFile({ExifSegment(DamagedExifBlock(big))}));
    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(*stream));
    auto& details = *data.GetSection(esDetails);
    const std::string expected = "829D:5:1:28/10;9207:3:1:5;920A:5:0:;9286:14:12:000000000000000061626364;A001:3:1:1;";
    EXPECT_EQ(Summary(details), expected) << "the two garbage entries are skipped, nothing else";
    EXPECT_TRUE(details.LoadErrors().Contains(TMetadataLoadError::leBadTagHeader));
    EXPECT_TRUE(data.FocalLength().MissingOrInvalid());
    EXPECT_EQ(data.Comments(), "");

    data.SetOrientation(TTiffOrientation::toRightTop);
    ASSERT_NO_THROW(data.SaveToGraphic(*stream)) << "the read-back check accepts what was written";
    TExifData saved;
    stream->SetPosition(0);
    ASSERT_TRUE(saved.LoadFromGraphic(*stream));
    EXPECT_EQ(saved.Orientation(), TTiffOrientation::toRightTop);
    EXPECT_EQ(Summary(*saved.GetSection(esDetails)), expected);
    EXPECT_EQ(saved.Endianness(), big ? TEndianness::BigEndian : TEndianness::SmallEndian);
  }
}

TEST(ExifDamagedEntries, TIFFSaveCarriesTagsOfUnknownTypeAsTheyCame) {
  // A TIFF file: the picture's own tags (one of an unknown type), a strip, an Exif
  // directory with a comment of type 14, and an entry of unknown type in IFD0 that claims
  // far more bytes than the file holds.
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    TExifBuilder b(big);
    b.Short(0, ttImageWidth, 2);
    b.Short(0, ttImageLength, 2);
    b.Short(0, ttBitsPerSample, 8);
    b.Short(0, ttCompression, 1);
    b.Short(0, ttPhotometricInterpretation, 1);
    b.BlobPointer(0, ttStripOffsets, Bytes{10, 20, 30, 40});
    b.Short(0, ttOrientation, 1);
    b.Short(0, ttRowsPerStrip, 2);
    b.Long(0, ttStripByteCounts, 4);
    b.Raw(0, 0xC5F0, 0x0020, 6, BytesOf(std::string_view("\x01\x02\x03\x04\x05\x06", 6)));
    b.Raw(0, 0xC5F1, 0x0021, 3, BytesOf(std::string_view("xyz\0", 4)));
    b.Raw(0, 0xC5F2, 0x0022, 0x7FFFFF00, Bytes{0, 1, 0, 0});
    const int exif = b.AddIfd();
    b.Pointer(0, ttExifOffset, exif);
    b.Raw(exif, ttUserComment, 0x000E, 12, BytesOf(std::string_view("\0\0\0\0\0\0\0\0abcd", 12)));
    b.Short(exif, ttColorSpace, 1);
    auto stream = StreamOf(b.Build());
    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(*stream));
    const auto detailsBefore = Summary(*data.GetSection(esDetails));
    EXPECT_NE(detailsBefore.find("9286:14:12:000000000000000061626364;"), std::string::npos) << detailsBefore;
    data.SetOrientation(TTiffOrientation::toRightTop);
    ASSERT_NO_THROW(data.SaveToGraphic(*stream)) << "the read-back check accepts what was written";

    TExifData saved;
    stream->SetPosition(0);
    ASSERT_TRUE(saved.LoadFromGraphic(*stream));
    EXPECT_EQ(saved.Orientation(), TTiffOrientation::toRightTop);
    EXPECT_EQ(Summary(*saved.GetSection(esDetails)), detailsBefore);
    // The picture's own entries of unknown types, as the file has them.
    stream->SetPosition(0);
    const auto parser = ParseTiff(*stream);
    auto directories = parser->GetEnumerator();
    ASSERT_TRUE(directories.MoveNext());
    const auto ifd0 = directories.Current();
    std::string found;
    for (const auto& info : ifd0->TagInfo())
      if (info.ID >= 0xC5F0) {
        auto readable = info;
        readable.DataType = TTiffDataType::tdUndefined;
        Bytes bytes(static_cast<std::size_t>(readable.DataSize()));
        parser->LoadTagData(readable, bytes.data());
        found += fmt::format("{:04X}:{}:{}:{};", info.ID, static_cast<int>(info.DataType), info.ElementCount,
                             std::string(bytes.begin(), bytes.end()));
      }
    EXPECT_EQ(found, "C5F0:32:6:\x01\x02\x03\x04\x05\x06;C5F1:33:3:xyz;")
        << "the one whose bytes are not in the file is left behind";
    EXPECT_NE(saved.GetSection(esDetails)->Find(ttColorSpace), nullptr);
  }
}

TEST(ExifDamagedEntries, TIFFSaveIsNotRefusedForATagOfUnknownType) {
  // A TIFF file: the picture's own tags, a strip, and the same damaged Exif directory.
  TExifBuilder b;
  b.Short(0, ttImageWidth, 2);
  b.Short(0, ttImageLength, 2);
  b.Short(0, ttBitsPerSample, 8);
  b.Short(0, ttCompression, 1);
  b.Short(0, ttPhotometricInterpretation, 1);
  b.BlobPointer(0, ttStripOffsets, Bytes{10, 20, 30, 40});
  b.Short(0, ttOrientation, 1);
  b.Short(0, ttRowsPerStrip, 2);
  b.Long(0, ttStripByteCounts, 4);
  const int exif = b.AddIfd();
  b.Pointer(0, ttExifOffset, exif);
  b.Raw(exif, ttUserComment, 0x000E, 12, BytesOf(std::string_view("\0\0\0\0\0\0\0\0abcd", 12)));
  b.Short(exif, ttColorSpace, 1);
  auto stream = StreamOf(b.Build());
  TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(*stream));
  data.SetOrientation(TTiffOrientation::toRightTop);
  ASSERT_NO_THROW(data.SaveToGraphic(*stream));
  TExifData saved;
  stream->SetPosition(0);
  ASSERT_TRUE(saved.LoadFromGraphic(*stream));
  EXPECT_EQ(saved.Orientation(), TTiffOrientation::toRightTop);
  EXPECT_NE(saved.GetSection(esDetails)->Find(ttColorSpace), nullptr);
}

// A sub-directory pointer that leads to nothing usable leaves its section empty, but with
// load errors, so that a dropped damaged directory is not mistaken for an absent one.
TEST(ExifDamagedEntries, DroppedSubDirectoryRecordsALoadError) {
  using enum TMetadataLoadError;
  struct TCase {
    const char* Name;
    std::function<void(TExifBuilder&)> Pointer;
    TMetadataLoadErrors Errors;
  };
  const auto pointerTo = [](std::uint32_t offset) {
    return [offset](TExifBuilder& b) { b.Raw(0, ttGPSOffset, TExifBuilder::LONG, 1, b.U32(offset)); };
  };
  const TCase cases[] = {
      {"an entry far outside the block, then one of an unknown type",
       [](TExifBuilder& b) {
         const int gps = b.AddIfd();
         b.Pointer(0, ttGPSOffset, gps);
         b.Raw(gps, 0x0001, TExifBuilder::LONG, 100, b.U32(0x7FFFFFF0));
         b.Raw(gps, 0x0002, 0x00FE, 1, Bytes(4));
       },
       {leBadTagHeader, leBadTagCount}},
      {"two entries far outside the block",
       [](TExifBuilder& b) {
         const int gps = b.AddIfd();
         b.Pointer(0, ttGPSOffset, gps);
         b.Raw(gps, 0x0001, TExifBuilder::LONG, 100, b.U32(0x7FFFFFF0));
         b.Raw(gps, 0x0002, TExifBuilder::RATIONAL, 3, b.U32(0x7FFFFFF0));
       },
       {leBadTagHeader, leBadTagCount}},
      {"beyond the block", pointerTo(0x10000), {leBadOffset}},
      {"into the header", pointerTo(4), {leBadOffset}},
      {"onto IFD0 itself", pointerTo(8), {leBadOffset}},
      {"zero: none", pointerTo(0), {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TExifBuilder b;
    b.Short(0, ttOrientation, 6);
    c.Pointer(b);
    TExifData data;
    LoadBlock(data, b.Build());
    EXPECT_EQ(data.Orientation(), TTiffOrientation::toRightTop);
    const auto& gps = *data.GetSection(esGPS);
    EXPECT_EQ(gps.Count(), 0);
    EXPECT_EQ(gps.LoadErrors(), c.Errors);
  }
}

// Entries of unknown types whose data lies far behind the block, where damage leaves them:
// a second MakerNote entry behind the real note, and garbage in IFD1. Their data cannot
// be found, so they go, and the sections say so; everything sound around them, the real
// maker note with its bytes in particular, survives the verified save.
TEST(ExifDamagedEntries, UnlocatableEntriesOfUnknownTypeAreReportedAndNothingElseGoes) {
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    TExifBuilder b(big);
    b.Short(0, ttOrientation, 1);
    const int exif = b.AddIfd();
    b.Pointer(0, ttExifOffset, exif);
    b.Short(exif, ttMeteringMode, 5);
    Bytes note(40);
    for (std::size_t i = 0; i < note.size(); ++i)
      note[i] = static_cast<std::uint8_t>(0xA0 + i);
    b.Undefined(exif, ttMakerNote, note);
    b.Raw(exif, ttMakerNote, 0x0075, 65798151, b.U32(57016320));
    b.Short(exif, ttColorSpace, 1);
    const int ifd1 = b.AddIfd();
    b.Chain(0, ifd1);
    b.Raw(ifd1, ttImageWidth, 0x0211, 51445823, b.U32(16580352));
    b.Raw(ifd1, ttImageLength, 0x0100, 0, Bytes(4));
    b.Short(ifd1, ttResolutionUnit, 2);
    auto stream = StreamOf(JPEGFile({ExifSegment(b.Build())}));

    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(*stream));
    auto& details = *data.GetSection(esDetails);
    auto& thumbnail = *data.GetSection(esThumbnail);
    EXPECT_EQ(details.Count(), 3);
    EXPECT_TRUE(details.LoadErrors().Contains(TMetadataLoadError::leBadTagHeader));
    ASSERT_NE(details.Find(ttMakerNote), nullptr);
    EXPECT_EQ(details.Find(ttMakerNote)->DataType(), TTiffDataType::tdUndefined);
    EXPECT_EQ(thumbnail.Find(ttImageWidth), nullptr);
    EXPECT_NE(thumbnail.Find(ttImageLength), nullptr) << "an empty entry of unknown type is there to keep";
    EXPECT_TRUE(thumbnail.LoadErrors().Contains(TMetadataLoadError::leBadTagHeader));
    const auto detailsBefore = Summary(details);
    const auto thumbnailBefore = Summary(thumbnail);

    data.SetOrientation(TTiffOrientation::toRightTop);
    ASSERT_NO_THROW(data.SaveToGraphic(*stream));
    TExifData saved;
    stream->SetPosition(0);
    ASSERT_TRUE(saved.LoadFromGraphic(*stream));
    EXPECT_EQ(saved.Orientation(), TTiffOrientation::toRightTop);
    EXPECT_EQ(Summary(*saved.GetSection(esDetails)), detailsBefore);
    EXPECT_EQ(Summary(*saved.GetSection(esThumbnail)), thumbnailBefore);
    const auto* savedNote = saved.GetSection(esDetails)->Find(ttMakerNote);
    ASSERT_NE(savedNote, nullptr);
    EXPECT_EQ(Bytes(savedNote->Bytes().begin(), savedNote->Bytes().end()), note);
    EXPECT_TRUE(saved.GetSection(esDetails)->LoadErrors().Empty()) << "what was written is sound";
  }
}
