// Packet text: the reader (XML DOM -> tree), the raw-text cache and lazy data, and
// the writer that produces the packet text directly from the tree.

#include "Tessel/Exif/XMPUtils.h"

#include "platform/FileOps.h"
#include "platform/StringList.h"
#include "platform/Strings.h"
#include "platform/XmlDom.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace Tessel::Exif {

using Platform::TXmlDocument;
using Platform::TXmlNode;
using Platform::TXmlNodeType;

namespace {

constexpr std::string_view PacketStartMarker = "<?xpacket ";

std::string_view RDFNamespaceURI() { return GetXMPNamespaceURI(TXMPNamespace::xsRDF); }

bool IsTextNode(const TXmlNode& node) {
  if (!node)
    return false;
  const auto type = node.NodeType();
  // A CDATA section is text written another way; its value must not be lost.
  return type == TXmlNodeType::TEXT_NODE || type == TXmlNodeType::CDATA_SECTION_NODE;
}

// RDF's own attributes (rdf:about, rdf:resource, rdf:parseType, ...) are syntax, not
// data: taken as structure fields they would be written back as rdf: elements, which
// no RDF reader accepts.
bool IsFieldAttribute(const TXmlNode& attribute) {
  return !IsNamespaceDeclaration(attribute) && !attribute.HasNamespaceURI(Platform::XmlNamespaceURI) &&
         !attribute.HasNamespaceURI(RDFNamespaceURI());
}

// An attribute that can be a structure's field: neither a namespace declaration nor an
// xml: qualifier such as the xml:lang every Alt item carries (an empty item written by
// us must read back as an empty value, not as a structure with a "lang" field).
bool HasFieldAttribute(const TXmlNode& node) {
  const auto attributes = node.Attributes();
  for (std::size_t i = 0; i < attributes.Length(); ++i) {
    const auto attribute = attributes.Item(i);
    if (IsFieldAttribute(attribute))
      return true;
  }
  return false;
}

bool HasXmlLangAttribute(const TXmlNode& node) {
  const auto attributes = node.Attributes();
  for (std::size_t i = 0; i < attributes.Length(); ++i) {
    const auto attribute = attributes.Item(i);
    if (attribute.LocalNameView() == "lang" && attribute.HasNamespaceURI(Platform::XmlNamespaceURI))
      return true;
  }
  return false;
}

// The deepest element nesting below node, counted without recursion; stops early
// once the limit is passed.
int ElementDepthBelow(const TXmlNode& node, int limit) {
  std::vector<std::pair<TXmlNode, int>> pending;
  for (auto child = node.FirstChild(); child; child = child.NextSibling())
    if (child.IsElement())
      pending.emplace_back(child, 1);
  int deepest = 0;
  while (!pending.empty()) {
    const auto [current, depth] = pending.back();
    pending.pop_back();
    deepest = std::max(deepest, depth);
    if (deepest > limit)
      break;
    for (auto child = current.FirstChild(); child; child = child.NextSibling())
      if (child.IsElement())
        pending.emplace_back(child, depth + 1);
  }
  return deepest;
}

// True for text without an XML declaration and for one whose encoding is UTF-8 or
// left out (which means UTF-8).
bool DeclaresUTF8(std::string_view text) {
  if (!text.starts_with("<?xml"))
    return true;
  const auto declaration = text.substr(0, text.find("?>"));
  const auto at = declaration.find("encoding");
  if (at == std::string_view::npos)
    return true;
  const auto quote = declaration.find_first_of("\"'", at);
  if (quote == std::string_view::npos)
    return false;
  return Platform::SameText(declaration.substr(quote + 1, 5), "UTF-8") &&
         declaration.size() > quote + 6 && declaration[quote + 6] == declaration[quote];
}

std::string ReadRest(Platform::TStream& stream) {
  const auto available = stream.Size() - stream.Position();
  std::string buffer;
  if (available <= 0)
    return buffer;
  buffer.resize(static_cast<std::size_t>(available));
  const auto read = stream.Read(buffer.data(), available);
  buffer.resize(static_cast<std::size_t>(std::max<std::int64_t>(read, 0)));
  return buffer;
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool IsXMLSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The text of a wrapped packet as the XML parser needs to see it: the padding in front
// of the closing processing instruction, kilobytes of white space the parser would step
// through one by one, left out. Only white space between markup and a trailer that ends
// the text goes: the parser reads that as nothing at all (anywhere else, inside an element
// or a comment left open, the text does not parse either way).
std::string_view WithoutPadding(std::string_view text, std::string& storage) {
  constexpr std::size_t worthCutting = 256;
  if (!text.starts_with(PacketStartMarker))
    return text;
  const auto trailer = text.rfind("<?xpacket");
  if (trailer == std::string_view::npos || trailer == 0)
    return text;
  const auto close = text.find("?>", trailer);
  if (close == std::string_view::npos)
    return text;
  for (auto p = close + 2; p < text.size(); ++p)
    if (!IsXMLSpace(text[p]))
      return text;
  // Padding is mostly spaces: eight at a time where they come in runs.
  constexpr std::uint64_t eightSpaces = 0x2020202020202020;
  auto start = trailer;
  for (;;) {
    std::uint64_t word = 0;
    while (start >= sizeof word &&
           (std::memcpy(&word, text.data() + start - sizeof word, sizeof word), word == eightSpaces))
      start -= sizeof word;
    if (start == 0 || !IsXMLSpace(text[start - 1]))
      break;
    --start;
  }
  if (start == 0 || text[start - 1] != '>' || trailer - start < worthCutting)
    return text;
  storage.reserve(start + text.size() - trailer);
  storage.assign(text.substr(0, start));
  storage += text.substr(trailer);
  return storage;
}

// A qualified name, or the bare local name in a default namespace.
std::string QualifiedName(const std::string& prefix, std::string_view name) {
  if (prefix.empty())
    return std::string(name);
  std::string result = prefix;
  result += ':';
  result += name;
  return result;
}

// " xmlns:p="uri"", or the default namespace form for an empty prefix, so that a
// namespace read without a prefix is written back as valid XML.
std::string NamespaceDeclaration(const std::string& prefix, const std::string& uri) {
  if (prefix.empty())
    return fmt::format(" xmlns=\"{}\"", EscapeXML(uri));
  return fmt::format(" xmlns:{}=\"{}\"", prefix, EscapeXML(uri));
}

std::string_view ContainerName(TXMPPropertyKind kind) {
  using enum TXMPPropertyKind;
  switch (kind) {
  case xpStructure: return "rdf:Description";
  case xpAltArray: return "rdf:Alt";
  case xpBagArray: return "rdf:Bag";
  case xpSeqArray: return "rdf:Seq";
  case xpSimple: break;
  }
  return {};
}

} // namespace

void TXMPPacket::WriteProperties(std::string& out, const IXMPPropertyCollection& collection, int depth) {
  const std::string indent(static_cast<std::size_t>(depth), '\t');
  for (const auto& property : collection) {
    const auto* parent = property.ParentProperty();
    const bool isItem = parent != nullptr && parent->Kind() != TXMPPropertyKind::xpStructure;
    const auto& info = property.NamespaceInfo();
    const auto prefix = info.Prefix();
    const std::string declaration =
        isItem || property.ParentNamespace() ? std::string() : NamespaceDeclaration(prefix, info.URI());
    const auto qualifiedName = QualifiedName(prefix, property.Name());
    if (isItem) {
      out += indent;
      out += "<rdf:li";
      if (parent->Kind() == TXMPPropertyKind::xpAltArray)
        out += fmt::format(" xml:lang=\"{}\"", EscapeXML(property.Name()));
      out += '>';
    }
    if (property.Kind() != TXMPPropertyKind::xpSimple) {
      if (isItem)
        out += '\n';
      else
        out += fmt::format("{}<{}{}>\n", indent, qualifiedName, declaration);
      const auto container = ContainerName(property.Kind());
      out += fmt::format("{}\t<{}>\n", indent, container);
      WriteProperties(out, property, depth + 2);
      out += fmt::format("{}\t</{}>\n", indent, container);
      out += fmt::format("{}</{}>\n", indent, isItem ? std::string_view("rdf:li") : std::string_view(qualifiedName));
    } else {
      // A simple property's text is its value; no default applies.
      const auto value = EscapeXML(property.FValue);
      if (isItem)
        out += fmt::format("{}</rdf:li>\n", value);
      else
        out += fmt::format("{}<{}{}>{}</{}>\n", indent, qualifiedName, declaration, value, qualifiedName);
    }
  }
}

// ---------------------------------------------------------------------------------
// Unit functions

std::string EscapeXML(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    switch (c) {
    case '"': result += "&quot;"; break;
    case '&': result += "&amp;"; break;
    case '\'': result += "&apos;"; break;
    case '<': result += "&lt;"; break;
    case '>': result += "&gt;"; break;
    default: result += c; break;
    }
  }
  return result;
}

