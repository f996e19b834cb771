#include "platform/XmlDom.h"

#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Platform::TXmlAttributeMap;
using Platform::TXmlDocument;
using Platform::TXmlNode;
using Platform::TXmlNodeType;

namespace {

constexpr std::string_view RdfURI = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr std::string_view DcURI = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view ExifURI = "http://ns.adobe.com/exif/1.0/";

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool Load(TXmlDocument& doc, std::string_view text) { return doc.LoadFromBytes(Bytes(text)); }

// First element child of a node, skipping text and comments.
TXmlNode FirstElement(const TXmlNode& parent) {
  TXmlNode node = parent.FirstChild();
  while (node && !node.IsElement()) {
    node = node.NextSibling();
  }
  return node;
}

TXmlNode NextElement(const TXmlNode& node) {
  TXmlNode next = node.NextSibling();
  while (next && !next.IsElement()) {
    next = next.NextSibling();
  }
  return next;
}

std::vector<std::uint8_t> Utf16(std::u16string_view text, bool bigEndian, bool bom) {
  std::vector<std::uint8_t> out;
  auto put = [&](char16_t unit) {
    const auto hi = static_cast<std::uint8_t>(unit >> 8);
    const auto lo = static_cast<std::uint8_t>(unit & 0xFF);
    out.push_back(bigEndian ? hi : lo);
    out.push_back(bigEndian ? lo : hi);
  };
  if (bom) {
    put(0xFEFF);
  }
  for (const char16_t unit : text) {
    put(unit);
  }
  return out;
}

const std::string_view Packet =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
    " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
    "  <rdf:Description rdf:about=\"uuid:1\" about=\"plain\" exif:ExposureProgram=\"2\"\n"
    "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns=\"urn:default\"\n"
    "    xmlns:exif=\"http://ns.adobe.com/exif/1.0/\">\n"
    "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Tit &amp; le &#x20AC;</rdf:li></rdf:Alt></dc:title>\n"
    "   <plain>text</plain>\n"
    "  </rdf:Description>\n"
    " </rdf:RDF>\n"
    "</x:xmpmeta>\n"
    "<?xpacket end=\"w\"?>   ";

} // namespace

