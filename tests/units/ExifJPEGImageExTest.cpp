// The JPEG picture with metadata: loading and saving (unchanged bytes when unchanged),
// assignments with and without the metadata, thumbnails, removal of metadata and segments.

#include "ExifContainerFixtures.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include "platform/Graphics.h"
#include "platform/JPEGImage.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

using namespace ExifFixtures;
using namespace Tessel::Exif;
using enum TExifSectionKind;
using enum TJPEGMetadataKind;

namespace {

// A real, decodable JPEG with the given segments right behind its JFIF segment.
Bytes PictureWith(const std::vector<Bytes>& segments, int width = 64, int height = 48) {
  const auto jpeg = TinyJPEG(width, height);
  const std::size_t app0End = 4 + ((jpeg[4] << 8) | jpeg[5]);
  Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(app0End));
  for (const auto& segment : segments)
    out = out + segment;
  return out + Bytes(jpeg.begin() + static_cast<std::ptrdiff_t>(app0End), jpeg.end());
}

Bytes CameraExif() {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, "Maker");
  b.Short(0, ttOrientation, 1);
  b.Pointer(0, ttExifOffset, exif);
  b.Rational(exif, 0x829A, 1, 250);
  return b.Build();
}

Bytes Save(Platform::TGraphic& picture) {
  Platform::TMemoryStream stream;
  picture.SaveToStream(stream);
  return Bytes(stream.Bytes().begin(), stream.Bytes().end());
}

void Load(Platform::TGraphic& picture, const Bytes& bytes) {
  auto stream = StreamOf(bytes);
  picture.LoadFromStream(*stream);
}

// The bytes from the start of the scan to the end.
Bytes ScanData(const Bytes& jpeg) {
  for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
      return Bytes(jpeg.begin() + static_cast<std::ptrdiff_t>(i), jpeg.end());
  return {};
}

std::vector<std::uint8_t> Markers(TJPEGImageEx& picture) {
  std::vector<std::uint8_t> markers;
  for (const auto& segment : *picture.Segments(TJPEGMarkers::All() - TJPEGMarkers{jmSOS, jmEOI}))
    markers.push_back(segment->MarkerNum());
  return markers;
}

} // namespace

TEST(ExifJPEGImageEx, UnchangedPictureSavesItsBytes) {
  const auto source = PictureWith({ExifSegment(CameraExif()), XMPSegment(), Segment(0xFE, BytesOf("note"))});
  TJPEGImageEx picture;
  Load(picture, source);
  EXPECT_EQ(picture.ExifData().CameraMake(), "Maker");
  EXPECT_FALSE(picture.ChangedSinceLastLoad());
  EXPECT_FALSE(picture.XMPPacket().Empty());
  EXPECT_EQ(Save(picture), source);

  // An orientation edit rebuilds the metadata segments only.
  int events = 0;
  picture.SetOnChange([&](Platform::TGraphic&) { ++events; });
  picture.ExifData().SetOrientation(TTiffOrientation::toRightTop);
  EXPECT_TRUE(picture.ChangedSinceLastLoad());
  EXPECT_EQ(events, 1);
  const auto saved = Save(picture);
  EXPECT_NE(saved, source);
  EXPECT_EQ(ScanData(saved), ScanData(source)) << "the compressed picture data changed";
  EXPECT_EQ(events, 1) << "the save's own tag updates are no change of the picture";
  EXPECT_TRUE(picture.ChangedSinceLastLoad()) << "only a load or an assignment makes the picture clean";

  TJPEGImageEx reloaded;
  Load(reloaded, saved);
  EXPECT_EQ(reloaded.ExifData().Orientation(), TTiffOrientation::toRightTop);
  EXPECT_EQ(reloaded.ExifData().CameraMake(), "Maker");
  EXPECT_EQ(reloaded.Width(), 64);
  const auto markers = Markers(reloaded);
  ASSERT_GE(markers.size(), 5U);
  EXPECT_EQ(std::vector<std::uint8_t>(markers.begin(), markers.begin() + 5),
            (std::vector<std::uint8_t>{0xE0, 0xE1, 0xE1, 0xFE, 0xDB}))
      << "JFIF, Exif, XMP, then the rest in order";

  // Edits to the IPTC data alone do not make the picture changed, as designed.
  TJPEGImageEx clean;
  Load(clean, source);
  clean.IPTCData().Clear();
  EXPECT_EQ(Save(clean), source);
}

