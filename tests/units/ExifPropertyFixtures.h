#pragma once

// Helpers shared by the tests of typed properties and value objects: what a property
// left in the XMP packet and in its tag.

#include "Tessel/Exif.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace PropertyFixtures {

// The simple value (or the joined items) of an XMP property; "<none>" when absent.
inline std::string XMPValue(Tessel::Exif::TCustomExifData& data, Tessel::Exif::TXMPNamespace schemaKind,
                            const std::string& name) {
  Tessel::Exif::TXMPSchema* schema = nullptr;
  Tessel::Exif::TXMPProperty* property = nullptr;
  if (!data.XMPPacket().FindSchema(schemaKind, schema) || !schema->FindProperty(name, property))
    return "<none>";
  return property->ReadValue(std::string_view());
}

// The raw bytes of a tag; empty when the tag is absent.
inline std::vector<std::uint8_t> TagBytes(Tessel::Exif::TExifData& data, Tessel::Exif::TExifSectionKind kind,
                                          Tessel::Exif::TTiffTagID id) {
  const auto* tag = data.GetSection(kind)->Find(id);
  if (tag == nullptr)
    return {};
  return {tag->Bytes().begin(), tag->Bytes().end()};
}

} // namespace PropertyFixtures
