#include "app/core/KMLWriter.h"

#include "app/core/GPSTexts.h"
#include "app/core/WindowLanguage.h"

#include "platform/Exceptions.h"
#include "platform/FileOps.h"
#include "platform/Strings.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <fmt/format.h>

#include <cerrno>
#include <cmath>
#include <exception>

namespace Fotarium::Core {

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path) {
    if (c == '/') {
      if (!part.empty() && part != ".")
        parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty() && part != ".")
    parts.push_back(part);
  return parts;
}

// An absolute, clean form of the path where the system can give one.
std::string Absolute(const std::string& path) {
  if (char* resolved = ::realpath(path.empty() ? "." : path.c_str(), nullptr)) {
    std::string result(resolved);
    ::free(resolved);
    return result;
  }
  return path;
}

std::string PercentEncode(std::string_view path) {
  std::string out;
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        std::string_view("-._~/").find(ch) != std::string_view::npos)
      out += ch;
    else
      out += fmt::format("%{:02X}", c);
  }
  return out;
}

std::string Number(double value) {
  auto text = fmt::format("{:.7f}", value);
  if (text == "-0.0000000")
    text = "0.0000000";
  return text;
}

std::optional<double> StoredAltitude(Tessel::Exif::TExifData& exif) {
  const auto altitude = exif.GPSAltitude();
  if (altitude.Denominator == 0)
    return std::nullopt;
  const double value = static_cast<double>(altitude.Numerator) / altitude.Denominator;
  return exif.GPSAltitudeRef() == Tessel::Exif::TGPSAltitudeRef::alBelowSeaLevel ? -value : value;
}

} // namespace

std::string XMLEscape(std::string_view text) {
  const auto valid = Platform::IsValidUTF8(text) ? std::string(text) : Platform::DecodeUTF8Lossy(text);
  std::string out;
  out.reserve(valid.size());
  for (const char c : valid) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&apos;"; break;
    default:
      // Control characters other than tab and line breaks cannot appear in XML 1.0.
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
        out += "\xEF\xBF\xBD";
      else
        out += c;
    }
  }
  return out;
}

std::string RelativeURL(const std::string& fromDir, const std::string& target) {
  const auto from = SplitPath(Absolute(fromDir));
  const auto targetDir = Absolute(Platform::ExtractFilePath(target));
  auto to = SplitPath(targetDir);
  to.push_back(Platform::ExtractFileName(target));
  std::size_t common = 0;
  while (common < from.size() && common + 1 < to.size() && from[common] == to[common])
    ++common;
  std::string path;
  for (std::size_t i = common; i < from.size(); ++i)
    path += "../";
  for (std::size_t i = common; i < to.size(); ++i)
    path += to[i] + (i + 1 < to.size() ? "/" : "");
  return PercentEncode(path);
}

std::string KMLCoordinates(double latitude, double longitude, std::optional<double> altitude) {
  auto text = Number(longitude) + "," + Number(latitude);
  if (altitude)
    text += "," + fmt::format("{:.2f}", *altitude);
  return text;
}

std::string BuildKML(std::string_view documentName, const std::vector<TKMLPlacemark>& placemarks,
                     const TGPXTrack* track) {
  std::string kml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  kml += fmt::format("<kml xmlns=\"{}\">\n<Document>\n<name>{}</name>\n", KMLNamespace, XMLEscape(documentName));
  for (const auto& p : placemarks) {
    // The order of the schema: name, description, TimeStamp, then the geometry.
    kml += "<Placemark>\n";
    kml += "<name>" + XMLEscape(p.Name) + "</name>\n";
    std::string html = "<img src=\"" + p.PicturePath + "\" width=\"400\"/>";
    if (!p.Description.empty())
      html += "<br/>" + XMLEscape(p.Description);
    kml += "<description>" + XMLEscape(html) + "</description>\n";
    if (p.Time)
      kml += "<TimeStamp><when>" + FormatISOTime(*p.Time) + "</when></TimeStamp>\n";
    kml += "<Point><coordinates>" + KMLCoordinates(p.Latitude, p.Longitude, p.Altitude) + "</coordinates></Point>\n";
    kml += "</Placemark>\n";
  }
  if (track != nullptr && !track->Path.empty()) {
    kml += "<Placemark>\n<name>Track</name>\n<LineString>\n<tessellate>1</tessellate>\n<coordinates>\n";
    for (const auto& point : track->Path)
      kml += KMLCoordinates(point.Latitude, point.Longitude, point.Elevation) + "\n";
    kml += "</coordinates>\n</LineString>\n</Placemark>\n";
  }
  kml += "</Document>\n</kml>\n";
  return kml;
}

TKMLCollection CollectPlacemarks(const std::vector<std::string>& files, const std::string& kmlFileName,
                                 const TGeotagSettings& settings) {
  TKMLCollection result;
  const auto kmlDir = Platform::ExtractFilePath(kmlFileName);
  for (const auto& file : files) {
    try {
      Tessel::Exif::TExifData exif;
      if (!exif.LoadFromGraphic(file))
        throw Tessel::Exif::EUnsupportedGraphicFormat();
      const auto lat = SignedDegrees(exif.GPSLatitude());
      const auto lon = SignedDegrees(exif.GPSLongitude());
      if (!lat || !lon || !std::isfinite(*lat) || !std::isfinite(*lon) || std::fabs(*lat) > 90 ||
          std::fabs(*lon) > 180) {
        result.WithoutPosition.push_back(file);
        continue;
      }
      TKMLPlacemark placemark;
      placemark.Name = Platform::ExtractFileName(file);
      placemark.PicturePath = RelativeURL(kmlDir, file);
      placemark.Description = exif.ImageDescription();
      placemark.Time = PictureUTCTime(exif, settings);
      placemark.Latitude = *lat;
      placemark.Longitude = *lon;
      placemark.Altitude = StoredAltitude(exif);
      result.Placemarks.push_back(std::move(placemark));
    } catch (const std::exception& e) {
      result.Failures.push_back({file, ErrorText(e)});
    }
  }
  return result;
}

void WriteTextFile(const std::string& fileName, std::string_view text) {
  bool created = false;
  if (!Platform::FileExists(fileName)) {
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
      throw Platform::EFCreateError(fileName, errno);
    ::close(fd);
    created = true;
  }
  try {
    Platform::AtomicReplaceFile(fileName, [text](Platform::TStream& output) {
      output.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    });
  } catch (...) {
    if (created)
      Platform::DeleteFile(fileName);
    throw;
  }
}

} // namespace Fotarium::Core
