#pragma once

// Positions for pictures from a GPS track: the picture's UTC time from its capture time,
// the matching point of the track, and the GPS tags written from it.

#include "app/core/BatchCommand.h"
#include "app/core/GPXTrack.h"

#include <optional>
#include <string>
#include <string_view>

namespace Fotarium::Core {

// The zone a capture time without OffsetTimeOriginal is read in: the system's, a fixed
// offset, or a named zone with its daylight-saving rules for the date in question.
struct TTimeZoneChoice {
  enum class TKind : std::uint8_t { tzSystem, tzFixed, tzNamed } Kind = TKind::tzSystem;
  int OffsetSeconds = 0; // tzFixed: east of UTC positive
  std::string Name;      // tzNamed: "Europe/Berlin"
};
// "", "+02:00", "-0530", "Z", "UTC" or a zone name the system knows; nullopt otherwise.
[[nodiscard]] std::optional<TTimeZoneChoice> ParseTimeZone(std::string_view text);
// A local wall-clock time (seconds since 1970 as if it were UTC) in the zone, as UTC.
[[nodiscard]] std::int64_t LocalToUTC(std::int64_t localSeconds, const TTimeZoneChoice& zone);

struct TGeotagSettings {
  TTimeZoneChoice Zone;
  // Added to the picture's time: positive when the GPS clock is ahead of the camera's.
  double SyncSeconds = 0;
  TMatchSettings Match;
};

// DateTimeOriginal (+SubSecTimeOriginal) minus OffsetTimeOriginal when present, else read
// in the chosen zone, plus the sync offset; nullopt without a sound DateTimeOriginal.
[[nodiscard]] std::optional<double> PictureUTCTime(Tessel::Exif::TExifData& exif, const TGeotagSettings& settings);

// GPSVersionID 2.3.0.0, latitude and longitude with their references, the altitude
// (absolute, reference 1 below sea level; removed without an elevation), and the UTC time
// as GPSDateStamp and GPSTimeStamp. The XMP packet gets the GPS properties when the
// file had one.
void WriteTrackFix(TPictureMetadata& picture, const TTrackFix& fix, double utcTime);

// The stored position as "lat, lon" in decimal degrees, empty without one.
[[nodiscard]] std::string PositionText(Tessel::Exif::TExifData& exif);
[[nodiscard]] std::string PositionText(double latitude, double longitude);

[[nodiscard]] TBatchItem PlanGeotag(const std::string& fileName, const TGPXTrack& track,
                                    const TGeotagSettings& settings);

} // namespace Fotarium::Core
