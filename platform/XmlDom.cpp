#include "platform/XmlDom.h"

#include "platform/Streams.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>

#include <climits>
#include <new>

namespace Platform {

namespace {

// The parser options every load uses. Deliberately absent: XML_PARSE_NOENT and
// XML_PARSE_DTDLOAD (entity substitution and external DTDs), XML_PARSE_HUGE (keeps
// libxml2's depth and size limits), XML_PARSE_RECOVER (malformed input must fail).
// XML_PARSE_COMPACT keeps short texts inside their nodes: the DOM never changes a parsed tree.
constexpr int ParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

void EnsureParserInitialised() {
  static const bool initialised = [] {
    xmlInitParser();
    return true;
  }();
  (void)initialised;
}

void IgnoreStructuredError(void* /*userData*/, xmlErrorPtr /*error*/) {}
void IgnoreGenericError(void* /*context*/, const char* /*message*/, ...) {}

// libxml2 reports some errors (encoding conversion, memory) without a parser
// context, through the thread's global handlers, which print to stderr by default.
// Silences them for the current thread while a parse or save runs.
class TThreadErrorSilencer {
public:
  TThreadErrorSilencer()
      : FOldStructured(xmlStructuredError), FOldStructuredContext(xmlStructuredErrorContext),
        FOldGeneric(xmlGenericError), FOldGenericContext(xmlGenericErrorContext) {
    xmlSetStructuredErrorFunc(nullptr, IgnoreStructuredError);
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
  }
  ~TThreadErrorSilencer() {
    xmlSetStructuredErrorFunc(FOldStructuredContext, FOldStructured);
    xmlSetGenericErrorFunc(FOldGenericContext, FOldGeneric);
  }
  TThreadErrorSilencer(const TThreadErrorSilencer&) = delete;
  TThreadErrorSilencer& operator=(const TThreadErrorSilencer&) = delete;

private:
  xmlStructuredErrorFunc FOldStructured;
  void* FOldStructuredContext;
  xmlGenericErrorFunc FOldGeneric;
  void* FOldGenericContext;
};

// A document type declaration is where entities (billion laughs, external SYSTEM
// entities) and external DTDs come from; XMP never carries one. Stopping here, at
// "<!DOCTYPE name ...", happens before any of its internal subset is read.
void RefuseDocumentType(void* context, const xmlChar* /*name*/, const xmlChar* /*externalID*/,
                        const xmlChar* /*systemID*/) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(context);
  ctxt->wellFormed = 0;
  xmlStopParser(ctxt);
}

struct TParserCtxtFree {
  void operator()(xmlParserCtxtPtr ctxt) const noexcept { xmlFreeParserCtxt(ctxt); }
};

struct TXmlCharFree {
  void operator()(xmlChar* text) const noexcept { xmlFree(text); }
};

std::string ToString(const xmlChar* text) {
  return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

std::string_view ToView(const xmlChar* text) {
  return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// A namespace declaration's URI. Without entity substitution libxml2 keeps every "&" of
// an xmlns attribute value as the reference "&#38;" in the namespace's href (ordinary
// attribute values are decoded); a raw "&" cannot occur there, so undoing that one
// reference gives the URI the document declared.
std::string NamespaceHref(const xmlChar* href) {
  constexpr std::string_view ampersand = "&#38;";
  const auto text = ToView(href);
  if (text.find(ampersand) == std::string_view::npos)
    return std::string(text);
  std::string uri;
  uri.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    if (text.substr(pos, ampersand.size()) == ampersand) {
      uri += '&';
      pos += ampersand.size();
    } else {
      uri += text[pos++];
    }
  }
  return uri;
}

// NamespaceHref(href) == uri, without building the URI where it needs no decoding.
bool NamespaceHrefIs(const xmlChar* href, std::string_view uri) {
  const auto text = ToView(href);
  if (text.find('&') == std::string_view::npos)
    return text == uri;
  return NamespaceHref(href) == uri;
}

std::string QualifiedName(const xmlChar* prefix, const xmlChar* localName) {
  std::string result;
  if (prefix != nullptr) {
    result = ToString(prefix);
    result += ':';
  }
  result += ToView(localName);
  return result;
}

// Compares "prefix:local" (or "local" without prefix) against a qualified name
// without building the name.
bool QualifiedNameIs(const xmlChar* prefix, const xmlChar* localName, std::string_view qualifiedName) {
  if (prefix != nullptr) {
    const std::string_view prefixText = ToView(prefix);
    if (qualifiedName.size() <= prefixText.size() || !qualifiedName.starts_with(prefixText) ||
        qualifiedName[prefixText.size()] != ':') {
      return false;
    }
    qualifiedName.remove_prefix(prefixText.size() + 1);
  }
  return qualifiedName == ToView(localName);
}

const xmlChar* XmlnsName() { return reinterpret_cast<const xmlChar*>("xmlns"); }

std::string AttributeValue(xmlAttrPtr attribute) {
  // A value that is one piece of text (what the parser makes of nearly every attribute)
  // is read where it stands.
  const auto* text = attribute->children;
  if (text != nullptr && text->next == nullptr && text->type == XML_TEXT_NODE)
    return ToString(text->content);
  const std::unique_ptr<xmlChar, TXmlCharFree> value(
      xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attribute)));
  return ToString(value.get());
}

} // namespace

