// fotarium-cli segments: the JPEG segments of a file, or the header and resource blocks of a PSD.

#include "cli/CliSupport.h"

#include "Tessel/Exif/BaseUtils.h"

#include "platform/Exceptions.h"
#include "platform/Strings.h"

#include <fmt/format.h>

#include <ostream>

namespace Fotarium::Cli {

namespace {

using namespace Tessel::Exif;

// Short names of the markers a reader meets in a header.
std::string MarkerName(std::uint8_t marker) {
  if (marker >= 0xE0 && marker <= 0xEF)
    return fmt::format("APP{}", marker - 0xE0);
  if (marker >= 0xD0 && marker <= 0xD7)
    return fmt::format("RST{}", marker - 0xD0);
  if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
    return fmt::format("SOF{}", marker - 0xC0);
  switch (marker) {
  case 0xC4: return "DHT";
  case 0xCC: return "DAC";
  case 0xD8: return "SOI";
  case 0xD9: return "EOI";
  case 0xDA: return "SOS";
  case 0xDB: return "DQT";
  case 0xDD: return "DRI";
  case 0xFE: return "COM";
  default: return "";
  }
}

// What a segment carries, as the JSON and the listing name it; empty for anything else.
std::string PayloadKind(const IJPEGSegment& segment) {
  if (segment.IsExifBlock(true))
    return "Exif";
  if (segment.IsXMPBlock(true))
    return "XMP";
  if (segment.IsAdobeApp13())
    return segment.IsIPTCBlock(true) ? "IPTC" : "Photoshop";
  return {};
}

void ListJPEG(TStream& stream, std::ostream& out, nlohmann::ordered_json& json, bool asJson) {
  // The segment list grows as the walk goes, so a damaged file still shows what came first.
  json["segments"] = nlohmann::ordered_json::array();
  json["cutOffAt"] = nullptr;
  // Taken once both keys exist: adding a key moves the object's members.
  auto& segments = json["segments"];
  if (!asJson)
    out << fmt::format("  {:>10}  {:<12} {:>7}  {}\n", "offset", "marker", "size", "payload");
  // Where the next segment starts; a file that ends inside it is cut off there.
  std::int64_t next = stream.Position() + 2;
  const auto parser = JPEGHeader(stream, TJPEGMarkers::All());
  for (;;) {
    try {
      if (!parser->MoveNext())
        break;
    } catch (const Platform::EReadError&) {
      // A file that ends inside a segment is listed up to that segment, which is named.
      json["cutOffAt"] = next;
      if (!asJson)
        out << fmt::format("  {:>10}  cut off: the file ends inside this segment\n", next);
      break;
    }
    const auto segment = parser->Current();
    next = segment->Offset() + segment->TotalSize();
    const auto kind = PayloadKind(*segment);
    std::vector<std::uint16_t> resources;
    if (segment->IsAdobeApp13())
      for (auto block : *segment->GetEnumerator())
        resources.push_back(block->TypeID());
    if (asJson) {
      nlohmann::ordered_json item;
      item["marker"] = segment->MarkerNum();
      item["offset"] = segment->Offset();
      item["totalSize"] = segment->TotalSize();
      item["payload"] = kind.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(kind);
      if (segment->IsAdobeApp13())
        item["resources"] = resources;
      segments.push_back(std::move(item));
      continue;
    }
    std::string payload = kind;
    for (const auto id : resources)
      payload += " " + HexID(id);
    out << Platform::TrimRight(fmt::format("  {:>10}  0x{:02X} {:<7} {:>7}  {}", segment->Offset(),
                                           segment->MarkerNum(), MarkerName(segment->MarkerNum()), segment->TotalSize(),
                                           payload))
        << '\n';
  }
}

void ListPSD(TStream& stream, std::ostream& out, nlohmann::ordered_json& json, bool asJson) {
  TPSDInfo info;
  auto parser = ParsePSDHeader(stream, info);
  const auto& header = info.Header;
  if (asJson) {
    json["psd"] = {{"width", header.Width},
                   {"height", header.Height},
                   {"channels", header.Channels},
                   {"depth", header.Depth},
                   {"colorMode", static_cast<unsigned>(header.ColorMode)},
                   {"colorModeDataSize", header.PaletteData.size()},
                   {"resourceSectionOffset", info.ResourceSectionOffset()},
                   {"resourceSectionSize", info.ResourceSectionSize},
                   {"layersSectionOffset", info.LayersSectionOffset()},
                   {"layersSectionSize", info.LayersSectionSize}};
  } else {
    out << fmt::format("  PSD {} x {}, {} channels, {} bits, colour mode {}, colour-mode data {} bytes\n", header.Width,
                       header.Height, header.Channels, header.Depth, static_cast<unsigned>(header.ColorMode),
                       header.PaletteData.size());
    out << fmt::format("  resources at {} ({} bytes), layers at {} ({} bytes)\n", info.ResourceSectionOffset(),
                       info.ResourceSectionSize, info.LayersSectionOffset(), info.LayersSectionSize);
  }
  auto& resources = json["resources"] = nlohmann::ordered_json::array();
  for (auto block : *parser) {
    // Names are single-byte text; JSON wants UTF-8.
    const auto name = Platform::Win1252ToUTF8(block->Name());
    if (asJson) {
      resources.push_back({{"id", block->TypeID()},
                           {"name", name},
                           {"size", block->Data().Size()},
                           {"complete", block->LoadedCleanly()}});
      continue;
    }
    out << Platform::TrimRight(fmt::format("    {}  {:>8} bytes  {}{}", HexID(block->TypeID()), block->Data().Size(),
                                           name.empty() ? "" : "\"" + name + "\"",
                                           block->LoadedCleanly() ? "" : "  (cut off)"))
        << '\n';
  }
}

void ListSegments(const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json, bool asJson) {
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  if (HasJPEGHeader(stream))
    ListJPEG(stream, out, json, asJson);
  else if (CheckSignature(stream, PSDSignature.substr(0, 4), true))
    ListPSD(stream, out, json, asJson); // a damaged PSD header is named as such
  else
    throw EUnsupportedGraphicFormat();
}

// NOLINTNEXTLINE(cert-err58-cpp): commands register at start-up
const TCommandRegistrar registrar{TCommand{
    "segments", "List the JPEG segments of files, or the header and resource blocks of Photoshop files",
    [](CLI::App& sub) -> std::function<int()> {
      auto files = std::make_shared<std::vector<std::string>>();
      auto asJson = std::make_shared<bool>(false);
      sub.add_flag("--json", *asJson, "Print one JSON array with an object per file");
      sub.add_option("files", *files, "JPEG or PSD files")->required();
      return [files, asJson] {
        return ForEachFile(*files, *asJson,
                           [asJson](const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json) {
                             ListSegments(fileName, out, json, *asJson);
                           });
      };
    },
    "fotarium-cli segments --json photo.jpg"}};

} // namespace

} // namespace Fotarium::Cli
