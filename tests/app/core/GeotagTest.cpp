#include "app/core/Geotag.h"

#include "app/core/GPSTexts.h"

#include "Tessel/Exif.h"
#include "Tessel/Exif/TagIDs.h"
#include "platform/Exceptions.h"
#include "platform/JPEGImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace Fotarium::Core;
using namespace Tessel::Exif;

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// 2024-06-01T10:00:00Z
constexpr double T0 = 1717236000;

std::string Gpx(std::string_view body, std::string_view ns = "http://www.topografix.com/GPX/1/1") {
  return std::string(R"(<?xml version="1.0" encoding="UTF-8"?><gpx version="1.1" creator="t" xmlns=")") +
         std::string(ns) + "\">" + std::string(body) + "</gpx>";
}

std::string Point(double lat, double lon, std::string_view time, std::string_view ele = "") {
  std::string text = "<trkpt lat=\"" + std::to_string(lat) + "\" lon=\"" + std::to_string(lon) + "\">";
  if (!ele.empty())
    text += "<ele>" + std::string(ele) + "</ele>";
  if (!time.empty())
    text += "<time>" + std::string(time) + "</time>";
  return text + "</trkpt>";
}

TGPXTrack Track(std::initializer_list<TTrackPoint> points) {
  TGPXTrack track;
  track.Points = points;
  return track;
}

std::vector<std::uint8_t> SmallJpeg() { return Platform::EncodeBitmapToJPEG(Platform::TBitmap(8, 8), 85); }

std::string Picture(const TTempDir& dir, const std::string& name, const std::string& dateTimeOriginal,
                    const std::string& offset = "", const std::string& subSec = "") {
  const auto path = dir.File(name);
  WriteFile(path, SmallJpeg());
  TExifData exif;
  auto* details = exif.GetSection(TExifSectionKind::esDetails);
  details->SetStringValue(ttDateTimeOriginal, dateTimeOriginal);
  if (!offset.empty())
    details->SetStringValue(ttOffsetTimeOriginal, offset);
  if (!subSec.empty())
    details->SetStringValue(ttSubsecTimeOriginal, subSec);
  exif.SaveToGraphic(path);
  return path;
}

TGeotagSettings Fixed(int offsetSeconds) {
  TGeotagSettings settings;
  settings.Zone.Kind = TTimeZoneChoice::TKind::tzFixed;
  settings.Zone.OffsetSeconds = offsetSeconds;
  return settings;
}

std::optional<double> UTCOf(const std::string& path, const TGeotagSettings& settings) {
  TExifData exif;
  EXPECT_TRUE(exif.LoadFromGraphic(path));
  return PictureUTCTime(exif, settings);
}

bool HaveExifTool() { return std::system("exiftool -ver >/dev/null 2>&1") == 0; }

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
      out += buffer;
    ::pclose(pipe);
  }
  return out;
}

} // namespace

TEST(GPXTrack, ReadsBothVersionsSortedAndIgnoresPointsWithoutTime) {
  for (const auto ns : {"http://www.topografix.com/GPX/1/1", "http://www.topografix.com/GPX/1/0"}) {
    const auto text =
        Gpx("<trk><trkseg>" + Point(48.2, 11.7, "2024-06-01T10:20:00Z", "600") + Point(48.15, 11.6, "") +
                "</trkseg><trkseg>" + Point(48.1, 11.5, "2024-06-01T12:00:00+02:00", "500") + "</trkseg></trk>" +
                "<rte><rtept lat=\"1\" lon=\"2\"><time>2024-06-01T09:00:00.5Z</time></rtept></rte>",
            ns);
    const auto track = ParseGPX(Bytes(text));
    ASSERT_EQ(track.Points.size(), 3U) << ns;
    EXPECT_EQ(track.Points[0].Time, T0 - 3600 + 0.5);
    EXPECT_EQ(track.Points[1].Time, T0) << "the zone of a point's time is applied";
    EXPECT_EQ(track.Points[1].Latitude, 48.1);
    EXPECT_EQ(track.Points[1].Elevation, 500.0);
    EXPECT_FALSE(track.Points[0].Elevation.has_value());
    EXPECT_EQ(track.Points[2].Time, T0 + 1200);
    EXPECT_EQ(track.Path.size(), 4U) << "the drawn path keeps the point without a time";
  }
}

