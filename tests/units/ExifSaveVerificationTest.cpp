// Saves that are read back before they replace anything, and the data a save carries
// although it cannot read it: a damaged XMP packet, orientation stored as LONG or SLONG.

#include "ExifContainerFixtures.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace ExifFixtures;
using namespace Tessel::Exif;
using enum TExifSectionKind;

namespace {

// A saver that does its work and then damages one byte of what it wrote.
class TCorruptingExifData : public TExifData {
public:
  // Where to flip a byte, counted from the end of the output.
  std::int64_t FromEnd = 3;
  // Flips a byte of the Exif block (counted from its start in the output) instead.
  std::int64_t InBlock = -1;
  std::uint8_t Mask = 0x5A;

  void DoSaveToJPEG(TStream& in, TStream& out) override {
    TExifData::DoSaveToJPEG(in, out);
    Corrupt(out);
  }
  void DoSaveToPSD(TStream& in, TStream& out) override {
    TExifData::DoSaveToPSD(in, out);
    Corrupt(out);
  }
  void DoSaveToTIFF(TStream& in, TStream& out) override {
    TExifData::DoSaveToTIFF(in, out);
    Corrupt(out);
  }

private:
  void Corrupt(TStream& out) const {
    const auto end = out.Position();
    const auto at = InBlock >= 0 ? InBlock : out.Size() - FromEnd;
    std::uint8_t byte = 0;
    out.SetPosition(at);
    out.ReadBuffer(&byte, 1);
    byte ^= Mask;
    out.SetPosition(at);
    out.WriteBuffer(&byte, 1);
    out.SetPosition(end);
  }
};

Bytes JPEGWithOrientation(std::uint16_t type, const Bytes& value, const std::vector<Bytes>& more = {}) {
  TExifBuilder b;
  b.Ascii(0, ttMake, "Maker");
  b.Raw(0, ttOrientation, type, 1, value);
  std::vector<Bytes> segments{ExifSegment(b.Build())};
  segments.insert(segments.end(), more.begin(), more.end());
  return JPEGFile(segments, 200);
}

Bytes Contents(const Platform::TMemoryStream& stream) { return Bytes(stream.Bytes().begin(), stream.Bytes().end()); }

// The data of the first APP1 segment that holds XMP.
Bytes XMPSegmentData(const Bytes& jpeg) {
  auto stream = StreamOf(jpeg);
  for (const auto& segment : *JPEGHeader(*stream, TJPEGMarkers{0xE1}))
    if (segment->IsXMPBlock(true))
      return Bytes(segment->Data().Bytes().begin(), segment->Data().Bytes().end());
  return {};
}

} // namespace

TEST(ExifSaveVerification, ACorruptedPictureByteFailsTheSaveAndKeepsTheOriginal) {
  const auto original = JPEGWithOrientation(TExifBuilder::SHORT, {1, 0});
  TTempDir dir;
  const auto file = dir.File("picture.jpg");
  WriteFile(file, original);

  TCorruptingExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(file));
  data.SetOrientation(TTiffOrientation::toRightTop);
  try {
    data.SaveToGraphic(file);
    ADD_FAILURE() << "a damaged picture byte was saved";
  } catch (const ESaveVerificationFailed& e) {
    EXPECT_STREQ(e.what(), "The saved picture did not read back as written; the original was left unchanged");
  }
  EXPECT_EQ(ReadFile(file), original);

  // The stream form leaves the caller's stream as it was, too.
  auto stream = StreamOf(original);
  EXPECT_THROW(data.SaveToGraphic(*stream), ESaveVerificationFailed);
  EXPECT_EQ(Contents(*stream), original);

  // Damage inside the Exif block: IFD0's two entries become one (the count follows SOI,
  // the segment's marker and length, "Exif" NUL NUL and the TIFF header).
  data.InBlock = 2 + 4 + 6 + 8;
  data.Mask = 0x03;
  EXPECT_THROW(data.SaveToGraphic(*stream), ESaveVerificationFailed);
  EXPECT_EQ(Contents(*stream), original);

  // Without the check the damage would have gone through; the check is what refused it.
  data.InBlock = -1;
  data.Mask = 0x5A;
  data.SetVerifySaves(false);
  EXPECT_NO_THROW(data.SaveToGraphic(*stream));
  EXPECT_NE(Contents(*stream), original);

  // The real saver passes its own check.
  TExifData honest;
  ASSERT_TRUE(honest.LoadFromGraphic(file));
  honest.SetOrientation(TTiffOrientation::toRightTop);
  EXPECT_NO_THROW(honest.SaveToGraphic(file));
  TExifData reloaded;
  ASSERT_TRUE(reloaded.LoadFromGraphic(file));
  EXPECT_EQ(reloaded.Orientation(), TTiffOrientation::toRightTop);
}

