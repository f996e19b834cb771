#pragma once

// The XMP packet as an editable tree (packet -> schemas -> properties), its reader
// over an XML DOM, its text writer and its storage in JPEG, PSD and TIFF files.

#include "Tessel/Exif/BaseUtils.h"
#include "Tessel/Exif/Consts.h"
#include "Tessel/Exif/TiffUtils.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Platform {
class TXmlDocument;
class TXmlNode;
class TStringList;
} // namespace Platform

namespace Tessel::Exif {

// ---------------------------------------------------------------------------------
// Exceptions

// Misuse of the tree API (sub-properties on a simple value, nameless fields, ...).
class EInvalidXMPOperation : public Platform::EInvalidOperation {
public:
  using Platform::EInvalidOperation::EInvalidOperation;
};

// Text that is no XMP packet (malformed XML, no RDF element, refused as hostile).
class EInvalidXMPPacket : public ETesselExifException {
public:
  EInvalidXMPPacket() : ETesselExifException(Consts::SInvalidXMPPacket) {}
};

// ---------------------------------------------------------------------------------
// Namespaces

enum class TXMPNamespace : std::uint8_t {
  xsUnknown,
  xsRDF,
  xsCameraRaw,
  xsColorant,
  xsDimensions,
  xsDublinCore,
  xsFont,
  xsExif,
  xsExifAux,
  xsIPTC,
  xsJob,
  xsMicrosoftPhoto,
  xsPDF,
  xsPhotoshop,
  xsResourceEvent,
  xsResourceRef,
  xsThumbnail,
  xsTIFF,
  xsVersion,
  xsXMPBasic,
  xsXMPBasicJobTicket,
  xsXMPDynamicMedia,
  xsXMPMediaManagement,
  xsXMPPagedText,
  xsXMPRights,
};
// Every value but xsUnknown; asking the table about xsUnknown is a caller error.
using TXMPKnownNamespace = TXMPNamespace;

[[nodiscard]] std::string_view GetXMPNamespaceURI(TXMPKnownNamespace kind);
[[nodiscard]] std::string_view GetXMPNamespacePrefix(TXMPKnownNamespace kind);
// Looks a URI up among the known ones, ignoring letter case; xsUnknown when not found.
bool FindXMPNamespace(std::string_view uri, TXMPNamespace& kind);

// The namespace of a schema or property: a known kind, or a custom prefix and URI.
class TXMPNamespaceInfo {
public:
  using TChangeEvent = std::function<void(TXMPNamespaceInfo& sender)>;

  explicit TXMPNamespaceInfo(TXMPNamespace kind = TXMPNamespace::xsUnknown) : FKind(kind) {}
  TXMPNamespaceInfo(std::string_view preferredPrefix, std::string_view uri)
      : FCustomPrefix(preferredPrefix), FCustomURI(uri) {}
  // Copies the namespace, not the listener.
  TXMPNamespaceInfo(const TXMPNamespaceInfo& source)
      : FCustomPrefix(source.FCustomPrefix), FCustomURI(source.FCustomURI), FKind(source.FKind) {}
  TXMPNamespaceInfo& operator=(const TXMPNamespaceInfo&) = delete;
  virtual ~TXMPNamespaceInfo() = default;

  void Assign(const TXMPNamespaceInfo& source);
  void Assign(TXMPNamespace kind);
  void Assign(std::string_view prefix, std::string_view uri);
  // Assign(prefix, uri) without the event; answers whether anything changed.
  bool AssignSilently(std::string_view prefix, std::string_view uri);
  // Assign(source) without the event.
  void CopySilently(const TXMPNamespaceInfo& source);

  [[nodiscard]] TXMPNamespace Kind() const { return FKind; }
  [[nodiscard]] std::string Prefix() const;
  void SetPrefix(std::string_view value);
  [[nodiscard]] std::string URI() const;
  // Prefix() and URI() without a copy; valid until the namespace changes.
  [[nodiscard]] std::string_view PrefixView() const;
  [[nodiscard]] std::string_view URIView() const;

  [[nodiscard]] const TChangeEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TChangeEvent handler) { FOnChange = std::move(handler); }

private:
  void Change();

  std::string FCustomPrefix;
  std::string FCustomURI;
  TXMPNamespace FKind = TXMPNamespace::xsUnknown;
  TChangeEvent FOnChange;
};

// ---------------------------------------------------------------------------------
// Properties and schemas

