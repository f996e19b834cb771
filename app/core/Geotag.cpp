#include "app/core/Geotag.h"

#include "app/core/ClockShift.h"
#include "app/core/GPSTexts.h"

#include "Tessel/Exif/TagIDs.h"
#include "platform/DateTime.h"
#include "platform/FileOps.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace Fotarium::Core {

namespace {

using namespace Tessel::Exif;

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

// "+02:00", "-0530", "+02": seconds east of UTC.
std::optional<int> ParseOffset(std::string_view text) {
  if (text.empty() || (text[0] != '+' && text[0] != '-'))
    return std::nullopt;
  int h = 0, m = 0;
  const bool ok = (text.size() == 6 && Digits(text, 1, 2, h) && text[3] == ':' && Digits(text, 4, 2, m)) ||
                  (text.size() == 5 && Digits(text, 1, 2, h) && Digits(text, 3, 2, m)) ||
                  (text.size() == 3 && Digits(text, 1, 2, h));
  if (!ok || h > 14 || m > 59)
    return std::nullopt;
  return (text[0] == '-' ? -1 : 1) * (h * 3600 + m * 60);
}

// The process's TZ for the time of one conversion; put back after it.
class TZoneOverride {
public:
  explicit TZoneOverride(const std::string& name) {
    if (const char* old = std::getenv("TZ")) {
      FOld = old;
      FHadOld = true;
    }
    ::setenv("TZ", name.c_str(), 1);
    ::tzset();
  }
  ~TZoneOverride() {
    if (FHadOld)
      ::setenv("TZ", FOld.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }
  TZoneOverride(const TZoneOverride&) = delete;
  TZoneOverride& operator=(const TZoneOverride&) = delete;

private:
  std::string FOld;
  bool FHadOld = false;
};

std::int64_t MkTime(std::int64_t localSeconds) {
  const auto days = localSeconds >= 0 ? localSeconds / 86400 : -((-localSeconds + 86399) / 86400);
  const auto rest = localSeconds - days * 86400;
  int y = 0, mo = 0, d = 0;
  CivilFromDays(days, y, mo, d);
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = static_cast<int>(rest / 3600);
  tm.tm_min = static_cast<int>(rest / 60 % 60);
  tm.tm_sec = static_cast<int>(rest % 60);
  tm.tm_isdst = -1; // the zone's rules decide whether summer time applies
  return static_cast<std::int64_t>(std::mktime(&tm));
}

std::optional<std::int64_t> ParseExifDateTime(std::string_view text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (text.size() != 19 || !Digits(text, 0, 4, y) || text[4] != ':' || !Digits(text, 5, 2, mo) || text[7] != ':' ||
      !Digits(text, 8, 2, d) || text[10] != ' ' || !Digits(text, 11, 2, h) || text[13] != ':' ||
      !Digits(text, 14, 2, mi) || text[16] != ':' || !Digits(text, 17, 2, s))
    return std::nullopt;
  if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59)
    return std::nullopt;
  return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

// Seconds and milliseconds of 0 <= f < 1 from the sub-second digits ("25" is 0.25 s).
double SubSeconds(std::string_view digits) {
  while (!digits.empty() && digits.back() == ' ')
    digits.remove_suffix(1);
  double value = 0, scale = 0.1;
  for (const char c : digits) {
    if (c < '0' || c > '9')
      return 0;
    value += (c - '0') * scale;
    scale /= 10;
  }
  return value;
}

// Four decimals of the seconds, carried into the minutes and degrees.
std::string DmsText(double value, char positive, char negative) {
  const double a = std::fabs(value);
  auto tenThousandths = static_cast<std::int64_t>(std::llround(a * 3600.0 * 10000.0));
  const auto degrees = tenThousandths / (3600LL * 10000);
  tenThousandths -= degrees * 3600LL * 10000;
  const auto minutes = tenThousandths / (60LL * 10000);
  tenThousandths -= minutes * 60LL * 10000;
  return fmt::format("{}\xC2\xB0{}'{}.{:04}\"{}", degrees, minutes, tenThousandths / 10000, tenThousandths % 10000,
                     value < 0 ? negative : positive);
}

std::string MatchText(const TTrackFix& fix) {
  if (fix.Kind == TMatchKind::mkInterpolated)
    return fix.Distance == 0 ? "track point" : "interpolated";
  return fmt::format("nearest point, {:.0f} s away", fix.Distance);
}

std::string AltitudeText(TExifData& exif) {
  const auto altitude = exif.GPSAltitude();
  if (altitude.Denominator == 0)
    return {};
  const double value = static_cast<double>(altitude.Numerator) / altitude.Denominator;
  return fmt::format("{:.1f} m", exif.GPSAltitudeRef() == TGPSAltitudeRef::alBelowSeaLevel ? -value : value);
}

std::string GPSTimeText(TExifData& exif) {
  const auto value = exif.GPSDateTimeUTC();
  if (value.MissingOrInvalid() || exif.GPSDateStamp().empty())
    return {};
  return Platform::FormatDateTime("yyyy'-'mm'-'dd'T'hh':'nn':'ss", value.Value()) + "Z";
}

} // namespace

std::optional<TTimeZoneChoice> ParseTimeZone(std::string_view text) {
  TTimeZoneChoice zone;
  if (text.empty())
    return zone;
  if (text == "Z" || text == "UTC") {
    zone.Kind = TTimeZoneChoice::TKind::tzFixed;
    return zone;
  }
  if (const auto offset = ParseOffset(text)) {
    zone.Kind = TTimeZoneChoice::TKind::tzFixed;
    zone.OffsetSeconds = *offset;
    return zone;
  }
  // Only zones the system has rules for: an unknown name would silently count as UTC.
  const std::string name(text);
  if (name.find("..") != std::string::npos || name.front() == '/' ||
      !Platform::FileExists("/usr/share/zoneinfo/" + name))
    return std::nullopt;
  zone.Kind = TTimeZoneChoice::TKind::tzNamed;
  zone.Name = name;
  return zone;
}

std::int64_t LocalToUTC(std::int64_t localSeconds, const TTimeZoneChoice& zone) {
  switch (zone.Kind) {
  case TTimeZoneChoice::TKind::tzFixed: return localSeconds - zone.OffsetSeconds;
  case TTimeZoneChoice::TKind::tzNamed: {
    const TZoneOverride override(zone.Name);
    return MkTime(localSeconds);
  }
  case TTimeZoneChoice::TKind::tzSystem: break;
  }
  return MkTime(localSeconds);
}

std::optional<double> PictureUTCTime(TExifData& exif, const TGeotagSettings& settings) {
  auto& details = *exif.GetSection(TExifSectionKind::esDetails);
  std::string text;
  if (!details.TryGetStringValue(ttDateTimeOriginal, text))
    return std::nullopt;
  const auto local = ParseExifDateTime(text);
  if (!local)
    return std::nullopt;
  std::string offsetText;
  std::int64_t utc = 0;
  if (details.TryGetStringValue(ttOffsetTimeOriginal, offsetText) && ParseOffset(offsetText))
    utc = *local - *ParseOffset(offsetText);
  else
    utc = LocalToUTC(*local, settings.Zone);
  std::string subSec;
  const double fraction = details.TryGetStringValue(ttSubsecTimeOriginal, subSec) ? SubSeconds(subSec) : 0;
  return static_cast<double>(utc) + fraction + settings.SyncSeconds;
}

void WriteTrackFix(TPictureMetadata& picture, const TTrackFix& fix, double utcTime) {
  auto& exif = picture.Exif();
  // The XMP packet takes the GPS properties only when the file has one.
  exif.SetXMPWritePolicy(picture.XMPInSource() ? TXMPWritePolicy::xwAlwaysUpdate : TXMPWritePolicy::xwUpdateIfExists);
  exif.BeginUpdate();
  try {
    auto& gps = *exif.GetSection(TExifSectionKind::esGPS);
    const std::uint8_t version[4] = {2, 3, 0, 0};
    gps.AddOrUpdate(ttGPSVersionID, TTiffDataType::tdByte, 4, version);
    const auto point = Platform::TFormatSettings::English();
    SetLatitudeFromText(exif, DmsText(fix.Latitude, 'N', 'S'), point);
    SetLongitudeFromText(exif, DmsText(fix.Longitude, 'E', 'W'), point);
    if (fix.Elevation) {
      const auto centimetres = static_cast<std::uint32_t>(std::llround(std::fabs(*fix.Elevation) * 100));
      exif.SetGPSAltitude(TTiffLongWordFraction(centimetres, 100));
      exif.SetGPSAltitudeRef(*fix.Elevation < 0 ? TGPSAltitudeRef::alBelowSeaLevel : TGPSAltitudeRef::alAboveSeaLevel);
    } else {
      exif.SetGPSAltitude(TTiffLongWordFraction(0, 0));
      exif.SetGPSAltitudeRef(TGPSAltitudeRef::alTagMissing);
    }
    const auto whole = std::floor(utcTime);
    const auto ms = static_cast<int>(std::lround((utcTime - whole) * 1000));
    exif.SetGPSDateTimeUTC(Platform::IncMilliSecond(Platform::UnixToDateTime(static_cast<std::int64_t>(whole)), ms));
    if (ms != 0 && ms != 1000) {
      // The seconds with their fraction, as the capture time has them.
      const auto seconds = static_cast<std::uint32_t>(static_cast<std::int64_t>(whole) % 60);
      gps.SetFractionValue(ttGPSTimeStamp, 2, {seconds * 1000 + static_cast<std::uint32_t>(ms), 1000});
    }
  } catch (...) {
    exif.EndUpdate();
    throw;
  }
  exif.EndUpdate();
}

std::string PositionText(double latitude, double longitude) {
  return fmt::format("{:.7f}, {:.7f}", latitude, longitude);
}

std::string PositionText(TExifData& exif) {
  const auto lat = SignedDegrees(exif.GPSLatitude());
  const auto lon = SignedDegrees(exif.GPSLongitude());
  return lat && lon ? PositionText(*lat, *lon) : std::string();
}

TBatchItem PlanGeotag(const std::string& fileName, const TGPXTrack& track, const TGeotagSettings& settings) {
  TBatchItem item;
  item.FileName = fileName;
  TPictureMetadata picture(fileName);
  auto& exif = picture.Exif();
  const auto utc = PictureUTCTime(exif, settings);
  if (!utc) {
    item.Skipped = TSkipReason::srNoCaptureTime;
    return item;
  }
  item.Details.emplace_back("utc", FormatISOTime(*utc));
  const auto fix = MatchTrack(track, *utc, settings.Match);
  if (!fix) {
    item.Skipped = TSkipReason::srTooFarFromTrack;
    return item;
  }
  item.Details.emplace_back("match", MatchText(*fix));
  item.Changes.push_back({"GPS position", PositionText(exif), PositionText(fix->Latitude, fix->Longitude)});
  const auto oldAltitude = AltitudeText(exif);
  if (fix->Elevation || !oldAltitude.empty())
    item.Changes.push_back(
        {"GPS altitude", oldAltitude, fix->Elevation ? fmt::format("{:.1f} m", *fix->Elevation) : ""});
  item.Changes.push_back({"GPS time", GPSTimeText(exif), FormatISOTime(std::floor(*utc))});
  item.Edit = [fix = *fix, utc = *utc](TPictureMetadata& target) { WriteTrackFix(target, fix, utc); };
  return item;
}

} // namespace Fotarium::Core