TEST(ExifSaveVerification, PhotoshopAndTIFFPictureDataAreChecked) {
  TExifBuilder b;
  b.Ascii(0, ttMake, "Maker");
  const auto psd = PSDFile({AdobeBlock(0x0422, b.Build()), AdobeBlock(0x03ED, Bytes(16, 7))});
  auto psdStream = StreamOf(psd);
  TCorruptingExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(*psdStream));
  data.SetCameraModel("Model");
  data.FromEnd = 1; // the last byte of the image data
  EXPECT_THROW(data.SaveToGraphic(*psdStream), ESaveVerificationFailed);
  EXPECT_EQ(Contents(*psdStream), psd);

  // Entries out of ascending order, as some writers leave them: the strip must still
  // travel with its directory (the rewriter once left it behind, which the check found).
  TExifBuilder t;
  t.Short(0, ttImageWidth, 2);
  t.Short(0, ttImageLength, 2);
  t.Short(0, ttOrientation, 1);
  t.Long(0, ttStripByteCounts, 4);
  t.BlobPointer(0, ttStripOffsets, Bytes{1, 2, 3, 4});
  const auto tiff = t.Build();
  auto tiffStream = StreamOf(tiff);
  TCorruptingExifData tiffData;
  ASSERT_TRUE(tiffData.LoadFromGraphic(*tiffStream));
  tiffData.SetOrientation(TTiffOrientation::toRightTop);
  // The rewriter puts the strip in front of the directories it writes behind it; find it.
  Platform::TMemoryStream probe;
  {
    TExifData honest;
    tiffStream->SetPosition(0);
    ASSERT_TRUE(honest.LoadFromGraphic(*tiffStream));
    honest.SetOrientation(TTiffOrientation::toRightTop);
    probe.WriteBuffer(tiff);
    honest.SaveToGraphic(probe);
  }
  const auto saved = Contents(probe);
  const Bytes strip{1, 2, 3, 4};
  const auto at = std::search(saved.begin(), saved.end(), strip.begin(), strip.end());
  ASSERT_NE(at, saved.end());
  tiffData.InBlock = (at - saved.begin()) + 2;
  EXPECT_THROW(tiffData.SaveToGraphic(*tiffStream), ESaveVerificationFailed);
  EXPECT_EQ(Contents(*tiffStream), tiff);
}

TEST(ExifSaveVerification, AnUnreadableXMPPacketIsCarriedAndDoesNotBlockTheEdit) {
  const Bytes broken = BytesOf(std::string_view("http://ns.adobe.com/xap/1.0/\0", 29)) +
                       BytesOf("<?xpacket begin=''?><x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF <broken");
  const auto original = JPEGWithOrientation(TExifBuilder::SHORT, {1, 0}, {Segment(0xE1, broken)});
  for (const auto policy : {TXMPWritePolicy::xwUpdateIfExists, TXMPWritePolicy::xwAlwaysUpdate}) {
    auto stream = StreamOf(original);
    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(*stream));
    data.SetXMPWritePolicy(policy);
    EXPECT_NO_THROW(data.SetOrientation(TTiffOrientation::toRightTop));
    EXPECT_NO_THROW(data.SetImageDescription("edited"));
    EXPECT_EQ(data.XMPPacket().SchemaCount(), 0) << "nothing of it can be read";
    EXPECT_NO_THROW(data.SaveToGraphic(*stream));

    const auto saved = Contents(*stream);
    EXPECT_EQ(XMPSegmentData(saved), broken) << "the packet's bytes travel unchanged";
    TExifData reloaded;
    stream->SetPosition(0);
    ASSERT_TRUE(reloaded.LoadFromGraphic(*stream));
    EXPECT_EQ(reloaded.Orientation(), TTiffOrientation::toRightTop);
    EXPECT_EQ(reloaded.ImageDescription(), "edited");
  }

  // Text handed to the packet explicitly is still refused as before.
  TExifData data;
  EXPECT_THROW(data.XMPPacket().SetRawXML("<x:xmpmeta"), EInvalidXMPPacket);
}