// ---------------------------------------------------------------------------
// TXmlNode

TXmlNode TXmlNode::FromNode(void* node) { return node != nullptr ? TXmlNode(node, TKind::nkNode) : TXmlNode(); }

TXmlNodeType TXmlNode::NodeType() const {
  using enum TXmlNodeType;
  switch (FKind) {
  case TKind::nkAttribute:
  case TKind::nkNamespace:
    return ATTRIBUTE_NODE;
  case TKind::nkNode:
    break;
  }
  if (FHandle == nullptr) {
    return ELEMENT_NODE; // no meaningful answer; callers test the handle first
  }
  switch (static_cast<xmlNodePtr>(FHandle)->type) {
  case XML_ELEMENT_NODE:
    return ELEMENT_NODE;
  case XML_ATTRIBUTE_NODE:
    return ATTRIBUTE_NODE;
  case XML_TEXT_NODE:
    return TEXT_NODE;
  case XML_CDATA_SECTION_NODE:
    return CDATA_SECTION_NODE;
  case XML_ENTITY_REF_NODE:
    return ENTITY_REFERENCE_NODE;
  case XML_ENTITY_NODE:
  case XML_ENTITY_DECL:
    return ENTITY_NODE;
  case XML_PI_NODE:
    return PROCESSING_INSTRUCTION_NODE;
  case XML_COMMENT_NODE:
    return COMMENT_NODE;
  case XML_DOCUMENT_NODE:
  case XML_HTML_DOCUMENT_NODE:
    return DOCUMENT_NODE;
  case XML_DOCUMENT_FRAG_NODE:
    return DOCUMENT_FRAGMENT_NODE;
  case XML_NOTATION_NODE:
    return NOTATION_NODE;
  default:
    // Pieces of a document type declaration; refused documents never get here.
    return DOCUMENT_TYPE_NODE;
  }
}

bool TXmlNode::IsElement() const {
  return FKind == TKind::nkNode && FHandle != nullptr &&
         static_cast<xmlNodePtr>(FHandle)->type == XML_ELEMENT_NODE;
}

