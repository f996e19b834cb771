// Packet text: reading into the tree, the cache, lazy data, the generated layout,
// escaping, and refusing hostile XML.

#include "Tessel/Exif/XMPUtils.h"

#include "platform/StringList.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using enum TXMPNamespace;
using enum TXMPPropertyKind;

namespace {

constexpr std::string_view RDF = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

std::string SaveText(TXMPPacket& packet) {
  Platform::TMemoryStream stream;
  packet.SaveToStream(stream);
  const auto bytes = stream.Bytes();
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A packet around the given description content.
std::string Packet(std::string_view descriptions) {
  return std::string("<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                     "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                     "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n") +
         std::string(descriptions) + "\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

void DumpProperty(std::string& out, const TXMPProperty& property, int depth) {
  out += std::string(static_cast<std::size_t>(depth), ' ') + property.NamespaceInfo().Prefix() + "|" +
         property.NamespaceInfo().URI() + "|" + property.Name() + "|" +
         std::string(XMPPropertyKindName(property.Kind())) + "|";
  if (property.Kind() == xpSimple)
    out += const_cast<TXMPProperty&>(property).ReadValue("");
  out += "\n";
  for (const auto& sub : property)
    DumpProperty(out, sub, depth + 1);
}

// The whole tree as text, for comparing two loads. A schema without properties is
// written as an empty description, which reads back as nothing: it is left out.
std::string Dump(TXMPPacket& packet) {
  std::string out = "about=" + packet.AboutAttributeValue() + "\n";
  for (auto& schema : packet) {
    if (schema.PropertyCount() == 0)
      continue;
    out += schema.URI() + " (" + schema.PreferredPrefix() + ")\n";
    for (const auto& property : schema)
      DumpProperty(out, property, 1);
  }
  return out;
}

std::shared_ptr<TMetadataBlock> Block(std::string_view bytes) {
  auto block = std::make_shared<TMetadataBlock>();
  block->Data().WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return block;
}

} // namespace

TEST(XMPPacketText, GeneratedLayout) {
  TXMPPacket packet;
  packet.SetAboutAttributeValue("uuid:1");
  packet.UpdateBagProperty(xsDublinCore, "subject", {"a", "b"});
  packet.UpdateProperty(xsDublinCore, "format", "image/jpeg");
  auto& title = packet.Schemas(xsDublinCore).AddProperty("title");
  title.SetKind(xpAltArray);
  title.AddSubProperty("x-default").WriteValue("T");
  auto& flash = packet.Schemas(xsExif).AddProperty("Flash");
  flash.UpdateSubProperty("Fired", "True");
  auto& field = flash.AddSubProperty("Other");
  field.SetParentNamespace(false);
  field.NamespaceInfo().Assign("o", "http://example.com/o/");
  field.WriteValue("x");
  packet.Schemas(xsTIFF); // an empty schema gives an empty description

  const std::string expected =
      "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" TesselExifVersion=\"1.5.1\">\n"
      "\t<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "\t\t<rdf:Description rdf:about=\"uuid:1\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\">\n"
      "\t\t\t<exif:Flash>\n"
      "\t\t\t\t<rdf:Description>\n"
      "\t\t\t\t\t<exif:Fired>True</exif:Fired>\n"
      "\t\t\t\t\t<o:Other xmlns:o=\"http://example.com/o/\">x</o:Other>\n"
      "\t\t\t\t</rdf:Description>\n"
      "\t\t\t</exif:Flash>\n"
      "\t\t</rdf:Description>\n"
      "\t\t<rdf:Description rdf:about=\"uuid:1\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\">\n"
      "\t\t</rdf:Description>\n"
      "\t\t<rdf:Description rdf:about=\"uuid:1\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
      "\t\t\t<dc:subject>\n"
      "\t\t\t\t<rdf:Bag>\n"
      "\t\t\t\t\t<rdf:li>a</rdf:li>\n"
      "\t\t\t\t\t<rdf:li>b</rdf:li>\n"
      "\t\t\t\t</rdf:Bag>\n"
      "\t\t\t</dc:subject>\n"
      "\t\t\t<dc:format>image/jpeg</dc:format>\n"
      "\t\t\t<dc:title>\n"
      "\t\t\t\t<rdf:Alt>\n"
      "\t\t\t\t\t<rdf:li xml:lang=\"x-default\">T</rdf:li>\n"
      "\t\t\t\t</rdf:Alt>\n"
      "\t\t\t</dc:title>\n"
      "\t\t</rdf:Description>\n"
      "\t</rdf:RDF>\n"
      "</x:xmpmeta>\n"
      "<?xpacket end=\"w\"?> ";
  EXPECT_EQ(SaveText(packet), expected);
  EXPECT_EQ(packet.RawXML(), expected);

  // The generated text reads back into the same tree.
  const auto before = Dump(packet);
  TXMPPacket again;
  again.SetRawXML(expected);
  EXPECT_EQ(Dump(again), before);
}

TEST(XMPPacketText, EmptyPacketRoundTrip) {
  TXMPPacket empty;
  const auto text = SaveText(empty);
  EXPECT_TRUE(text.ends_with("<?xpacket end=\"w\"?> "));
  TXMPPacket loaded;
  loaded.SetRawXML(text);
  EXPECT_TRUE(loaded.Empty());
  EXPECT_EQ(loaded.RawXML(), text);
  EXPECT_EQ(SaveText(loaded), text) << "the text ends in a space: none is added";
}

TEST(XMPPacketText, LoadingVariants) {
  const auto text = Packet("<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                           "<dc:format>image/png</dc:format></rdf:Description>");
  TXMPPacket plain;
  plain.SetRawXML(text);
  EXPECT_EQ(plain.Schemas(xsDublinCore).Properties("format").ReadValue(""), "image/png");
  EXPECT_EQ(SaveText(plain), text + " ") << "the cached text plus one space";

  // The 29-byte header in front is skipped, but only when complete.
  TXMPPacket withHeader;
  withHeader.SetRawXML(std::string(XMPSegmentHeader) + text);
  EXPECT_EQ(Dump(withHeader), Dump(plain));
  EXPECT_EQ(withHeader.RawXML(), text);
  TXMPPacket partialHeader;
  partialHeader.SetOnLoadError([](TXMPPacket&, Platform::TStream&) {});
  EXPECT_FALSE(partialHeader.TryLoadFromStream(*std::make_unique<TUserMemoryStream>(
      (std::string(XMPSegmentHeader.substr(0, 28)) + text).data(), 28 + text.size())))
      << "a header without its NUL byte is no packet";

  // NUL padding turns into spaces; no further space is added.
  TXMPPacket padded;
  padded.SetRawXML(text + std::string(2000, '\0'));
  EXPECT_EQ(padded.RawXML(), text + std::string(2000, ' '));
  EXPECT_EQ(SaveText(padded), text + std::string(2000, ' '));

  // Without "<?xpacket " at the start the cache is the DOM's serialisation.
  TXMPPacket bare;
  bare.SetRawXML(
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
      "<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:format=\"a\"/></rdf:RDF></x:xmpmeta>");
  EXPECT_EQ(bare.Schemas(xsDublinCore).Properties("format").ReadValue(""), "a");
  EXPECT_TRUE(bare.RawXML().starts_with("<x:xmpmeta")) << "a bare element is cached as it came: " << bare.RawXML();
  TXMPPacket declared;
  declared.SetRawXML(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:format=\"\xE4\"/></rdf:RDF></x:xmpmeta>");
  EXPECT_EQ(declared.Schemas(xsDublinCore).Properties("format").ReadValue(""), "\xC3\xA4");
  EXPECT_NE(declared.RawXML().find("encoding=\"UTF-8\""), std::string::npos)
      << "text in another encoding is cached as UTF-8: " << declared.RawXML();

  // An RDF element at the top level is found; inside xmpmeta it must be exactly rdf:RDF.
  TXMPPacket topLevel;
  EXPECT_NO_THROW(topLevel.SetRawXML("<r:RDF xmlns:r=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"/>"));
  TXMPPacket otherPrefix;
  EXPECT_THROW(otherPrefix.SetRawXML("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><r:RDF "
                                     "xmlns:r=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"/></x:xmpmeta>"),
               EInvalidXMPPacket);
}

TEST(XMPPacketText, DescriptionsAttributesAndStructures) {
  TXMPPacket packet;
  packet.SetRawXML(
      Packet("<rdf:Description rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:ExposureProgram=\"2\">"
             "<exif:Flash exif:Fired=\"False\" exif:Mode=\"2\"/>"
             "<exif:Res rdf:parseType=\"Resource\" exif:Ignored=\"1\"><exif:X>1</exif:X><exif:Y>2</exif:Y></exif:Res>"
             "</rdf:Description>\n"
             "<rdf:Description rdf:about=\"uuid:A\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
             "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">T</rdf:li><rdf:li>lost</rdf:li>"
             "<rdf:li xml:lang=\"de\">D</rdf:li></rdf:Alt></dc:title></rdf:Description>\n"
             "<rdf:Description rdf:about=\"uuid:B\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\">"
             "<exif:ColorSpace>1</exif:ColorSpace></rdf:Description>"));
  EXPECT_EQ(packet.AboutAttributeValue(), "uuid:A") << "the first non-empty about value";
  auto& exif = packet.Schemas(xsExif);
  ASSERT_EQ(exif.PropertyCount(), 4) << "both descriptions load into one schema";
  EXPECT_EQ(exif.Properties(0).Name(), "ExposureProgram");
  EXPECT_EQ(exif.Properties(0).Kind(), xpSimple);
  EXPECT_EQ(exif.Properties(0).ReadValue(""), "2");

  auto& flash = exif.Properties("Flash");
  EXPECT_EQ(flash.Kind(), xpStructure) << "an empty element with field attributes";
  ASSERT_EQ(flash.SubPropertyCount(), 2);
  EXPECT_EQ(flash.SubProperties(0).Name(), "Fired");
  EXPECT_EQ(flash.SubProperties(1).ReadValue(""), "2");

  auto& res = exif.Properties("Res");
  EXPECT_EQ(res.Kind(), xpStructure);
  ASSERT_EQ(res.SubPropertyCount(), 2) << "the resource form's own attributes are no fields";
  EXPECT_EQ(res.SubProperties(1).Name(), "Y");

  auto& title = packet.Schemas(xsDublinCore).Properties("title");
  EXPECT_EQ(title.Kind(), xpAltArray);
  ASSERT_EQ(title.SubPropertyCount(), 2) << "an Alt item without xml:lang is dropped";
  EXPECT_EQ(title.SubProperties(1).Name(), "de");

  // A change the loaded text cannot take (a namespace it does not declare) regenerates:
  // attribute forms come back as elements.
  packet.UpdateProperty(xsTIFF, "Make", "X");
  const auto text = SaveText(packet);
  EXPECT_NE(text.find("\n\t\t\t<exif:ExposureProgram>2</exif:ExposureProgram>\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\t\t\t<exif:Flash>\n\t\t\t\t<rdf:Description>\n"
                      "\t\t\t\t\t<exif:Fired>False</exif:Fired>\n\t\t\t\t\t<exif:Mode>2</exif:Mode>\n"),
            std::string::npos)
      << text;
  const auto before = Dump(packet);
  TXMPPacket again;
  again.SetRawXML(text);
  EXPECT_EQ(Dump(again), before);
}

TEST(XMPPacketText, NamespacesRoundTrip) {
  // A file's own prefix for a known namespace is kept; default namespaces, fields in
  // other namespaces and about values with special characters survive a rewrite.
  TXMPPacket packet;
  packet.SetRawXML(
      Packet("<rdf:Description rdf:about=\"a&amp;b&quot;\" xmlns:xap=\"http://ns.adobe.com/xap/1.0/\">"
             "<xap:CreatorTool>Tool</xap:CreatorTool></rdf:Description>"
             "<rdf:Description rdf:about=\"\"><p xmlns=\"http://example.com/d/\">v</p>"
             "<s:st xmlns:s=\"http://example.com/s/\" xmlns:f=\"http://example.com/f/\">"
             "<rdf:Description><f:field>1</f:field><s:same>2</s:same></rdf:Description></s:st></rdf:Description>"));
  EXPECT_EQ(packet.AboutAttributeValue(), "a&b\"");
  EXPECT_EQ(packet.Schemas(xsXMPBasic).PreferredPrefix(), "xap");
  auto& st = packet.Schemas("http://example.com/s/").Properties("st");
  ASSERT_EQ(st.SubPropertyCount(), 2);
  EXPECT_FALSE(st.SubProperties(0).ParentNamespace());
  EXPECT_TRUE(st.SubProperties(1).ParentNamespace());

  const auto before = Dump(packet);
  packet.SetAboutAttributeValue("a&b\"c");
  const auto text = SaveText(packet);
  EXPECT_NE(text.find("<xap:CreatorTool>Tool</xap:CreatorTool>"), std::string::npos) << text;
  EXPECT_NE(text.find("rdf:about=\"a&amp;b&quot;c\""), std::string::npos) << text;
  TXMPPacket again;
  ASSERT_NO_THROW(again.SetRawXML(text)) << text;
  EXPECT_EQ(again.AboutAttributeValue(), "a&b\"c");
  packet.SetAboutAttributeValue("a&b\"");
  again.SetAboutAttributeValue("a&b\"");
  EXPECT_EQ(Dump(again), before);

  // A structure read from a node follows its own namespace info.
  auto& field = st.SubProperties(1);
  st.NamespaceInfo().SetPrefix("s2");
  EXPECT_FALSE(st.ParentNamespace());
  EXPECT_EQ(field.NamespaceInfo().Prefix(), "s2");
  EXPECT_EQ(st.SubProperties(0).NamespaceInfo().Prefix(), "f");
}

TEST(XMPPacketText, Escaping) {
  EXPECT_EQ(EscapeXML("\"&'<>"), "&quot;&amp;&apos;&lt;&gt;");
  EXPECT_EQ(EscapeXML("a\tb\x01 ü€"), "a\tb\x01 ü€") << "everything else passes";
  TXMPPacket packet;
  packet.UpdateProperty(xsDublinCore, "format", "<a & 'b'>");
  EXPECT_NE(SaveText(packet).find("<dc:format>&lt;a &amp; &apos;b&apos;&gt;</dc:format>"), std::string::npos);
  TXMPPacket again;
  again.SetRawXML(SaveText(packet));
  EXPECT_EQ(again.Schemas(xsDublinCore).Properties("format").ReadValue(""), "<a & 'b'>");
}

TEST(XMPPacketText, LoadErrors) {
  TXMPPacket packet;
  packet.UpdateProperty(xsDublinCore, "format", "keep");
  try {
    packet.SetRawXML("garbage");
    FAIL();
  } catch (const EInvalidXMPPacket& e) {
    EXPECT_STREQ(e.what(), "XMP packet is not valid");
  }
  int calls = 0;
  Platform::TStream* source = nullptr;
  packet.SetOnLoadError([&](TXMPPacket& sender, Platform::TStream& stream) {
    EXPECT_EQ(&sender, &packet);
    source = &stream;
    ++calls;
  });
  EXPECT_NO_THROW(packet.SetRawXML("garbage"));
  EXPECT_EQ(calls, 1);
  EXPECT_NE(source, nullptr);
  EXPECT_EQ(packet.Schemas(xsDublinCore).Properties("format").ReadValue(""), "keep") << "the tree is left as it was";
  EXPECT_NO_THROW(packet.SetRawXML("<a/>")) << "no RDF element";
  EXPECT_EQ(calls, 2);
  Platform::TMemoryStream empty;
  EXPECT_FALSE(packet.TryLoadFromStream(empty));

  // Cached text ending in "?>" gets one space when written.
  TXMPPacket cached;
  cached.SetRawXML(Packet(""));
  EXPECT_EQ(SaveText(cached), Packet("") + " ");
}

TEST(XMPPacketText, HostileXMLIsRefused) {
  TXMPPacket packet;
  packet.SetOnLoadError([](TXMPPacket&, Platform::TStream&) {});
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]>" +
      Packet("<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:format>&c;</dc:format>"
             "</rdf:Description>");
  EXPECT_FALSE(packet.TryLoadFromStream(*std::make_unique<TUserMemoryStream>(laughs.data(), laughs.size())));
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" +
      Packet("<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:format>&e;</dc:format>"
             "</rdf:Description>");
  EXPECT_FALSE(packet.TryLoadFromStream(*std::make_unique<TUserMemoryStream>(external.data(), external.size())));

  // Nesting that the XML parser accepts but the tree builder refuses, and nesting
  // beyond the parser's own limit.
  const auto nested = [](int levels) {
    std::string open, close;
    for (int i = 0; i < levels; ++i) {
      open += "<dc:s rdf:parseType=\"Resource\">";
      close += "</dc:s>";
    }
    return Packet("<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\">" + open + close +
                  "</rdf:Description>");
  };
  for (const int levels : {MaxXMPNestingDepth + 5, 5000}) {
    const auto text = nested(levels);
    EXPECT_FALSE(packet.TryLoadFromStream(*std::make_unique<TUserMemoryStream>(text.data(), text.size())))
        << levels << " levels";
  }
  EXPECT_TRUE(packet.Empty());
  const auto fine = nested(40);
  EXPECT_TRUE(packet.TryLoadFromStream(*std::make_unique<TUserMemoryStream>(fine.data(), fine.size())));
}

TEST(XMPPacketText, LazyDataAndCache) {
  const auto text = Packet("<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                           "<dc:format>lazy</dc:format></rdf:Description>");
  TXMPPacket packet;
  int changes = 0;
  packet.SetOnChange([&changes](TXMPPacket&) { ++changes; });
  const auto block = Block(std::string(XMPSegmentHeader) + text);
  packet.SetDataToLazyLoad(block);
  EXPECT_FALSE(packet.Empty()) << "pending data counts as content";
  EXPECT_EQ(packet.DataToLazyLoad(), block);
  EXPECT_EQ(SaveText(packet), text) << "the block's bytes without the header, nothing parsed";
  EXPECT_EQ(changes, 0);

  EXPECT_EQ(packet.SchemaCount(), 1) << "the first tree access parses";
  EXPECT_EQ(packet.DataToLazyLoad(), nullptr);
  EXPECT_EQ(changes, 1) << "a load ends with one notification";
  EXPECT_EQ(packet.RawXML(), text);
  packet.UpdateProperty(xsDublinCore, "format", "changed");
  EXPECT_NE(packet.RawXML(), text) << "a change drops the cache";

  // New lazy data replaces whatever text was cached before.
  TXMPPacket other;
  other.SetDataToLazyLoad(block);
  EXPECT_EQ(other.RawXML(), text) << "the cache takes the block's bytes, still pending";
  EXPECT_NE(other.DataToLazyLoad(), nullptr);
  const auto second = Packet("");
  other.SetDataToLazyLoad(Block(second));
  EXPECT_EQ(SaveText(other), second);

  // A pending block that does not parse raises at the first access, and is gone then.
  TXMPPacket broken;
  broken.SetDataToLazyLoad(Block("<?xpacket begin=\"\"?> not xml"));
  EXPECT_THROW((void)broken.SchemaCount(), EInvalidXMPPacket);
  EXPECT_EQ(broken.DataToLazyLoad(), nullptr);
  EXPECT_EQ(broken.SchemaCount(), 0);

  // Assigning shares pending data, or takes the text.
  TXMPPacket copy;
  TXMPPacket lazySource;
  lazySource.SetDataToLazyLoad(block);
  copy.Assign(&lazySource);
  EXPECT_EQ(copy.DataToLazyLoad(), block);
  copy.Assign(&packet);
  EXPECT_EQ(copy.Schemas(xsDublinCore).Properties("format").ReadValue(""), "changed");
  copy.Assign(static_cast<TXMPPacket*>(nullptr));
  EXPECT_TRUE(copy.Empty());
  Platform::TStringList lines;
  packet.AssignTo(lines);
  copy.Assign(lines);
  EXPECT_EQ(copy.Schemas(xsDublinCore).Properties("format").ReadValue(""), "changed");
}

// RDF's own attributes are syntax: a URI reference is a simple value, and rdf:about
// inside a structure is no field. Written back, the packet must still be valid RDF.
TEST(XMPPacketText, RDFAttributesAreNoFields) {
  TXMPPacket packet;
  packet.SetRawXML(Packet(
      "<rdf:Description rdf:about=\"\" xmlns:xmpMM=\"http://ns.adobe.com/xap/1.0/mm/\""
      " xmlns:stRef=\"http://ns.adobe.com/xap/1.0/sType/ResourceRef#\">"
      "<xmpMM:Link rdf:resource=\"http://example.com/a\"/>"
      "<xmpMM:DerivedFrom><rdf:Description rdf:about=\"x\" stRef:documentID=\"D1\"/></xmpMM:DerivedFrom>"
      "</rdf:Description>"));
  auto& mm = packet.Schemas(xsXMPMediaManagement);
  auto& link = mm.Properties("Link");
  EXPECT_EQ(link.Kind(), xpSimple);
  EXPECT_EQ(link.ReadValue(""), "http://example.com/a");
  auto& derived = mm.Properties("DerivedFrom");
  EXPECT_EQ(derived.Kind(), xpStructure);
  ASSERT_EQ(derived.SubPropertyCount(), 1) << "rdf:about is not a field";
  EXPECT_EQ(derived.SubProperties(0).Name(), "documentID");

  packet.UpdateProperty(xsXMPMediaManagement, "InstanceID", "I1");
  const auto text = SaveText(packet);
  EXPECT_EQ(text.find("<rdf:resource>"), std::string::npos) << text;
  EXPECT_EQ(text.find("<rdf:about>"), std::string::npos) << text;
  TXMPPacket again;
  again.SetRawXML(text);
  EXPECT_EQ(Dump(again), Dump(packet));
}

// A changed packet is written over the text it was read from: only the new values and
// the padding differ, so the writer's own attributes, its layout and whatever the tree
// does not hold stay in the file.
TEST(XMPPacketText, ChangedValuesAreWrittenIntoTheLoadedText) {
  const std::string padding = std::string(30, ' ') + "\n" + std::string(30, ' ') + "\n";
  const auto source = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Some Toolkit 1.0\">\n"
                      " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                      "  <!-- kept -->\n"
                      "  <rdf:Description rdf:about=\"\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\"\n"
                      "    xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
                      "   tiff:Orientation=\"1\" tiff:Make='Cam'>\n"
                      "   <exif:ColorSpace>1</exif:ColorSpace>\n"
                      "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">T</rdf:li><rdf:li>no language</rdf:li>"
                      "</rdf:Alt></dc:title>\n"
                      "  </rdf:Description>\n"
                      " </rdf:RDF>\n"
                      "</x:xmpmeta>\n" +
                      padding + "<?xpacket end=\"w\"?>";
  const auto replaced = [&source](std::string_view from, std::string_view to) {
    auto text = source;
    text.replace(text.find(from), from.size(), to);
    return text;
  };

  TXMPPacket packet;
  packet.SetRawXML(source);
  packet.UpdateProperty(xsTIFF, "Orientation", "6");
  EXPECT_EQ(SaveText(packet), replaced("tiff:Orientation=\"1\"", "tiff:Orientation=\"6\""))
      << "an attribute value of the same length: one byte changes";
  packet.UpdateProperty(xsTIFF, "Orientation", "1");
  EXPECT_EQ(SaveText(packet), source) << "changed back, the packet is the loaded text again";

  // Longer and shorter values: the padding in front of the trailer takes up the difference.
  packet.UpdateProperty(xsExif, "ColorSpace", "65535");
  auto text = SaveText(packet);
  EXPECT_EQ(text.size(), source.size()) << text;
  EXPECT_NE(text.find("<exif:ColorSpace>65535</exif:ColorSpace>"), std::string::npos) << text;
  EXPECT_NE(text.find("no language"), std::string::npos) << "an item the tree does not hold stays";
  packet.UpdateProperty(xsExif, "ColorSpace", "2");
  packet.UpdateProperty(xsTIFF, "Make", "A \"quoted\" <name> & more");
  text = SaveText(packet);
  EXPECT_EQ(text.size(), source.size());
  EXPECT_NE(text.find("tiff:Make='A &quot;quoted&quot; &lt;name&gt; &amp; more'"), std::string::npos) << text;
  TXMPPacket again;
  again.SetRawXML(text);
  EXPECT_EQ(Dump(again), Dump(packet)) << "the written text reads back as the tree";
  EXPECT_TRUE(text.starts_with(source.substr(0, 180)));

  // A new property of a namespace the text uses follows the namespace's last element.
  packet.UpdateProperty(xsExif, "Contrast", "1");
  text = SaveText(packet);
  EXPECT_NE(text.find("<exif:ColorSpace>2</exif:ColorSpace>\n   <exif:Contrast>1</exif:Contrast>\n   <dc:title>"),
            std::string::npos)
      << text;
  EXPECT_TRUE(text.starts_with(source.substr(0, 180)));
  again.SetRawXML(text);
  EXPECT_EQ(Dump(again), Dump(packet));

  // A namespace the text does not declare: the packet is made anew, and keeps the
  // byte-order mark its text began with.
  packet.UpdateProperty(xsPhotoshop, "City", "X");
  text = SaveText(packet);
  EXPECT_TRUE(text.starts_with("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n")) << text;
  EXPECT_NE(text.find("\t\t\t<photoshop:City>X</photoshop:City>\n"), std::string::npos) << text;
  again.SetRawXML(text);
  EXPECT_EQ(Dump(again), Dump(packet));

  // Without a mark in the loaded text none is invented.
  TXMPPacket plain;
  plain.SetRawXML(Packet("<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                         "<dc:format>a</dc:format></rdf:Description>"));
  plain.UpdateProperty(xsDublinCore, "rights", "b");
  EXPECT_TRUE(SaveText(plain).starts_with("<?xpacket begin=\"\" id="));
}

TEST(XMPPacketText, PropertiesOfAnotherFormAreRewrittenInTheirPlace) {
  // A value with a CDATA section and a changed structure field: the writer's text for
  // the property takes the old one's place, the rest of the packet stays.
  const std::string descriptions[] = {
      "<rdf:Description rdf:about=\"\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\">"
      "<tiff:Orientation><![CDATA[1]]></tiff:Orientation><tiff:Make>M</tiff:Make></rdf:Description>",
      "<rdf:Description rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\">"
      "<exif:Flash exif:Fired=\"False\" exif:Mode=\"2\"/><exif:ColorSpace>1</exif:ColorSpace></rdf:Description>",
      // An attribute becomes an element at the start of its description's content.
      "<rdf:Description rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:UserComment=\"old\">"
      "<exif:ColorSpace>1</exif:ColorSpace></rdf:Description>",
  };
  const std::string expected[] = {
      "<tiff:Orientation>6</tiff:Orientation><tiff:Make>M</tiff:Make>",
      "<exif:Flash>\n\t<rdf:Description>\n\t\t<exif:Fired>False</exif:Fired>\n\t\t<exif:Mode>3</exif:Mode>\n\t"
      "</rdf:Description>\n</exif:Flash><exif:ColorSpace>1</exif:ColorSpace>",
      "xmlns:exif=\"http://ns.adobe.com/exif/1.0/\">\n<exif:UserComment>\n\t<rdf:Alt>\n\t\t<rdf:li "
      "xml:lang=\"x-default\">Hi</rdf:li>\n\t</rdf:Alt>\n</exif:UserComment><exif:ColorSpace>1</exif:ColorSpace>",
  };
  for (std::size_t i = 0; i < std::size(descriptions); ++i) {
    SCOPED_TRACE(descriptions[i]);
    TXMPPacket packet;
    packet.SetRawXML(Packet(descriptions[i]));
    if (i == 0)
      packet.UpdateProperty(xsTIFF, "Orientation", "6");
    else if (i == 1)
      packet.Schemas(xsExif).Properties("Flash").SubProperties(1).WriteValue("3");
    else
      packet.UpdateProperty(xsExif, "UserComment", xpAltArray, "Hi");
    const auto text = SaveText(packet);
    EXPECT_NE(text.find(expected[i]), std::string::npos) << text;
    EXPECT_EQ(text.find("TesselExifVersion"), std::string::npos) << text;
    TXMPPacket again;
    again.SetRawXML(text);
    EXPECT_EQ(Dump(again), Dump(packet));
  }

  // The name twice (once inside a value): no place is certain, the packet is made anew.
  TXMPPacket packet;
  packet.SetRawXML(
      Packet("<rdf:Description rdf:about=\"\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" "
             "tiff:Orientation=\"1\"><tiff:Artist> tiff:Orientation=\"1\"</tiff:Artist></rdf:Description>"));
  packet.UpdateProperty(xsTIFF, "Orientation", "6");
  const auto text = SaveText(packet);
  EXPECT_TRUE(text.starts_with("<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n<x:xmpmeta "
                               "xmlns:x=\"adobe:ns:meta/\" TesselExifVersion=\"1.5.1\">"))
      << text;
  TXMPPacket again;
  again.SetRawXML(text);
  EXPECT_EQ(Dump(again), Dump(packet));
}

TEST(XMPPacketText, RemovedPropertiesAndNewArrayItemsAreWrittenIntoTheLoadedText) {
  const std::string padding(40, ' ');
  const auto source =
      std::string("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                  "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                  " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                  "  <rdf:Description rdf:about=\"\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\"\n"
                  "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
                  "   tiff:Orientation=\"1\" tiff:Make=\"Cam\">\n"
                  "   <dc:description>\n"
                  "    <rdf:Alt>\n"
                  "     <rdf:li xml:lang=\"x-default\">old text</rdf:li>\n"
                  "     <rdf:li xml:lang=\"de\">alter Text</rdf:li>\n"
                  "    </rdf:Alt>\n"
                  "   </dc:description>\n"
                  "   <dc:subject><rdf:Bag><rdf:li>a</rdf:li><rdf:li>b</rdf:li></rdf:Bag></dc:subject>\n"
                  "   <tiff:Model>M</tiff:Model>\n"
                  "  </rdf:Description>\n"
                  " </rdf:RDF>\n"
                  "</x:xmpmeta>\n") +
      padding + "\n<?xpacket end=\"w\"?>";

  TXMPPacket packet;
  packet.SetRawXML(source);
  packet.RemoveProperty(xsTIFF, "Orientation");
  packet.RemoveProperty(xsTIFF, "Model");
  auto text = SaveText(packet);
  EXPECT_EQ(text.size(), source.size()) << "the padding takes up what was removed";
  EXPECT_EQ(text.find("Orientation"), std::string::npos) << text;
  EXPECT_EQ(text.find("tiff:Model"), std::string::npos) << text;
  EXPECT_NE(text.find("\"\n    xmlns:dc=\"http://purl.org/dc/elements/1.1/\" tiff:Make=\"Cam\">\n   <dc:description>"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("</dc:subject>\n  </rdf:Description>"), std::string::npos) << text;

  auto& description = packet.Schemas(xsDublinCore).Properties("description");
  description.SubProperties("x-default").WriteValue("new & longer text");
  packet.Schemas(xsDublinCore).Properties("subject").SubProperties(1).WriteValue("c");
  text = SaveText(packet);
  EXPECT_EQ(text.size(), source.size());
  EXPECT_NE(text.find("<rdf:li xml:lang=\"x-default\">new &amp; longer text</rdf:li>\n"
                      "     <rdf:li xml:lang=\"de\">alter Text</rdf:li>"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("<rdf:Bag><rdf:li>a</rdf:li><rdf:li>c</rdf:li></rdf:Bag>"), std::string::npos) << text;
  TXMPPacket again;
  again.SetRawXML(text);
  EXPECT_EQ(Dump(again), Dump(packet));

  // Another number of items: the array is written anew in its place.
  packet.Schemas(xsDublinCore).Properties("subject").AddSubProperty("").WriteValue("d");
  text = SaveText(packet);
  EXPECT_NE(
      text.find("   <dc:subject>\n\t<rdf:Bag>\n\t\t<rdf:li>a</rdf:li>\n\t\t<rdf:li>c</rdf:li>\n\t\t<rdf:li>d</rdf:li>\n"
                "\t</rdf:Bag>\n</dc:subject>\n  </rdf:Description>"),
      std::string::npos)
      << text;
  again.SetRawXML(text);
  EXPECT_EQ(Dump(again), Dump(packet));
}

// A packet changed right after its lazy load keeps the tree as loaded, so that the save
// need not read the text again: what it writes must be exactly what a packet that reads
// the text again writes, for changes of every kind the patch handles and for one it
// cannot (a new schema: the packet is generated).
TEST(XMPPacketText, ChangesAfterALazyLoadWriteWhatAReloadWould) {
  const auto source = Packet("<rdf:Description rdf:about=\"\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\"\n"
                             "  xmlns:dc=\"http://purl.org/dc/elements/1.1/\" tiff:Orientation=\"1\">\n"
                             " <tiff:Make>Cam</tiff:Make>\n"
                             " <dc:subject><rdf:Bag><rdf:li>a</rdf:li><rdf:li>b</rdf:li></rdf:Bag></dc:subject>\n"
                             " <dc:format>image/jpeg</dc:format>\n"
                             "</rdf:Description>") +
                      std::string(100, ' ');
  const std::vector<std::string> subject{"a", "c"};
  const std::vector<std::function<void(TXMPPacket&)>> edits{
      [](TXMPPacket& p) { p.UpdateProperty(xsTIFF, "Orientation", "6"); },
      [](TXMPPacket& p) { p.UpdateProperty(xsTIFF, "Make", "A longer make"); },
      [&subject](TXMPPacket& p) { p.UpdateBagProperty(xsDublinCore, "subject", subject); },
      [](TXMPPacket& p) { p.RemoveProperty(xsDublinCore, "format"); },
      [](TXMPPacket& p) {
        p.SetUpdatePolicy(TXMPWritePolicy::xwAlwaysUpdate);
        p.UpdateProperty(xsExif, "ColorSpace", "1");
      },
  };
  for (std::size_t i = 0; i < edits.size(); ++i) {
    SCOPED_TRACE(i);
    TXMPPacket lazy;
    lazy.SetDataToLazyLoad(Block(std::string(XMPSegmentHeader) + source));
    edits[i](lazy);
    TXMPPacket reread;
    reread.SetRawXML(source);
    edits[i](reread);
    const auto written = SaveText(lazy);
    EXPECT_EQ(written, SaveText(reread));
    EXPECT_NE(written, source);
    // A second change and save still start from the text as loaded.
    lazy.UpdateProperty(xsTIFF, "Orientation", "8");
    reread.UpdateProperty(xsTIFF, "Orientation", "8");
    EXPECT_EQ(SaveText(lazy), SaveText(reread));
    // A new load drops what the old one kept.
    lazy.SetRawXML(Packet(""));
    lazy.UpdateProperty(xsTIFF, "Orientation", "3");
    reread.SetRawXML(Packet(""));
    reread.UpdateProperty(xsTIFF, "Orientation", "3");
    EXPECT_EQ(SaveText(lazy), SaveText(reread));
  }
}

TEST(XMPPacketText, PropertyCountsWithoutTheTreeMatchAFullLoad) {
  const auto text = Packet("<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:format=\"x\">"
                           "<dc:subject><rdf:Bag><rdf:li>a</rdf:li><rdf:li>b</rdf:li></rdf:Bag></dc:subject>"
                           "<dc:creator><rdf:Seq><rdf:li>c</rdf:li></rdf:Seq></dc:creator></rdf:Description>"
                           "<rdf:Description xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Make=\"m\">"
                           "<tiff:Model><rdf:Description tiff:Name=\"n\"/></tiff:Model></rdf:Description>"
                           "<rdf:Description xmlns:DC=\"HTTP://PURL.ORG/DC/ELEMENTS/1.1/\" DC:rights=\"r\"/>");
  TXMPPacket full;
  full.SetRawXML(text);
  std::vector<int> expected;
  for (auto& schema : full)
    expected.push_back(schema.PropertyCount());
  ASSERT_EQ(expected, (std::vector<int>{2, 4})) << "URIs that differ in case only are one schema";
  std::vector<int> counts;
  TUserMemoryStream stream(text.data(), static_cast<std::int64_t>(text.size()));
  ASSERT_TRUE(TXMPPacket::TryReadPropertyCounts(stream, counts));
  EXPECT_EQ(counts, expected);
  const std::string broken = "<?xpacket begin=\"\"?><x:xmpmeta";
  TUserMemoryStream bad(broken.data(), static_cast<std::int64_t>(broken.size()));
  EXPECT_FALSE(TXMPPacket::TryReadPropertyCounts(bad, counts));
}

TEST(XMPPacketText, PaddingIsLeftOutOfTheParseOnlyWhereItIsNothing) {
  // Kilobytes of padding in front of the trailer read as nothing, and the text is kept as
  // it came, padding and all.
  const std::string padding = std::string(2000, ' ') + "\n" + std::string(2000, ' ') + "\n";
  const std::string body = "<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:format=\"x\">"
                           "<dc:subject><rdf:Bag><rdf:li>a</rdf:li></rdf:Bag></dc:subject></rdf:Description>";
  const auto padded = [&](std::string_view inFront, std::string_view behind) {
    auto text = Packet(body);
    text.insert(text.rfind("<?xpacket"), inFront);
    return text + std::string(behind);
  };
  TXMPPacket plain;
  plain.SetRawXML(Packet(body));
  TXMPPacket packet;
  const auto text = padded(padding, "\n  ");
  packet.SetRawXML(text);
  EXPECT_EQ(Dump(packet), Dump(plain));
  EXPECT_EQ(SaveText(packet), text);

  // Where the white space is not between markup and a last trailer, nothing is left out,
  // and what did not parse before still does not.
  const auto load = [](TXMPPacket& target, const std::string& bytes) {
    TUserMemoryStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return target.TryLoadFromStream(stream);
  };
  TXMPPacket other;
  EXPECT_TRUE(load(other, padded(padding, "<!-- behind -->")));
  EXPECT_EQ(Dump(other), Dump(plain));
  TXMPPacket damaged;
  auto unclosed = padded(padding, "");
  unclosed.erase(unclosed.find("</x:xmpmeta>"), 12);
  EXPECT_FALSE(load(damaged, unclosed)) << "the padding inside the open root element";
  auto openComment = padded(padding, "");
  openComment.insert(openComment.find("</x:xmpmeta>") + 12, "<!-- open>");
  EXPECT_FALSE(load(damaged, openComment)) << "the padding inside a comment left open";
  EXPECT_FALSE(load(damaged, padded(padding, "junk"))) << "text behind the trailer";
  auto openTrailer = padded(padding, "");
  openTrailer.erase(openTrailer.rfind("?>"), 2);
  EXPECT_FALSE(load(damaged, openTrailer)) << "a trailer left open";
}

TEST(XMPPacketText, UpdatesOfExistingPropertiesParseOnlyDataThatCanHoldThem) {
  const auto text = Packet("<rdf:Description xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Make=\"m\">"
                           "<!-- Orientation: see the Exif block --></rdf:Description>");
  const auto pending = [](std::string_view bytes) {
    auto packet = std::make_unique<TXMPPacket>();
    packet->SetUpdatePolicy(TXMPWritePolicy::xwUpdateIfExists);
    packet->SetDataToLazyLoad(Block(std::string(XMPSegmentHeader) + std::string(bytes)));
    return packet;
  };

  // Text without the name cannot hold the property: nothing is parsed or changed.
  auto packet = pending(text);
  packet->UpdateProperty(xsTIFF, "Model", "new");
  packet->RemoveProperty(xsTIFF, "Software");
  packet->UpdateBagProperty(xsDublinCore, "subject", {std::string("a")});
  EXPECT_NE(packet->DataToLazyLoad(), nullptr);
  EXPECT_EQ(SaveText(*packet), text) << "the pending bytes go out as they came";

  // The name in a comment only: parsed, and still nothing to update.
  packet->UpdateProperty(xsTIFF, "Orientation", "6");
  EXPECT_EQ(packet->DataToLazyLoad(), nullptr);
  EXPECT_EQ(packet->Schemas(xsTIFF).PropertyCount(), 1);

  // Where the property is, it is updated; so is a removal.
  packet = pending(text);
  packet->UpdateProperty(xsTIFF, "Make", "new");
  EXPECT_EQ(packet->Schemas(xsTIFF).Properties("Make").ReadValue(""), "new");
  packet = pending(text);
  packet->RemoveProperty(xsTIFF, "Make");
  EXPECT_EQ(packet->Schemas(xsTIFF).PropertyCount(), 0);

  // Text the parser might not read as UTF-8 is parsed to find out, here a declaration of
  // another encoding (Latin-1 puts the name in the same bytes, but that is the parser's
  // business) and a byte-order mark.
  const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                             "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" +
                             std::string(RDF) +
                             "\"><rdf:Description xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Make=\"m\"/>"
                             "</rdf:RDF></x:xmpmeta>";
  for (const auto& other : {latin1, "\xEF\xBB\xBF" + text}) {
    packet = pending(other);
    packet->UpdateProperty(xsTIFF, "Model", "new");
    EXPECT_EQ(packet->DataToLazyLoad(), nullptr) << other;
    EXPECT_EQ(packet->Schemas(xsTIFF).PropertyCount(), 1) << other;
  }

  // A damaged packet that cannot hold the name stays pending; the first read finds it damaged.
  packet = pending("<?xpacket begin=\"\"?> not xml");
  packet->UpdateProperty(xsTIFF, "Make", "new");
  EXPECT_THROW((void)packet->SchemaCount(), EInvalidXMPPacket);
}

TEST(XMPPacketText, ASavedPatchKnowsTheCountsItReadsBackAs) {
  const auto source = Packet("<rdf:Description xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Orientation=\"1\">"
                             "<tiff:Make>m</tiff:Make></rdf:Description>");
  const auto bytes = [](std::string_view text) {
    return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  };
  TXMPPacket packet;
  packet.SetRawXML(source);
  std::vector<int> counts;
  EXPECT_FALSE(packet.KnownPropertyCounts(bytes(source), counts)) << "nothing saved yet";
  packet.UpdateProperty(xsTIFF, "Orientation", "6");
  const auto patched = SaveText(packet);
  ASSERT_NE(patched.find("tiff:Orientation=\"6\""), std::string::npos) << patched;
  ASSERT_TRUE(packet.KnownPropertyCounts(bytes(patched), counts));
  std::vector<int> read;
  TUserMemoryStream stream(patched.data(), static_cast<std::int64_t>(patched.size()));
  ASSERT_TRUE(TXMPPacket::TryReadPropertyCounts(stream, read));
  EXPECT_EQ(counts, read);
  auto changed = patched;
  changed[changed.find("tiff:Make")] = 'T';
  EXPECT_FALSE(packet.KnownPropertyCounts(bytes(changed), counts)) << "other bytes are read";
  EXPECT_FALSE(packet.KnownPropertyCounts(bytes(patched.substr(1)), counts));

  // A packet written anew from its tree (no source text to patch) knows nothing.
  TXMPPacket generated;
  generated.UpdateProperty(xsTIFF, "Make", "m");
  const auto text = SaveText(generated);
  EXPECT_FALSE(generated.KnownPropertyCounts(bytes(text), counts));
}
