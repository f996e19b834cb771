// fotarium-cli set: writes orientation, capture date, description, comment or GPS position
// into JPEG, Photoshop and TIFF files through the EXIF container's typed properties (the
// XMP packet follows them under the container's policy). Every file is replaced
// atomically; a file that fails is reported and the others go on.

#include "cli/CliSupport.h"

#include "app/core/GPSTexts.h"

#include "Tessel/Exif.h"

#include "app/core/EditCommands.h"

#include "platform/FileOps.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <iostream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Fotarium::Cli {

namespace {

using namespace Tessel::Exif;

struct TGPSPosition {
  double Latitude = 0;
  double Longitude = 0;
};

struct TSetOptions {
  std::optional<int> Orientation;
  std::optional<std::string> DateTime;
  std::optional<std::string> Description;
  std::optional<std::string> Comment;
  std::optional<std::string> GPS;
  bool Json = false;
  bool KeepTime = false;
  std::vector<std::string> Files;
};

bool ParseDouble(std::string_view text, double& value) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  if (!text.empty() && text.front() == '+')
    text.remove_prefix(1);
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && std::isfinite(value);
}

// "LAT,LON" in signed decimal degrees (south and west negative).
std::optional<TGPSPosition> ParseGPS(std::string_view text) {
  const auto comma = text.find(',');
  if (comma == std::string_view::npos)
    return std::nullopt;
  TGPSPosition position;
  if (!ParseDouble(text.substr(0, comma), position.Latitude) ||
      !ParseDouble(text.substr(comma + 1), position.Longitude))
    return std::nullopt;
  if (std::fabs(position.Latitude) > 90 || std::fabs(position.Longitude) > 180)
    return std::nullopt;
  return position;
}

void SetFile(const std::string& fileName, const TSetOptions& options, std::ostream& out, nlohmann::ordered_json& json) {
  TExifData data;
  if (!data.LoadFromGraphic(fileName))
    throw EUnsupportedGraphicFormat();
  // What people type is stored whatever its characters (UTF-8, or UTF-16 in UserComment).
  data.SetEnforceASCII(false);
  auto changed = nlohmann::ordered_json::object();
  if (options.Orientation) {
    data.SetOrientation(static_cast<TTiffOrientation>(*options.Orientation));
    changed["orientation"] = *options.Orientation;
  }
  if (options.DateTime) {
    TDateTime value = 0;
    TryExifStringToDateTime(*options.DateTime, value);
    data.SetDateTime(value);
    changed["datetime"] = *options.DateTime;
  }
  // A JPEG's or Photoshop file's IPTC data lies beside the EXIF data; the description's
  // mirror goes there too.
  TIPTCData iptc;
  if (options.Description) {
    iptc.LoadFromGraphic(fileName);
    Core::SetEditableTextValue(data, Core::TEditableText::etDescription, *options.Description, &iptc);
    changed["description"] = *options.Description;
  }
  if (options.Comment) {
    Core::SetEditableTextValue(data, Core::TEditableText::etComment, *options.Comment);
    changed["comment"] = *options.Comment;
  }
  if (options.GPS) {
    const auto position = *ParseGPS(*options.GPS);
    Core::SetGPSPosition(data, position.Latitude, position.Longitude);
    changed["gps"] = {{"latitude", data.GPSLatitude().AsString()}, {"longitude", data.GPSLongitude().AsString()}};
  }
  // Taken before the save, which would make it now.
  const auto times = options.KeepTime ? std::optional(Platform::GetFileTimes(fileName)) : std::nullopt;
  Core::SaveEdits(data, &iptc, fileName);
  if (times)
    Platform::SetFileTimes(fileName, *times);
  json["changed"] = changed;
  if (!options.Json)
    for (const auto& [key, value] : changed.items())
      out << fmt::format("  {} := {}\n", key, value.is_string() ? value.get<std::string>() : value.dump());
}

const TCommandRegistrar registrar{TCommand{
    "set", "Write orientation, capture date, description, comment or GPS position into JPEG, Photoshop and TIFF files",
    [](CLI::App& sub) -> std::function<int()> {
      auto options = std::make_shared<TSetOptions>();
      sub.add_option("--orientation", options->Orientation, "Set the EXIF orientation 1..8 (0 removes it)")
          ->check(CLI::Range(0, 8));
      sub.add_option("--datetime", options->DateTime, "Set the date and time of the file (tag 0x0132), \"YYYY:MM:DD HH:MM:SS\"")
          ->check([](const std::string& text) {
            TDateTime value = 0;
            return TryExifStringToDateTime(text, value) ? std::string() : "expected \"YYYY:MM:DD HH:MM:SS\"";
          });
      sub.add_option("--description", options->Description, "Set the image description (any text; empty removes it)");
      sub.add_option("--comment", options->Comment, "Set the comment (any text; empty removes it)");
      sub.add_option("--gps", options->GPS, "Set the GPS position LAT,LON in decimal degrees, south and west negative")
          ->check([](const std::string& text) {
            return ParseGPS(text) ? std::string() : "expected LAT,LON in decimal degrees (-90..90, -180..180)";
          });
      sub.add_flag("--json", options->Json, "Print one JSON array with an object per file");
      sub.add_flag("--keep-time", options->KeepTime, "Keep the file's modification time");
      sub.add_option("files", options->Files, "JPEG, Photoshop or TIFF files")->required();
      return [options] {
        if (!options->Orientation && !options->DateTime && !options->Description && !options->Comment &&
            !options->GPS) {
          std::cerr << "fotarium-cli set: nothing to set (see --help)\n";
          return 2;
        }
        return ForEachFile(options->Files, options->Json,
                           [&options](const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json) {
                             SetFile(fileName, *options, out, json);
                           });
      };
    },
    "fotarium-cli set --gps 50.9413,6.9583 --datetime \"2024:05:01 12:30:00\" --keep-time photo.jpg"}};

} // namespace

} // namespace Fotarium::Cli