std::string TXmlNode::NodeName() const {
  if (FHandle == nullptr) {
    return {};
  }
  switch (FKind) {
  case TKind::nkNamespace: {
    const auto* ns = static_cast<xmlNsPtr>(FHandle);
    return ns->prefix != nullptr ? QualifiedName(XmlnsName(), ns->prefix) : std::string("xmlns");
  }
  case TKind::nkAttribute: {
    const auto* attribute = static_cast<xmlAttrPtr>(FHandle);
    return QualifiedName(attribute->ns != nullptr ? attribute->ns->prefix : nullptr, attribute->name);
  }
  case TKind::nkNode:
    break;
  }
  const auto* node = static_cast<xmlNodePtr>(FHandle);
  switch (node->type) {
  case XML_ELEMENT_NODE:
    return QualifiedName(node->ns != nullptr ? node->ns->prefix : nullptr, node->name);
  case XML_TEXT_NODE:
    return "#text";
  case XML_CDATA_SECTION_NODE:
    return "#cdata-section";
  case XML_COMMENT_NODE:
    return "#comment";
  case XML_DOCUMENT_NODE:
  case XML_HTML_DOCUMENT_NODE:
    return "#document";
  case XML_DOCUMENT_FRAG_NODE:
    return "#document-fragment";
  default:
    return ToString(node->name);
  }
}

std::string TXmlNode::NodeValue() const {
  if (FHandle == nullptr) {
    return {};
  }
  switch (FKind) {
  case TKind::nkNamespace:
    return NamespaceHref(static_cast<xmlNsPtr>(FHandle)->href);
  case TKind::nkAttribute:
    return AttributeValue(static_cast<xmlAttrPtr>(FHandle));
  case TKind::nkNode:
    break;
  }
  const auto* node = static_cast<xmlNodePtr>(FHandle);
  switch (node->type) {
  case XML_TEXT_NODE:
  case XML_CDATA_SECTION_NODE:
  case XML_COMMENT_NODE:
  case XML_PI_NODE:
    return ToString(node->content);
  default:
    return {};
  }
}

std::string TXmlNode::NamespaceURI() const {
  if (FHandle == nullptr) {
    return {};
  }
  switch (FKind) {
  case TKind::nkNamespace:
    return std::string(XmlnsNamespaceURI);
  case TKind::nkAttribute: {
    const auto* attribute = static_cast<xmlAttrPtr>(FHandle);
    return attribute->ns != nullptr ? NamespaceHref(attribute->ns->href) : std::string();
  }
  case TKind::nkNode:
    break;
  }
  const auto* node = static_cast<xmlNodePtr>(FHandle);
  return node->type == XML_ELEMENT_NODE && node->ns != nullptr ? NamespaceHref(node->ns->href) : std::string();
}

std::string TXmlNode::Prefix() const {
  if (FHandle == nullptr) {
    return {};
  }
  switch (FKind) {
  case TKind::nkNamespace:
    // The default declaration "xmlns" has no prefix; "xmlns:p" has prefix "xmlns".
    return static_cast<xmlNsPtr>(FHandle)->prefix != nullptr ? std::string("xmlns") : std::string();
  case TKind::nkAttribute: {
    const auto* attribute = static_cast<xmlAttrPtr>(FHandle);
    return attribute->ns != nullptr ? ToString(attribute->ns->prefix) : std::string();
  }
  case TKind::nkNode:
    break;
  }
  const auto* node = static_cast<xmlNodePtr>(FHandle);
  return node->type == XML_ELEMENT_NODE && node->ns != nullptr ? ToString(node->ns->prefix) : std::string();
}

std::string TXmlNode::LocalName() const {
  if (FHandle == nullptr) {
    return {};
  }
  switch (FKind) {
  case TKind::nkNamespace: {
    const auto* ns = static_cast<xmlNsPtr>(FHandle);
    return ns->prefix != nullptr ? ToString(ns->prefix) : std::string("xmlns");
  }
  case TKind::nkAttribute:
    return ToString(static_cast<xmlAttrPtr>(FHandle)->name);
  case TKind::nkNode:
    break;
  }
  const auto* node = static_cast<xmlNodePtr>(FHandle);
  return node->type == XML_ELEMENT_NODE ? ToString(node->name) : std::string();
}

