#pragma once

// A KML 2.2 document for Google Earth: a placemark per picture with a position (its file
// name, capture time in UTC, the point, and a description showing the picture by a path
// relative to the KML file), and the track as a line when one was loaded.

#include "app/core/GPXTrack.h"
#include "app/core/Geotag.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Fotarium::Core {

inline constexpr std::string_view KMLNamespace = "http://www.opengis.net/kml/2.2";

struct TKMLPlacemark {
  std::string Name;           // the file name, shown as the placemark's label
  std::string PicturePath;    // relative to the KML file, with "/" between folders
  std::string Description;    // the picture's description text
  std::optional<double> Time; // UTC, seconds since 1970
  double Latitude = 0;
  double Longitude = 0;
  std::optional<double> Altitude;
};

// Text with &, <, >, " and ' escaped; bytes that are no UTF-8 become U+FFFD.
[[nodiscard]] std::string XMLEscape(std::string_view text);
// The path of target seen from the folder fromDir (both absolute or both relative to the
// same folder), percent-encoded for use as a URL.
[[nodiscard]] std::string RelativeURL(const std::string& fromDir, const std::string& target);
// "lon,lat[,alt]" with seven decimals and a point.
[[nodiscard]] std::string KMLCoordinates(double latitude, double longitude, std::optional<double> altitude);

[[nodiscard]] std::string BuildKML(std::string_view documentName, const std::vector<TKMLPlacemark>& placemarks,
                                   const TGPXTrack* track);

struct TKMLCollection {
  std::vector<TKMLPlacemark> Placemarks;
  std::vector<std::string> WithoutPosition;
  std::vector<TBatchFailure> Failures;
};
// The placemarks of the pictures that have a position; the others are named.
[[nodiscard]] TKMLCollection CollectPlacemarks(const std::vector<std::string>& files, const std::string& kmlFileName,
                                               const TGeotagSettings& settings = {});

// Writes the text as the file: a new file, or the old one replaced atomically.
void WriteTextFile(const std::string& fileName, std::string_view text);

} // namespace Fotarium::Core
