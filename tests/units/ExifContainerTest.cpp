// The EXIF container: construction, change notification, loading from JPEG, PSD, TIFF
// and raw blocks, the lazily held IPTC and XMP data, the thumbnail, Assign.

#include "ExifContainerFixtures.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace ExifFixtures;
using namespace Tessel::Exif;
using enum TExifSectionKind;
using enum TJPEGMetadataKind;

namespace {

// IFD0 with Make, Orientation and an Exif sub-IFD holding ExposureTime and a UserComment.
Bytes SimpleExif(bool big = false, std::string_view make = "Maker") {
  TExifBuilder b(big);
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, make);
  b.Short(0, ttOrientation, 6);
  b.Pointer(0, ttExifOffset, exif);
  b.Rational(exif, 0x829A, 1, 250);
  b.Undefined(exif, 0x9286, BytesOf(std::string_view("ASCII\0\0\0hello", 13)));
  return b.Build();
}

struct TChangeCounter {
  int Count = 0;
  void Attach(TCustomExifData& data) {
    data.SetOnChange([this](TCustomExifData&) { ++Count; });
  }
};

} // namespace

TEST(ExifContainer, ConstructionState) {
  TExifData data;
  EXPECT_TRUE(data.Empty());
  EXPECT_FALSE(data.Modified());
  EXPECT_FALSE(data.HasThumbnail());
  EXPECT_FALSE(data.HasMakerNote());
  EXPECT_EQ(data.MakerNoteType(), TUnrecognizedMakerNote::Class());
  EXPECT_TRUE(data.EnforceASCII());
  EXPECT_TRUE(data.EnsureEnumsInRange());
  EXPECT_FALSE(data.AlwaysWritePreciseTimes());
  EXPECT_TRUE(data.RemovePaddingTagsOnSave());
  EXPECT_EQ(data.XMPWritePolicy(), TXMPWritePolicy::xwUpdateIfExists);
  EXPECT_TRUE(data.XMPPacket().Empty());
  EXPECT_TRUE(data.EmbeddedIPTC().Empty());

  // Sections come in kind order; the editable container's grow, the base container's do not.
  std::vector<TExifSectionKind> kinds;
  for (auto* section : data) {
    kinds.push_back(section->Kind());
    EXPECT_TRUE(section->IsExtendable());
    EXPECT_EQ(section->Owner(), &data);
  }
  EXPECT_EQ(kinds, std::vector<TExifSectionKind>(ExifSectionKinds.begin(), ExifSectionKinds.end()));
  EXPECT_THROW((void)data.Sections(esUserDefined), Platform::ERangeError);

  TCustomExifData fixed;
  EXPECT_FALSE(fixed.Sections(esGeneral)->IsExtendable());
  EXPECT_THROW(fixed.Sections(esGeneral)->SetWordValue(ttOrientation, 0, 1), EIllegalEditOfExifData);
}

TEST(ExifContainer, LoadsAJPEGExifSegment) {
  const Bytes app0 = Segment(0xE0, BytesOf(std::string_view("JFIF\0\1\1\0\0\1\0\1\0\0", 14)));
  const Bytes file = JPEGFile({app0, ExifSegment(SimpleExif(true))});
  TExifData data;
  TChangeCounter changes;
  changes.Attach(data);
  ASSERT_TRUE(LoadGraphic(data, file));

  EXPECT_EQ(changes.Count, 0) << "loading must not notify";
  EXPECT_FALSE(data.Modified());
  EXPECT_EQ(data.MetadataInSource(), TJPEGMetadataKinds{mkExif});
  EXPECT_EQ(data.Endianness(), TEndianness::BigEndian);
  // SOI, the APP0 segment, marker and length of the APP1 segment, "Exif" NUL NUL.
  EXPECT_EQ(data.OffsetBase(), static_cast<std::int64_t>(2 + app0.size() + 4 + 6));
  EXPECT_EQ(data.Sections(esGeneral)->GetStringValue(ttMake), "Maker");
  EXPECT_EQ(data.Sections(esGeneral)->GetWordValue(ttOrientation, 0, 0), 6);
  EXPECT_EQ(data.Sections(esDetails)->GetFractionValue(0x829A, 0), TTiffLongWordFraction(1, 250));
  EXPECT_EQ(data.Sections(esDetails)->Count(), 2);
  EXPECT_EQ(data.Sections(esGPS)->Count(), 0);
  EXPECT_EQ(data.XMPSegmentPosition(), 0);
  EXPECT_FALSE(data.Empty());

  // A JPEG without any metadata loads as an empty container.
  EXPECT_TRUE(LoadGraphic(data, JPEGFile({app0})));
  EXPECT_TRUE(data.Empty());
  EXPECT_TRUE(data.MetadataInSource().Empty());
}