TEST(ExifSaveVerification, OrientationReadsFromAnyIntegerTypeAndIsWrittenAsShort) {
  struct TCase {
    std::uint16_t Type;
    Bytes Value;
    TTiffOrientation Expected;
  };
  const TCase cases[] = {
      {TExifBuilder::SHORT, {6, 0}, TTiffOrientation::toRightTop},
      {TExifBuilder::LONG, {6, 0, 0, 0}, TTiffOrientation::toRightTop},
      {9 /* SLONG */, {8, 0, 0, 0}, TTiffOrientation::toLeftBottom},
      {TExifBuilder::BYTE, {3}, TTiffOrientation::toBottomRight},
      {TExifBuilder::LONG, {9, 0, 0, 0}, TTiffOrientation::toUndefined},
      {TExifBuilder::RATIONAL, {6, 0, 0, 0, 1, 0, 0, 0}, TTiffOrientation::toUndefined},
  };
  for (const auto& c : cases) {
    auto stream = StreamOf(JPEGWithOrientation(c.Type, c.Value));
    TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(*stream));
    EXPECT_EQ(data.Orientation(), c.Expected) << "type " << c.Type;
  }
  auto stream = StreamOf(JPEGWithOrientation(TExifBuilder::LONG, {6, 0, 0, 0}));
  TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(*stream));
  data.SetOrientation(TTiffOrientation::toBottomRight);
  data.SaveToGraphic(*stream);
  TExifData reloaded;
  stream->SetPosition(0);
  ASSERT_TRUE(reloaded.LoadFromGraphic(*stream));
  const auto* tag = reloaded.GetSection(esGeneral)->Find(ttOrientation);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->DataType(), TTiffDataType::tdWord);
  EXPECT_EQ(reloaded.Orientation(), TTiffOrientation::toBottomRight);
}

TEST(ExifSaveVerification, DamageToTheWrittenXMPPacketFailsTheSave) {
  const auto original = JPEGWithOrientation(TExifBuilder::SHORT, {1, 0}, {XMPSegment("image/x-kept")});
  // Where the honest saver puts the packet's text.
  auto probe = StreamOf(original);
  {
    TExifData honest;
    ASSERT_TRUE(honest.LoadFromGraphic(*probe));
    honest.SetOrientation(TTiffOrientation::toRightTop);
    honest.SaveToGraphic(*probe);
  }
  const auto saved = Contents(*probe);
  const std::string_view format = "image/x-kept";
  const auto at = std::search(saved.begin(), saved.end(), format.begin(), format.end());
  ASSERT_NE(at, saved.end());

  // Parsed (the orientation setter looks for its mirror) but unchanged: written as read,
  // so the check compares the bytes.
  auto stream = StreamOf(original);
  TCorruptingExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(*stream));
  EXPECT_EQ(data.XMPPacket().SchemaCount(), 1);
  data.SetOrientation(TTiffOrientation::toRightTop);
  EXPECT_FALSE(data.XMPPacket().EditedSinceLoad());
  data.InBlock = at - saved.begin();
  EXPECT_THROW(data.SaveToGraphic(*stream), ESaveVerificationFailed);
  EXPECT_EQ(Contents(*stream), original);

  // Made anew from its properties: the check parses it, and a broken tag no longer parses.
  data.XMPPacket().UpdateProperty(TXMPNamespace::xsDublinCore, "format", "image/x-new");
  EXPECT_TRUE(data.XMPPacket().EditedSinceLoad());
  Platform::TMemoryStream text;
  data.XMPPacket().SaveToStream(text);
  const std::string_view open = "<rdf:RDF";
  const auto written = Contents(text);
  const auto tag = std::search(written.begin(), written.end(), open.begin(), open.end());
  ASSERT_NE(tag, written.end());
  {
    // The new text's position in the output: behind the segment's marker, length and header.
    TExifData honest;
    auto again = StreamOf(original);
    ASSERT_TRUE(honest.LoadFromGraphic(*again));
    honest.XMPPacket().UpdateProperty(TXMPNamespace::xsDublinCore, "format", "image/x-new");
    honest.SaveToGraphic(*again);
    const auto out = Contents(*again);
    const auto found = std::search(out.begin(), out.end(), written.begin(), written.end());
    ASSERT_NE(found, out.end());
    data.InBlock = (found - out.begin()) + (tag - written.begin()); // '<' of rdf:RDF becomes 'f'
  }
  data.Mask = '<' ^ 'f';
  EXPECT_THROW(data.SaveToGraphic(*stream), ESaveVerificationFailed);
  EXPECT_EQ(Contents(*stream), original);
}