std::string_view TXmlNode::PrefixView() const {
  if (FHandle == nullptr)
    return {};
  switch (FKind) {
  case TKind::nkNamespace:
    return static_cast<xmlNsPtr>(FHandle)->prefix != nullptr ? std::string_view("xmlns") : std::string_view();
  case TKind::nkAttribute: {
    const auto* attribute = static_cast<xmlAttrPtr>(FHandle);
    return attribute->ns != nullptr ? ToView(attribute->ns->prefix) : std::string_view();
  }
  case TKind::nkNode: break;
  }
  const auto* node = static_cast<xmlNodePtr>(FHandle);
  return node->type == XML_ELEMENT_NODE && node->ns != nullptr ? ToView(node->ns->prefix) : std::string_view();
}

std::string_view TXmlNode::LocalNameView() const {
  if (FHandle == nullptr)
    return {};
  switch (FKind) {
  case TKind::nkNamespace: {
    const auto* ns = static_cast<xmlNsPtr>(FHandle);
    return ns->prefix != nullptr ? ToView(ns->prefix) : std::string_view("xmlns");
  }
  case TKind::nkAttribute: return ToView(static_cast<xmlAttrPtr>(FHandle)->name);
  case TKind::nkNode: break;
  }
  const auto* node = static_cast<xmlNodePtr>(FHandle);
  return node->type == XML_ELEMENT_NODE ? ToView(node->name) : std::string_view();
}

namespace {

// The namespace record of an element or real attribute; null for other nodes and for
// names without a namespace.
const xmlNs* NamespaceOf(const void* handle, bool attribute) {
  if (handle == nullptr)
    return nullptr;
  if (attribute)
    return static_cast<const xmlAttr*>(handle)->ns;
  const auto* node = static_cast<const xmlNode*>(handle);
  return node->type == XML_ELEMENT_NODE ? node->ns : nullptr;
}

} // namespace

std::string_view TXmlNode::NamespaceURIView(std::string& storage) const {
  if (FKind == TKind::nkNamespace)
    return FHandle != nullptr ? XmlnsNamespaceURI : std::string_view();
  const auto* ns = NamespaceOf(FHandle, FKind == TKind::nkAttribute);
  if (ns == nullptr)
    return {};
  const auto href = ToView(ns->href);
  if (href.find('&') == std::string_view::npos)
    return href;
  storage = NamespaceHref(ns->href);
  return storage;
}

bool TXmlNode::HasNamespaceURI(std::string_view uri) const {
  if (FKind == TKind::nkNamespace)
    return FHandle != nullptr ? uri == XmlnsNamespaceURI : uri.empty();
  const auto* ns = NamespaceOf(FHandle, FKind == TKind::nkAttribute);
  return ns != nullptr ? NamespaceHrefIs(ns->href, uri) : uri.empty();
}

bool TXmlNode::NodeNameIs(std::string_view qualifiedName) const {
  if (FHandle == nullptr)
    return false;
  switch (FKind) {
  case TKind::nkNamespace: {
    const auto* ns = static_cast<xmlNsPtr>(FHandle);
    return ns->prefix != nullptr ? QualifiedNameIs(XmlnsName(), ns->prefix, qualifiedName) : qualifiedName == "xmlns";
  }
  case TKind::nkAttribute: {
    const auto* attribute = static_cast<xmlAttrPtr>(FHandle);
    return QualifiedNameIs(attribute->ns != nullptr ? attribute->ns->prefix : nullptr, attribute->name, qualifiedName);
  }
  case TKind::nkNode: break;
  }
  const auto* node = static_cast<xmlNodePtr>(FHandle);
  return node->type == XML_ELEMENT_NODE
             ? QualifiedNameIs(node->ns != nullptr ? node->ns->prefix : nullptr, node->name, qualifiedName)
             : NodeName() == qualifiedName;
}