TEST(XmlDom, NamespacesResolvedOnElements) {
  TXmlDocument doc;
  ASSERT_TRUE(Load(doc, Packet));

  const TXmlNode pi = doc.FirstChild();
  ASSERT_TRUE(pi);
  EXPECT_EQ(pi.NodeType(), TXmlNodeType::PROCESSING_INSTRUCTION_NODE);
  EXPECT_EQ(pi.NodeName(), "xpacket");
  EXPECT_FALSE(pi.IsElement());

  const TXmlNode meta = pi.NextSibling();
  ASSERT_TRUE(meta);
  EXPECT_EQ(meta, doc.DocumentElement()) << "the top-level walk must reach the document element";
  EXPECT_EQ(meta.NodeType(), TXmlNodeType::ELEMENT_NODE);
  EXPECT_EQ(meta.NodeName(), "x:xmpmeta");
  EXPECT_EQ(meta.Prefix(), "x");
  EXPECT_EQ(meta.LocalName(), "xmpmeta");
  EXPECT_EQ(meta.NamespaceURI(), "adobe:ns:meta/");
  EXPECT_EQ(meta.NodeValue(), "") << "elements have no value";

  const TXmlNode rdf = FirstElement(meta);
  ASSERT_TRUE(rdf);
  EXPECT_EQ(rdf.NodeName(), "rdf:RDF");
  EXPECT_EQ(rdf.NamespaceURI(), RdfURI);

  const TXmlNode description = FirstElement(rdf);
  ASSERT_TRUE(description);
  EXPECT_EQ(description.LocalName(), "Description");

  // Whitespace between elements is kept as text nodes.
  const TXmlNode blank = description.FirstChild();
  ASSERT_TRUE(blank);
  EXPECT_EQ(blank.NodeType(), TXmlNodeType::TEXT_NODE);
  EXPECT_EQ(blank.NodeName(), "#text");
  EXPECT_EQ(blank.NodeValue(), "\n   ");
  EXPECT_EQ(description.ChildNodesLength(), 5U) << "blank, dc:title, blank, plain, blank";

  const TXmlNode title = FirstElement(description);
  EXPECT_EQ(title.NamespaceURI(), DcURI);
  const TXmlNode alt = FirstElement(title);
  EXPECT_EQ(alt.NodeName(), "rdf:Alt");
  EXPECT_EQ(alt.ChildNodesLength(), 1U);
  const TXmlNode li = FirstElement(alt);
  EXPECT_EQ(li.GetAttribute("xml:lang"), "x-default");
  EXPECT_EQ(li.GetAttributeNS(Platform::XmlNamespaceURI, "lang"), "x-default");
  const TXmlNode liText = li.FirstChild();
  ASSERT_TRUE(liText);
  EXPECT_EQ(liText.NodeType(), TXmlNodeType::TEXT_NODE);
  EXPECT_EQ(liText.NodeValue(), "Tit & le \xE2\x82\xAC") << "predefined and character references resolved";
  EXPECT_FALSE(liText.NextSibling());
  EXPECT_FALSE(liText.FirstChild());

  // An unprefixed element takes the default namespace.
  const TXmlNode plain = NextElement(title);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain.NodeName(), "plain");
  EXPECT_EQ(plain.Prefix(), "");
  EXPECT_EQ(plain.LocalName(), "plain");
  EXPECT_EQ(plain.NamespaceURI(), "urn:default");
  EXPECT_FALSE(NextElement(plain));

  const TXmlNode trailer = meta.NextSibling();
  ASSERT_TRUE(trailer);
  EXPECT_EQ(trailer.NodeType(), TXmlNodeType::PROCESSING_INSTRUCTION_NODE);
  EXPECT_EQ(trailer.NodeValue(), "end=\"w\"");
  EXPECT_FALSE(trailer.NextSibling());
}