bool IsNamespaceDeclaration(const TXmlNode& attribute) {
  return attribute.PrefixView() == "xmlns" || attribute.HasNamespaceURI(Platform::XmlnsNamespaceURI);
}

TXmlNode FindRDFNode(const TXmlDocument& document) {
  for (auto node = document.FirstChild(); node; node = node.NextSibling()) {
    if (!node.IsElement())
      continue;
    const auto localName = node.LocalNameView();
    if (localName == "RDF")
      return node;
    if (localName == "xmpmeta" || localName == "xapmeta") {
      for (auto child = node.FirstChild(); child; child = child.NextSibling())
        if (child.IsElement() && child.NodeNameIs("rdf:RDF"))
          return child;
      return {};
    }
  }
  return {};
}

// ---------------------------------------------------------------------------------
// Building the tree

TXMPProperty::TXMPProperty(TXMPSchema* schema, TXMPProperty* parentProperty, const TXmlNode& sourceNode)
    : TXMPProperty(schema, parentProperty) {
  int depth = 0;
  for (auto* ancestor = parentProperty; ancestor != nullptr; ancestor = ancestor->FParentProperty)
    if (++depth >= MaxXMPNestingDepth)
      throw EInvalidXMPPacket();
  BuildFromNode(sourceNode);
}