TXmlNode TXmlNode::FirstChild() const {
  if (FHandle == nullptr) {
    return {};
  }
  switch (FKind) {
  case TKind::nkNamespace:
    return {};
  case TKind::nkAttribute:
    return FromNode(static_cast<xmlAttrPtr>(FHandle)->children);
  case TKind::nkNode:
    break;
  }
  const auto* node = static_cast<xmlNodePtr>(FHandle);
  switch (node->type) {
  case XML_ELEMENT_NODE:
  case XML_DOCUMENT_NODE:
  case XML_HTML_DOCUMENT_NODE:
  case XML_DOCUMENT_FRAG_NODE:
    return FromNode(node->children);
  default:
    // Text-like nodes have no children; an entity reference's "children" are the
    // entity's shared content, which a walk must not enter.
    return {};
  }
}

TXmlNode TXmlNode::NextSibling() const {
  if (FHandle == nullptr || FKind != TKind::nkNode) {
    return {};
  }
  return FromNode(static_cast<xmlNodePtr>(FHandle)->next);
}

std::size_t TXmlNode::ChildNodesLength() const {
  std::size_t count = 0;
  for (TXmlNode child = FirstChild(); child; child = child.NextSibling()) {
    ++count;
  }
  return count;
}

TXmlAttributeMap TXmlNode::Attributes() const {
  if (!IsElement()) {
    return {};
  }
  const auto* element = static_cast<xmlNodePtr>(FHandle);
  std::vector<TXmlNode> items;
  for (xmlAttrPtr attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
    items.push_back(TXmlNode(attribute, TKind::nkAttribute));
  }
  for (xmlNsPtr ns = element->nsDef; ns != nullptr; ns = ns->next) {
    items.push_back(TXmlNode(ns, TKind::nkNamespace));
  }
  return TXmlAttributeMap(std::move(items));
}

std::string TXmlNode::GetAttribute(std::string_view qualifiedName) const {
  if (!IsElement()) {
    return {};
  }
  const auto* element = static_cast<xmlNodePtr>(FHandle);
  for (xmlAttrPtr attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
    if (QualifiedNameIs(attribute->ns != nullptr ? attribute->ns->prefix : nullptr, attribute->name,
                        qualifiedName)) {
      return AttributeValue(attribute);
    }
  }
  for (xmlNsPtr ns = element->nsDef; ns != nullptr; ns = ns->next) {
    const bool matches = ns->prefix != nullptr ? QualifiedNameIs(XmlnsName(), ns->prefix, qualifiedName)
                                               : qualifiedName == "xmlns";
    if (matches) {
      return NamespaceHref(ns->href);
    }
  }
  return {};
}

std::string TXmlNode::GetAttributeNS(std::string_view namespaceURI, std::string_view localName) const {
  if (!IsElement()) {
    return {};
  }
  const auto* element = static_cast<xmlNodePtr>(FHandle);
  if (namespaceURI == XmlnsNamespaceURI) {
    for (xmlNsPtr ns = element->nsDef; ns != nullptr; ns = ns->next) {
      const bool matches = ns->prefix != nullptr ? ToView(ns->prefix) == localName : localName == "xmlns";
      if (matches) {
        return NamespaceHref(ns->href);
      }
    }
    return {};
  }
  for (xmlAttrPtr attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
    const bool sameURI =
        attribute->ns != nullptr ? NamespaceHrefIs(attribute->ns->href, namespaceURI) : namespaceURI.empty();
    if (sameURI && ToView(attribute->name) == localName) {
      return AttributeValue(attribute);
    }
  }
  return {};
}

// ---------------------------------------------------------------------------
// TXmlAttributeMap

TXmlNode TXmlAttributeMap::GetNamedItem(std::string_view qualifiedName) const {
  for (const TXmlNode& item : FItems) {
    if (item.NodeName() == qualifiedName) {
      return item;
    }
  }
  return {};
}

