#pragma once

// A GPS track read from a GPX 1.0 or 1.1 file, and the position it gives for a moment:
// interpolated between the two points around it when they are close enough in time,
// else the nearest point when that is close enough, else none.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Fotarium::Core {

struct TTrackPoint {
  double Time = 0; // UTC, seconds since 1970
  double Latitude = 0;
  double Longitude = 0;
  std::optional<double> Elevation;
};

struct TGPXTrack {
  // Every point with a time, sorted by time (points of equal time in file order);
  // track segments do not matter.
  std::vector<TTrackPoint> Points;
  // The points in file order, for drawing the track (those without a time included).
  std::vector<TTrackPoint> Path;
};

// "2024-06-01T10:00:00Z", with optional fraction and a zone ("Z", "+02:00"; none is
// UTC) as seconds since 1970; nullopt when it does not parse.
[[nodiscard]] std::optional<double> ParseISOTime(std::string_view text);
// Seconds since 1970 as "2024-06-01T10:00:00Z" (with milliseconds when there are any).
[[nodiscard]] std::string FormatISOTime(double seconds);

// The track points (trkpt and rtept) of a GPX document. Raises Platform::Exception with
// a message naming what is wrong when the bytes are no GPX 1.0/1.1 document or hold no
// point with a time.
[[nodiscard]] TGPXTrack ParseGPX(std::span<const std::uint8_t> bytes);
[[nodiscard]] TGPXTrack LoadGPX(const std::string& fileName);

struct TMatchSettings {
  // Largest time between two points across which a position is interpolated.
  double MaxInterpolationGap = 1800;
  // Largest time to the nearest point when there is nothing to interpolate between.
  double MaxDistanceToPoint = 1800;
};

enum class TMatchKind : std::uint8_t { mkInterpolated, mkNearestPoint };

struct TTrackFix {
  TMatchKind Kind = TMatchKind::mkInterpolated;
  double Latitude = 0;
  double Longitude = 0;
  std::optional<double> Elevation;
  // Seconds to the nearest point used.
  double Distance = 0;
};

// The position at utcTime; nullopt when the track is too far away.
[[nodiscard]] std::optional<TTrackFix> MatchTrack(const TGPXTrack& track, double utcTime,
                                                  const TMatchSettings& settings = {});

} // namespace Fotarium::Core
