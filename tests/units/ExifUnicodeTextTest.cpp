// Texts outside ASCII in the description and the comment: saved into JPEG, Photoshop and
// TIFF files of either byte order, loaded back, and read back by exiftool where it is
// installed, since the peers' readers are what the stored bytes must satisfy.

#include "ExifContainerFixtures.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace ExifFixtures;
using namespace Tessel::Exif;
using enum TExifSectionKind;

namespace {

struct TText {
  const char* Name;
  std::string Value;
};

std::vector<TText> Texts() {
  std::string long3000;
  while (long3000.size() < 3000)
    long3000 += "Straßenbahn über Köln – ";
  long3000.resize(2999);
  long3000 += "!";
  return {{"umlauts", "Blick über Köln"},
          {"dash", "Zürich – Straße"},
          {"emoji", "Hafen \xF0\x9F\x93\xB7 bei Nacht"},
          {"long", long3000}};
}

enum class TFormat { fmJPEG, fmTIFF, fmPSD };

// A small file of the format with an Exif block in the given byte order.
Bytes SourceFile(TFormat format, bool bigEndian) {
  TExifBuilder b(bigEndian);
  if (format == TFormat::fmTIFF) {
    b.Short(0, ttImageWidth, 2);
    b.Short(0, ttImageLength, 2);
    b.BlobPointer(0, 0x0111, Bytes{1, 2, 3, 4});
    b.Long(0, 0x0117, 4);
  }
  b.Ascii(0, ttMake, "Maker");
  const int exif = b.AddIfd();
  b.Pointer(0, ttExifOffset, exif);
  b.Undefined(exif, 0x9000, BytesOf("0230"));
  switch (format) {
  case TFormat::fmJPEG: return JPEGFile({ExifSegment(b.Build())});
  case TFormat::fmPSD: return PSDFile({AdobeBlock(0x0422, b.Build())});
  case TFormat::fmTIFF: break;
  }
  return b.Build();
}

bool HaveExiftool() { return std::system("command -v exiftool >/dev/null 2>&1") == 0; }

// exiftool's values of the three tags, one line each ("-" for a missing one).
std::vector<std::string> ExiftoolValues(const std::string& file) {
  const std::string command =
      "exiftool -q -m -s3 -f -charset UTF8 -ImageDescription -UserComment -XMP-dc:Description '" + file + "'";
  std::vector<std::string> lines;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr)
    return lines;
  std::string line;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(c));
    }
  }
  ::pclose(pipe);
  return lines;
}

} // namespace

TEST(ExifUnicodeText, DescriptionAndCommentRoundTripThroughEveryFormat) {
  const bool exiftool = HaveExiftool();
  const TTempDir dir;
  const struct {
    TFormat Format;
    const char* Extension;
  } formats[] = {{TFormat::fmJPEG, "jpg"}, {TFormat::fmTIFF, "tif"}, {TFormat::fmPSD, "psd"}};
  for (const auto& [format, extension] : formats)
    for (const bool bigEndian : {false, true})
      for (const auto& [name, text] : Texts()) {
        const std::string file = dir.File(std::string(name) + (bigEndian ? "-mm." : "-ii.") + extension);
        SCOPED_TRACE(file);
        WriteFile(file, SourceFile(format, bigEndian));
        {
          TExifData data;
          ASSERT_TRUE(data.LoadFromGraphic(file));
          ASSERT_EQ(data.Endianness(), bigEndian ? TEndianness::BigEndian : TEndianness::SmallEndian);
          data.SetEnforceASCII(false);
          data.SetImageDescription(text);
          data.SetComments(text);
          data.SaveToGraphic(file);
        }
        TExifData loaded;
        ASSERT_TRUE(loaded.LoadFromGraphic(file));
        EXPECT_EQ(loaded.ImageDescription(), text);
        EXPECT_EQ(loaded.CameraMake(), "Maker");
        // UserComment alone, without the XPComment that Comments prefers.
        loaded.GetSection(esGeneral)->Remove(ttXPComment);
        EXPECT_EQ(loaded.Comments(), text);
        const auto* userComment = loaded.GetSection(esDetails)->Find(ttUserComment);
        ASSERT_NE(userComment, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(userComment->DataPtr()), 8),
                  std::string("UNICODE\0", 8));
        EXPECT_EQ(userComment->DataType(), TTiffDataType::tdUndefined);
        if (exiftool) {
          EXPECT_EQ(ExiftoolValues(file), (std::vector<std::string>{text, text, text}));
        }
      }
  if (!exiftool)
    GTEST_SKIP() << "exiftool is not installed: the files were not read back by it";
}

