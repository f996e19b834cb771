// fotarium-cli kml: a KML file for Google Earth with a placemark per picture that has a
// GPS position, and the track as a line when a GPX file is given. Pictures without a
// position are named, not written.

#include "cli/CliSupport.h"

#include "app/core/KMLWriter.h"

#include "platform/FileOps.h"

#include <fmt/format.h>

#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Fotarium::Cli {

namespace {

struct TKmlOptions {
  std::string Output;
  std::string GPX;
  std::string Zone;
  bool Json = false;
  std::vector<std::string> Files;
};

int RunKml(const TKmlOptions& options) {
  std::optional<Core::TGPXTrack> track;
  if (!options.GPX.empty()) {
    try {
      track = Core::LoadGPX(options.GPX);
    } catch (const std::exception& e) {
      std::cerr << "fotarium-cli kml: " << ErrorText(e, options.GPX) << ", nothing written\n";
      return 1;
    }
  }
  Core::TGeotagSettings settings;
  settings.Zone = *Core::ParseTimeZone(options.Zone);
  const auto collection = Core::CollectPlacemarks(options.Files, options.Output, settings);
  const auto name = Platform::ChangeFileExt(Platform::ExtractFileName(options.Output), "");
  try {
    Core::WriteTextFile(options.Output, Core::BuildKML(name, collection.Placemarks, track ? &*track : nullptr));
  } catch (const std::exception& e) {
    std::cerr << "fotarium-cli kml: " << ErrorText(e, options.Output) << '\n';
    return 1;
  }
  if (options.Json) {
    auto without = nlohmann::ordered_json::array();
    for (const auto& file : collection.WithoutPosition)
      without.push_back(file);
    auto failures = nlohmann::ordered_json::array();
    for (const auto& failure : collection.Failures)
      failures.push_back({{"file", failure.FileName}, {"error", EnglishMessage(failure.Reason)}});
    std::cout << nlohmann::ordered_json{{"output", options.Output},
                                        {"placemarks", collection.Placemarks.size()},
                                        {"total", options.Files.size()},
                                        {"trackPoints", track ? track->Path.size() : 0},
                                        {"withoutPosition", without},
                                        {"failures", failures}}
                     .dump(2)
              << '\n';
  } else {
    std::cout << fmt::format("{}: {} of {} pictures placed", options.Output, collection.Placemarks.size(),
                             options.Files.size());
    if (track)
      std::cout << fmt::format(", track of {} points", track->Path.size());
    std::cout << '\n';
    for (const auto& file : collection.WithoutPosition)
      std::cout << "  no position: " << file << '\n';
    for (const auto& failure : collection.Failures)
      std::cerr << fmt::format("failed: {}: {}\n", failure.FileName, EnglishMessage(failure.Reason));
  }
  return collection.Failures.empty() ? 0 : 1;
}

const TCommandRegistrar registrar{TCommand{
    "kml", "Write a KML file for Google Earth with the pictures' positions (and a GPX track)",
    [](CLI::App& sub) -> std::function<int()> {
      auto options = std::make_shared<TKmlOptions>();
      sub.add_option("--output", options->Output, "The KML file to write")->required();
      sub.add_option("--gpx", options->GPX, "A GPX track drawn as a line");
      sub.add_option("--zone", options->Zone, "Zone of capture times without OffsetTimeOriginal (default the system's)")
          ->check([](const std::string& text) {
            return Core::ParseTimeZone(text) ? std::string() : "expected a zone name or an offset like +02:00";
          });
      sub.add_flag("--json", options->Json, "A JSON summary");
      sub.add_option("files", options->Files, "JPEG, Photoshop or TIFF files")->required();
      return [options] { return RunKml(*options); };
    },
    "fotarium-cli kml --output trip.kml --gpx track.gpx ~/Pictures/trip/*.jpg"}};

} // namespace

} // namespace Fotarium::Cli
