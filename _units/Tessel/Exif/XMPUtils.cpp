// The XMP tree: namespace table, namespace infos, properties, schemas and the
// packet's model operations. Reading and writing packet text: XMPUtils/Packet.cpp;
// storage in picture files: XMPUtils/Storage.cpp.

#include "Tessel/Exif/XMPUtils.h"

#include "platform/DateTime.h"
#include "platform/Strings.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace Tessel::Exif {

namespace {

struct TNamespaceEntry {
  std::string_view Prefix;
  std::string_view URI;
};

// Indexed by TXMPNamespace; entry 0 stands for xsUnknown.
constexpr std::array<TNamespaceEntry, 25> NamespaceTable{{
    {"", ""},
    {"rdf", "http://www.w3.org/1999/02/22-rdf-syntax-ns#"},
    {"crs", "http://ns.adobe.com/camera-raw-settings/1.0/"},
    {"xmpG", "http://ns.adobe.com/xap/1.0/g"},
    {"stDim", "http://ns.adobe.com/xap/1.0/sType/Dimensions#"},
    {"dc", "http://purl.org/dc/elements/1.1/"},
    {"stFnt", "http://ns.adobe.com/xap/1.0/sType/Font#"},
    {"exif", "http://ns.adobe.com/exif/1.0/"},
    {"aux", "http://ns.adobe.com/exif/1.0/aux/"},
    {"Iptc4xmpCore", "http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/"},
    {"stJob", "http://ns.adobe.com/xap/1.0/sType/Job#"},
    {"MicrosoftPhoto", "http://ns.microsoft.com/photo/1.0"},
    {"pdf", "http://ns.adobe.com/pdf/1.3/"},
    {"photoshop", "http://ns.adobe.com/photoshop/1.0/"},
    {"stEvt", "http://ns.adobe.com/xap/1.0/sType/ResourceEvent#"},
    {"stRef", "http://ns.adobe.com/xap/1.0/sType/ResourceRef#"},
    {"xmpGImg", "http://ns.adobe.com/xap/1.0/g/img/"},
    {"tiff", "http://ns.adobe.com/tiff/1.0/"},
    {"stVer", "http://ns.adobe.com/xap/1.0/sType/Version#"},
    {"xmp", "http://ns.adobe.com/xap/1.0/"},
    {"xmpBJ", "http://ns.adobe.com/xap/1.0/bj/"},
    {"xmpDM", "http://ns.adobe.com/xmp/1.0/DynamicMedia/"},
    {"xmpMM", "http://ns.adobe.com/xap/1.0/mm/"},
    {"xmpTPg", "http://ns.adobe.com/xap/1.0/t/pg/"},
    {"xmpRights", "http://ns.adobe.com/xap/1.0/rights/"},
}};

const TNamespaceEntry& KnownEntry(TXMPKnownNamespace kind) {
  const auto index = static_cast<std::size_t>(kind);
  if (kind == TXMPNamespace::xsUnknown || index >= NamespaceTable.size())
    throw EInvalidXMPOperation("An unknown XMP namespace has no preferred prefix or URI");
  return NamespaceTable[index];
}

// The URI index, sorted ignoring case; built on first use.
const std::vector<std::pair<std::string_view, TXMPNamespace>>& URIIndex() {
  static const auto index = [] {
    std::vector<std::pair<std::string_view, TXMPNamespace>> result;
    for (std::size_t i = 1; i < NamespaceTable.size(); ++i)
      result.emplace_back(NamespaceTable[i].URI, static_cast<TXMPNamespace>(i));
    std::sort(result.begin(), result.end(),
              [](const auto& a, const auto& b) { return Platform::CompareText(a.first, b.first) < 0; });
    return result;
  }();
  return index;
}

std::string IntText(std::int32_t value) { return std::to_string(value); }
std::string_view BoolText(bool value) { return value ? "True" : "False"; }

// Trailing blanks and control characters (bytes up to the space) are dropped.
std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20)
    text.remove_suffix(1);
  return text;
}

