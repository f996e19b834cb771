// fotarium-cli iptc: the IPTC datasets of pictures (JPEG, PSD, TIFF), in stored order.

#include "cli/CliSupport.h"

#include "Tessel/Exif/IPTC.h"

#include <fmt/format.h>

#include <ostream>
#include <string>
#include <vector>

namespace Fotarium::Cli {

namespace {

using Tessel::Exif::TIPTCData;
using Tessel::Exif::TIPTCTag;

// Integer datasets of a size that holds a number; anything else is shown as text.
bool HasNumber(const TIPTCTag& tag) {
  const auto size = tag.DataSize();
  return Tessel::Exif::IsIPTCIntegerDataset(tag.Section()->ID(), tag.ID()) && (size == 1 || size == 2 || size == 4);
}

// Control characters would garble a terminal; the listing shows them escaped.
std::string Printable(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n')
      result += "\\n";
    else if (c == '\t')
      result += "\\t";
    else if (c == '\\')
      result += "\\\\";
    else if (byte < 0x20 || byte == 0x7F)
      result += fmt::format("\\x{:02X}", byte);
    else
      result += c;
  }
  return result;
}

void ShowFile(const std::string& fileName, bool asJson, std::ostream& out, nlohmann::ordered_json& json) {
  TIPTCData data;
  if (!data.LoadFromGraphic(fileName))
    throw Tessel::Exif::EUnsupportedGraphicFormat();
  auto datasets = nlohmann::ordered_json::array();
  if (!asJson)
    out << (data.Empty()          ? "  (no IPTC data)\n"
            : data.UTF8Encoded()  ? "  text: UTF-8\n"
            : data.UTF8Detected() ? "  text: UTF-8 (not marked)\n"
                                  : "  text: Windows-1252\n");
  for (const auto* section : data)
    for (const auto* tag : *section) {
      const auto name = Tessel::Exif::IPTCPropertyName(section->ID(), tag->ID());
      const auto text = tag->AsString();
      if (!asJson) {
        out << fmt::format("  {:>5}  {:<24} {}\n", fmt::format("{}:{}", section->ID(), tag->ID()), name,
                           Printable(text));
        continue;
      }
      nlohmann::ordered_json item;
      item["record"] = section->ID();
      item["dataset"] = tag->ID();
      item["name"] = name.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(std::string(name));
      if (HasNumber(*tag))
        item["text"] = std::stoul(text);
      else
        item["text"] = text;
      datasets.push_back(std::move(item));
    }
  if (asJson) {
    // How the texts were read; utf8Marked says whether the data itself names UTF-8.
    json["utf8"] = data.TextIsUTF8();
    json["utf8Marked"] = data.UTF8Encoded();
    json["datasets"] = std::move(datasets);
  }
}

// NOLINTNEXTLINE(cert-err58-cpp): commands register at start-up
const TCommandRegistrar registrar{TCommand{
    "iptc", "List the IPTC datasets of JPEG, Photoshop and TIFF files", [](CLI::App& sub) -> std::function<int()> {
      struct TOptions {
        bool Json = false;
        std::vector<std::string> Files;
      };
      auto options = std::make_shared<TOptions>();
      sub.add_flag("--json", options->Json, "Print one JSON array with an object per file");
      sub.add_option("files", options->Files, "JPEG, Photoshop or TIFF files")->required();
      return [options] {
        return ForEachFile(options->Files, options->Json,
                           [&options](const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json) {
                             ShowFile(fileName, options->Json, out, json);
                           });
      };
    },
    "fotarium-cli iptc --json photo.jpg"}};

} // namespace

} // namespace Fotarium::Cli