enum class TXMPPropertyKind : std::uint8_t { xpSimple, xpStructure, xpAltArray, xpBagArray, xpSeqArray };
enum class TXMPWritePolicy : std::uint8_t { xwAlwaysUpdate, xwUpdateIfExists, xwRemove };

// The kind's name as written in code and listings ("xpBagArray").
[[nodiscard]] std::string_view XMPPropertyKindName(TXMPPropertyKind kind);

class TXMPProperty;
class TXMPSchema;
class TXMPPacket;

class IXMPPropertyEnumerator {
public:
  virtual ~IXMPPropertyEnumerator() = default;
  [[nodiscard]] virtual TXMPProperty& Current() const = 0;
  virtual bool MoveNext() = 0;
};

// What a schema and a property have in common: a namespace and a list of properties.
class IXMPPropertyCollection {
public:
  virtual ~IXMPPropertyCollection() = default;
  [[nodiscard]] virtual TXMPNamespaceInfo& NamespaceInfo() const = 0;
  [[nodiscard]] virtual TXMPProperty& Properties(int index) const = 0;
  [[nodiscard]] virtual int Count() const = 0;
  [[nodiscard]] std::shared_ptr<IXMPPropertyEnumerator> GetEnumerator() const;

  // Range-for over the properties.
  class TIterator {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TXMPProperty;
    using difference_type = std::ptrdiff_t;
    using pointer = TXMPProperty*;
    using reference = TXMPProperty&;

    TIterator() = default;
    TIterator(const IXMPPropertyCollection* owner, int index) : FOwner(owner), FIndex(index) {}
    reference operator*() const { return FOwner->Properties(FIndex); }
    pointer operator->() const { return &FOwner->Properties(FIndex); }
    TIterator& operator++() {
      ++FIndex;
      return *this;
    }
    TIterator operator++(int) {
      auto old = *this;
      ++FIndex;
      return old;
    }
    bool operator==(const TIterator& other) const { return FIndex == other.FIndex; }

  private:
    const IXMPPropertyCollection* FOwner = nullptr;
    int FIndex = 0;
  };
  [[nodiscard]] TIterator begin() const { return {this, 0}; }
  [[nodiscard]] TIterator end() const { return {this, Count()}; }
};

// Walks a collection from index -1: MoveNext steps and answers whether an item is there.
class TXMPPropertyEnumerator : public IXMPPropertyEnumerator {
public:
  explicit TXMPPropertyEnumerator(const IXMPPropertyCollection& source) : FSource(source) {}
  [[nodiscard]] TXMPProperty& Current() const override { return FSource.Properties(FIndex); }
  bool MoveNext() override { return ++FIndex < FSource.Count(); }

private:
  const IXMPPropertyCollection& FSource;
  int FIndex = -1;
};

// Deepest nesting of property elements the reader builds; deeper packets are refused.
inline constexpr int MaxXMPNestingDepth = 128;

// A simple value, a structure, a language alternative or a Bag/Seq array. Owned by
// its schema or parent property; every other reference to it is a plain pointer.
class TXMPProperty : public IXMPPropertyCollection {
public:
  // A blank simple property, in the namespace of its parent (or schema).
  TXMPProperty(TXMPSchema* schema, TXMPProperty* parentProperty);
  // A property and its subtree built from an element or attribute of a packet.
  TXMPProperty(TXMPSchema* schema, TXMPProperty* parentProperty, const Platform::TXmlNode& sourceNode);
  TXMPProperty(const TXMPProperty&) = delete;
  TXMPProperty& operator=(const TXMPProperty&) = delete;
  ~TXMPProperty() override;

  [[nodiscard]] static bool HasNamedSubProperties(TXMPPropertyKind kind);
  [[nodiscard]] static bool SupportsSubProperties(TXMPPropertyKind kind);
  [[nodiscard]] bool HasNamedSubProperties() const { return HasNamedSubProperties(FKind); }
  [[nodiscard]] bool SupportsSubProperties() const { return SupportsSubProperties(FKind); }

  [[nodiscard]] TXMPPropertyKind Kind() const { return FKind; }
  void SetKind(TXMPPropertyKind value);
  [[nodiscard]] const std::string& Name() const { return FName; }
  void SetName(std::string_view value);
  [[nodiscard]] TXMPNamespaceInfo& NamespaceInfo() const override { return *FNamespaceInfo; }
  [[nodiscard]] bool ParentNamespace() const { return FParentNamespace; }
  void SetParentNamespace(bool value);
  [[nodiscard]] TXMPProperty* ParentProperty() const { return FParentProperty; }
  [[nodiscard]] TXMPSchema* Schema() const { return FSchema; }