TEST(ExifContainer, TakesTheFirstExifAndTheFirstXMPSegmentOnly) {
  const Bytes first = ExifSegment(SimpleExif(false, "First"));
  const Bytes second = ExifSegment(SimpleExif(false, "Second"));
  const Bytes xmp1 = XMPSegment("first/xmp");
  const Bytes xmp2 = XMPSegment("second/xmp");
  const Bytes file = JPEGFile({first, xmp1, second, xmp2});
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, file));
  EXPECT_EQ(data.Sections(esGeneral)->GetStringValue(ttMake), "First");
  EXPECT_EQ(data.MetadataInSource(), (TJPEGMetadataKinds{mkExif, mkXMP}));
  EXPECT_EQ(data.XMPSegmentPosition(), static_cast<std::int64_t>(2 + first.size()));
  EXPECT_EQ(data.XMPPacketSizeInSource(), static_cast<std::int64_t>(xmp1.size() - 4));
  ASSERT_NE(data.XMPPacket().DataToLazyLoad(), nullptr) << "the packet is parsed only on demand";
  EXPECT_NE(data.XMPPacket().RawXML().find("first/xmp"), std::string::npos);
}

TEST(ExifContainer, XMPOnlyJPEG) {
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({XMPSegment()})));
  EXPECT_TRUE(data.Empty());
  EXPECT_EQ(data.MetadataInSource(), TJPEGMetadataKinds{mkXMP});
  ASSERT_NE(data.XMPPacket().DataToLazyLoad(), nullptr);
  EXPECT_EQ(data.XMPPacket().SchemaCount(), 1);
}

TEST(ExifContainer, RawBlockWithAndWithoutSignature) {
  const Bytes tiff = SimpleExif();
  TExifData bare;
  TExifData signed_;
  bare.LoadFromStream(*StreamOf(tiff));
  signed_.LoadFromStream(*StreamOf(BytesOf(std::string_view("Exif\0\0", 6)) + tiff));
  for (auto kind : ExifSectionKinds)
    EXPECT_EQ(TagIDs(*bare.OwnedSection(kind)), TagIDs(*signed_.OwnedSection(kind))) << static_cast<int>(kind);
  EXPECT_EQ(TagIDs(*bare.Sections(esGeneral)), (std::vector<std::uint16_t>{ttMake, ttOrientation, ttExifOffset}));
  EXPECT_EQ(bare.OffsetBase(), 0);
  EXPECT_EQ(signed_.OffsetBase(), 6);
  EXPECT_FALSE(signed_.Modified());

  // Not a TIFF block at all: the library's error, no crash.
  TExifData data;
  EXPECT_THROW(data.LoadFromStream(*StreamOf(BytesOf("garbage!"))), EInvalidTiffData);
}

