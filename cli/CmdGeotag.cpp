// fotarium-cli geotag: positions for pictures from a GPX track, matched by capture time.
// A track that does not load is an error before any file is looked at; then every file
// is planned and shown, and each that matched is saved once, verified, and replaced
// atomically.

#include "cli/BatchOutput.h"
#include "cli/CliSupport.h"

#include "app/core/Geotag.h"

#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace Fotarium::Cli {

namespace {

struct TGeotagOptions {
  std::string GPX;
  std::string Zone;
  double Sync = 0;
  double MaxGap = 1800;
  double MaxDistance = 1800;
  TBatchOutputOptions Output;
  std::vector<std::string> Files;
};

const TCommandRegistrar registrar{TCommand{
    "geotag", "Write GPS positions into pictures from a GPX track, matched by capture time",
    [](CLI::App& sub) -> std::function<int()> {
      auto options = std::make_shared<TGeotagOptions>();
      sub.add_option("--gpx", options->GPX, "The track, a GPX 1.0 or 1.1 file")->required();
      sub.add_option("--zone", options->Zone,
                     "Zone of capture times without OffsetTimeOriginal: a name (Europe/Berlin) or an offset "
                     "(+02:00); default the system's")
          ->check([](const std::string& text) {
            return Core::ParseTimeZone(text) ? std::string() : "expected a zone name or an offset like +02:00";
          });
      sub.add_option("--sync", options->Sync, "Seconds added to the capture times (positive: the GPS clock is ahead)");
      sub.add_option("--max-gap", options->MaxGap, "Largest time between two points that is interpolated (s)")
          ->check(CLI::NonNegativeNumber);
      sub.add_option("--max-distance", options->MaxDistance, "Largest time to the nearest point otherwise (s)")
          ->check(CLI::NonNegativeNumber);
      sub.add_flag("--dry-run", options->Output.DryRun, "Show the positions found, write nothing");
      sub.add_flag("--json", options->Output.Json, "One JSON object with the plan and the summary");
      sub.add_option("files", options->Files, "JPEG, Photoshop or TIFF files")->required();
      return [options] {
        Core::TGPXTrack track;
        try {
          track = Core::LoadGPX(options->GPX);
        } catch (const std::exception& e) {
          std::cerr << "fotarium-cli geotag: " << ErrorText(e, options->GPX) << ", no file changed\n";
          return 1;
        }
        Core::TGeotagSettings settings;
        settings.Zone = *Core::ParseTimeZone(options->Zone);
        settings.SyncSeconds = options->Sync;
        settings.Match.MaxInterpolationGap = options->MaxGap;
        settings.Match.MaxDistanceToPoint = options->MaxDistance;
        if (!options->Output.Json)
          std::cout << "track: " << track.Points.size() << " points from "
                    << Core::FormatISOTime(track.Points.front().Time) << " to "
                    << Core::FormatISOTime(track.Points.back().Time) << '\n';
        const auto plan = Core::PlanBatch(
            options->Files, [&](const std::string& file) { return Core::PlanGeotag(file, track, settings); });
        return RunBatch(plan, options->Output, std::cout, std::cerr);
      };
    },
    "fotarium-cli geotag --gpx track.gpx --zone Europe/Berlin --dry-run ~/Pictures/trip/*.jpg"}};

} // namespace

} // namespace Fotarium::Cli