void TXMPProperty::BuildFromNode(const TXmlNode& node) {
  using enum TXMPPropertyKind;
  TXmlNode content;
  const bool resourceForm = node.IsElement() && node.GetAttributeNS(RDFNamespaceURI(), "parseType") == "Resource";
  if (resourceForm) {
    FKind = xpStructure;
    content = node;
  } else {
    TXmlNode lastText;
    for (auto child = node.FirstChild(); child; child = child.NextSibling()) {
      if (child.IsElement()) {
        if (child.NodeNameIs("rdf:Alt"))
          FKind = xpAltArray;
        else if (child.NodeNameIs("rdf:Bag"))
          FKind = xpBagArray;
        else if (child.NodeNameIs("rdf:Seq"))
          FKind = xpSeqArray;
        else if (child.NodeNameIs("rdf:Description"))
          FKind = xpStructure;
        content = child;
        break;
      }
      if (IsTextNode(child))
        lastText = child;
    }
    if (!content)
      content = lastText;
  }
  if (FKind == xpSimple) {
    if (content) {
      FValue = content.NodeValue();
    } else if (const auto resource = node.GetAttributeNS(RDFNamespaceURI(), "resource");
               !resource.empty() && !HasFieldAttribute(node)) {
      // A property whose value is a URI reference: a simple value.
      FValue = resource;
    } else if (HasFieldAttribute(node)) {
      // An empty element carrying field attributes is a structure.
      FKind = xpStructure;
      content = node;
    }
  }

  const auto parentKind = FParentProperty != nullptr ? FParentProperty->FKind : xpStructure;
  if (FParentProperty != nullptr && parentKind == xpAltArray) {
    FName = node.GetAttributeNS(Platform::XmlNamespaceURI, "lang");
  } else if (FParentProperty != nullptr && (parentKind == xpBagArray || parentKind == xpSeqArray)) {
    FName.clear();
  } else {
    FName = node.LocalNameView();
    std::string uriStorage;
    if (FNamespaceInfo->AssignSilently(node.PrefixView(), node.NamespaceURIView(uriStorage)))
      FParentNamespace = false;
  }

  const bool topLevelOnly = FSchema != nullptr && FSchema->Owner() != nullptr && FSchema->Owner()->FTopLevelOnly;
  if (!SupportsSubProperties() || !content || topLevelOnly)
    return;
  if (FKind == xpStructure && !resourceForm) {
    const auto attributes = content.Attributes();
    for (std::size_t i = 0; i < attributes.Length(); ++i) {
      const auto attribute = attributes.Item(i);
      if (!IsNamespaceDeclaration(attribute) && !attribute.HasNamespaceURI(RDFNamespaceURI()))
        FSubProperties.push_back(std::make_unique<TXMPProperty>(FSchema, this, attribute));
    }
  }
  for (auto child = content.FirstChild(); child; child = child.NextSibling()) {
    if (!child.IsElement())
      continue;
    if (FKind != xpStructure) {
      if (!child.NodeNameIs("rdf:li"))
        continue;
      if (FKind == xpAltArray && !HasXmlLangAttribute(child))
        continue;
    }
    FSubProperties.push_back(std::make_unique<TXMPProperty>(FSchema, this, child));
  }
  ListenToNamespaceInfo();
}

