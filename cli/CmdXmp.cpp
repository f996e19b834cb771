// fotarium-cli xmp: the XMP tree of pictures and sidecar files, or the packet text.

#include "cli/CliSupport.h"

#include "Tessel/Exif/XMPUtils.h"

#include "platform/FileOps.h"
#include "platform/Strings.h"

#include <fmt/format.h>

#include <ostream>
#include <string>
#include <vector>

namespace Fotarium::Cli {

namespace {

using Tessel::Exif::TXMPPacket;
using Tessel::Exif::TXMPProperty;
using Tessel::Exif::TXMPPropertyKind;

// The value as ReadValue('') gives it, without the "x-default" item that reading an
// Alt array would add to the tree.
std::string DisplayValue(TXMPProperty& property) {
  using enum TXMPPropertyKind;
  switch (property.Kind()) {
  case xpSimple: return property.ReadValue(std::string_view());
  case xpAltArray: {
    TXMPProperty* item = nullptr;
    return property.FindSubProperty("x-default", item) ? DisplayValue(*item) : std::string();
  }
  case xpBagArray:
  case xpSeqArray: {
    std::string result;
    for (int i = 0; i < property.SubPropertyCount(); ++i) {
      if (i > 0)
        result += ',';
      result += DisplayValue(property.SubProperties(i));
    }
    return result;
  }
  case xpStructure: break;
  }
  return {};
}

nlohmann::ordered_json PropertyJson(TXMPProperty& property) {
  nlohmann::ordered_json json;
  json["name"] = property.Name();
  json["kind"] = std::string(Tessel::Exif::XMPPropertyKindName(property.Kind()));
  json["value"] = DisplayValue(property);
  if (!property.ParentNamespace() && property.ParentProperty() != nullptr) {
    json["prefix"] = property.NamespaceInfo().Prefix();
    json["uri"] = property.NamespaceInfo().URI();
  }
  auto items = nlohmann::ordered_json::array();
  for (int i = 0; i < property.SubPropertyCount(); ++i)
    items.push_back(PropertyJson(property.SubProperties(i)));
  json["items"] = std::move(items);
  return json;
}

void PrintProperty(std::ostream& out, TXMPProperty& property, int depth) {
  const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
  const auto kind = property.Kind();
  std::string name = property.Name().empty() ? std::string("-") : property.Name();
  if (!property.ParentNamespace() && property.ParentProperty() != nullptr)
    name = property.NamespaceInfo().Prefix() + ":" + name;
  if (kind == TXMPPropertyKind::xpSimple)
    out << fmt::format("{}{} ({}) = \"{}\"\n", indent, name, Tessel::Exif::XMPPropertyKindName(kind),
                       DisplayValue(property));
  else
    out << fmt::format("{}{} ({}, {} items)\n", indent, name, Tessel::Exif::XMPPropertyKindName(kind),
                       property.SubPropertyCount());
  for (int i = 0; i < property.SubPropertyCount(); ++i)
    PrintProperty(out, property.SubProperties(i), depth + 1);
}

// Pictures are searched for their packet; anything else must be a bare packet (a sidecar).
void LoadPacket(TXMPPacket& packet, const std::string& fileName) {
  const bool sidecar = Platform::SameText(Platform::ExtractFileExt(fileName), ".xmp");
  if (!sidecar && packet.LoadFromGraphic(fileName))
    return;
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  if (!packet.TryLoadFromStream(stream)) {
    if (!sidecar)
      throw Tessel::Exif::EUnsupportedGraphicFormat();
    throw Tessel::Exif::EInvalidXMPPacket();
  }
}

void ShowFile(const std::string& fileName, bool raw, bool asJson, std::ostream& out, nlohmann::ordered_json& json) {
  TXMPPacket packet;
  LoadPacket(packet, fileName);
  if (raw) {
    const auto text = packet.Empty() ? std::string() : packet.RawXML();
    if (asJson)
      json["raw"] = text;
    else
      out << text << '\n';
    return;
  }
  auto schemas = nlohmann::ordered_json::array();
  if (!asJson && packet.Empty())
    out << "  (no XMP packet)\n";
  for (auto& schema : packet) {
    if (asJson) {
      nlohmann::ordered_json entry;
      entry["uri"] = schema.URI();
      entry["prefix"] = schema.PreferredPrefix();
      auto properties = nlohmann::ordered_json::array();
      for (auto& property : schema)
        properties.push_back(PropertyJson(property));
      entry["properties"] = std::move(properties);
      schemas.push_back(std::move(entry));
    } else {
      out << fmt::format("  {} ({})\n", schema.URI(), schema.PreferredPrefix());
      for (auto& property : schema)
        PrintProperty(out, property, 2);
    }
  }
  if (asJson)
    json["schemas"] = std::move(schemas);
}

const TCommandRegistrar registrar{TCommand{
    "xmp", "Show the XMP packet of JPEG, Photoshop and TIFF files and of .xmp sidecar files",
    [](CLI::App& sub) -> std::function<int()> {
      struct TOptions {
        bool Json = false;
        bool Raw = false;
        std::vector<std::string> Files;
      };
      auto options = std::make_shared<TOptions>();
      sub.add_flag("--json", options->Json, "Print one JSON array with an object per file");
      sub.add_flag("--raw", options->Raw, "Print the packet text instead of the tree");
      sub.add_option("files", options->Files, "JPEG, Photoshop, TIFF or .xmp files")->required();
      return [options] {
        return ForEachFile(options->Files, options->Json,
                           [&options](const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json) {
                             ShowFile(fileName, options->Raw, options->Json, out, json);
                           });
      };
    },
    "fotarium-cli xmp --raw photo.jpg photo.xmp"}};

} // namespace

} // namespace Fotarium::Cli