TEST(GPXTrack, BadFilesAreClearErrors) {
  const struct {
    std::string Text;
    std::string Message;
  } cases[] = {
      {"<gpx", "the GPX file is no well-formed XML"},
      {"<kml xmlns=\"http://www.opengis.net/kml/2.2\"/>", "the file is no GPX 1.0 or 1.1 document"},
      {Gpx("", "http://example.com/"), "the file is no GPX 1.0 or 1.1 document"},
      {Gpx("<trk><trkseg>" + Point(1, 2, "") + "</trkseg></trk>"), "the GPX file holds no track point with a time"},
      {Gpx("<trk><trkseg><trkpt lat=\"x\" lon=\"1\"><time>2024-06-01T10:00:00Z</time></trkpt></trkseg></trk>"),
       "the GPX file holds no track point with a time"},
      {"<!DOCTYPE gpx [<!ENTITY e \"x\">]>" + Gpx(""), "the GPX file is no well-formed XML"},
  };
  for (const auto& c : cases) {
    try {
      (void)ParseGPX(Bytes(c.Text));
      ADD_FAILURE() << c.Text;
    } catch (const Platform::Exception& e) {
      EXPECT_EQ(e.Message(), c.Message) << c.Text;
    }
  }
}

TEST(GPXMatch, InterpolatesLinearlyWithinTheGap) {
  const auto track = Track({{T0, 48.0, 11.0, 500.0}, {T0 + 1200, 48.2, 11.4, 600.0}});
  const auto fix = MatchTrack(track, T0 + 300);
  ASSERT_TRUE(fix);
  EXPECT_EQ(fix->Kind, TMatchKind::mkInterpolated);
  EXPECT_NEAR(fix->Latitude, 48.05, 1e-12);
  EXPECT_NEAR(fix->Longitude, 11.1, 1e-12);
  EXPECT_NEAR(*fix->Elevation, 525.0, 1e-9);
  const auto onPoint = MatchTrack(track, T0 + 1200);
  ASSERT_TRUE(onPoint);
  EXPECT_EQ(onPoint->Latitude, 48.2);
}

TEST(GPXMatch, LargeGapsTakeTheNearestPointWhenCloseEnough) {
  const auto track = Track({{T0, 10.0, 20.0, {}}, {T0 + 4000, 11.0, 21.0, {}}});
  const struct {
    double At;
    std::optional<double> Latitude;
  } cases[] = {{T0 + 1800, 10.0}, {T0 + 2200, 11.0}, {T0 + 1900, std::nullopt}, {T0 + 2100, std::nullopt}};
  for (const auto& c : cases) {
    const auto fix = MatchTrack(track, c.At);
    ASSERT_EQ(fix.has_value(), c.Latitude.has_value()) << c.At - T0;
    if (fix) {
      EXPECT_EQ(fix->Kind, TMatchKind::mkNearestPoint);
      EXPECT_EQ(fix->Latitude, *c.Latitude);
    }
  }
  // Both limits are settings.
  const auto wide = MatchTrack(track, T0 + 1000, {4000, 10});
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->Kind, TMatchKind::mkInterpolated);
  EXPECT_NEAR(wide->Latitude, 10.25, 1e-12);
  EXPECT_FALSE(MatchTrack(track, T0 + 1000, {1800, 999}));
}

TEST(GPXMatch, BeforeAndAfterTheTrack) {
  const auto track = Track({{T0, 1.0, 2.0, 5.0}, {T0 + 60, 1.5, 2.5, 6.0}});
  const struct {
    double At;
    std::optional<double> Latitude;
  } cases[] = {{T0 - 1800, 1.0}, {T0 - 1801, std::nullopt}, {T0 + 60 + 1800, 1.5}, {T0 + 60 + 1801, std::nullopt}};
  for (const auto& c : cases) {
    const auto fix = MatchTrack(track, c.At);
    ASSERT_EQ(fix.has_value(), c.Latitude.has_value()) << c.At - T0;
    if (fix) {
      EXPECT_EQ(fix->Latitude, *c.Latitude);
    }
  }
  EXPECT_FALSE(MatchTrack(TGPXTrack{}, T0));
}