TEST(ExifContainer, ChangeEventsAndUpdateBrackets) {
  TExifData data;
  TChangeCounter changes;
  changes.Attach(data);

  data.Clear(true);
  EXPECT_EQ(changes.Count, 0) << "clearing an empty container is no change";
  EXPECT_FALSE(data.Modified());

  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(SimpleExif())})));
  EXPECT_EQ(changes.Count, 0);

  data.Sections(esGeneral)->SetWordValue(ttOrientation, 0, 3);
  EXPECT_EQ(changes.Count, 1);
  EXPECT_TRUE(data.Modified());
  data.SetModified(false);
  EXPECT_FALSE(data.Modified());
  EXPECT_EQ(changes.Count, 1) << "clearing the flag is no change";

  data.BeginUpdate();
  data.BeginUpdate();
  data.Sections(esGeneral)->SetStringValue(ttModel, "Model");
  data.Sections(esGeneral)->SetWordValue(ttOrientation, 0, 1);
  data.EndUpdate();
  EXPECT_TRUE(data.Updating());
  EXPECT_EQ(changes.Count, 1) << "nothing before the outermost EndUpdate";
  data.EndUpdate();
  EXPECT_EQ(changes.Count, 2) << "a bracket collapses its changes into one";
  EXPECT_FALSE(data.Updating());

  data.BeginUpdate();
  data.EndUpdate();
  EXPECT_EQ(changes.Count, 2) << "an empty bracket fires nothing";

  data.SetEndianness(data.Endianness());
  EXPECT_EQ(changes.Count, 2);
  data.SetEndianness(TEndianness::BigEndian);
  EXPECT_EQ(changes.Count, 3);

  data.Clear(true);
  EXPECT_EQ(changes.Count, 4) << "clearing a loaded container is one change";
  EXPECT_TRUE(data.Empty());

  data.SetModified(true);
  EXPECT_EQ(changes.Count, 5);
}

TEST(ExifContainer, SubDirectoriesAndTheirAbsence) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  const int gps = b.AddIfd();
  const int interop = b.AddIfd();
  b.Pointer(0, ttExifOffset, exif);
  b.Pointer(0, ttGPSOffset, gps);
  b.Short(exif, 0x8827, 200);
  b.Pointer(exif, ttInteropOffset, interop);
  b.Raw(gps, 0, TExifBuilder::BYTE, 4, Bytes{2, 3, 0, 0});
  b.Ascii(gps, 1, "N");
  b.Ascii(interop, ttInteropIndex, "R98");
  TExifData data;
  data.LoadFromStream(*StreamOf(b.Build()));
  EXPECT_EQ(data.Sections(esGPS)->GetStringValue(1), "N");
  EXPECT_EQ(data.Sections(esInterop)->GetStringValue(ttInteropIndex), "R98");
  EXPECT_EQ(data.Sections(esDetails)->GetWordValue(0x8827, 0, 0), 200);

  // No Exif pointer in IFD0: no Exif sub-IFD, no Interop, no maker note, even when the
  // GPS pointer works.
  TExifBuilder c;
  const int gps2 = c.AddIfd();
  c.Ascii(0, ttMake, "x");
  c.Pointer(0, ttGPSOffset, gps2);
  c.Ascii(gps2, 1, "S");
  data.LoadFromStream(*StreamOf(c.Build()));
  EXPECT_EQ(data.Sections(esDetails)->Count(), 0);
  EXPECT_EQ(data.Sections(esInterop)->Count(), 0);
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 0);
  EXPECT_EQ(data.Sections(esGPS)->GetStringValue(1), "S");

  // A pointer that leads nowhere leaves its section empty.
  TExifBuilder d;
  d.Long(0, ttExifOffset, 0x7FFFFFF0);
  d.Ascii(0, ttMake, "y");
  data.LoadFromStream(*StreamOf(d.Build()));
  EXPECT_EQ(data.Sections(esDetails)->Count(), 0);
  EXPECT_EQ(data.Sections(esGeneral)->GetStringValue(ttMake), "y");
}