TEST(ExifUnicodeText, StoredBytesFollowWhatThePeersWrite) {
  TExifData data;
  data.SetEnforceASCII(false);
  data.SetImageDescription("Köln");
  const auto* description = data.GetSection(esGeneral)->Find(ttImageDescription);
  ASSERT_NE(description, nullptr);
  EXPECT_EQ(Bytes(description->Bytes().begin(), description->Bytes().end()),
            (Bytes{0x4B, 0xC3, 0xB6, 0x6C, 0x6E, 0x00}));
  data.SetImageDescription("Koeln");
  description = data.GetSection(esGeneral)->Find(ttImageDescription);
  EXPECT_EQ(Bytes(description->Bytes().begin(), description->Bytes().end()), BytesOf(std::string_view("Koeln\0", 6)))
      << "plain ASCII byte for byte";

  // The strict mode is the caller's choice and still refuses.
  TExifData strict;
  EXPECT_THROW(strict.SetImageDescription("Köln"), ENotOnlyASCIIError);
  EXPECT_EQ(strict.GetSection(esGeneral)->Find(ttImageDescription), nullptr);
}

TEST(ExifUnicodeText, UnicodeCommentsReadInEitherByteOrder) {
  // Some writers keep little-endian UTF-16 in a big-endian block and the other way round.
  const auto comment = [](const Bytes& payload) { return BytesOf(std::string_view("UNICODE\0", 8)) + payload; };
  const struct {
    const char* Case;
    bool BigEndianBlock;
    Bytes Stored;
  } cases[] = {
      {"little-endian in II", false, comment(Bytes{'K', 0, 0xF6, 0, 'l', 0, 'n', 0})},
      {"big-endian in MM", true, comment(Bytes{0, 'K', 0, 0xF6, 0, 'l', 0, 'n'})},
      {"little-endian in MM", true, comment(Bytes{'K', 0, 0xF6, 0, 'l', 0, 'n', 0})},
      {"big-endian in II", false, comment(Bytes{0, 'K', 0, 0xF6, 0, 'l', 0, 'n'})},
      {"byte-order mark", false, comment(Bytes{0xFE, 0xFF, 0, 'K', 0, 0xF6, 0, 'l', 0, 'n'})},
  };
  for (const auto& [name, bigEndian, stored] : cases) {
    SCOPED_TRACE(name);
    TExifBuilder b(bigEndian);
    const int exif = b.AddIfd();
    b.Pointer(0, ttExifOffset, exif);
    b.Undefined(exif, ttUserComment, stored);
    TExifData data;
    LoadBlock(data, b.Build());
    EXPECT_EQ(data.Comments(), "Köln");
  }
  // Text with no Latin letters gives no hint: the block's order holds.
  TExifBuilder b(true);
  const int exif = b.AddIfd();
  b.Pointer(0, ttExifOffset, exif);
  b.Undefined(exif, ttUserComment, comment(Bytes{0x65, 0xE5, 0x67, 0x2C}));
  TExifData data;
  LoadBlock(data, b.Build());
  EXPECT_EQ(data.Comments(), "日本");
}

TEST(ExifUnicodeText, DescriptionMirrors) {
  TExifData data;
  data.SetEnforceASCII(false);
  ASSERT_EQ(data.XMPWritePolicy(), TXMPWritePolicy::xwUpdateIfExists);
  data.SetImageDescription("Blick über Köln");
  TXMPProperty* property = nullptr;
  ASSERT_TRUE(data.XMPPacket()
                  .Schemas(TXMPNamespace::xsDublinCore)
                  .FindProperty("description", property));
  EXPECT_EQ(property->Kind(), TXMPPropertyKind::xpAltArray);
  TXMPProperty* item = nullptr;
  ASSERT_TRUE(property->FindSubProperty("x-default", item));
  EXPECT_EQ(item->ReadValue(std::string_view()), "Blick über Köln");

  // IPTC the container carries takes the caption, declared UTF-8 and cut on a character.
  TIPTCData& iptc = data.EmbeddedIPTC();
  iptc.SetUTF8Encoded(false);
  iptc.SetObjectName("Kölner Dom");
  ASSERT_FALSE(iptc.UTF8Encoded());
  ASSERT_EQ(iptc.ApplicationSection()->Find(5)->DataSize(), 10) << "single-byte text before the mirror";
  std::string longText(1999, 'a');
  longText += "ü and more";
  data.SetImageDescription(longText);
  EXPECT_TRUE(iptc.UTF8Encoded());
  EXPECT_EQ(iptc.CaptionOrAbstract(), std::string(1999, 'a')) << "the ü would straddle byte 2,000";
  EXPECT_EQ(iptc.ObjectName(), "Kölner Dom");
  EXPECT_EQ(iptc.ApplicationSection()->Find(5)->DataSize(), 11) << "the other texts re-encoded as UTF-8";
  EXPECT_EQ(data.ImageDescription(), longText) << "EXIF keeps the whole text";

  // No IPTC data: none is invented.
  TIPTCData none;
  EXPECT_FALSE(MirrorDescriptionIntoIPTC(none, "Köln"));
  EXPECT_TRUE(none.Empty());
}