TEST(XmlDom, AttributesAndNamespaceDeclarations) {
  TXmlDocument doc;
  ASSERT_TRUE(Load(doc, Packet));
  const TXmlNode description = FirstElement(FirstElement(doc.DocumentElement()));
  ASSERT_EQ(description.NodeName(), "rdf:Description");

  const TXmlAttributeMap attributes = description.Attributes();
  ASSERT_EQ(attributes.Length(), 6U) << "three attributes and three declarations";

  // Real attributes first, in document order, with resolved namespaces.
  const TXmlNode about = attributes.Item(0);
  EXPECT_EQ(about.NodeType(), TXmlNodeType::ATTRIBUTE_NODE);
  EXPECT_EQ(about.NodeName(), "rdf:about");
  EXPECT_EQ(about.NamespaceURI(), RdfURI);
  EXPECT_EQ(about.NodeValue(), "uuid:1");
  EXPECT_EQ(attributes.Item(1).NodeName(), "about");
  EXPECT_EQ(attributes.Item(1).NamespaceURI(), "") << "unprefixed attributes take no default namespace";
  const TXmlNode program = attributes.Item(2);
  EXPECT_EQ(program.NodeName(), "exif:ExposureProgram");
  EXPECT_EQ(program.Prefix(), "exif");
  EXPECT_EQ(program.LocalName(), "ExposureProgram");
  EXPECT_EQ(program.NamespaceURI(), ExifURI);
  // The value is also the attribute's text child, which is how the XMP reader reads it.
  const TXmlNode programText = program.FirstChild();
  ASSERT_TRUE(programText);
  EXPECT_EQ(programText.NodeType(), TXmlNodeType::TEXT_NODE);
  EXPECT_EQ(programText.NodeValue(), "2");
  EXPECT_EQ(program.ChildNodesLength(), 1U);
  EXPECT_FALSE(program.NextSibling()) << "attributes have no siblings";
  EXPECT_EQ(program.Attributes().Length(), 0U);

  // Then the declarations, recognisable by prefix or namespace.
  std::vector<std::string> names;
  for (std::size_t i = 3; i < attributes.Length(); ++i) {
    const TXmlNode decl = attributes.Item(i);
    names.push_back(decl.NodeName());
    EXPECT_EQ(decl.NodeType(), TXmlNodeType::ATTRIBUTE_NODE);
    EXPECT_EQ(decl.NamespaceURI(), Platform::XmlnsNamespaceURI) << decl.NodeName();
    EXPECT_FALSE(decl.FirstChild());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"xmlns:dc", "xmlns", "xmlns:exif"}));
  const TXmlNode dcDecl = attributes.GetNamedItem("xmlns:dc");
  EXPECT_EQ(dcDecl.Prefix(), "xmlns");
  EXPECT_EQ(dcDecl.LocalName(), "dc");
  EXPECT_EQ(dcDecl.NodeValue(), DcURI);
  const TXmlNode defaultDecl = attributes.GetNamedItem("xmlns");
  EXPECT_EQ(defaultDecl.Prefix(), "");
  EXPECT_EQ(defaultDecl.LocalName(), "xmlns");
  EXPECT_EQ(defaultDecl.NodeValue(), "urn:default");
  EXPECT_FALSE(attributes.Item(6)) << "out of range answers a null node";
  EXPECT_FALSE(attributes.GetNamedItem("exif:Missing"));
  EXPECT_EQ(attributes.GetNamedItem("exif:ExposureProgram"), program);

  // By qualified name versus by namespace and local name.
  EXPECT_EQ(description.GetAttribute("rdf:about"), "uuid:1");
  EXPECT_EQ(description.GetAttribute("about"), "plain");
  EXPECT_EQ(description.GetAttributeNS(RdfURI, "about"), "uuid:1");
  EXPECT_EQ(description.GetAttributeNS("", "about"), "plain");
  EXPECT_EQ(description.GetAttributeNS(DcURI, "about"), "");
  EXPECT_EQ(description.GetAttribute("ExposureProgram"), "") << "the prefix is part of the qualified name";
  EXPECT_EQ(description.GetAttribute("xmlns:exif"), ExifURI);
  EXPECT_EQ(description.GetAttributeNS(Platform::XmlnsNamespaceURI, "exif"), ExifURI);
  EXPECT_EQ(description.GetAttributeNS(Platform::XmlnsNamespaceURI, "xmlns"), "urn:default");
  EXPECT_EQ(description.GetAttribute("missing"), "");
  EXPECT_EQ(description.GetAttribute("rdf:"), "");
  EXPECT_EQ(description.FirstChild().GetAttribute("about"), "") << "text nodes have no attributes";
  EXPECT_EQ(description.FirstChild().Attributes().Length(), 0U);

  // The same prefix bound to another namespace further down resolves there.
  TXmlDocument rebound;
  ASSERT_TRUE(Load(rebound, "<p:a xmlns:p='urn:one' p:x='1'><p:b xmlns:p='urn:two' p:x='2'/></p:a>"));
  const TXmlNode inner = FirstElement(rebound.DocumentElement());
  EXPECT_EQ(inner.NamespaceURI(), "urn:two");
  EXPECT_EQ(inner.GetAttributeNS("urn:two", "x"), "2");
  EXPECT_EQ(inner.GetAttributeNS("urn:one", "x"), "");
  EXPECT_EQ(rebound.DocumentElement().GetAttributeNS("urn:one", "x"), "1");
}