// Pieces between "," and ";"; a separator at the end adds no empty last piece.
std::vector<std::string_view> SplitValueList(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ',' || text[i] == ';') {
      pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size())
    pieces.push_back(text.substr(start));
  return pieces;
}

} // namespace

// ---------------------------------------------------------------------------------
// Namespace table

std::string_view GetXMPNamespaceURI(TXMPKnownNamespace kind) { return KnownEntry(kind).URI; }

std::string_view GetXMPNamespacePrefix(TXMPKnownNamespace kind) { return KnownEntry(kind).Prefix; }

bool FindXMPNamespace(std::string_view uri, TXMPNamespace& kind) {
  // Packets nearly always spell a namespace as its table does: that is looked up by its
  // bytes first, other spellings (the comparison ignores letter case) after.
  static const auto exact = [] {
    auto result = URIIndex();
    std::sort(result.begin(), result.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return result;
  }();
  const auto found = std::lower_bound(exact.begin(), exact.end(), uri,
                                      [](const auto& entry, std::string_view key) { return entry.first < key; });
  if (found != exact.end() && found->first == uri) {
    kind = found->second;
    return true;
  }
  const auto& index = URIIndex();
  const auto it = std::lower_bound(index.begin(), index.end(), uri, [](const auto& entry, std::string_view key) {
    return Platform::CompareText(entry.first, key) < 0;
  });
  if (it != index.end() && Platform::SameText(it->first, uri)) {
    kind = it->second;
    return true;
  }
  kind = TXMPNamespace::xsUnknown;
  return false;
}

std::string_view XMPPropertyKindName(TXMPPropertyKind kind) {
  static constexpr std::array<std::string_view, 5> names{"xpSimple", "xpStructure", "xpAltArray", "xpBagArray",
                                                         "xpSeqArray"};
  const auto index = static_cast<std::size_t>(kind);
  return index < names.size() ? names[index] : std::string_view("?");
}

// ---------------------------------------------------------------------------------
// TXMPNamespaceInfo

void TXMPNamespaceInfo::Change() {
  if (FOnChange)
    FOnChange(*this);
}

void TXMPNamespaceInfo::Assign(const TXMPNamespaceInfo& source) {
  CopySilently(source);
  Change();
}

void TXMPNamespaceInfo::CopySilently(const TXMPNamespaceInfo& source) {
  if (&source == this)
    return;
  FCustomPrefix = source.FCustomPrefix;
  FCustomURI = source.FCustomURI;
  FKind = source.FKind;
}

void TXMPNamespaceInfo::Assign(TXMPNamespace kind) {
  if (kind == FKind)
    return;
  FCustomPrefix.clear();
  FCustomURI.clear();
  FKind = kind;
  Change();
}

void TXMPNamespaceInfo::Assign(std::string_view prefix, std::string_view uri) {
  if (AssignSilently(prefix, uri))
    Change();
}

bool TXMPNamespaceInfo::AssignSilently(std::string_view prefix, std::string_view uri) {
  if (uri == URIView() && prefix == PrefixView())
    return false;
  FindXMPNamespace(uri, FKind);
  if (FKind != TXMPNamespace::xsUnknown && prefix == GetXMPNamespacePrefix(FKind)) {
    FCustomPrefix.clear();
    FCustomURI.clear();
  } else {
    FCustomPrefix = prefix;
    FCustomURI = uri;
  }
  return true;
}

std::string TXMPNamespaceInfo::Prefix() const { return std::string(PrefixView()); }

std::string_view TXMPNamespaceInfo::PrefixView() const {
  if (!FCustomPrefix.empty() || FKind == TXMPNamespace::xsUnknown)
    return FCustomPrefix;
  return GetXMPNamespacePrefix(FKind);
}

void TXMPNamespaceInfo::SetPrefix(std::string_view value) {
  if (value == PrefixView())
    return;
  FCustomPrefix = value;
  Change();
}

std::string TXMPNamespaceInfo::URI() const { return std::string(URIView()); }

std::string_view TXMPNamespaceInfo::URIView() const {
  if (FKind != TXMPNamespace::xsUnknown)
    return GetXMPNamespaceURI(FKind);
  return FCustomURI;
}

// ---------------------------------------------------------------------------------
// Collections

std::shared_ptr<IXMPPropertyEnumerator> IXMPPropertyCollection::GetEnumerator() const {
  return std::make_shared<TXMPPropertyEnumerator>(*this);
}

// ---------------------------------------------------------------------------------
// TXMPProperty

TXMPProperty::TXMPProperty(TXMPSchema* schema, TXMPProperty* parentProperty)
    : FParentProperty(parentProperty), FSchema(schema) {
  if (parentProperty != nullptr)
    FNamespaceInfo = std::make_unique<TXMPNamespaceInfo>(parentProperty->NamespaceInfo());
  else if (schema != nullptr)
    FNamespaceInfo = std::make_unique<TXMPNamespaceInfo>(schema->NamespaceInfo());
  else
    FNamespaceInfo = std::make_unique<TXMPNamespaceInfo>();
}

TXMPProperty::~TXMPProperty() {
  // Sub-properties go first: the namespace listener must not outlive what it captures.
  FSubProperties.clear();
  FNamespaceInfo->SetOnChange(nullptr);
}

bool TXMPProperty::HasNamedSubProperties(TXMPPropertyKind kind) {
  return kind == TXMPPropertyKind::xpStructure || kind == TXMPPropertyKind::xpAltArray;
}

bool TXMPProperty::SupportsSubProperties(TXMPPropertyKind kind) { return kind != TXMPPropertyKind::xpSimple; }

void TXMPProperty::Changed() {
  if (FSchema != nullptr)
    FSchema->Changed();
}

TXMPWritePolicy TXMPProperty::WritePolicy() const {
  if (FSchema != nullptr && FSchema->Owner() != nullptr)
    return FSchema->Owner()->UpdatePolicy();
  return TXMPWritePolicy::xwAlwaysUpdate;
}

void TXMPProperty::SetKind(TXMPPropertyKind value) {
  using enum TXMPPropertyKind;
  if (value == FKind)
    return;
  if (SupportsSubProperties(value)) {
    for (auto i = static_cast<int>(FSubProperties.size()) - 1; i >= 0; --i) {
      auto& sub = *FSubProperties[static_cast<std::size_t>(i)];
      if (value == xpBagArray || value == xpSeqArray)
        sub.FName.clear();
      else if (sub.FName.empty())
        sub.FName = fmt::format("SubProp{}", i);
    }
  } else {
    SetSubPropertyCount(0);
  }
  FKind = value;
  Changed();
}

void TXMPProperty::SetName(std::string_view value) {
  if (value == FName)
    return;
  if (value.empty())
    throw EInvalidXMPOperation("An XMP property's name cannot be set to an empty text");
  FName = value;
  Changed();
}

void TXMPProperty::SetParentNamespace(bool value) {
  if (value == FParentNamespace)
    return;
  if (value) {
    if (FParentProperty != nullptr)
      FNamespaceInfo->CopySilently(FParentProperty->NamespaceInfo());
    else if (FSchema != nullptr)
      FNamespaceInfo->CopySilently(FSchema->NamespaceInfo());
  }
  FParentNamespace = value;
  Changed();
}

void TXMPProperty::SetSubPropertyCount(int value) {
  value = std::max(value, 0);
  const auto count = SubPropertyCount();
  if (value == count)
    return;
  if (!SupportsSubProperties())
    throw EInvalidXMPOperation(Consts::SSubPropertiesNotSupported);
  if (value < count) {
    FSubProperties.resize(static_cast<std::size_t>(value));
  } else {
    FSubProperties.reserve(static_cast<std::size_t>(value));
    for (auto i = count; i < value; ++i) {
      auto item = std::make_unique<TXMPProperty>(FSchema, this);
      if (HasNamedSubProperties())
        item->FName = fmt::format("SubProp{}", i);
      FSubProperties.push_back(std::move(item));
    }
  }
  Changed();
}

TXMPProperty& TXMPProperty::GetSubProperty(int index) const {
  if (index < 0 || index >= SubPropertyCount())
    throw Platform::EListError(fmt::format("Listenindex überschreitet das Maximum ({})", index));
  return *FSubProperties[static_cast<std::size_t>(index)];
}

TXMPProperty& TXMPProperty::GetSubPropertyByName(std::string_view name) {
  TXMPProperty* found = nullptr;
  if (FindSubProperty(name, found))
    return *found;
  return AddSubProperty(name);
}

TXMPProperty& TXMPProperty::AddSubProperty(std::string_view name) {
  if (!SupportsSubProperties())
    throw EInvalidXMPOperation(Consts::SSubPropertiesNotSupported);
  if (HasNamedSubProperties() && name.empty())
    throw EInvalidXMPOperation(Consts::SSubPropertiesMustBeNamed);
  auto item = std::make_unique<TXMPProperty>(FSchema, this);
  if (HasNamedSubProperties())
    item->FName = name;
  auto& result = *item;
  FSubProperties.push_back(std::move(item));
  Changed();
  return result;
}

bool TXMPProperty::FindSubProperty(std::string_view name, TXMPProperty*& property) const {
  for (auto it = FSubProperties.rbegin(); it != FSubProperties.rend(); ++it) {
    if ((*it)->FName == name) {
      property = it->get();
      return true;
    }
  }
  property = nullptr;
  return false;
}

bool TXMPProperty::RemoveSubProperty(std::string_view name) {
  const auto it = std::find_if(FSubProperties.begin(), FSubProperties.end(),
                               [name](const auto& item) { return item->FName == name; });
  if (it == FSubProperties.end())
    return false;
  FSubProperties.erase(it);
  Changed();
  return true;
}

std::string TXMPProperty::ReadValue(std::string_view defaultValue) {
  using enum TXMPPropertyKind;
  switch (FKind) {
  case xpSimple: return FValue.empty() ? std::string(defaultValue) : FValue;
  case xpAltArray: return SubProperties("x-default").ReadValue(defaultValue);
  case xpBagArray:
  case xpSeqArray: {
    if (FSubProperties.empty())
      return std::string(defaultValue);
    if (FSubProperties.size() == 1)
      return FSubProperties.front()->ReadValue(defaultValue);
    std::string result;
    for (std::size_t i = 0; i < FSubProperties.size(); ++i) {
      if (i > 0)
        result += ',';
      result += FSubProperties[i]->ReadValue(std::string_view());
    }
    return result;
  }
  case xpStructure: break;
  }
  return std::string(defaultValue);
}

std::int32_t TXMPProperty::ReadValue(std::int32_t defaultValue) {
  return Platform::StrToIntDef(ReadValue(std::string_view()), defaultValue);
}

bool TXMPProperty::ReadValue(bool defaultValue) {
  const auto text = ReadValue(std::string_view());
  if (Platform::SameText(text, "True"))
    return true;
  if (Platform::SameText(text, "False"))
    return false;
  if (text == "1")
    return true;
  if (text == "0")
    return false;
  return defaultValue;
}

void TXMPProperty::WriteValue(std::string_view newValue) {
  using enum TXMPPropertyKind;
  switch (FKind) {
  case xpSimple:
    if (newValue != FValue) {
      FValue = newValue;
      Changed();
    }
    break;
  case xpStructure: throw EInvalidXMPOperation(Consts::SCannotWriteSingleValueToStructureProperty);
  case xpAltArray: SubProperties("x-default").WriteValue(newValue); break;
  case xpBagArray:
  case xpSeqArray: {
    const auto pieces = SplitValueList(newValue);
    SetSubPropertyCount(static_cast<int>(pieces.size()));
    for (std::size_t i = 0; i < pieces.size(); ++i)
      FSubProperties[i]->WriteValue(pieces[i]);
    break;
  }
  }
}

void TXMPProperty::WriteValue(std::int32_t newValue) { WriteValue(std::string_view(IntText(newValue))); }

void TXMPProperty::WriteValue(bool newValue) { WriteValue(BoolText(newValue)); }

void TXMPProperty::UpdateSubProperty(std::string_view subPropName, TXMPPropertyKind subPropKind,
                                     std::string_view newValue) {
  const auto policy = WritePolicy();
  if (policy == TXMPWritePolicy::xwRemove || newValue.empty()) {
    RemoveSubProperty(subPropName);
    return;
  }
  TXMPProperty* sub = nullptr;
  if (!FindSubProperty(subPropName, sub)) {
    if (policy == TXMPWritePolicy::xwUpdateIfExists)
      return;
    if (FKind != TXMPPropertyKind::xpStructure && FKind != TXMPPropertyKind::xpAltArray)
      SetKind(TXMPPropertyKind::xpStructure);
    sub = &AddSubProperty(subPropName);
  }
  sub->SetKind(subPropKind);
  sub->WriteValue(newValue);
}

void TXMPProperty::UpdateSubProperty(std::string_view subPropName, std::string_view newValue) {
  UpdateSubProperty(subPropName, TXMPPropertyKind::xpSimple, newValue);
}

void TXMPProperty::UpdateSubProperty(std::string_view subPropName, std::int32_t newValue) {
  UpdateSubProperty(subPropName, TXMPPropertyKind::xpSimple, IntText(newValue));
}

void TXMPProperty::UpdateSubProperty(std::string_view subPropName, bool newValue) {
  UpdateSubProperty(subPropName, TXMPPropertyKind::xpSimple, BoolText(newValue));
}

void TXMPProperty::ListenToNamespaceInfo() {
  FNamespaceInfo->SetOnChange([this](TXMPNamespaceInfo&) { OwnNamespaceInfoChanged(); });
}

void TXMPProperty::OwnNamespaceInfoChanged() {
  SetParentNamespace(false);
  PropagateNamespaceInfo(*this);
  Changed();
}

void TXMPProperty::PropagateNamespaceInfo(TXMPProperty& property) {
  for (auto& sub : property.FSubProperties) {
    if (!sub->FParentNamespace)
      continue;
    sub->FNamespaceInfo->CopySilently(*property.FNamespaceInfo);
    PropagateNamespaceInfo(*sub);
  }
}

// ---------------------------------------------------------------------------------
// TXMPSchema

TXMPSchema::TXMPSchema(TXMPPacket* owner, std::string_view uri) : FOwner(owner) {
  TXMPNamespace kind;
  if (FindXMPNamespace(uri, kind))
    FNamespaceInfo = std::make_unique<TXMPNamespaceInfo>(kind);
  else
    FNamespaceInfo = std::make_unique<TXMPNamespaceInfo>(std::string_view(), uri);
  FNamespaceInfo->SetOnChange([this](TXMPNamespaceInfo&) { NamespaceInfoChanged(); });
}

TXMPSchema::~TXMPSchema() {
  FProperties.clear();
  FNamespaceInfo->SetOnChange(nullptr);
}

void TXMPSchema::Changed() {
  if (FOwner != nullptr)
    FOwner->Changed(true);
}

void TXMPSchema::NamespaceInfoChanged() {
  for (auto& property : FProperties) {
    if (!property->FParentNamespace)
      continue;
    property->FNamespaceInfo->CopySilently(*FNamespaceInfo);
    TXMPProperty::PropagateNamespaceInfo(*property);
  }
  if (!FLoadingProperty)
    Changed();
}

TXMPProperty& TXMPSchema::GetProperty(int index) const {
  if (index < 0 || index >= PropertyCount())
    throw Platform::EListError(fmt::format("Listenindex überschreitet das Maximum ({})", index));
  return *FProperties[static_cast<std::size_t>(index)];
}

TXMPProperty& TXMPSchema::AddProperty(std::string_view name) {
  if (FNamespaceInfo->Prefix().empty())
    throw EInvalidXMPOperation(Consts::SPreferredPrefixMustBeSet);
  FProperties.push_back(std::make_unique<TXMPProperty>(this, nullptr));
  auto& result = *FProperties.back();
  if (!name.empty())
    result.SetName(name);
  else
    Changed();
  return result;
}

bool TXMPSchema::FindProperty(std::string_view name, TXMPProperty*& property) const {
  for (const auto& item : FProperties) {
    if (item->FName == name) {
      property = item.get();
      return true;
    }
  }
  property = nullptr;
  return false;
}

TXMPProperty& TXMPSchema::FindOrAddProperty(std::string_view name) {
  TXMPProperty* found = nullptr;
  if (FindProperty(name, found))
    return *found;
  return AddProperty(name);
}

bool TXMPSchema::RemoveProperties(std::span<const std::string> names) {
  bool removed = false;
  for (auto i = FProperties.size(); i-- > 0;) {
    const auto& name = FProperties[i]->FName;
    if (std::find(names.begin(), names.end(), name) != names.end()) {
      FProperties.erase(FProperties.begin() + static_cast<std::ptrdiff_t>(i));
      removed = true;
    }
  }
  if (removed)
    Changed();
  return removed;
}

bool TXMPSchema::RemoveProperty(std::string_view name) {
  const std::string names[1] = {std::string(name)};
  return RemoveProperties(names);
}

// ---------------------------------------------------------------------------------
// TXMPPacket: the model

TXMPPacket::TXMPPacket() = default;

TXMPPacket::~TXMPPacket() = default;

void TXMPPacket::Changed(bool resetRawXMLCache) {
  if (resetRawXMLCache)
    FRawXMLCache.clear();
  if (FOnChange)
    FOnChange(*this);
}

void TXMPPacket::NeedLazyLoad() {
  if (!FDataToLazyLoad)
    return;
  // The pending reference goes first: a load that fails must not be retried forever.
  const auto block = std::move(FDataToLazyLoad);
  FDataToLazyLoad.reset();
  auto& data = block->Data();
  data.SetPosition(0);
  LoadFromStream(data);
}

void TXMPPacket::NeedLazyLoadForUpdate() {
  if (!FDataToLazyLoad)
    return;
  struct TKeeping {
    bool& Flag;
    explicit TKeeping(bool& flag) : Flag(flag) { Flag = true; }
    ~TKeeping() { Flag = false; }
  } keeping(FKeepSourceTree);
  NeedLazyLoad();
}

void TXMPPacket::ClearTree() {
  FDataToLazyLoad.reset();
  FSourceText.clear();
  FSourceTree.reset();
  FCheckedText.clear();
  FCheckedCounts.clear();
  FSchemas.clear();
  FAboutAttributeValue.clear();
}

void TXMPPacket::Clear() {
  FDataToLazyLoad.reset();
  // The cached text belongs to the content being dropped; keeping it would write the
  // old packet again over whatever comes next (lazy data of another file, for one).
  FRawXMLCache.clear();
  FSourceText.clear();
  FSourceTree.reset();
  FCheckedText.clear();
  FCheckedCounts.clear();
  if (FSchemas.empty() && FAboutAttributeValue.empty())
    return;
  FSchemas.clear();
  FAboutAttributeValue.clear();
  Changed(true);
}

bool TXMPPacket::Empty() const { return !FDataToLazyLoad && FSchemas.empty(); }

void TXMPPacket::SetAboutAttributeValue(std::string_view value) {
  NeedLazyLoad();
  if (value == FAboutAttributeValue)
    return;
  FAboutAttributeValue = value;
  Changed(true);
}

std::size_t TXMPPacket::SchemaIndex(std::string_view uri, bool& found) const {
  const auto it =
      std::lower_bound(FSchemas.begin(), FSchemas.end(), uri, [](const TSchemaEntry& entry, std::string_view key) {
        return Platform::CompareText(entry.URI, key) < 0;
      });
  found = it != FSchemas.end() && Platform::SameText(it->URI, uri);
  return static_cast<std::size_t>(it - FSchemas.begin());
}

TXMPSchema* TXMPPacket::FindSchemaNoLoad(std::string_view uri) const {
  bool found = false;
  const auto index = SchemaIndex(uri, found);
  return found ? FSchemas[index].Schema.get() : nullptr;
}

bool TXMPPacket::FindSchema(std::string_view uri, TXMPSchema*& schema) {
  NeedLazyLoad();
  schema = FindSchemaNoLoad(uri);
  return schema != nullptr;
}

bool TXMPPacket::FindSchema(TXMPKnownNamespace kind, TXMPSchema*& schema) {
  return FindSchema(GetXMPNamespaceURI(kind), schema);
}

TXMPSchema& TXMPPacket::FindOrAddSchema(std::string_view uri) {
  NeedLazyLoad();
  bool found = false;
  const auto index = SchemaIndex(uri, found);
  if (found)
    return *FSchemas[index].Schema;
  auto schema = std::make_unique<TXMPSchema>(this, uri);
  auto& result = *schema;
  FSchemas.insert(FSchemas.begin() + static_cast<std::ptrdiff_t>(index),
                  TSchemaEntry{std::string(uri), std::move(schema)});
  return result;
}

TXMPSchema& TXMPPacket::FindOrAddSchema(TXMPKnownNamespace kind) { return FindOrAddSchema(GetXMPNamespaceURI(kind)); }

TXMPSchema& TXMPPacket::GetSchema(int index) {
  NeedLazyLoad();
  if (index < 0 || index >= static_cast<int>(FSchemas.size()))
    throw Platform::EListError(fmt::format("Listenindex überschreitet das Maximum ({})", index));
  return *FSchemas[static_cast<std::size_t>(index)].Schema;
}

int TXMPPacket::SchemaCount() {
  NeedLazyLoad();
  return static_cast<int>(FSchemas.size());
}

TXMPProperty* TXMPPacket::FindOrCreateForUpdate(TXMPKnownNamespace schemaKind, std::string_view propName,
                                                TXMPWritePolicy policy) {
  TXMPProperty* property = nullptr;
  if (policy == TXMPWritePolicy::xwUpdateIfExists) {
    TXMPSchema* schema = nullptr;
    if (!FindSchema(schemaKind, schema) || !schema->FindProperty(propName, property))
      return nullptr;
    return property;
  }
  auto& schema = FindOrAddSchema(schemaKind);
  if (!schema.FindProperty(propName, property))
    property = &schema.AddProperty(propName);
  return property;
}

void TXMPPacket::DoUpdateProperty(TXMPKnownNamespace schemaKind, std::string_view propName, TXMPPropertyKind propKind,
                                  std::string_view newValue, TXMPWritePolicy policy) {
  if (policy == TXMPWritePolicy::xwRemove || newValue.empty()) {
    RemoveProperty(schemaKind, propName);
    return;
  }
  if (policy == TXMPWritePolicy::xwUpdateIfExists && !PendingDataMayHold(propName))
    return;
  NeedLazyLoadForUpdate();
  auto* property = FindOrCreateForUpdate(schemaKind, propName, policy);
  if (property == nullptr)
    return;
  property->SetKind(propKind);
  property->WriteValue(TrimTrailingBlanks(newValue));
}

void TXMPPacket::UpdateProperty(TXMPKnownNamespace schemaKind, std::string_view propName, TXMPPropertyKind propKind,
                                std::string_view newValue) {
  DoUpdateProperty(schemaKind, propName, propKind, newValue, FUpdatePolicy);
  // TIFF properties were once written with lower-case names too: an existing twin
  // follows the update, but none is created.
  if (schemaKind == TXMPNamespace::xsTIFF && propKind == TXMPPropertyKind::xpSimple && !propName.empty() &&
      !(propName.front() >= 'a' && propName.front() <= 'z')) {
    const auto policy =
        FUpdatePolicy == TXMPWritePolicy::xwAlwaysUpdate ? TXMPWritePolicy::xwUpdateIfExists : FUpdatePolicy;
    DoUpdateProperty(schemaKind, Platform::LowerCase(propName), propKind, newValue, policy);
  }
}

void TXMPPacket::UpdateProperty(TXMPKnownNamespace schemaKind, std::string_view propName, std::string_view newValue) {
  UpdateProperty(schemaKind, propName, TXMPPropertyKind::xpSimple, newValue);
}

void TXMPPacket::UpdateProperty(TXMPKnownNamespace schemaKind, std::string_view propName, std::int32_t newValue) {
  UpdateProperty(schemaKind, propName, TXMPPropertyKind::xpSimple, IntText(newValue));
}

void TXMPPacket::UpdateBagProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                                   std::string_view newValueList) {
  UpdateProperty(schemaKind, propName, TXMPPropertyKind::xpBagArray, newValueList);
}