TEST(GPXMatch, LongitudeCrossesTheAntimeridianTheShortWay) {
  const auto track = Track({{T0, 0, 179.8, {}}, {T0 + 400, 0, -179.8, {}}});
  const struct {
    double At;
    double Longitude;
  } cases[] = {{T0 + 100, 179.9}, {T0 + 300, -179.9}, {T0 + 400, -179.8}};
  for (const auto& c : cases) {
    const auto fix = MatchTrack(track, c.At);
    ASSERT_TRUE(fix);
    EXPECT_NEAR(fix->Longitude, c.Longitude, 1e-9) << c.At - T0;
  }
  EXPECT_EQ(MatchTrack(track, T0 + 200)->Longitude, -180.0);
  const auto west = MatchTrack(Track({{T0, 0, -179.8, {}}, {T0 + 400, 0, 179.8, {}}}), T0 + 100);
  EXPECT_NEAR(west->Longitude, -179.9, 1e-9);
}

TEST(Geotag, ZoneDaylightSavingAndOffsetTags) {
  TTempDir dir;
  const auto winter = Picture(dir, "w.jpg", "2024:01:15 12:00:00");
  const auto summer = Picture(dir, "s.jpg", "2024:07:15 12:00:00");
  const auto withOffset = Picture(dir, "o.jpg", "2024:07:15 12:00:00", "-05:00", "5");
  TGeotagSettings berlin;
  berlin.Zone = *ParseTimeZone("Europe/Berlin");
  // 2024-01-15T11:00:00Z and 2024-07-15T10:00:00Z
  EXPECT_EQ(UTCOf(winter, berlin), 1705316400.0);
  EXPECT_EQ(UTCOf(summer, berlin), 1721037600.0);
  EXPECT_EQ(UTCOf(withOffset, berlin), 1721037600.0 + 7 * 3600 + 0.5) << "the stored offset wins over the zone";
  EXPECT_EQ(UTCOf(summer, Fixed(2 * 3600)), 1721037600.0);
  TGeotagSettings plusOne;
  plusOne.Zone = *ParseTimeZone("+01:00");
  EXPECT_EQ(UTCOf(winter, plusOne), 1705316400.0);
  // The system's zone is whatever TZ says; the process's TZ is put back after a named zone.
  const char* before = std::getenv("TZ");
  const std::string tzBefore = before ? before : "(unset)";
  (void)UTCOf(winter, berlin);
  const char* after = std::getenv("TZ");
  EXPECT_EQ(after ? std::string(after) : std::string("(unset)"), tzBefore);

  EXPECT_FALSE(ParseTimeZone("Mars/Olympus"));
  EXPECT_FALSE(ParseTimeZone("../../etc/passwd"));
  EXPECT_FALSE(ParseTimeZone("+25:00"));
  EXPECT_EQ(ParseTimeZone("-0530")->OffsetSeconds, -(5 * 3600 + 30 * 60));
  EXPECT_EQ(ParseTimeZone("UTC")->OffsetSeconds, 0);
}

TEST(Geotag, SyncOffsetMovesThePictureTime) {
  TTempDir dir;
  const auto path = Picture(dir, "a.jpg", "2024:06:01 10:00:00");
  auto settings = Fixed(0);
  settings.SyncSeconds = 90;
  EXPECT_EQ(UTCOf(path, settings), T0 + 90);
  const auto track = Track({{T0, 0.0, 0.0, {}}, {T0 + 180, 1.8, 0.0, {}}});
  const auto item = PlanGeotag(path, track, settings);
  ASSERT_TRUE(item.WillChange());
  ASSERT_EQ(ApplyBatch(TBatchPlan{{item}}).Changed, 1U);
  TExifData exif;
  ASSERT_TRUE(exif.LoadFromGraphic(path));
  EXPECT_NEAR(*SignedDegrees(exif.GPSLatitude()), 0.9, 1e-7);
  EXPECT_EQ(exif.GPSDateStamp(), "2024:06:01");
  EXPECT_EQ(exif.GPSTimeStampMinute().Numerator, 1U);
  EXPECT_EQ(exif.GPSTimeStampSecond().Numerator, 30U) << "the GPS time is the synced UTC time";
}