TEST(XmlDom, ViewsAnswerAsTheCopies) {
  // Every element, attribute and declaration of a document: the views and comparisons
  // agree with the copying accessors, the encoded "&" of a namespace name included.
  TXmlDocument doc;
  ASSERT_TRUE(Load(doc, "<p:a xmlns:p='urn:a&amp;b' xmlns='urn:plain' p:x='1 &amp; 2' y='&#65;&lt;'>"
                        "<b p:z='z'/>text</p:a>"));
  std::vector<TXmlNode> nodes;
  const auto add = [&nodes](const TXmlNode& node) {
    nodes.push_back(node);
    const auto attributes = node.Attributes();
    for (std::size_t i = 0; i < attributes.Length(); ++i)
      nodes.push_back(attributes.Item(i));
  };
  add(doc.DocumentElement());
  for (auto child = doc.DocumentElement().FirstChild(); child; child = child.NextSibling())
    add(child);
  add(TXmlNode());
  ASSERT_EQ(nodes.size(), 9U);
  for (const auto& node : nodes) {
    std::string storage;
    const auto name = node.NodeName();
    EXPECT_EQ(node.PrefixView(), node.Prefix()) << name;
    EXPECT_EQ(node.LocalNameView(), node.LocalName()) << name;
    EXPECT_EQ(node.NamespaceURIView(storage), node.NamespaceURI()) << name;
    EXPECT_TRUE(node.HasNamespaceURI(node.NamespaceURI())) << name;
    EXPECT_FALSE(node.HasNamespaceURI("urn:other")) << name;
    EXPECT_EQ(node.NodeNameIs(name), static_cast<bool>(node)) << name;
    EXPECT_FALSE(node.NodeNameIs(name + "x")) << name;
  }
  const auto root = doc.DocumentElement();
  EXPECT_EQ(root.NamespaceURI(), "urn:a&b");
  EXPECT_FALSE(root.HasNamespaceURI("urn:a&#38;b")) << "the document's encoded form is no name";
  EXPECT_EQ(root.GetAttributeNS("urn:a&b", "x"), "1 & 2");
  EXPECT_EQ(root.GetAttribute("y"), "A<");
  const auto b = FirstElement(root);
  EXPECT_TRUE(b.HasNamespaceURI("urn:plain"));
  EXPECT_TRUE(b.NodeNameIs("b"));
  EXPECT_FALSE(b.NodeNameIs("p:b"));
  EXPECT_TRUE(b.Attributes().Item(0).NodeNameIs("p:z"));
  EXPECT_TRUE(b.NextSibling().NodeNameIs("#text"));
}

TEST(XmlDom, NullHandlesAndEmptyDocument) {
  const TXmlNode none;
  EXPECT_FALSE(none);
  EXPECT_EQ(none.NodeName() + none.NodeValue() + none.NamespaceURI() + none.GetAttribute("a"), "");
  EXPECT_FALSE(none.FirstChild() || none.NextSibling() || none.IsElement());
  EXPECT_EQ(none.Attributes().Length(), 0U);

  TXmlDocument empty;
  EXPECT_FALSE(empty.DocumentElement());
  EXPECT_FALSE(empty.FirstChild());
  EXPECT_EQ(empty.Serialize().rfind("<?xml", 0), 0U);

  TXmlDocument moved(std::move(empty));
  ASSERT_TRUE(Load(moved, "<a/>"));
  EXPECT_EQ(moved.DocumentElement().NodeName(), "a");
}