  [[nodiscard]] int SubPropertyCount() const { return static_cast<int>(FSubProperties.size()); }
  void SetSubPropertyCount(int value);
  [[nodiscard]] TXMPProperty& SubProperties(int index) const { return GetSubProperty(index); }
  // The non-const forms keep SubProperties(0) from meaning the name form.
  [[nodiscard]] TXMPProperty& SubProperties(int index) { return GetSubProperty(index); }
  // Finds the named sub-property or adds it.
  TXMPProperty& SubProperties(std::string_view name) { return GetSubPropertyByName(name); }
  [[nodiscard]] TXMPProperty& GetSubProperty(int index) const;
  TXMPProperty& GetSubPropertyByName(std::string_view name);
  TXMPProperty& AddSubProperty(std::string_view name);
  bool FindSubProperty(std::string_view name, TXMPProperty*& property) const;
  bool RemoveSubProperty(std::string_view name);

  // Reading an Alt array adds its "x-default" item when it lacks one.
  [[nodiscard]] std::string ReadValue(std::string_view defaultValue);
  [[nodiscard]] std::string ReadValue(const char* defaultValue) { return ReadValue(std::string_view(defaultValue)); }
  [[nodiscard]] std::int32_t ReadValue(std::int32_t defaultValue);
  [[nodiscard]] bool ReadValue(bool defaultValue);
  void WriteValue(std::string_view newValue);
  void WriteValue(const char* newValue) { WriteValue(std::string_view(newValue)); }
  void WriteValue(std::int32_t newValue);
  void WriteValue(bool newValue);

  void UpdateSubProperty(std::string_view subPropName, TXMPPropertyKind subPropKind, std::string_view newValue);
  void UpdateSubProperty(std::string_view subPropName, std::string_view newValue);
  void UpdateSubProperty(std::string_view subPropName, const char* newValue) {
    UpdateSubProperty(subPropName, std::string_view(newValue));
  }
  void UpdateSubProperty(std::string_view subPropName, std::int32_t newValue);
  void UpdateSubProperty(std::string_view subPropName, bool newValue);

  // IXMPPropertyCollection
  [[nodiscard]] TXMPProperty& Properties(int index) const override { return GetSubProperty(index); }
  [[nodiscard]] int Count() const override { return SubPropertyCount(); }

private:
  friend class TXMPSchema;
  friend class TXMPPacket;

  void BuildFromNode(const Platform::TXmlNode& node);
  void Changed();
  void ListenToNamespaceInfo();
  void OwnNamespaceInfoChanged();
  static void PropagateNamespaceInfo(TXMPProperty& property);
  [[nodiscard]] TXMPWritePolicy WritePolicy() const;

  TXMPPropertyKind FKind = TXMPPropertyKind::xpSimple;
  std::string FName;
  std::unique_ptr<TXMPNamespaceInfo> FNamespaceInfo;
  bool FParentNamespace = true;
  TXMPProperty* FParentProperty = nullptr;
  TXMPSchema* FSchema = nullptr;
  std::vector<std::unique_ptr<TXMPProperty>> FSubProperties;
  std::string FValue;
};

// The properties of one namespace. Owned by its packet.
class TXMPSchema : public IXMPPropertyCollection {
public:
  TXMPSchema(TXMPPacket* owner, std::string_view uri);
  TXMPSchema(const TXMPSchema&) = delete;
  TXMPSchema& operator=(const TXMPSchema&) = delete;
  ~TXMPSchema() override;

  [[nodiscard]] TXMPNamespaceInfo& NamespaceInfo() const override { return *FNamespaceInfo; }
  [[nodiscard]] TXMPPacket* Owner() const { return FOwner; }
  [[nodiscard]] TXMPNamespace Kind() const { return FNamespaceInfo->Kind(); }
  [[nodiscard]] std::string PreferredPrefix() const { return FNamespaceInfo->Prefix(); }
  [[nodiscard]] std::string URI() const { return FNamespaceInfo->URI(); }

  [[nodiscard]] int PropertyCount() const { return static_cast<int>(FProperties.size()); }
  [[nodiscard]] TXMPProperty& GetProperty(int index) const;
  [[nodiscard]] TXMPProperty& Properties(int index) const override { return GetProperty(index); }
  [[nodiscard]] TXMPProperty& Properties(int index) { return GetProperty(index); }
  // Finds the named property or adds it.
  TXMPProperty& Properties(std::string_view name) { return FindOrAddProperty(name); }
  TXMPProperty& AddProperty(std::string_view name);
  bool FindProperty(std::string_view name, TXMPProperty*& property) const;
  TXMPProperty& FindOrAddProperty(std::string_view name);
  bool RemoveProperties(std::span<const std::string> names);
  bool RemoveProperties(std::initializer_list<std::string> names) {
    return RemoveProperties(std::span<const std::string>(names.begin(), names.size()));
  }
  bool RemoveProperty(std::string_view name);

