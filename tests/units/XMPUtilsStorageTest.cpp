// The packet in picture files: JPEG APP1, Photoshop resource 1060, TIFF tag 700.

#include "Tessel/Exif/XMPUtils.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using enum TXMPNamespace;

namespace {

using TBytes = std::vector<std::uint8_t>;

void Append(TBytes& bytes, std::string_view text) { bytes.insert(bytes.end(), text.begin(), text.end()); }
void AppendBE16(TBytes& bytes, unsigned value) {
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  bytes.push_back(static_cast<std::uint8_t>(value));
}
void AppendBE32(TBytes& bytes, std::uint32_t value) {
  AppendBE16(bytes, value >> 16);
  AppendBE16(bytes, value & 0xFFFF);
}
void AppendSegment(TBytes& bytes, std::uint8_t marker, std::string_view data) {
  bytes.push_back(0xFF);
  bytes.push_back(marker);
  AppendBE16(bytes, static_cast<unsigned>(data.size() + 2));
  Append(bytes, data);
}

std::string PacketText(std::string_view format) {
  return "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
         "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
         "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:format>" +
         std::string(format) + "</dc:format></rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";
}

// SOI, APP0, an Exif APP1, optionally an XMP APP1, a COM segment, then a scan whose
// data must come through byte for byte.
TBytes MakeJPEG(std::string_view xmp) {
  TBytes bytes{0xFF, 0xD8};
  AppendSegment(bytes, 0xE0, std::string_view("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
  AppendSegment(bytes, 0xE1, std::string_view("Exif\0\0II*\0\10\0\0\0\0\0\0\0\0\0", 20));
  if (!xmp.empty())
    AppendSegment(bytes, 0xE1, std::string(XMPSegmentHeader) + std::string(xmp));
  AppendSegment(bytes, 0xFE, "comment");
  AppendSegment(bytes, 0xDA, std::string_view("\1\1\0\0?\0", 6));
  for (int i = 0; i < 64; ++i)
    bytes.push_back(static_cast<std::uint8_t>(i * 7));
  bytes.push_back(0xFF);
  bytes.push_back(0xD9);
  return bytes;
}

// A PSD with an IPTC resource and optionally an XMP resource, and 16 bytes of image data.
TBytes MakePSD(std::string_view xmp) {
  TBytes resources;
  const auto addBlock = [&resources](unsigned id, std::string_view data) {
    Append(resources, "8BIM");
    AppendBE16(resources, id);
    AppendBE16(resources, 0); // empty name and its padding
    AppendBE32(resources, static_cast<std::uint32_t>(data.size()));
    Append(resources, data);
    if (data.size() % 2 != 0)
      resources.push_back(0);
  };
  addBlock(0x0404, std::string_view("\x1C\x02\x78\x00\x03"
                                    "abc",
                                    8));
  if (!xmp.empty())
    addBlock(0x0424, xmp);
  TBytes bytes;
  Append(bytes, PSDSignature);
  AppendBE16(bytes, 3); // channels
  AppendBE32(bytes, 2); // height
  AppendBE32(bytes, 2); // width
  AppendBE16(bytes, 8); // depth
  AppendBE16(bytes, 3); // RGB
  AppendBE32(bytes, 0); // colour-mode data
  AppendBE32(bytes, static_cast<std::uint32_t>(resources.size()));
  bytes.insert(bytes.end(), resources.begin(), resources.end());
  AppendBE32(bytes, 0); // layers
  for (int i = 0; i < 16; ++i)
    bytes.push_back(static_cast<std::uint8_t>(0xA0 + i));
  return bytes;
}

// A little-endian TIFF with one directory: ImageWidth and, optionally, tag 700.
TBytes MakeTIFF(std::string_view xmp) {
  TBytes bytes{'I', 'I', 42, 0, 8, 0, 0, 0};
  const std::uint16_t count = xmp.empty() ? 1 : 2;
  bytes.push_back(static_cast<std::uint8_t>(count));
  bytes.push_back(0);
  const auto entry = [&bytes](std::uint16_t id, std::uint16_t type, std::uint32_t n, std::uint32_t value) {
    for (const auto v : {std::uint32_t{id}, std::uint32_t{type}})
      bytes.insert(bytes.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
    for (const auto v : {n, value})
      bytes.insert(bytes.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
  };
  entry(0x0100, 3, 1, 2);
  const auto dataOffset = static_cast<std::uint32_t>(8 + 2 + 12 * count + 4);
  if (!xmp.empty())
    entry(700, 1, static_cast<std::uint32_t>(xmp.size()), dataOffset);
  bytes.insert(bytes.end(), {0, 0, 0, 0});
  Append(bytes, xmp);
  return bytes;
}

std::string FormatOf(TXMPPacket& packet) {
  TXMPSchema* schema = nullptr;
  if (!packet.FindSchema(xsDublinCore, schema))
    return "<none>";
  return schema->Properties("format").ReadValue("");
}

bool Contains(const TBytes& haystack, std::string_view needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

} // namespace

TEST(XMPStorage, JPEGLoadAndSave) {
  TTempDir dir;
  const auto file = dir.File("a.jpg");
  WriteFile(file, MakeJPEG(PacketText("old")));

  TXMPPacket packet;
  ASSERT_TRUE(packet.LoadFromGraphic(file));
  EXPECT_EQ(FormatOf(packet), "old");
  packet.UpdateProperty(xsDublinCore, "format", "new");
  packet.SaveToGraphic(file);

  const auto saved = ReadFile(file);
  EXPECT_FALSE(Contains(saved, "<dc:format>old")) << "the old XMP segment is replaced";
  EXPECT_TRUE(Contains(saved, "comment")) << "other segments stay";
  const auto original = MakeJPEG("");
  EXPECT_TRUE(std::equal(original.end() - 66, original.end(), saved.end() - 66)) << "the scan data is unchanged";
  TXMPPacket reloaded;
  ASSERT_TRUE(reloaded.LoadFromJPEG(file));
  EXPECT_EQ(FormatOf(reloaded), "new");

  // An empty packet removes the segment; a file without XMP loads as an empty packet.
  TXMPPacket empty;
  empty.SaveToGraphic(file);
  EXPECT_FALSE(Contains(ReadFile(file), "xpacket"));
  EXPECT_TRUE(reloaded.LoadFromGraphic(file));
  EXPECT_TRUE(reloaded.Empty());

  // A packet read and saved without changes keeps its bytes.
  WriteFile(file, MakeJPEG(PacketText("same") + " "));
  TXMPPacket unchanged;
  ASSERT_TRUE(unchanged.LoadFromGraphic(file));
  unchanged.SaveToGraphic(file);
  EXPECT_EQ(ReadFile(file), MakeJPEG(PacketText("same") + " "));
}

TEST(XMPStorage, JPEGCutOffInsideItsHeader) {
  // The file ends inside the COM segment behind the packet: the packet in front of the cut
  // is read; cut in front of the packet, the picture reads as one without XMP data.
  TTempDir dir;
  const auto file = dir.File("cut.jpg");
  auto bytes = MakeJPEG(PacketText("kept"));
  const std::string comment = "comment";
  const auto at = std::search(bytes.begin(), bytes.end(), comment.begin(), comment.end());
  ASSERT_NE(at, bytes.end());
  bytes.erase(at + 3, bytes.end());
  WriteFile(file, bytes);
  TXMPPacket packet;
  ASSERT_TRUE(packet.LoadFromGraphic(file));
  EXPECT_EQ(FormatOf(packet), "kept");

  auto early = MakeJPEG(PacketText("lost"));
  early.resize(40); // inside the Exif APP1, before the packet
  WriteFile(file, early);
  TXMPPacket none;
  ASSERT_TRUE(none.LoadFromGraphic(file));
  EXPECT_TRUE(none.Empty());
}

TEST(XMPStorage, JPEGRefusesOversizedPacket) {
  TTempDir dir;
  const auto file = dir.File("big.jpg");
  const auto original = MakeJPEG(PacketText("small"));
  WriteFile(file, original);
  TXMPPacket packet;
  packet.UpdateProperty(xsDublinCore, "description", std::string(70000, 'x'));
  EXPECT_THROW(packet.SaveToGraphic(file), EJPEGSegmentTooLarge);
  EXPECT_EQ(ReadFile(file), original) << "nothing was written";

  // The limit counts the header too: 65533 bytes of segment data fit, 65534 do not.
  TXMPPacket exact;
  const auto fill = [](TXMPPacket& p, std::size_t total) {
    // Cached text ending in a space is written as it is.
    const auto text = PacketText("x");
    p.SetRawXML(text + std::string(total - XMPSegmentHeader.size() - text.size(), ' '));
  };
  fill(exact, 65533);
  EXPECT_NO_THROW(exact.SaveToGraphic(file));
  TXMPPacket tooLong;
  fill(tooLong, 65534);
  EXPECT_THROW(tooLong.SaveToGraphic(file), EJPEGSegmentTooLarge);
}

TEST(XMPStorage, PSDLoadAndSave) {
  TTempDir dir;
  const auto file = dir.File("a.psd");
  WriteFile(file, MakePSD(PacketText("psd")));
  TXMPPacket packet;
  ASSERT_TRUE(packet.LoadFromGraphic(file));
  EXPECT_EQ(FormatOf(packet), "psd");

  packet.UpdateProperty(xsDublinCore, "format", "changed");
  packet.SaveToGraphic(file);
  const auto saved = ReadFile(file);
  TXMPPacket reloaded;
  ASSERT_TRUE(reloaded.LoadFromGraphic(file));
  EXPECT_EQ(FormatOf(reloaded), "changed");
  EXPECT_TRUE(Contains(saved, std::string_view("\x1C\x02\x78\x00\x03"
                                               "abc",
                                               8)))
      << "the IPTC resource stays";
  const std::string xmpFirst = "8BIM\x04\x24";
  EXPECT_EQ(std::string(saved.begin() + 34, saved.begin() + 40), xmpFirst) << "the new XMP resource comes first";
  const auto original = MakePSD("");
  EXPECT_TRUE(std::equal(original.end() - 20, original.end(), saved.end() - 20)) << "layers and image data copied";

  TXMPPacket empty;
  empty.SaveToGraphic(file);
  EXPECT_EQ(ReadFile(file), MakePSD("")) << "an empty packet leaves no XMP resource";
}

TEST(XMPStorage, TIFFLoadAndSave) {
  TTempDir dir;
  const auto file = dir.File("a.tif");
  WriteFile(file, MakeTIFF(PacketText("tiff")));
  TXMPPacket packet;
  ASSERT_TRUE(packet.LoadFromGraphic(file));
  EXPECT_EQ(FormatOf(packet), "tiff");

  packet.UpdateProperty(xsDublinCore, "format", "rewritten");
  packet.SaveToGraphic(file);
  TXMPPacket reloaded;
  ASSERT_TRUE(reloaded.LoadFromGraphic(file));
  EXPECT_EQ(FormatOf(reloaded), "rewritten");

  WriteFile(file, MakeTIFF(""));
  ASSERT_TRUE(reloaded.LoadFromGraphic(file));
  EXPECT_TRUE(reloaded.Empty()) << "a TIFF without tag 700 gives an empty packet";
  packet.SaveToGraphic(file);
  ASSERT_TRUE(reloaded.LoadFromGraphic(file));
  EXPECT_EQ(FormatOf(reloaded), "rewritten") << "the tag is added";
}

TEST(XMPStorage, OtherDataAndStreams) {
  TTempDir dir;
  const auto file = dir.File("a.txt");
  WriteFile(file, std::string_view("plain text, no picture"));
  TXMPPacket packet;
  packet.UpdateProperty(xsDublinCore, "format", "x");
  EXPECT_FALSE(packet.LoadFromGraphic(file));
  EXPECT_TRUE(packet.Empty()) << "unrecognised data clears the packet";
  packet.UpdateProperty(xsDublinCore, "format", "x");
  EXPECT_THROW(packet.SaveToGraphic(file), EUnsupportedGraphicFormat);

  // A recognised block that does not parse goes through LoadError.
  const auto broken = MakeJPEG("<?xpacket begin=\"\"?><not closed");
  Platform::TMemoryStream stream;
  stream.WriteBuffer(broken);
  stream.SetPosition(0);
  EXPECT_THROW(packet.LoadFromGraphic(stream), EInvalidXMPPacket);

  // The stream form rewrites the caller's stream.
  const auto jpeg = MakeJPEG("");
  Platform::TMemoryStream jpegStream;
  jpegStream.WriteBuffer(jpeg);
  jpegStream.SetPosition(0);
  packet.SaveToGraphic(jpegStream);
  jpegStream.SetPosition(0);
  TXMPPacket reloaded;
  ASSERT_TRUE(reloaded.LoadFromGraphic(jpegStream));
  EXPECT_EQ(FormatOf(reloaded), "x");

  // The sidecar form: a bare packet, no header.
  const auto sidecar = dir.File("a.xmp");
  packet.SaveToFile(sidecar);
  EXPECT_EQ(ReadFileText(sidecar).substr(0, 10), "<?xpacket ");
  packet.UpdateProperty(xsDublinCore, "format", "y");
  packet.SaveToFile(sidecar); // replaces the existing file
  TXMPPacket fromFile;
  fromFile.LoadFromFile(sidecar);
  EXPECT_EQ(FormatOf(fromFile), "y");
}

// The xpacket wrapper is optional wherever a packet may stand: a bare x:xmpmeta or rdf:RDF
// element is read, and an unchanged packet is written back exactly as it came.
TEST(XMPStorage, BarePacketsInEveryContainer) {
  const std::string description = "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                                  "<dc:format>bare</dc:format></rdf:Description>";
  const std::string rdf = "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">" + description +
                          "</rdf:RDF>";
  const std::string xmpmeta = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"XMP Core 5.1.2\">\n " + rdf +
                              "\n</x:xmpmeta>\n";
  const std::string texts[] = {xmpmeta, rdf, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + xmpmeta};
  struct TContainer {
    const char* Name;
    TBytes (*Make)(std::string_view);
  };
  const TContainer containers[] = {{"a.jpg", MakeJPEG}, {"a.psd", MakePSD}, {"a.tif", MakeTIFF}};
  TTempDir dir;
  for (const auto& container : containers) {
    for (const auto& text : texts) {
      SCOPED_TRACE(std::string(container.Name) + ": " + text.substr(0, 12));
      const auto file = dir.File(container.Name);
      const auto original = container.Make(text);
      WriteFile(file, original);
      TXMPPacket packet;
      ASSERT_TRUE(packet.LoadFromGraphic(file));
      EXPECT_EQ(FormatOf(packet), "bare");
      EXPECT_EQ(packet.RawXML(), text);
      packet.SaveToGraphic(file);
      const auto saved = ReadFile(file);
      EXPECT_TRUE(Contains(saved, text)) << "written back as it came";
      EXPECT_FALSE(Contains(saved, "xpacket"));
      // The Photoshop and TIFF savers lay their resources and tags out anew.
      if (std::string_view(container.Name) == "a.jpg") {
        EXPECT_EQ(saved, original);
      }

      packet.UpdateProperty(xsDublinCore, "format", "edited");
      packet.SaveToGraphic(file);
      TXMPPacket reloaded;
      ASSERT_TRUE(reloaded.LoadFromGraphic(file));
      EXPECT_EQ(FormatOf(reloaded), "edited");
    }
  }
}