TEST(XmlDom, EncodingsFromMarkAndDeclaration) {
  // UTF-16 little-endian with byte-order mark and declaration.
  {
    const auto bytes = Utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><x:r xmlns:x=\"urn:x\" a=\"\u00E4\">\u20AC</x:r>",
                             false, true);
    TXmlDocument doc;
    ASSERT_TRUE(doc.LoadFromBytes(bytes)) << "UTF-16LE with BOM";
    EXPECT_EQ(doc.DocumentElement().NamespaceURI(), "urn:x");
    EXPECT_EQ(doc.DocumentElement().GetAttribute("a"), "\xC3\xA4");
    EXPECT_EQ(doc.DocumentElement().FirstChild().NodeValue(), "\xE2\x82\xAC") << "text comes out as UTF-8";
  }
  // UTF-16 big-endian with byte-order mark, no declaration.
  {
    const auto bytes = Utf16(u"<r>\u00F6</r>", true, true);
    TXmlDocument doc;
    ASSERT_TRUE(doc.LoadFromBytes(bytes)) << "UTF-16BE with BOM";
    EXPECT_EQ(doc.DocumentElement().FirstChild().NodeValue(), "\xC3\xB6");
  }
  // Latin-1 named in the declaration.
  {
    TXmlDocument doc;
    ASSERT_TRUE(Load(doc, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\xE4\">\xF6</r>"));
    EXPECT_EQ(doc.DocumentElement().GetAttribute("a"), "\xC3\xA4");
    EXPECT_EQ(doc.DocumentElement().FirstChild().NodeValue(), "\xC3\xB6");

    // The serialisation is UTF-8 and says so, so it parses back to the same text.
    const std::string text = doc.Serialize();
    EXPECT_NE(text.find("encoding=\"UTF-8\""), std::string::npos) << text;
    EXPECT_NE(text.find("\xC3\xB6"), std::string::npos) << text;
    TXmlDocument again;
    ASSERT_TRUE(Load(again, text)) << text;
    EXPECT_EQ(again.DocumentElement().FirstChild().NodeValue(), "\xC3\xB6");
  }
  // The ANSI code page, named in the declaration.
  {
    TXmlDocument doc;
    ASSERT_TRUE(Load(doc, "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\x80</r>"));
    EXPECT_EQ(doc.DocumentElement().FirstChild().NodeValue(), "\xE2\x82\xAC");
  }
  // Neither mark nor declaration: UTF-8; a UTF-8 mark is accepted too.
  {
    TXmlDocument doc;
    ASSERT_TRUE(Load(doc, "<r>\xC3\xA4</r>"));
    EXPECT_EQ(doc.DocumentElement().FirstChild().NodeValue(), "\xC3\xA4");
    ASSERT_TRUE(Load(doc, "\xEF\xBB\xBF<r>\xC3\xA4</r>"));
    EXPECT_EQ(doc.DocumentElement().FirstChild().NodeValue(), "\xC3\xA4");
    EXPECT_FALSE(Load(doc, "<r>\xE4</r>")) << "Latin-1 bytes without a declaration are not UTF-8";
  }
}

TEST(XmlDom, MalformedInputAnswersFalse) {
  const std::vector<std::string> bad = {
      "",
      "just text",
      "<a>",
      "<a></b>",
      "<a x='1' x='2'/>",
      "<a/><b/>",
      std::string("<a>\0</a>", 8),
      "<p:a/>",                              // unbound prefix
      "<a xmlns:p='urn:p'><p:b q:c='1'/></a>", // unbound attribute prefix
      "<a>&undeclared;</a>",
      "<?xml version=\"1.0\" encoding=\"no-such-charset\"?><a/>",
      // Conversion errors, which libxml2 reports outside the parser context.
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\x81\x8D\x90</a>",
      std::string("\xFF\xFE<\0a\0>\0\0\xD8<\0/\0a\0>\0", 18), // lone UTF-16 surrogate
  };
  for (const std::string& text : bad) {
    TXmlDocument doc;
    ASSERT_TRUE(Load(doc, "<ok/>"));
    testing::internal::CaptureStderr();
    const bool loaded = Load(doc, text);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(loaded) << "accepted: " << text;
    EXPECT_FALSE(doc.DocumentElement()) << "a failed load leaves the document empty: " << text;
    EXPECT_EQ(printed, "") << "libxml2 printed for: " << text;
  }

  // A failed load does not spoil the next one.
  TXmlDocument doc;
  EXPECT_FALSE(Load(doc, "<a>"));
  EXPECT_TRUE(Load(doc, "<a/>"));
}