  [[nodiscard]] int Count() const override { return PropertyCount(); }

  // Appends a property read from an element or attribute of a description.
  void LoadProperty(const Platform::TXmlNode& node);

private:
  friend class TXMPProperty;
  void Changed();
  void NamespaceInfoChanged();

  bool FLoadingProperty = false;
  std::unique_ptr<TXMPNamespaceInfo> FNamespaceInfo;
  TXMPPacket* FOwner = nullptr;
  std::vector<std::unique_ptr<TXMPProperty>> FProperties;
};

// ---------------------------------------------------------------------------------
// The packet

// Where a packet lives in TIFF files (tag 700) and Photoshop files (resource 1060).
inline constexpr TTiffTagID XMPTiffTagID = 700;

class TXMPPacket : public IStreamPersistEx, public ITiffRewriteCallback {
public:
  using TNotifyEvent = std::function<void(TXMPPacket& sender)>;
  using TLoadErrorEvent = std::function<void(TXMPPacket& sender, Platform::TStream& source)>;

  TXMPPacket();
  TXMPPacket(const TXMPPacket&) = delete;
  TXMPPacket& operator=(const TXMPPacket&) = delete;
  ~TXMPPacket() override;

  void Clear();
  bool FindSchema(std::string_view uri, TXMPSchema*& schema);
  bool FindSchema(TXMPKnownNamespace kind, TXMPSchema*& schema);
  TXMPSchema& FindOrAddSchema(std::string_view uri);
  TXMPSchema& FindOrAddSchema(TXMPKnownNamespace kind);
  [[nodiscard]] TXMPSchema& GetSchema(int index);
  [[nodiscard]] TXMPSchema& Schemas(int index) { return GetSchema(index); }
  TXMPSchema& Schemas(TXMPKnownNamespace kind) { return FindOrAddSchema(kind); }
  TXMPSchema& Schemas(std::string_view uri) { return FindOrAddSchema(uri); }
  [[nodiscard]] int SchemaCount();

  // Range-for over the schemas (parses pending lazy data first).
  class TEnumerator {
  public:
    explicit TEnumerator(TXMPPacket& packet) : FPacket(packet) {}
    [[nodiscard]] TXMPSchema& Current() const { return FPacket.GetSchema(FIndex); }
    bool MoveNext() { return ++FIndex < FPacket.SchemaCount(); }

  private:
    TXMPPacket& FPacket;
    int FIndex = -1;
  };
  [[nodiscard]] TEnumerator GetEnumerator() { return TEnumerator(*this); }
  class TIterator {
  public:
    TIterator(TXMPPacket* packet, int index) : FPacket(packet), FIndex(index) {}
    TXMPSchema& operator*() const { return FPacket->GetSchema(FIndex); }
    TIterator& operator++() {
      ++FIndex;
      return *this;
    }
    bool operator==(const TIterator& other) const { return FIndex == other.FIndex; }

  private:
    TXMPPacket* FPacket;
    int FIndex;
  };
  [[nodiscard]] TIterator begin() { return {this, 0}; }
  [[nodiscard]] TIterator end() { return {this, SchemaCount()}; }

  // No schema and no pending lazy data (pending data counts as content unparsed).
  [[nodiscard]] bool Empty() const override;

  [[nodiscard]] const std::string& AboutAttributeValue() const { return FAboutAttributeValue; }
  void SetAboutAttributeValue(std::string_view value);
  [[nodiscard]] TXMPWritePolicy UpdatePolicy() const { return FUpdatePolicy; }
  void SetUpdatePolicy(TXMPWritePolicy value) { FUpdatePolicy = value; }