TEST(Geotag, WrittenTagsAltitudeBelowSeaAndNoElevation) {
  TTempDir dir;
  const auto path = Picture(dir, "a.jpg", "2024:06:01 10:00:00");
  {
    const auto item = PlanGeotag(path, Track({{T0, -33.5, -70.25, -12.5}}), Fixed(0));
    ASSERT_EQ(ApplyBatch(TBatchPlan{{item}}).Changed, 1U);
  }
  TExifData exif;
  ASSERT_TRUE(exif.LoadFromGraphic(path));
  std::uint8_t version[4] = {};
  ASSERT_TRUE(exif.GetSection(TExifSectionKind::esGPS)->Find(ttGPSVersionID) != nullptr);
  for (int i = 0; i < 4; ++i)
    exif.GetSection(TExifSectionKind::esGPS)->TryGetByteValue(ttGPSVersionID, i, version[i]);
  EXPECT_EQ(std::vector<int>(version, version + 4), (std::vector<int>{2, 3, 0, 0}));
  EXPECT_NEAR(*SignedDegrees(exif.GPSLatitude()), -33.5, 1e-7);
  EXPECT_EQ(exif.GPSLatitude().Direction(), TGPSLatitudeRef::ltSouth);
  EXPECT_NEAR(*SignedDegrees(exif.GPSLongitude()), -70.25, 1e-7);
  EXPECT_EQ(exif.GPSAltitude(), TTiffLongWordFraction(1250, 100));
  EXPECT_EQ(exif.GPSAltitudeRef(), TGPSAltitudeRef::alBelowSeaLevel);
  EXPECT_TRUE(exif.XMPPacket().Empty()) << "no XMP is made for a file without one";

  // A track without elevation removes the altitude the picture had.
  const auto item = PlanGeotag(path, Track({{T0, 10, 20, {}}}), Fixed(0));
  ASSERT_EQ(ApplyBatch(TBatchPlan{{item}}).Changed, 1U);
  TExifData again;
  ASSERT_TRUE(again.LoadFromGraphic(path));
  EXPECT_EQ(again.GetSection(TExifSectionKind::esGPS)->Find(ttGPSAltitude), nullptr);
  EXPECT_EQ(again.GetSection(TExifSectionKind::esGPS)->Find(ttGPSAltitudeRef), nullptr);
  EXPECT_NEAR(*SignedDegrees(again.GPSLatitude()), 10, 1e-7);
}

TEST(Geotag, XMPGetsThePositionWhereTheFileHasXMP) {
  TTempDir dir;
  const auto path = Picture(dir, "a.jpg", "2024:06:01 10:00:00");
  TXMPPacket xmp;
  xmp.UpdateProperty(TXMPNamespace::xsDublinCore, "format", "image/jpeg");
  xmp.SaveToGraphic(path);
  const auto item = PlanGeotag(path, Track({{T0, 48.5, 11.25, 500.0}}), Fixed(0));
  ASSERT_EQ(ApplyBatch(TBatchPlan{{item}}).Changed, 1U);
  TExifData exif;
  ASSERT_TRUE(exif.LoadFromGraphic(path));
  TXMPSchema* schema = nullptr;
  TXMPProperty* property = nullptr;
  ASSERT_TRUE(exif.XMPPacket().FindSchema(TXMPNamespace::xsExif, schema));
  ASSERT_TRUE(schema->FindProperty("GPSLatitude", property));
  EXPECT_FALSE(property->ReadValue("").empty());
}