TEST(ExifJPEGImageEx, SaveErrorsKeepTheChangeBinding) {
  TJPEGImageEx picture;
  Load(picture, PictureWith({ExifSegment(CameraExif())}));
  picture.ExifData().GetSection(esGeneral)->AddOrUpdate(0xC4A5, TTiffDataType::tdUndefined, 70000);
  Platform::TMemoryStream out;
  EXPECT_THROW(picture.SaveToStream(out), EExifBlockTooLarge);
  EXPECT_EQ(out.Size(), 0) << "nothing written";
  int events = 0;
  picture.SetOnChange([&](Platform::TGraphic&) { ++events; });
  picture.ExifData().SetCameraMake("Other");
  EXPECT_EQ(events, 1) << "EXIF edits reach the picture after a failed save";
}

TEST(ExifJPEGImageEx, RemoveMetadata) {
  const auto app13 = Segment(0xED, BytesOf(std::string_view("Photoshop 3.0\0", 14)) +
                                       AdobeBlock(0x0404, IPTCObjectName("name")) + AdobeBlock(0x03ED, Bytes(16, 7)));
  const auto source = PictureWith({ExifSegment(CameraExif()), XMPSegment(), app13});
  TJPEGImageEx picture;
  Load(picture, source);
  EXPECT_EQ(picture.IPTCData().Empty(), false);

  EXPECT_TRUE(picture.RemoveMetadata({}).Empty());
  EXPECT_EQ(Save(picture), source);

  EXPECT_EQ(picture.RemoveMetadata({mkExif}), TJPEGMetadataKinds{mkExif});
  EXPECT_TRUE(picture.ExifData().Empty());
  EXPECT_FALSE(picture.XMPPacket().Empty());
  EXPECT_TRUE(picture.RemoveMetadata({mkExif}).Empty()) << "nothing left to remove";

  // The IPTC block goes; the other resource stays in a rebuilt APP13 segment.
  EXPECT_EQ(picture.RemoveMetadata({mkIPTC, mkXMP}), (TJPEGMetadataKinds{mkIPTC, mkXMP}));
  EXPECT_TRUE(picture.IPTCData().Empty());
  EXPECT_TRUE(picture.XMPPacket().Empty());
  const auto stripped = Save(picture);
  const auto kept = Segment(0xED, BytesOf(std::string_view("Photoshop 3.0\0", 14)) + AdobeBlock(0x03ED, Bytes(16, 7)));
  EXPECT_EQ(stripped, PictureWith({kept}));

  // Stream form: bytes outside removed segments are copied unchanged.
  auto in = StreamOf(source);
  Platform::TMemoryStream out;
  EXPECT_EQ(RemoveMetadataSegments(*in, out, {mkXMP}), TJPEGMetadataKinds{mkXMP});
  EXPECT_EQ(Bytes(out.Bytes().begin(), out.Bytes().end()), PictureWith({ExifSegment(CameraExif()), app13}));
}