  void UpdateProperty(TXMPKnownNamespace schemaKind, std::string_view propName, TXMPPropertyKind propKind,
                      std::string_view newValue);
  void UpdateProperty(TXMPKnownNamespace schemaKind, std::string_view propName, std::string_view newValue);
  void UpdateProperty(TXMPKnownNamespace schemaKind, std::string_view propName, const char* newValue) {
    UpdateProperty(schemaKind, propName, std::string_view(newValue));
  }
  void UpdateProperty(TXMPKnownNamespace schemaKind, std::string_view propName, std::int32_t newValue);
  // The list form splits at "," and ";" like WriteValue; the array form takes the items as they are.
  void UpdateBagProperty(TXMPKnownNamespace schemaKind, std::string_view propName, std::string_view newValueList);
  void UpdateBagProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                         std::span<const std::string> newValues);
  void UpdateBagProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                         std::initializer_list<std::string> newValues) {
    UpdateBagProperty(schemaKind, propName, std::span<const std::string>(newValues.begin(), newValues.size()));
  }
  void UpdateSeqProperty(TXMPKnownNamespace schemaKind, std::string_view propName, std::string_view newValueList);
  void UpdateSeqProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                         std::span<const std::string> newValues);
  void UpdateSeqProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                         std::initializer_list<std::string> newValues) {
    UpdateSeqProperty(schemaKind, propName, std::span<const std::string>(newValues.begin(), newValues.size()));
  }
  void UpdateDateTimeProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                              const TDateTimeTagValue& newValue, bool applyLocalBias = true);
  void RemoveProperty(TXMPKnownNamespace schemaKind, std::string_view propName);
  void RemoveProperties(TXMPKnownNamespace schemaKind, std::span<const std::string> propNames);
  void RemoveProperties(TXMPKnownNamespace schemaKind, std::initializer_list<std::string> propNames) {
    RemoveProperties(schemaKind, std::span<const std::string>(propNames.begin(), propNames.size()));
  }

  // Drops the cached packet text without notifying.
  void ResetRawXMLCache() { FRawXMLCache.clear(); }

  // --- Reading and writing packets ---

  // Parses from the stream's position to its end; false (tree untouched) when the
  // data is no XMP packet.
  bool TryLoadFromStream(Platform::TStream& stream);
  void LoadFromStream(Platform::TStream& stream) override;
  void LoadFromFile(const std::string& fileName);
  void SaveToStream(Platform::TStream& stream) override;
  void SaveToFile(const std::string& fileName);

  // The packet text: as loaded while nothing changed, else generated from the tree.
  [[nodiscard]] const std::string& RawXML();
  void SetRawXML(std::string_view value);

  [[nodiscard]] const std::shared_ptr<IMetadataBlock>& DataToLazyLoad() const { return FDataToLazyLoad; }
  void SetDataToLazyLoad(std::shared_ptr<IMetadataBlock> value);

  // Finds and loads the packet of a JPEG, PSD or TIFF picture; false for other data.
  bool LoadFromGraphic(Platform::TStream& stream);
  bool LoadFromGraphic(Platform::IStreamPersist& graphic);
  bool LoadFromGraphic(const std::string& fileName);
  bool LoadFromJPEG(const std::string& jpegFileName) { return LoadFromGraphic(jpegFileName); }
  // Rewrites the picture with this packet; EUnsupportedGraphicFormat for other data.
  void SaveToGraphic(const std::string& fileName);
  void SaveToGraphic(Platform::IStreamPersist& graphic);
  void SaveToGraphic(Platform::TStream& stream);

  // Reads a packet as TryLoadFromStream does, but builds its schemas and top-level
  // properties only; counts receives each schema's property count, in schema order.
  // What a check of a written packet needs, without the cost of the whole tree.
  [[nodiscard]] static bool TryReadPropertyCounts(Platform::TStream& stream, std::vector<int>& counts);
  // The counts TryReadPropertyCounts would find in text, when text is byte for byte what
  // the last save of this packet wrote over its source text and has read back already;
  // false when that is not known (the caller reads the text itself).
  [[nodiscard]] bool KnownPropertyCounts(std::span<const std::uint8_t> text, std::vector<int>& counts) const;

  // Takes the source's pending data or its text; a null source clears.
  void Assign(TXMPPacket* source);
  void Assign(const Platform::TStringList& source);
  void AssignTo(Platform::TStringList& dest);

  [[nodiscard]] const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }
  [[nodiscard]] const TLoadErrorEvent& OnLoadError() const { return FOnLoadError; }
  void SetOnLoadError(TLoadErrorEvent handler) { FOnLoadError = std::move(handler); }

  // ITiffRewriteCallback: the packet goes into tag 700 of a TIFF file's first directory.
  void AddTagsToWrite(TTiffDirectoryRewriter& rewriter) override;
  void RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID, TTiffDataType dataType, bool& rewrite) override;