TEST(ExifContainer, PlainTIFFFile) {
  TExifBuilder b(true);
  const int page2 = b.AddIfd();
  b.Short(0, ttImageWidth, 1);
  b.Short(0, ttImageLength, 1);
  b.Ascii(0, ttMake, "Scanner");
  b.Long(0, ttStripOffsets, 8);
  b.Short(0, ttOrientation, 1);
  b.Undefined(0, ttXMP, BytesOf(XMPPacketText("tiff/xmp")));
  // Photoshop stores the IIM stream as LONG elements; in a big-endian file they must
  // still be the file's bytes.
  Bytes iptc = IPTCObjectName("Big-endian name");
  iptc.resize((iptc.size() + 3) / 4 * 4, 0);
  b.Raw(0, ttIPTC, TExifBuilder::LONG, static_cast<std::uint32_t>(iptc.size() / 4), iptc);
  b.Chain(0, page2);
  b.Short(page2, ttImageWidth, 1);
  b.Long(page2, ttStripOffsets, 8);
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, b.Build()));

  EXPECT_EQ(TagIDs(*data.Sections(esGeneral)), (std::vector<std::uint16_t>{ttMake, ttOrientation, ttIPTC}))
      << "image-structure tags stay with the TIFF";
  EXPECT_EQ(data.Sections(esThumbnail)->Count(), 0) << "a second page is not a thumbnail";
  EXPECT_EQ(data.MetadataInSource(), (TJPEGMetadataKinds{mkExif, mkXMP}));
  EXPECT_EQ(data.OffsetBase(), 0);
  ASSERT_FALSE(data.EmbeddedIPTC().Empty());
  EXPECT_EQ(data.EmbeddedIPTC().ApplicationSection()->GetStringValue(5), "Big-endian name");
  EXPECT_NE(data.XMPPacket().RawXML().find("tiff/xmp"), std::string::npos);
}

// The IPTC and XMP data wait unparsed while the tags they came from are cleared away
// and the container is filled from another file; asking for them afterwards must read
// what the first file held, not freed memory (the sanitizers watch this test).
TEST(ExifContainer, LazyIPTCAndXMPOutliveTheirTags) {
  TExifBuilder b;
  b.Undefined(0, ttIPTC, IPTCObjectName("Kept name"));
  b.Undefined(0, ttXMP, BytesOf(XMPPacketText("kept/xmp")));
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, b.Build()));
  ASSERT_NE(data.XMPPacket().DataToLazyLoad(), nullptr);
  data.Clear(false);
  EXPECT_EQ(data.Sections(esGeneral)->Count(), 0);
  EXPECT_EQ(data.EmbeddedIPTC().ApplicationSection()->GetStringValue(5), "Kept name");
  EXPECT_NE(data.XMPPacket().RawXML().find("kept/xmp"), std::string::npos);

  ASSERT_TRUE(LoadGraphic(data, b.Build()));
  data.LoadFromStream(*StreamOf(SimpleExif()));
  EXPECT_NE(data.XMPPacket().RawXML().find("kept/xmp"), std::string::npos) << "a raw block load keeps the packet";
  EXPECT_TRUE(data.EmbeddedIPTC().Empty()) << "IPTC data of the previous source must not linger";

  ASSERT_TRUE(LoadGraphic(data, b.Build()));
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(SimpleExif())})));
  EXPECT_TRUE(data.XMPPacket().Empty());
  EXPECT_TRUE(data.EmbeddedIPTC().Empty());
}

TEST(ExifContainer, PhotoshopFile) {
  const Bytes psd =
      PSDFile({AdobeBlock(0x03ED, Bytes(16, 1)), AdobeBlock(ExifAdobeBlockID, SimpleExif(true, "Photoshop")),
               AdobeBlock(XMPAdobeBlockID, BytesOf(XMPPacketText("psd/xmp")))});
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, psd));
  EXPECT_EQ(data.Sections(esGeneral)->GetStringValue(ttMake), "Photoshop");
  EXPECT_EQ(data.MetadataInSource(), (TJPEGMetadataKinds{mkExif, mkXMP}));
  EXPECT_NE(data.XMPPacket().RawXML().find("psd/xmp"), std::string::npos);
  EXPECT_FALSE(data.Modified());
}

