// fotarium-cli info: the typed view of pictures' EXIF data (camera, times, orientation,
// exposure, author and comments, rating, GPS position).

#include "cli/CliSupport.h"

#include "Tessel/Exif.h"

#include "platform/DateTime.h"
#include "platform/Strings.h"

#include <fmt/format.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Fotarium::Cli {

namespace {

using namespace Tessel::Exif;
using Json = nlohmann::ordered_json;

std::string DateTimeText(const TDateTimeTagValue& value) {
  return Platform::FormatDateTime("yyyy'-'mm'-'dd'T'hh':'nn':'ss'.'zzz", value.Value());
}

Json DateTimeJson(const TDateTimeTagValue& value) {
  return value.MissingOrInvalid() ? Json(nullptr) : Json(DateTimeText(value));
}

Json TextJson(const std::string& value) { return value.empty() ? Json(nullptr) : Json(value); }

template <typename TFraction> Json QuotientJson(const TFraction& value) {
  return value.MissingOrInvalid() ? Json(nullptr) : Json(value.Quotient());
}

template <typename TFraction> Json FractionTextJson(const TFraction& value) {
  return value.MissingOrInvalid() ? Json(nullptr) : Json(value.AsString());
}

// Degrees, minutes and (when stored) seconds as one signed number: south and west are
// negative. Without a reference letter the stored value is given unsigned.
std::optional<double> DecimalDegrees(const TGPSCoordinate& coordinate) {
  const auto degrees = coordinate.Degrees();
  const auto minutes = coordinate.Minutes();
  if (degrees.MissingOrInvalid() || minutes.MissingOrInvalid())
    return std::nullopt;
  double value = degrees.Quotient() + minutes.Quotient() / 60.0;
  const auto seconds = coordinate.Seconds();
  if (!seconds.MissingOrInvalid())
    value += seconds.Quotient() / 3600.0;
  const char direction = coordinate.Direction();
  return direction == 'S' || direction == 'W' ? -value : value;
}

Json CoordinateJson(const TGPSCoordinate& coordinate) {
  const auto value = DecimalDegrees(coordinate);
  return value ? Json(*value) : Json(nullptr);
}

std::string_view FlashModeName(TExifFlashMode mode) {
  static constexpr std::string_view names[] = {"efUnknown", "efCompulsoryFire", "efCompulsorySuppression", "efAuto"};
  return names[static_cast<std::size_t>(mode) & 3U];
}

std::string_view StrobeLightName(TExifStrobeLight value) {
  static constexpr std::string_view names[] = {"esNoDetectionFunction", "esUndetected", "esDetected"};
  const auto index = static_cast<std::size_t>(value);
  return index < std::size(names) ? names[index] : std::string_view("?");
}

std::string_view AltitudeRefName(TGPSAltitudeRef value) {
  switch (value) {
  case TGPSAltitudeRef::alAboveSeaLevel: return "alAboveSeaLevel";
  case TGPSAltitudeRef::alBelowSeaLevel: return "alBelowSeaLevel";
  default: return {};
  }
}

Json FlashJson(const TExifFlashInfo& flash) {
  if (flash.MissingOrInvalid())
    return nullptr;
  Json json;
  json["Value"] = BitSetToWord(flash.BitSet());
  json["Fired"] = flash.Fired();
  json["Mode"] = std::string(FlashModeName(flash.Mode()));
  json["Present"] = flash.Present();
  json["RedEyeReduction"] = flash.RedEyeReduction();
  json["StrobeLight"] = std::string(StrobeLightName(flash.StrobeLight()));
  json["StrobeEnergy"] = QuotientJson(flash.StrobeEnergy());
  return json;
}

Json InfoJson(TCustomExifData& data) {
  Json json;
  json["CameraMake"] = TextJson(data.CameraMake());
  json["CameraModel"] = TextJson(data.CameraModel());
  json["Software"] = TextJson(data.Software());
  json["DateTime"] = DateTimeJson(data.DateTime());
  json["DateTimeOriginal"] = DateTimeJson(data.DateTimeOriginal());
  json["DateTimeDigitized"] = DateTimeJson(data.DateTimeDigitized());
  const auto orientation = data.Orientation();
  json["Orientation"] =
      orientation == TTiffOrientation::toUndefined ? Json(nullptr) : Json(static_cast<int>(orientation));
  const auto width = data.ExifImageWidth();
  const auto height = data.ExifImageHeight();
  json["ExifImageWidth"] = width.MissingOrInvalid() ? Json(nullptr) : Json(width.Value());
  json["ExifImageHeight"] = height.MissingOrInvalid() ? Json(nullptr) : Json(height.Value());
  json["ExposureTime"] = QuotientJson(data.ExposureTime());
  json["ExposureTimeText"] = FractionTextJson(data.ExposureTime());
  json["FNumber"] = QuotientJson(data.FNumber());
  json["FNumberText"] = FractionTextJson(data.FNumber());
  auto& iso = data.ISOSpeedRatings();
  if (iso.MissingOrInvalid()) {
    json["ISOSpeedRatings"] = nullptr;
  } else {
    auto values = Json::array();
    for (std::int32_t i = 0; i < iso.Count(); ++i)
      values.push_back(iso.Items(i));
    json["ISOSpeedRatings"] = std::move(values);
  }
  json["FocalLength"] = QuotientJson(data.FocalLength());
  json["FocalLengthText"] = FractionTextJson(data.FocalLength());
  const auto focal35 = data.FocalLengthIn35mmFilm();
  json["FocalLengthIn35mmFilm"] = focal35.MissingOrInvalid() ? Json(nullptr) : Json(focal35.Value());
  json["Flash"] = FlashJson(data.Flash());
  json["Author"] = TextJson(data.Author());
  json["Comments"] = TextJson(data.Comments());
  json["ImageDescription"] = TextJson(data.ImageDescription());
  const auto rating = data.UserRating();
  json["UserRating"] = rating == TWindowsStarRating::urUndefined ? Json(nullptr) : Json(static_cast<int>(rating));
  json["GPSLatitude"] = CoordinateJson(data.GPSLatitude());
  json["GPSLatitudeText"] = TextJson(data.GPSLatitude().AsString());
  json["GPSLongitude"] = CoordinateJson(data.GPSLongitude());
  json["GPSLongitudeText"] = TextJson(data.GPSLongitude().AsString());
  json["GPSAltitude"] = QuotientJson(data.GPSAltitude());
  json["GPSAltitudeText"] = FractionTextJson(data.GPSAltitude());
  const auto altitudeRef = AltitudeRefName(data.GPSAltitudeRef());
  json["GPSAltitudeRef"] = altitudeRef.empty() ? Json(nullptr) : Json(std::string(altitudeRef));
  json["GPSDateTimeUTC"] = DateTimeJson(data.GPSDateTimeUTC());
  return json;
}

// ---------------------------------------------------------------------------------
// Text form

std::string OrNone(const std::string& text) { return text.empty() ? std::string("-") : text; }

std::string DateTimeLine(const TDateTimeTagValue& value) {
  return value.MissingOrInvalid() ? std::string("-")
                                  : Platform::FormatDateTime("yyyy'-'mm'-'dd hh':'nn':'ss'.'zzz", value.Value());
}

template <typename TFraction> std::string FractionLine(const TFraction& value, std::string_view unit = {}) {
  if (value.MissingOrInvalid())
    return "-";
  const auto quotient = Platform::FloatToStr(value.Quotient());
  const auto text = value.AsString();
  return text == quotient ? fmt::format("{}{}", text, unit) : fmt::format("{}{} ({})", text, unit, quotient);
}

std::string FlashLine(const TExifFlashInfo& flash) {
  if (flash.MissingOrInvalid())
    return "-";
  if (!flash.Present())
    return "no flash function";
  return fmt::format("{}, mode {}{}", flash.Fired() ? "fired" : "not fired", FlashModeName(flash.Mode()),
                     flash.RedEyeReduction() ? ", red-eye reduction" : "");
}

std::string CoordinateLine(const TGPSCoordinate& coordinate) {
  const auto value = DecimalDegrees(coordinate);
  if (!value)
    return "-";
  return fmt::format("{} ({})", Platform::FloatToStr(*value), coordinate.AsString());
}

void PrintInfo(std::ostream& out, TCustomExifData& data) {
  const auto line = [&out](std::string_view name, const std::string& value) {
    out << fmt::format("  {:<20} {}\n", std::string(name) + ":", value);
  };
  line("Make", OrNone(data.CameraMake()));
  line("Model", OrNone(data.CameraModel()));
  line("Software", OrNone(data.Software()));
  line("DateTime", DateTimeLine(data.DateTime()));
  line("DateTimeOriginal", DateTimeLine(data.DateTimeOriginal()));
  line("DateTimeDigitized", DateTimeLine(data.DateTimeDigitized()));
  const auto orientation = data.Orientation();
  line("Orientation",
       orientation == TTiffOrientation::toUndefined ? "-" : std::to_string(static_cast<int>(orientation)));
  const auto width = data.ExifImageWidth();
  const auto height = data.ExifImageHeight();
  line("Image size", width.MissingOrInvalid() || height.MissingOrInvalid()
                         ? "-"
                         : fmt::format("{} x {}", width.Value(), height.Value()));
  line("Exposure time", FractionLine(data.ExposureTime(), " s"));
  line("F-number", FractionLine(data.FNumber()));
  line("ISO", OrNone(data.ISOSpeedRatings().AsString()));
  const auto focal35 = data.FocalLengthIn35mmFilm();
  // Without the tag the 35 mm value is the library's estimate from the sensor size.
  const bool focal35Stored = data.GetSection(TExifSectionKind::esDetails)->Find(ttFocalLengthIn35mmFilm) != nullptr;
  line("Focal length", FractionLine(data.FocalLength(), " mm") +
                           (focal35.MissingOrInvalid() ? ""
                                                       : fmt::format(", 35 mm: {} mm{}", focal35.Value(),
                                                                     focal35Stored ? "" : " (estimated)")));
  line("Flash", FlashLine(data.Flash()));
  line("Author", OrNone(data.Author()));
  line("Comments", OrNone(data.Comments()));
  line("Description", OrNone(data.ImageDescription()));
  const auto rating = data.UserRating();
  line("Rating", rating == TWindowsStarRating::urUndefined ? "-" : std::to_string(static_cast<int>(rating)));
  line("GPS latitude", CoordinateLine(data.GPSLatitude()));
  line("GPS longitude", CoordinateLine(data.GPSLongitude()));
  const auto altitude = data.GPSAltitude();
  const auto altitudeRef = data.GPSAltitudeRef();
  line("GPS altitude", altitude.MissingOrInvalid()
                           ? "-"
                           : FractionLine(altitude, " m") +
                                 (altitudeRef == TGPSAltitudeRef::alBelowSeaLevel ? " below sea level" : ""));
  line("GPS UTC time", DateTimeLine(data.GPSDateTimeUTC()));
}

void ShowFile(const std::string& fileName, bool asJson, std::ostream& out, Json& json) {
  TCustomExifData data;
  if (!data.LoadFromGraphic(fileName))
    throw EUnsupportedGraphicFormat();
  if (asJson)
    json.update(InfoJson(data));
  else
    PrintInfo(out, data);
}

const TCommandRegistrar registrar{
    TCommand{"info", "Show the main EXIF fields of JPEG, Photoshop and TIFF files: camera, times, exposure, GPS position",
             [](CLI::App& sub) -> std::function<int()> {
               struct TOptions {
                 bool Json = false;
                 std::vector<std::string> Files;
               };
               auto options = std::make_shared<TOptions>();
               sub.add_flag("--json", options->Json, "Print one JSON array with an object per file");
               sub.add_option("files", options->Files, "JPEG, Photoshop or TIFF files")->required();
               return [options] {
                 return ForEachFile(options->Files, options->Json,
                                    [&options](const std::string& fileName, std::ostream& out, Json& json) {
                                      ShowFile(fileName, options->Json, out, json);
                                    });
               };
             },
    "fotarium-cli info -r ~/Pictures/2024"}};

} // namespace

} // namespace Fotarium::Cli