protected:
  virtual void Changed(bool resetRawXMLCache = true);
  virtual void LoadError(Platform::TStream& source);

private:
  friend class TXMPSchema;
  friend class TXMPProperty;

  struct TSchemaEntry {
    std::string URI;
    std::unique_ptr<TXMPSchema> Schema;
  };

  void NeedLazyLoad();
  // False when pending data that is yet to be parsed cannot hold a property of this local
  // name, so that updating or removing only what exists can leave it unparsed.
  [[nodiscard]] bool PendingDataMayHold(std::string_view name) const;
  // The lazy load ahead of a change: it keeps the tree as loaded besides, so that the
  // save can write the changes over the source text without reading it once more.
  void NeedLazyLoadForUpdate();
  void ClearTree();
  [[nodiscard]] std::size_t SchemaIndex(std::string_view uri, bool& found) const;
  [[nodiscard]] TXMPSchema* FindSchemaNoLoad(std::string_view uri) const;
  void DoUpdateProperty(TXMPKnownNamespace schemaKind, std::string_view propName, TXMPPropertyKind propKind,
                        std::string_view newValue, TXMPWritePolicy policy);
  void DoUpdateArrayProperty(TXMPKnownNamespace schemaKind, std::string_view propName, TXMPPropertyKind kind,
                             std::span<const std::string> newValues);
  [[nodiscard]] TXMPProperty* FindOrCreateForUpdate(TXMPKnownNamespace schemaKind, std::string_view propName,
                                                    TXMPWritePolicy policy);
  void LoadFromDocument(const Platform::TXmlDocument& document, const Platform::TXmlNode& rdfNode, std::string rawText);
  void GenerateText(std::string& out);
  // The text loaded last with the changes since written into it, when they can be.
  // readBackCounts receives each schema's property count in the patched text as read back.
  bool TryPatchSourceText(std::string& out, std::vector<int>& readBackCounts) const;
  // Whether two trees write the same packet: the about value, and every schema with
  // properties with its prefix, URI and properties (kind, own or inherited namespace,
  // prefix, URI, name, a simple property's value, the sub-properties), in order.
  [[nodiscard]] bool SameTree(const TXMPPacket& other) const;
  [[nodiscard]] static bool SameProperty(const TXMPProperty& a, const TXMPProperty& b);
  static void WriteProperties(std::string& out, const IXMPPropertyCollection& collection, int depth);

  // Format savers chosen by SaveToGraphic.
  [[nodiscard]] TGetGraphicSaveMethod GraphicSaveMethodChooser();
  void SaveToJPEGStream(Platform::TStream& inStream, Platform::TStream& outStream);
  void SaveToPSDStream(Platform::TStream& inStream, Platform::TStream& outStream);
  void SaveToTiffStream(Platform::TStream& inStream, Platform::TStream& outStream);

  std::string FAboutAttributeValue;
  std::shared_ptr<IMetadataBlock> FDataToLazyLoad;
  std::string FRawXMLCache;
  // The text of the last load, kept after a change drops the cache: a changed packet is
  // written over it where it can be.
  std::string FSourceText;
  // The tree FSourceText reads as, when a load ahead of a change kept it (else the
  // save reads the text again).
  std::unique_ptr<TXMPPacket> FSourceTree;
  bool FKeepSourceTree = false;
  // The text the last save patched and read back, with the counts it read back as
  // (KnownPropertyCounts): a check of the saved file need not parse it once more.
  std::string FCheckedText;
  std::vector<int> FCheckedCounts;
  // Top-level properties only, without their items or fields (TryReadPropertyCounts).
  bool FTopLevelOnly = false;
  std::vector<TSchemaEntry> FSchemas; // sorted by URI, ignoring letter case
  TSimpleTiffRewriteCallbackImpl FTiffRewriteCallback{*this, XMPTiffTagID};
  TXMPWritePolicy FUpdatePolicy = TXMPWritePolicy::xwAlwaysUpdate;
  TNotifyEvent FOnChange;
  TLoadErrorEvent FOnLoadError;
};

// ---------------------------------------------------------------------------------
// Helpers of the reader and writer

// The five XML special characters as entities; everything else unchanged.
[[nodiscard]] std::string EscapeXML(std::string_view text);
// The rdf:RDF element of a packet document, or a null node.
[[nodiscard]] Platform::TXmlNode FindRDFNode(const Platform::TXmlDocument& document);
[[nodiscard]] bool IsNamespaceDeclaration(const Platform::TXmlNode& attribute);

} // namespace Tessel::Exif