void TXMPSchema::LoadProperty(const TXmlNode& node) {
  struct TLoadingFlag {
    bool& Flag;
    explicit TLoadingFlag(bool& flag) : Flag(flag) { Flag = true; }
    ~TLoadingFlag() { Flag = false; }
  } loading(FLoadingProperty);
  // The file's own prefix for the namespace is the one the packet writes back.
  if (FProperties.empty())
    FNamespaceInfo->SetPrefix(node.PrefixView());
  FProperties.push_back(std::make_unique<TXMPProperty>(this, nullptr, node));
}

// ---------------------------------------------------------------------------------
// Loading

bool TXMPPacket::TryLoadFromStream(Platform::TStream& stream) {
  CheckSignature(stream, XMPSegmentHeader);
  auto buffer = ReadRest(stream);
  // NUL padding (and stray NULs) must not break the parse.
  for (auto* p = buffer.data();
       (p = static_cast<char*>(std::memchr(p, 0, buffer.data() + buffer.size() - p))) != nullptr;)
    *p++ = ' ';

  TXmlDocument document;
  {
    std::string unpadded;
    if (!document.LoadFromBytes(AsBytes(WithoutPadding(buffer, unpadded))))
      return false;
  }
  const auto rdfNode = FindRDFNode(document);
  if (!rdfNode)
    return false;
  // Refused before anything changes: the tree builder recurses once per level.
  if (ElementDepthBelow(rdfNode, MaxXMPNestingDepth) > MaxXMPNestingDepth)
    return false;

  // The cache is what an unchanged packet writes back. A bare element without the
  // xpacket wrapper (as phones and some TIFF writers store it) is kept as it came too,
  // so that carrying such a packet through a load and save keeps its bytes; text whose
  // XML declaration names another encoding is cached as the DOM's UTF-8.
  std::string rawText;
  const std::string_view text(buffer);
  const auto bareElement = [text] {
    const auto start = text.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && text.substr(start).starts_with('<') &&
           DeclaresUTF8(text.substr(start)) && Platform::IsValidUTF8(text);
  };
  const bool asRead = text.starts_with(PacketStartMarker) || bareElement();
  if (asRead)
    rawText = std::move(buffer);
  else
    rawText = document.Serialize();
  LoadFromDocument(document, rdfNode, std::move(rawText));
  // The text kept is the text parsed, so the same document gives the tree it reads as.
  if (FKeepSourceTree && asRead) {
    auto tree = std::make_unique<TXMPPacket>();
    tree->LoadFromDocument(document, rdfNode, std::string());
    FSourceTree = std::move(tree);
  }
  return true;
}