TEST(ExifJPEGImageEx, AssignWithAndWithoutMetadata) {
  const auto app2 = Segment(0xE2, BytesOf("ICC_PROFILE data"));
  const auto source = PictureWith({ExifSegment(CameraExif()), app2, XMPSegment()});
  TJPEGImageEx picture;
  Load(picture, source);
  const Platform::TBitmap bitmap(32, 16);

  picture.Assign(bitmap, TJPEGImageEx::TAssignOptions{TJPEGImageEx::TAssignOption::jaPreserveMetadata});
  EXPECT_EQ(picture.Width(), 32);
  EXPECT_FALSE(picture.ChangedSinceLastLoad());
  EXPECT_EQ(picture.ExifData().CameraMake(), "Maker");
  EXPECT_EQ(picture.ExifData().GetSection(esDetails)->GetFractionValue(0x829A, 0), TTiffLongWordFraction(1, 250));
  EXPECT_EQ(Markers(picture).front(), 0xE0);
  const auto bytes = Save(picture);
  // Kept in their order right behind the new JFIF segment.
  const auto expected = ExifSegment(CameraExif()) + app2 + XMPSegment();
  const std::size_t app0End = 4 + ((bytes[4] << 8) | bytes[5]);
  EXPECT_EQ(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(app0End),
                  bytes.begin() + static_cast<std::ptrdiff_t>(app0End + expected.size())),
            expected);

  picture.Assign(bitmap);
  EXPECT_TRUE(picture.ExifData().Empty());
  EXPECT_TRUE(picture.IPTCData().Empty());
  EXPECT_FALSE(picture.ChangedSinceLastLoad());

  // Another picture's bytes bring their metadata along.
  TJPEGImageEx other;
  Load(other, source);
  picture.Assign(other);
  EXPECT_EQ(picture.ExifData().CameraMake(), "Maker");
}

TEST(ExifJPEGImageEx, ThumbnailsAndSegments) {
  TJPEGImageEx picture;
  picture.ExifData().Thumbnail().SetData(TinyJPEG(16, 16));
  picture.CreateThumbnail();
  EXPECT_FALSE(picture.ExifData().HasThumbnail()) << "an empty picture removes the thumbnail";

  Load(picture, PictureWith({ExifSegment(CameraExif()), Segment(0xFE, BytesOf("x"))}, 400, 300));
  picture.CreateThumbnail();
  ASSERT_TRUE(picture.ExifData().HasThumbnail());
  EXPECT_EQ(picture.ExifData().Thumbnail().Width(), 160);
  EXPECT_EQ(picture.ExifData().Thumbnail().Height(), 120);
  EXPECT_TRUE(picture.ChangedSinceLastLoad());
  picture.CreateThumbnail(50, 50);
  EXPECT_EQ(picture.ExifData().Thumbnail().Width(), 50);
  EXPECT_EQ(picture.ExifData().Thumbnail().Height(), 38);

  // Saved and reloaded, the thumbnail is in IFD1.
  TJPEGImageEx reloaded;
  Load(reloaded, Save(picture));
  EXPECT_TRUE(reloaded.ExifData().HasThumbnail());
  EXPECT_EQ(reloaded.ExifData().Thumbnail().Width(), 50);

  EXPECT_EQ(reloaded.RemoveSegments({0xFE, jmEOI}), TJPEGMarkers{0xFE}) << "EOI is never removed";
  EXPECT_TRUE(reloaded.RemoveSegments({0xFE}).Empty());
  EXPECT_EQ(reloaded.ExifData().CameraMake(), "Maker") << "reloaded after the removal";
  const auto bytes = Save(reloaded);
  EXPECT_EQ(Bytes(bytes.end() - 2, bytes.end()), (Bytes{0xFF, 0xD9}));
}

TEST(ExifJPEGImageEx, ContainerSavesIntoAPictureObject) {
  TJPEGImageEx picture;
  Load(picture, PictureWith({ExifSegment(CameraExif())}));
  const auto scan = ScanData(Save(picture));
  TExifData other;
  other.SetCameraMake("Other maker");
  other.SaveToJPEG(picture);
  EXPECT_EQ(picture.ExifData().CameraMake(), "Other maker") << "the picture is reloaded from the new bytes";
  EXPECT_FALSE(picture.ChangedSinceLastLoad());
  EXPECT_EQ(ScanData(Save(picture)), scan);

  // A picture that is not a JPEG is refused and left as it was.
  Platform::TBitmap bitmap(2, 2);
  const auto before = Save(bitmap);
  EXPECT_THROW(other.SaveToGraphic(bitmap), EUnsupportedGraphicFormat);
  EXPECT_EQ(Save(bitmap), before);
}
