#pragma once

// A small read-only, namespace-aware XML DOM over libxml2: the operations the XMP
// reader walks a packet with, under the W3C DOM Level 2 Core names.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;

namespace Platform {

class TStream;

// Namespace of the attributes that declare namespaces (xmlns, xmlns:p).
inline constexpr std::string_view XmlnsNamespaceURI = "http://www.w3.org/2000/xmlns/";
// Namespace bound to the reserved prefix "xml" (xml:lang, xml:space).
inline constexpr std::string_view XmlNamespaceURI = "http://www.w3.org/XML/1998/namespace";

// W3C node type codes.
enum class TXmlNodeType : std::uint16_t {
  ELEMENT_NODE = 1,
  ATTRIBUTE_NODE = 2,
  TEXT_NODE = 3,
  CDATA_SECTION_NODE = 4,
  ENTITY_REFERENCE_NODE = 5,
  ENTITY_NODE = 6,
  PROCESSING_INSTRUCTION_NODE = 7,
  COMMENT_NODE = 8,
  DOCUMENT_NODE = 9,
  DOCUMENT_TYPE_NODE = 10,
  DOCUMENT_FRAGMENT_NODE = 11,
  NOTATION_NODE = 12,
};

class TXmlAttributeMap;

// A handle to a node of a TXmlDocument: cheap to copy, valid while the document
// lives and has not loaded again. A default-constructed (null) handle is false and
// answers empty values, null nodes and empty maps.
//
// Attribute handles stand for real attributes and for namespace declarations; a
// declaration is an attribute named "xmlns" or "xmlns:p" in the namespace
// XmlnsNamespaceURI (prefix "xmlns", or none for the default declaration).
// A real attribute's value is also its text child (FirstChild); a declaration has
// no children. Attributes have no siblings.
class TXmlNode {
public:
  TXmlNode() = default;

  explicit operator bool() const noexcept { return FHandle != nullptr; }
  friend bool operator==(const TXmlNode&, const TXmlNode&) = default;

  [[nodiscard]] TXmlNodeType NodeType() const;
  [[nodiscard]] bool IsElement() const;
  // Qualified name ("p:local") of elements and attributes; "#text", "#comment",
  // "#cdata-section", "#document" or the target for the other kinds.
  [[nodiscard]] std::string NodeName() const;
  // Text of text, CDATA, comment and processing-instruction nodes, value of
  // attributes; empty for elements and documents.
  [[nodiscard]] std::string NodeValue() const;
  // Resolved namespace of elements and attributes; empty when they have none.
  [[nodiscard]] std::string NamespaceURI() const;
  [[nodiscard]] std::string Prefix() const;
  // Name without prefix, for elements and attributes; empty for the other kinds.
  [[nodiscard]] std::string LocalName() const;

  // The same answers without a copy, for walks that only compare or pass them on. The
  // views point into the document and live as long as its content.
  [[nodiscard]] std::string_view PrefixView() const;
  [[nodiscard]] std::string_view LocalNameView() const;
  // The namespace as a view into the document, or into storage where the document
  // keeps it encoded (see NamespaceURI).
  [[nodiscard]] std::string_view NamespaceURIView(std::string& storage) const;
  [[nodiscard]] bool HasNamespaceURI(std::string_view uri) const;
  // NodeName() == qualifiedName, for elements and attributes.
  [[nodiscard]] bool NodeNameIs(std::string_view qualifiedName) const;

  [[nodiscard]] TXmlNode FirstChild() const;
  [[nodiscard]] TXmlNode NextSibling() const;
  // Counts the children (walks them).
  [[nodiscard]] std::size_t ChildNodesLength() const;

  // An element's attributes: the real ones in document order, then its namespace
  // declarations in document order. Empty for every other kind of node.
  [[nodiscard]] TXmlAttributeMap Attributes() const;
  // Value of the attribute with this qualified name ("xmlns:dc" included); "" when
  // missing or when this is no element.
  [[nodiscard]] std::string GetAttribute(std::string_view qualifiedName) const;
  // Value of the attribute with this namespace and local name; an empty namespace
  // asks for an attribute without one. "" when missing or when this is no element.
  [[nodiscard]] std::string GetAttributeNS(std::string_view namespaceURI,
                                           std::string_view localName) const;

private:
  friend class TXmlDocument;
  enum class TKind : std::uint8_t { nkNode, nkAttribute, nkNamespace };
  TXmlNode(void* handle, TKind kind) : FHandle(handle), FKind(kind) {}
  static TXmlNode FromNode(void* node);

  void* FHandle = nullptr; // xmlNode*, xmlAttr* or xmlNs* after FKind
  TKind FKind = TKind::nkNode;
};

// The attributes of one element, as handed out by TXmlNode::Attributes().
class TXmlAttributeMap {
public:
  TXmlAttributeMap() = default;

  [[nodiscard]] std::size_t Length() const noexcept { return FItems.size(); }
  // Null node when index is out of range.
  [[nodiscard]] TXmlNode Item(std::size_t index) const {
    return index < FItems.size() ? FItems[index] : TXmlNode();
  }
  // Null node when no attribute has this qualified name.
  [[nodiscard]] TXmlNode GetNamedItem(std::string_view qualifiedName) const;

private:
  friend class TXmlNode;
  explicit TXmlAttributeMap(std::vector<TXmlNode> items) : FItems(std::move(items)) {}
  std::vector<TXmlNode> FItems;
};

// A parsed XML document; owns the libxml2 tree its node handles point into.
//
// Parsing never touches the network or the file system and refuses every document
// with a document type declaration (so no entity can be declared, expanded or
// fetched); libxml2's size and nesting limits stay on (at most 256 levels).
class TXmlDocument {
public:
  // An empty document: no children, no document element.
  TXmlDocument();
  ~TXmlDocument();
  TXmlDocument(TXmlDocument&& other) noexcept;
  TXmlDocument& operator=(TXmlDocument&& other) noexcept;
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  // Parses the bytes (encoding from the byte-order mark or the XML declaration,
  // UTF-8 when neither says). Answers false for malformed, namespace-malformed or
  // refused input and leaves the document empty; never raises for bad input.
  // Handles into the previous content become invalid either way.
  bool LoadFromBytes(std::span<const std::uint8_t> bytes);
  // Reads from the stream's position to its end, then LoadFromBytes. Stream errors propagate.
  bool LoadFromStream(TStream& stream);

  // The whole document as UTF-8 text, starting with an XML declaration that says UTF-8.
  [[nodiscard]] std::string Serialize() const;

  [[nodiscard]] TXmlNode DocumentElement() const;
  // The first top-level node (an xpacket processing instruction, a comment, the
  // document element, ...); walk on with NextSibling().
  [[nodiscard]] TXmlNode FirstChild() const;

private:
  struct TDocFree {
    void operator()(_xmlDoc* doc) const noexcept;
  };
  void Clear();
  std::unique_ptr<_xmlDoc, TDocFree> FDoc;
};

} // namespace Platform