bool TXMPPacket::PendingDataMayHold(std::string_view name) const {
  if (!FDataToLazyLoad || name.empty())
    return true;
  const auto bytes = FDataToLazyLoad->Data().Bytes();
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.starts_with(XMPSegmentHeader))
    text.remove_prefix(XMPSegmentHeader.size());
  // XML writes a name as it is (no reference may stand for one of its characters), so
  // UTF-8 text without the name's bytes has no such element or attribute. The parser
  // reads text as UTF-8 when it starts with markup and declares no other encoding;
  // whatever else it may be read as could hold the name in other bytes.
  const auto start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos)
    return true;
  const auto markup = text.substr(start);
  if (!markup.starts_with('<') || !DeclaresUTF8(markup))
    return true;
  return text.find(name) != std::string_view::npos;
}

bool TXMPPacket::TryReadPropertyCounts(Platform::TStream& stream, std::vector<int>& counts) {
  TXMPPacket packet;
  packet.FTopLevelOnly = true;
  if (!packet.TryLoadFromStream(stream))
    return false;
  counts.clear();
  for (const auto& entry : packet.FSchemas)
    counts.push_back(entry.Schema->PropertyCount());
  return true;
}

void TXMPPacket::LoadFromDocument(const TXmlDocument& /*document*/, const TXmlNode& rdfNode, std::string rawText) {
  ClearTree();
  FSourceText = rawText;
  FRawXMLCache = std::move(rawText);
  const auto rdfURI = RDFNamespaceURI();
  for (auto description = rdfNode.FirstChild(); description; description = description.NextSibling()) {
    if (!description.IsElement() || !description.HasNamespaceURI(rdfURI) ||
        !Platform::SameText(description.NodeName(), "rdf:Description")) {
      continue;
    }
    if (FAboutAttributeValue.empty()) {
      FAboutAttributeValue = description.GetAttributeNS(rdfURI, "about");
      if (FAboutAttributeValue.empty())
        FAboutAttributeValue = description.GetAttributeNS("", "about");
    }
    const auto attributes = description.Attributes();
    for (std::size_t i = 0; i < attributes.Length(); ++i) {
      const auto attribute = attributes.Item(i);
      if (IsNamespaceDeclaration(attribute))
        continue;
      std::string uriStorage;
      const auto uri = attribute.NamespaceURIView(uriStorage);
      if (uri.empty() || uri == rdfURI)
        continue;
      FindOrAddSchema(uri).LoadProperty(attribute);
    }
    for (auto child = description.FirstChild(); child; child = child.NextSibling()) {
      if (!child.IsElement())
        continue;
      std::string uriStorage;
      const auto uri = child.NamespaceURIView(uriStorage);
      if (!uri.empty())
        FindOrAddSchema(uri).LoadProperty(child);
    }
  }
  Changed(false);
}

void TXMPPacket::LoadError(Platform::TStream& source) {
  if (FOnLoadError) {
    FOnLoadError(*this, source);
    return;
  }
  throw EInvalidXMPPacket();
}

void TXMPPacket::LoadFromStream(Platform::TStream& stream) {
  if (!TryLoadFromStream(stream))
    LoadError(stream);
}

void TXMPPacket::LoadFromFile(const std::string& fileName) {
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  LoadFromStream(stream);
}

// ---------------------------------------------------------------------------------
// Writing

void TXMPPacket::GenerateText(std::string& out) {
  // A packet read with the byte-order mark as its begin value keeps it.
  constexpr std::string_view markedStart = "<?xpacket begin=\"\xEF\xBB\xBF\"";
  if (FSourceText.starts_with(markedStart))
    out += markedStart;
  else
    out += "<?xpacket begin=\"\"";
  out += " id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n";
  out += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" TesselExifVersion=\"1.5.1\">\n";
  out += fmt::format("\t<rdf:RDF xmlns:rdf=\"{}\">\n", RDFNamespaceURI());
  // About values and URIs come back decoded from the file; written raw, an "&" in them
  // would make the packet unreadable.
  const auto about = EscapeXML(FAboutAttributeValue);
  for (const auto& entry : FSchemas) {
    const auto& schema = *entry.Schema;
    out += fmt::format("\t\t<rdf:Description rdf:about=\"{}\"{}>\n", about,
                       NamespaceDeclaration(schema.PreferredPrefix(), schema.URI()));
    WriteProperties(out, schema, 3);
    out += "\t\t</rdf:Description>\n";
  }
  out += "\t</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?> ";
}