void TXMPPacket::UpdateSeqProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                                   std::string_view newValueList) {
  UpdateProperty(schemaKind, propName, TXMPPropertyKind::xpSeqArray, newValueList);
}

void TXMPPacket::UpdateBagProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                                   std::span<const std::string> newValues) {
  DoUpdateArrayProperty(schemaKind, propName, TXMPPropertyKind::xpBagArray, newValues);
}

void TXMPPacket::UpdateSeqProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                                   std::span<const std::string> newValues) {
  DoUpdateArrayProperty(schemaKind, propName, TXMPPropertyKind::xpSeqArray, newValues);
}

void TXMPPacket::DoUpdateArrayProperty(TXMPKnownNamespace schemaKind, std::string_view propName, TXMPPropertyKind kind,
                                       std::span<const std::string> newValues) {
  if (FUpdatePolicy == TXMPWritePolicy::xwRemove || newValues.empty()) {
    RemoveProperty(schemaKind, propName);
    return;
  }
  if (FUpdatePolicy == TXMPWritePolicy::xwUpdateIfExists && !PendingDataMayHold(propName))
    return;
  NeedLazyLoadForUpdate();
  auto* property = FindOrCreateForUpdate(schemaKind, propName, FUpdatePolicy);
  if (property == nullptr)
    return;
  if (property->HasNamedSubProperties()) {
    // Named items cannot become array items: the property starts afresh at the end.
    auto* schema = property->Schema();
    const std::string name(propName);
    schema->RemoveProperty(name);
    property = &schema->AddProperty(name);
  }
  property->SetKind(kind);
  property->SetSubPropertyCount(static_cast<int>(newValues.size()));
  for (std::size_t i = 0; i < newValues.size(); ++i)
    property->GetSubProperty(static_cast<int>(i)).WriteValue(std::string_view(newValues[i]));
}