TEST(ExifContainer, UnrecognisedAndDamagedInput) {
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(SimpleExif()), XMPSegment()})));
  EXPECT_FALSE(LoadGraphic(data, BytesOf("GIF89a and more")));
  EXPECT_TRUE(data.Empty()) << "an unknown format leaves the container cleared";
  EXPECT_TRUE(data.XMPPacket().Empty());
  EXPECT_TRUE(data.MetadataInSource().Empty());

  // LoadFromJPEG refuses anything else before touching the container.
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(SimpleExif())})));
  EXPECT_THROW(data.LoadFromJPEG(*StreamOf(SimpleExif())), EInvalidJPEGHeader);
  EXPECT_FALSE(data.Empty());

  // A header cut off inside a segment after the Exif segment: the Exif data stays.
  Bytes cut = Bytes{0xFF, 0xD8} + ExifSegment(SimpleExif()) + Bytes{0xFF, 0xE1, 0x10, 0x00, 'x'};
  EXPECT_TRUE(LoadGraphic(data, cut));
  EXPECT_EQ(data.Sections(esGeneral)->GetStringValue(ttMake), "Maker");

  // An Exif segment whose TIFF header has no directory offset: no tags, no error.
  EXPECT_TRUE(LoadGraphic(data, JPEGFile({Segment(0xE1, BytesOf(std::string_view("Exif\0\0II*\0", 10)))})));
  EXPECT_TRUE(data.Empty());

  // A PSD whose resource length is negative.
  Bytes psd = PSDFile({});
  psd[26 + 4] = 0x80;
  EXPECT_TRUE(LoadGraphic(data, psd));
  EXPECT_TRUE(data.Empty());
}

TEST(ExifContainer, ThumbnailOfIFD1) {
  const Bytes jpeg = TinyJPEG(24, 16);
  TExifBuilder b;
  const int ifd1 = b.AddIfd();
  b.Ascii(0, ttMake, "x");
  b.Chain(0, ifd1);
  b.Long(ifd1, ttImageWidth, 999);
  b.Short(ifd1, ttImageLength, 999);
  b.BlobPointer(ifd1, 0x0201, jpeg);
  b.Long(ifd1, 0x0202, static_cast<std::uint32_t>(jpeg.size()));
  TExifData data;
  TChangeCounter changes;
  changes.Attach(data);
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(b.Build())})));
  ASSERT_TRUE(data.HasThumbnail());
  EXPECT_EQ(data.Thumbnail().Width(), 24);
  EXPECT_EQ(data.Thumbnail().Height(), 16);
  EXPECT_EQ(data.Sections(esThumbnail)->Count(), 4);
  EXPECT_EQ(changes.Count, 0);
  EXPECT_FALSE(data.Modified());

  // A new picture is one change, and the size tags follow it (as SHORT).
  Platform::TJPEGImage other;
  other.SetData(TinyJPEG(8, 40));
  data.SetThumbnail(&other);
  EXPECT_EQ(changes.Count, 1);
  EXPECT_TRUE(data.Modified());
  auto* ifd1Section = data.Sections(esThumbnail);
  EXPECT_EQ(ifd1Section->Find(ttImageWidth)->DataType(), TTiffDataType::tdWord);
  EXPECT_EQ(ifd1Section->GetWordValue(ttImageWidth, 0, 0), 8);
  EXPECT_EQ(ifd1Section->GetWordValue(ttImageLength, 0, 0), 40);

  data.SetThumbnail(nullptr);
  EXPECT_FALSE(data.HasThumbnail());
  EXPECT_EQ(changes.Count, 2);

  // A thumbnail that does not decode is dropped silently.
  Bytes broken = jpeg;
  broken.resize(20);
  broken.push_back(0xFF);
  broken.push_back(0xD9);
  TExifBuilder c;
  const int ifd1c = c.AddIfd();
  c.Chain(0, ifd1c);
  c.Short(0, ttOrientation, 1);
  c.BlobPointer(ifd1c, 0x0201, broken);
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(c.Build())})));
  EXPECT_FALSE(data.HasThumbnail());
  EXPECT_EQ(data.Sections(esThumbnail)->Count(), 1);
}