TEST(Geotag, FarPicturesAndPicturesWithoutTimeAreLeftAlone) {
  TTempDir dir;
  const auto far = Picture(dir, "far.jpg", "2024:06:02 10:00:00");
  const auto none = dir.File("none.jpg");
  WriteFile(none, SmallJpeg());
  const auto bytesFar = ReadFile(far);
  const auto track = Track({{T0, 1, 2, {}}});
  const auto plan = PlanBatch({far, none}, [&](const std::string& f) { return PlanGeotag(f, track, Fixed(0)); });
  EXPECT_EQ(plan.Items[0].Skipped, TSkipReason::srTooFarFromTrack);
  EXPECT_EQ(SkipReasonText(plan.Items[0].Skipped, true), "zu weit vom Track");
  EXPECT_EQ(plan.Items[1].Skipped, TSkipReason::srNoCaptureTime);
  const auto summary = ApplyBatch(plan);
  EXPECT_EQ(SummaryText(summary), "0 von 2 Bildern geändert");
  EXPECT_EQ(ReadFile(far), bytesFar);
}

// Five pictures against a three-point track in two segments across the antimeridian,
// ours next to exiftool's -geotag on copies of the same files. exiftool is told to read
// OffsetTimeOriginal too (through SubSecDateTimeOriginal), as its default does not.
TEST(Geotag, AgreesWithExifTool) {
  if (!HaveExifTool())
    GTEST_SKIP() << "exiftool is not installed";
  TTempDir dir;
  const auto gpx = dir.File("track.gpx");
  WriteFile(gpx, Gpx("<trk><trkseg>" + Point(48.1, 11.5, "2024-06-01T10:00:00Z", "500") +
                     Point(48.2, 179.9, "2024-06-01T10:20:00Z", "600") + "</trkseg><trkseg>" +
                     Point(48.3, -179.9, "2024-06-01T10:40:00Z", "550") + "</trkseg></trk>"));
  const std::vector<std::pair<std::string, std::string>> pictures = {{"2024:06:01 12:05:00", ""},
                                                                     {"2024:06:01 08:25:00", "-02:00"},
                                                                     {"2024:06:01 12:30:00", ""},
                                                                     {"2024:06:01 13:05:00", ""},
                                                                     {"2024:06:01 15:00:00", ""}};
  std::vector<std::string> ours;
  std::string theirs;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    ours.push_back(Picture(dir, "o" + std::to_string(i) + ".jpg", pictures[i].first, pictures[i].second));
    const auto copy = dir.File("e" + std::to_string(i) + ".jpg");
    WriteFile(copy, ReadFile(ours.back()));
    theirs += " '" + copy + "'";
  }
  TGeotagSettings settings;
  settings.Zone = *ParseTimeZone("Europe/Berlin");
  const auto track = LoadGPX(gpx);
  const auto plan = PlanBatch(ours, [&](const std::string& f) { return PlanGeotag(f, track, settings); });
  EXPECT_EQ(ApplyBatch(plan).Changed, 4U);
  (void)Shell("TZ=Europe/Berlin exiftool -q -q -overwrite_original "
              "'-geotime<DateTimeOriginal' '-geotime<SubSecDateTimeOriginal' -geotag '" +
              gpx + "'" + theirs + " 2>&1");
  const std::string format =
      "-p '$GPSLatitude $GPSLongitude $GPSAltitude $GPSAltitudeRef $GPSDateStamp $GPSTimeStamp $GPSVersionID'";
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const auto a = Shell("exiftool -n -m " + format + " '" + ours[i] + "' 2>&1");
    const auto b = Shell("exiftool -n -m " + format + " '" + dir.File("e" + std::to_string(i) + ".jpg") + "' 2>&1");
    double la[2] = {}, lb[2] = {};
    if (std::sscanf(a.c_str(), "%lf %lf", &la[0], &la[1]) == 2 &&
        std::sscanf(b.c_str(), "%lf %lf", &lb[0], &lb[1]) == 2) {
      EXPECT_NEAR(la[0], lb[0], 1e-7) << i;
      EXPECT_NEAR(la[1], lb[1], 1e-7) << i;
      EXPECT_EQ(a.substr(a.find(' ', a.find(' ') + 1)), b.substr(b.find(' ', b.find(' ') + 1))) << i;
    } else {
      EXPECT_EQ(a, b) << i;
    }
  }
}
