#include "app/core/GPXTrack.h"

#include "app/core/ClockShift.h"

#include "platform/Exceptions.h"
#include "platform/FileOps.h"
#include "platform/XmlDom.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace Fotarium::Core {

namespace {

using Platform::TXmlNode;

constexpr std::string_view GPX10 = "http://www.topografix.com/GPX/1/0";
constexpr std::string_view GPX11 = "http://www.topografix.com/GPX/1/1";

bool Digits(std::string_view text, std::size_t pos, std::size_t count, int& value) {
  if (pos + count > text.size())
    return false;
  value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9')
      return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::string_view(" \t\r\n").find(text.front()) != std::string_view::npos)
    text.remove_prefix(1);
  while (!text.empty() && std::string_view(" \t\r\n").find(text.back()) != std::string_view::npos)
    text.remove_suffix(1);
  return text;
}

std::optional<double> ParseNumber(std::string_view text) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+')
    text.remove_prefix(1);
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string TextOf(const TXmlNode& element) {
  std::string text;
  for (auto child = element.FirstChild(); child; child = child.NextSibling())
    if (child.NodeType() == Platform::TXmlNodeType::TEXT_NODE ||
        child.NodeType() == Platform::TXmlNodeType::CDATA_SECTION_NODE)
      text += child.NodeValue();
  return text;
}

bool IsGPX(const TXmlNode& node, std::string_view localName, std::string_view ns) {
  return node.IsElement() && node.LocalName() == localName && node.NamespaceURI() == ns;
}

void ReadPoint(const TXmlNode& node, std::string_view ns, TGPXTrack& track) {
  const auto lat = ParseNumber(node.GetAttribute("lat"));
  const auto lon = ParseNumber(node.GetAttribute("lon"));
  if (!lat || !lon || std::fabs(*lat) > 90 || std::fabs(*lon) > 180)
    return; // a point without a sound position gives none
  TTrackPoint point;
  point.Latitude = *lat;
  point.Longitude = *lon;
  std::optional<double> time;
  for (auto child = node.FirstChild(); child; child = child.NextSibling()) {
    if (IsGPX(child, "ele", ns))
      point.Elevation = ParseNumber(TextOf(child));
    else if (IsGPX(child, "time", ns))
      time = ParseISOTime(Trimmed(TextOf(child)));
  }
  track.Path.push_back(point);
  if (time) {
    point.Time = *time;
    track.Points.push_back(point);
  }
}

// Depth-first over the document, so that points inside segments, routes or extensions
// of either version are found; the DOM caps the depth.
void Walk(const TXmlNode& node, std::string_view ns, TGPXTrack& track) {
  for (auto child = node.FirstChild(); child; child = child.NextSibling()) {
    if (!child.IsElement())
      continue;
    if (IsGPX(child, "trkpt", ns) || IsGPX(child, "rtept", ns))
      ReadPoint(child, ns, track);
    else
      Walk(child, ns, track);
  }
}

// The longitude between a and b at fraction f, across the antimeridian the short way.
double InterpolateLongitude(double a, double b, double f) {
  double d = b - a;
  if (d > 180)
    d -= 360;
  else if (d < -180)
    d += 360;
  double lon = a + f * d;
  // The antimeridian itself is written as 180° west, as other geotaggers do.
  if (lon >= 180)
    lon -= 360;
  else if (lon < -180)
    lon += 360;
  return lon;
}

TTrackFix Nearest(const TTrackPoint& p, double distance) {
  return {TMatchKind::mkNearestPoint, p.Latitude, p.Longitude, p.Elevation, distance};
}

} // namespace

std::optional<double> ParseISOTime(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (text.size() < 19 || !Digits(text, 0, 4, year) || text[4] != '-' || !Digits(text, 5, 2, month) || text[7] != '-' ||
      !Digits(text, 8, 2, day) || text[10] != 'T' || !Digits(text, 11, 2, hour) || text[13] != ':' ||
      !Digits(text, 14, 2, minute) || text[16] != ':' || !Digits(text, 17, 2, second))
    return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return std::nullopt;
  std::size_t pos = 19;
  double fraction = 0;
  if (pos < text.size() && text[pos] == '.') {
    double scale = 0.1;
    ++pos;
    const auto start = pos;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, scale /= 10)
      fraction += (text[pos] - '0') * scale;
    if (pos == start)
      return std::nullopt;
  }
  const auto zone = text.substr(pos);
  int offset = 0;
  int zh = 0, zm = 0;
  if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && Digits(zone, 1, 2, zh) && zone[3] == ':' &&
      Digits(zone, 4, 2, zm))
    offset = (zone[0] == '-' ? -1 : 1) * (zh * 3600 + zm * 60);
  else if (!zone.empty() && zone != "Z")
    return std::nullopt;
  const auto days = DaysFromCivil(year, month, day);
  return static_cast<double>(days * 86400 + hour * 3600 + minute * 60 + second - offset) + fraction;
}

