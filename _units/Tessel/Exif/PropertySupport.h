#pragma once

// Shared by the value objects and the typed properties of the EXIF container: access to
// the container's sections and XMP packet, adding tags where the section allows it, and
// update brackets that stay balanced when an edit raises.

#include "Tessel/Exif.h"
#include "Tessel/Exif/XMPUtils.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Tessel::Exif::PropertySupport {

[[nodiscard]] inline TExifSection& SectionOf(const TCustomExifData& owner, TExifSectionKind kind) {
  // The container creates all six sections up front; the maker note is never needed here.
  return *owner.OwnedSection(kind);
}

[[nodiscard]] inline TXMPPacket& PacketOf(const TCustomExifData& owner) { return owner.XMPPacket(); }

// Adds a zero-filled tag; a fixed-structure section refuses with EIllegalEditOfExifData,
// as its own Add would.
inline TExifTag* AddTag(TExifSection& section, TTiffTagID id, TTiffDataType dataType, std::int32_t count) {
  auto* extendable = dynamic_cast<TExtendableExifSection*>(&section);
  if (extendable == nullptr)
    throw EIllegalEditOfExifData();
  return extendable->Add(id, dataType, count);
}

inline TExifTag* FindOrAddTag(TExifSection& section, TTiffTagID id, TTiffDataType dataType, std::int32_t count) {
  if (auto* tag = section.Find(id))
    return tag;
  return AddTag(section, id, dataType, count);
}

// Runs edit inside BeginUpdate/EndUpdate, so that its changes are announced once.
template <typename F> void InUpdate(TCustomExifData& owner, F&& edit) {
  owner.BeginUpdate();
  try {
    edit();
  } catch (...) {
    owner.EndUpdate();
    throw;
  }
  owner.EndUpdate();
}

// The property of a schema for an update under the packet's policy: found, or (always
// update) created; nullptr when the policy leaves the packet alone. Unlike the packet's
// own lookups this adds no empty schema when nothing is to be written.
inline TXMPProperty* PropertyForUpdate(TXMPPacket& packet, TXMPKnownNamespace schemaKind, std::string_view name) {
  TXMPSchema* schema = nullptr;
  TXMPProperty* property = nullptr;
  switch (packet.UpdatePolicy()) {
  case TXMPWritePolicy::xwRemove: return nullptr;
  case TXMPWritePolicy::xwUpdateIfExists:
    if (!packet.FindSchema(schemaKind, schema) || !schema->FindProperty(name, property))
      return nullptr;
    return property;
  case TXMPWritePolicy::xwAlwaysUpdate: break;
  }
  schema = &packet.FindOrAddSchema(schemaKind);
  if (!schema->FindProperty(name, property))
    property = &schema->AddProperty(name);
  return property;
}

} // namespace Tessel::Exif::PropertySupport