// ---------------------------------------------------------------------------
// TXmlDocument

void TXmlDocument::TDocFree::operator()(_xmlDoc* doc) const noexcept { xmlFreeDoc(doc); }

TXmlDocument::TXmlDocument() { Clear(); }

TXmlDocument::~TXmlDocument() = default;
TXmlDocument::TXmlDocument(TXmlDocument&& other) noexcept = default;
TXmlDocument& TXmlDocument::operator=(TXmlDocument&& other) noexcept = default;

void TXmlDocument::Clear() {
  EnsureParserInitialised();
  FDoc.reset();
  FDoc.reset(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
  if (!FDoc) {
    throw std::bad_alloc();
  }
}

bool TXmlDocument::LoadFromBytes(std::span<const std::uint8_t> bytes) {
  EnsureParserInitialised();
  // The previous content goes now; the empty document is made only for a failed load.
  FDoc.reset();
  const auto fail = [this] {
    Clear();
    return false;
  };
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    return fail();
  }

  const TThreadErrorSilencer silencer;
  const std::unique_ptr<xmlParserCtxt, TParserCtxtFree> ctxt(xmlNewParserCtxt());
  if (!ctxt) {
    throw std::bad_alloc();
  }
  // Errors are answered with false, never printed.
  ctxt->sax->serror = IgnoreStructuredError;
  ctxt->sax->warning = nullptr;
  ctxt->sax->error = nullptr;
  ctxt->sax->internalSubset = RefuseDocumentType;

  std::unique_ptr<_xmlDoc, TDocFree> doc(
      xmlCtxtReadMemory(ctxt.get(), reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                        nullptr, nullptr, ParseOptions));
  // Unbound prefixes leave names without namespaces; a namespace-aware reader
  // treats that as malformed, like any other namespace error.
  if (!doc || ctxt->wellFormed == 0 || ctxt->nsWellFormed == 0 || doc->intSubset != nullptr ||
      doc->extSubset != nullptr || xmlDocGetRootElement(doc.get()) == nullptr) {
    return fail();
  }
  FDoc = std::move(doc);
  return true;
}

bool TXmlDocument::LoadFromStream(TStream& stream) {
  std::vector<std::uint8_t> buffer;
  constexpr std::size_t chunkSize = 64 * 1024;
  bool tooLarge = false;
  for (;;) {
    const std::size_t used = buffer.size();
    buffer.resize(used + chunkSize);
    const std::int64_t got = stream.Read(buffer.data() + used, static_cast<std::int64_t>(chunkSize));
    buffer.resize(used + static_cast<std::size_t>(got > 0 ? got : 0));
    if (got <= 0) {
      break;
    }
    if (buffer.size() > static_cast<std::size_t>(INT_MAX)) {
      // Read on to the end as a load does, but keep no more than libxml2 could take.
      tooLarge = true;
      buffer.resize(0);
    }
  }
  if (tooLarge) {
    Clear();
    return false;
  }
  return LoadFromBytes(buffer);
}

std::string TXmlDocument::Serialize() const {
  if (!FDoc) {
    return {};
  }
  const TThreadErrorSilencer silencer;
  xmlChar* text = nullptr;
  int size = 0;
  // libxml2's own serialiser; with an explicit encoding the declaration names it too.
  xmlDocDumpMemoryEnc(FDoc.get(), &text, &size, "UTF-8");
  const std::unique_ptr<xmlChar, TXmlCharFree> owner(text);
  if (text == nullptr || size <= 0) {
    return {};
  }
  return {reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)};
}

TXmlNode TXmlDocument::DocumentElement() const {
  return FDoc ? TXmlNode::FromNode(xmlDocGetRootElement(FDoc.get())) : TXmlNode();
}

TXmlNode TXmlDocument::FirstChild() const {
  return FDoc ? TXmlNode::FromNode(FDoc->children) : TXmlNode();
}

} // namespace Platform