void TXMPPacket::SaveToStream(Platform::TStream& stream) {
  if (!FRawXMLCache.empty()) {
    stream.WriteBuffer(FRawXMLCache.data(), static_cast<std::int64_t>(FRawXMLCache.size()));
    // A wrapped packet ends with a space; text without the wrapper is written back as it
    // came, byte for byte.
    if (FRawXMLCache.starts_with(PacketStartMarker) && FRawXMLCache.back() != ' ')
      stream.WriteBuffer(" ", 1);
    return;
  }
  if (FDataToLazyLoad) {
    auto bytes = FDataToLazyLoad->Data().Bytes();
    if (bytes.size() >= XMPSegmentHeader.size() &&
        std::memcmp(bytes.data(), XMPSegmentHeader.data(), XMPSegmentHeader.size()) == 0)
      bytes = bytes.subspan(XMPSegmentHeader.size());
    if (!bytes.empty())
      stream.WriteBuffer(bytes);
    return;
  }
  std::string text;
  std::vector<int> counts;
  const bool patched = TryPatchSourceText(text, counts);
  if (!patched)
    GenerateText(text);
  stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  if (patched) {
    FCheckedText = std::move(text);
    FCheckedCounts = std::move(counts);
  } else {
    FCheckedText.clear();
    FCheckedCounts.clear();
  }
}

bool TXMPPacket::KnownPropertyCounts(std::span<const std::uint8_t> text, std::vector<int>& counts) const {
  if (FCheckedText.empty() || text.size() != FCheckedText.size() ||
      std::memcmp(text.data(), FCheckedText.data(), text.size()) != 0)
    return false;
  counts = FCheckedCounts;
  return true;
}

void TXMPPacket::SaveToFile(const std::string& fileName) {
  Platform::TMemoryStream content;
  SaveToStream(content);
  const auto writeContent = [&content](Platform::TStream& output) {
    if (content.Size() > 0)
      output.WriteBuffer(content.Memory(), content.Size());
  };
  if (Platform::FileExists(fileName)) {
    Platform::AtomicReplaceFile(fileName, writeContent);
  } else {
    Platform::TFileStream output(fileName, Platform::fmCreate);
    writeContent(output);
  }
}

const std::string& TXMPPacket::RawXML() {
  if (FRawXMLCache.empty()) {
    Platform::TMemoryStream stream;
    SaveToStream(stream);
    const auto bytes = stream.Bytes();
    FRawXMLCache.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  return FRawXMLCache;
}

void TXMPPacket::SetRawXML(std::string_view value) {
  if (value.empty()) {
    Clear();
    return;
  }
  TUserMemoryStream stream(value.data(), static_cast<std::int64_t>(value.size()));
  LoadFromStream(stream);
}

void TXMPPacket::SetDataToLazyLoad(std::shared_ptr<IMetadataBlock> value) {
  if (value == FDataToLazyLoad)
    return;
  Clear();
  FDataToLazyLoad = std::move(value);
}

void TXMPPacket::Assign(TXMPPacket* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  if (source->FDataToLazyLoad) {
    SetDataToLazyLoad(source->FDataToLazyLoad);
    return;
  }
  const std::string text = source->RawXML();
  SetRawXML(text);
}

void TXMPPacket::Assign(const Platform::TStringList& source) { SetRawXML(source.Text()); }

void TXMPPacket::AssignTo(Platform::TStringList& dest) { dest.SetText(RawXML()); }

} // namespace Tessel::Exif