std::string FormatISOTime(double seconds) {
  const auto whole = static_cast<std::int64_t>(std::floor(seconds));
  const auto ms = static_cast<int>(std::lround((seconds - static_cast<double>(whole)) * 1000));
  const auto total = whole + (ms == 1000 ? 1 : 0);
  const auto days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
  const auto rest = total - days * 86400;
  int y = 0, mo = 0, d = 0;
  CivilFromDays(days, y, mo, d);
  auto text = fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", y, mo, d, rest / 3600, rest / 60 % 60, rest % 60);
  if (ms != 0 && ms != 1000)
    text += fmt::format(".{:03}", ms);
  return text + "Z";
}

TGPXTrack ParseGPX(std::span<const std::uint8_t> bytes) {
  Platform::TXmlDocument document;
  if (!document.LoadFromBytes(bytes))
    throw Platform::Exception("the GPX file is no well-formed XML");
  const auto root = document.DocumentElement();
  const auto ns = root.NamespaceURI();
  if (root.LocalName() != "gpx" || (ns != GPX10 && ns != GPX11))
    throw Platform::Exception("the file is no GPX 1.0 or 1.1 document");
  TGPXTrack track;
  Walk(root, ns, track);
  if (track.Points.empty())
    throw Platform::Exception("the GPX file holds no track point with a time");
  std::stable_sort(track.Points.begin(), track.Points.end(),
                   [](const TTrackPoint& a, const TTrackPoint& b) { return a.Time < b.Time; });
  return track;
}

TGPXTrack LoadGPX(const std::string& fileName) { return ParseGPX(Platform::ReadFileBytes(fileName)); }

std::optional<TTrackFix> MatchTrack(const TGPXTrack& track, double utcTime, const TMatchSettings& settings) {
  const auto& points = track.Points;
  if (points.empty())
    return std::nullopt;
  const auto after = std::upper_bound(points.begin(), points.end(), utcTime,
                                      [](double t, const TTrackPoint& p) { return t < p.Time; });
  if (after == points.begin()) {
    const double distance = after->Time - utcTime;
    return distance <= settings.MaxDistanceToPoint ? std::optional(Nearest(*after, distance)) : std::nullopt;
  }
  const auto& p0 = *(after - 1);
  if (after == points.end() || p0.Time == utcTime) {
    const double distance = utcTime - p0.Time;
    return distance <= settings.MaxDistanceToPoint ? std::optional(Nearest(p0, distance)) : std::nullopt;
  }
  const auto& p1 = *after;
  const double gap = p1.Time - p0.Time;
  const double d0 = utcTime - p0.Time;
  const double d1 = p1.Time - utcTime;
  if (gap <= settings.MaxInterpolationGap) {
    const double f = d0 / gap;
    TTrackFix fix;
    fix.Kind = TMatchKind::mkInterpolated;
    fix.Latitude = p0.Latitude + f * (p1.Latitude - p0.Latitude);
    fix.Longitude = InterpolateLongitude(p0.Longitude, p1.Longitude, f);
    if (p0.Elevation && p1.Elevation)
      fix.Elevation = *p0.Elevation + f * (*p1.Elevation - *p0.Elevation);
    else
      fix.Elevation = d0 <= d1 ? p0.Elevation : p1.Elevation;
    fix.Distance = std::min(d0, d1);
    return fix;
  }
  const auto& nearest = d0 <= d1 ? p0 : p1;
  const double distance = std::min(d0, d1);
  return distance <= settings.MaxDistanceToPoint ? std::optional(Nearest(nearest, distance)) : std::nullopt;
}

} // namespace Fotarium::Core