// Loading a file reads its header segments and stops at the picture data, so the size
// of the picture does not change what is read.
TEST(ExifContainer, FileLoadReadsOnlyTheHeaderSegments) {
  TTempDir dir;
  const Bytes exif = ExifSegment(SimpleExif());
  const Bytes xmp = XMPSegment();
  const auto writeFile = [&](const std::string& name, std::size_t pictureSize) {
    const auto fileName = dir.File(name);
    std::ofstream out(fileName, std::ios::binary);
    const Bytes head = Bytes{0xFF, 0xD8} + exif + xmp + Segment(0xDA, Bytes{1, 1, 0, 0, 63, 0});
    out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    const std::string chunk(1 << 20, 'U');
    for (std::size_t left = pictureSize; left > 0;) {
      const auto n = std::min(left, chunk.size());
      out.write(chunk.data(), static_cast<std::streamsize>(n));
      left -= n;
    }
    out.write("\xFF\xD9", 2);
    return fileName;
  };
  const auto small = writeFile("small.jpg", 50 * 1024);
  const auto large = writeFile("large.jpg", 50 * 1024 * 1024);

  std::int64_t fetched[2] = {};
  int i = 0;
  for (const auto& name : {small, large}) {
    Platform::TFileStream stream(name, Platform::fmOpenRead | Platform::fmShareDenyWrite);
    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(stream));
    EXPECT_EQ(data.Sections(esGeneral)->GetStringValue(ttMake), "Maker");
    EXPECT_EQ(data.MetadataInSource(), (TJPEGMetadataKinds{mkExif, mkXMP}));
    fetched[i++] = stream.BytesFetched();
  }
  EXPECT_EQ(fetched[0], fetched[1]);
  EXPECT_LT(fetched[1], 40 * 1024) << "only the header segments (and one read-ahead) are read";

  // The file-name forms load the same.
  TExifData data;
  EXPECT_TRUE(data.LoadFromGraphic(large));
  EXPECT_EQ(data.Sections(esDetails)->Count(), 2);
  data.LoadFromJPEG(small);
  EXPECT_EQ(data.Sections(esDetails)->Count(), 2);
  EXPECT_THROW(data.LoadFromGraphic(dir.File("missing.jpg")), Platform::EFOpenError);
}

TEST(ExifContainer, LoadFromGraphicObject) {
  Platform::TJPEGImage picture;
  const Bytes jpeg = TinyJPEG(4, 4);
  // The picture with an Exif segment behind its SOI.
  picture.SetData(Bytes{0xFF, 0xD8} + ExifSegment(SimpleExif()) + Bytes(jpeg.begin() + 2, jpeg.end()));
  TExifData data;
  data.LoadFromJPEG(picture);
  EXPECT_EQ(data.Sections(esGeneral)->GetStringValue(ttMake), "Maker");
}

TEST(ExifContainer, AssignAndRemovals) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, "Source");
  b.Undefined(0, 0xEA1C, Bytes{0x1C, 0xEA, 0, 0, 0, 0});
  b.Pointer(0, ttExifOffset, exif);
  b.Undefined(exif, ttMakerNote, Bytes(8, 0));
  b.Undefined(exif, 0xEA1C, Bytes{0x1C, 0xEA, 0, 0});
  TExifData source;
  source.LoadFromStream(*StreamOf(b.Build()));
  ASSERT_TRUE(source.HasMakerNote());

  TExifData copy;
  TChangeCounter changes;
  changes.Attach(copy);
  copy.Assign(&source);
  EXPECT_EQ(changes.Count, 1);
  for (auto kind : ExifSectionKinds)
    EXPECT_EQ(TagIDs(*copy.OwnedSection(kind)), TagIDs(*source.OwnedSection(kind))) << static_cast<int>(kind);

  copy.RemovePaddingTags();
  EXPECT_EQ(copy.Sections(esGeneral)->Find(0xEA1C), nullptr);
  EXPECT_EQ(copy.Sections(esDetails)->Find(0xEA1C), nullptr);
  copy.RemoveMakerNote();
  EXPECT_FALSE(copy.HasMakerNote());
  EXPECT_TRUE(source.HasMakerNote());

  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
}