void TXMPPacket::UpdateDateTimeProperty(TXMPKnownNamespace schemaKind, std::string_view propName,
                                        const TDateTimeTagValue& newValue, bool applyLocalBias) {
  if (newValue.MissingOrInvalid()) {
    RemoveProperty(schemaKind, propName);
    return;
  }
  auto text = Platform::FormatDateTime("yyyy'-'mm'-'dd'T'hh':'nn':'ss'.'zzz", newValue.Value());
  if (applyLocalBias) {
    // The bias is what takes local time to UTC; the text shows the zone's offset from UTC.
    const int offset = -Platform::LocalTimeBiasMinutes(newValue.Value());
    text += fmt::format("{}{:02}:{:02}", offset >= 0 ? "+" : "-", std::abs(offset / 60), std::abs(offset % 60));
  }
  UpdateProperty(schemaKind, propName, TXMPPropertyKind::xpSimple, text);
}

void TXMPPacket::RemoveProperty(TXMPKnownNamespace schemaKind, std::string_view propName) {
  if (!PendingDataMayHold(propName))
    return;
  NeedLazyLoadForUpdate();
  TXMPSchema* schema = nullptr;
  if (FindSchema(schemaKind, schema))
    schema->RemoveProperty(propName);
}

void TXMPPacket::RemoveProperties(TXMPKnownNamespace schemaKind, std::span<const std::string> propNames) {
  NeedLazyLoadForUpdate();
  TXMPSchema* schema = nullptr;
  if (FindSchema(schemaKind, schema))
    schema->RemoveProperties(propNames);
}

} // namespace Tessel::Exif