TEST(XmlDom, HostileInputIsRefused) {
  // Billion laughs: refused at the document type declaration, before any expansion.
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
  laughs += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
  for (int i = 2; i <= 9; ++i) {
    laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) {
      laughs += "&lol" + std::to_string(i - 1) + ";";
    }
    laughs += "\">\n";
  }
  laughs += "]>\n<lolz>&lol9;</lolz>";

  // External entity and external DTD: never fetched.
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><r a=\"x\">&e;</r>";
  const std::string externalDtd = "<!DOCTYPE r SYSTEM \"file:///etc/passwd\"><r>x</r>";
  const std::string harmlessDoctype = "<!DOCTYPE r><r>x</r>";

  for (const std::string& text : {laughs, external, externalDtd, harmlessDoctype}) {
    TXmlDocument doc;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Load(doc, text)) << text;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(doc.DocumentElement());
    EXPECT_EQ(doc.Serialize().find("root:"), std::string::npos) << "file content leaked into the document";
  }

  // Nesting far beyond libxml2's limit fails cleanly instead of exhausting the stack.
  constexpr int deep = 100000;
  std::string nested;
  nested.reserve(deep * 7);
  for (int i = 0; i < deep; ++i) {
    nested += "<a>";
  }
  for (int i = 0; i < deep; ++i) {
    nested += "</a>";
  }
  TXmlDocument doc;
  EXPECT_FALSE(Load(doc, nested));

  // Nesting within the limit loads, and handles walk down and serialise it.
  constexpr int allowed = 200;
  std::string moderate;
  for (int i = 0; i < allowed; ++i) {
    moderate += "<a>";
  }
  moderate += "leaf";
  for (int i = 0; i < allowed; ++i) {
    moderate += "</a>";
  }
  ASSERT_TRUE(Load(doc, moderate));
  int depth = 0;
  TXmlNode node = doc.DocumentElement();
  while (node.IsElement()) {
    ++depth;
    node = node.FirstChild();
  }
  EXPECT_EQ(depth, allowed);
  EXPECT_EQ(node.NodeValue(), "leaf");
  TXmlDocument again;
  EXPECT_TRUE(Load(again, doc.Serialize()));
}

TEST(XmlDom, SerializeRoundTripAndStreams) {
  TXmlDocument doc;
  ASSERT_TRUE(Load(doc, Packet));
  const std::string text = doc.Serialize();
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0U) << text;
  EXPECT_NE(text.find("<?xpacket end=\"w\"?>"), std::string::npos) << "top-level instructions kept";
  EXPECT_NE(text.find("xmlns:dc=\"http://purl.org/dc/elements/1.1/\""), std::string::npos);

  TXmlDocument again;
  ASSERT_TRUE(Load(again, text)) << text;
  EXPECT_EQ(again.Serialize(), text) << "a second round trip changes nothing";
  const TXmlNode description = FirstElement(FirstElement(again.DocumentElement()));
  EXPECT_EQ(description.GetAttributeNS(ExifURI, "ExposureProgram"), "2");
  EXPECT_EQ(FirstElement(FirstElement(FirstElement(description))).FirstChild().NodeValue(),
            "Tit & le \xE2\x82\xAC");

  // Loading from a stream reads from its position to the end.
  Platform::TMemoryStream stream;
  const std::string_view junk = "JUNK";
  stream.WriteBuffer(Bytes(junk));
  stream.WriteBuffer(Bytes(Packet));
  stream.SetPosition(static_cast<std::int64_t>(junk.size()));
  TXmlDocument fromStream;
  ASSERT_TRUE(fromStream.LoadFromStream(stream));
  EXPECT_EQ(stream.Position(), stream.Size());
  EXPECT_EQ(fromStream.Serialize(), doc.Serialize());
  stream.SetPosition(0);
  EXPECT_FALSE(fromStream.LoadFromStream(stream)) << "junk before the XML";
}
