// shift, geotag and kml through the built fotarium-cli.

#include "Tessel/Exif.h"
#include "Tessel/Exif/TagIDs.h"
#include "platform/JPEGImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdio>
#include <string>

using namespace Tessel::Exif;

namespace {

struct TResult {
  int Status = -1;
  std::string Out;
};

TResult RunCli(const std::string& arguments) {
  TResult result;
  const std::string command = std::string(FOTARIUM_CLI) + " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr)
    return result;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    result.Out += buffer;
  const int status = ::pclose(pipe);
  result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

std::string Picture(const TTempDir& dir, const std::string& name, const std::string& dateTimeOriginal) {
  const auto path = dir.File(name);
  WriteFile(path, Platform::EncodeBitmapToJPEG(Platform::TBitmap(8, 8), 85));
  TExifData exif;
  exif.GetSection(TExifSectionKind::esDetails)->SetStringValue(ttDateTimeOriginal, dateTimeOriginal);
  exif.GetSection(TExifSectionKind::esDetails)->SetStringValue(ttOffsetTimeOriginal, "+00:00");
  exif.SaveToGraphic(path);
  return path;
}

std::string DateTimeOriginal(const std::string& path) {
  TExifData exif;
  EXPECT_TRUE(exif.LoadFromGraphic(path));
  return exif.GetSection(TExifSectionKind::esDetails)->GetStringValue(ttDateTimeOriginal);
}

const char* const Track =
    R"(<?xml version="1.0"?><gpx version="1.0" xmlns="http://www.topografix.com/GPX/1/0"><trk><trkseg>
<trkpt lat="10" lon="20"><time>2024-06-01T10:00:00Z</time></trkpt>
<trkpt lat="11" lon="21"><time>2024-06-01T10:10:00Z</time></trkpt></trkseg></trk></gpx>)";

} // namespace

TEST(CliShift, DryRunWritesNothingThenTheShiftIsSaved) {
  TTempDir dir;
  const auto a = Picture(dir, "a.jpg", "2024:02:28 23:30:00");
  const auto before = ReadFile(a);
  auto r = RunCli("shift --by '+0 01:00:00' --dry-run " + Quote(a));
  EXPECT_EQ(r.Status, 0) << r.Out;
  EXPECT_NE(r.Out.find("EXIF DateTimeOriginal: 2024:02:28 23:30:00 -> 2024:02:29 00:30:00"), std::string::npos)
      << r.Out;
  EXPECT_EQ(ReadFile(a), before);
  r = RunCli("shift --by '+0 01:00:00' " + Quote(a) + " " + Quote(dir.File("missing.jpg")));
  EXPECT_EQ(r.Status, 1) << r.Out;
  EXPECT_NE(r.Out.find("1 of 2 pictures changed"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("failed: " + dir.File("missing.jpg")), std::string::npos) << r.Out;
  EXPECT_EQ(DateTimeOriginal(a), "2024:02:29 00:30:00");
  EXPECT_EQ(RunCli("shift --by 1:30 " + Quote(a)).Status, 2) << "the short form is refused";
}

TEST(CliGeotag, ABadTrackTouchesNoFile) {
  TTempDir dir;
  const auto a = Picture(dir, "a.jpg", "2024:06:01 10:05:00");
  const auto before = ReadFile(a);
  const auto gpx = dir.File("bad.gpx");
  WriteFile(gpx, std::string_view("<gpx><trk>"));
  const auto r = RunCli("geotag --gpx " + Quote(gpx) + " " + Quote(a));
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Out.find("no well-formed XML, no file changed"), std::string::npos) << r.Out;
  EXPECT_EQ(ReadFile(a), before);

  // A missing track or picture is named in English, with the system's English reason.
  const auto missing = dir.File("missing.jpg");
  for (const auto& command : {"geotag --gpx " + Quote(dir.File("none.gpx")) + " " + Quote(a),
                              "shift --by \"+0 01:00:00\" " + Quote(missing),
                              "kml --output " + Quote(dir.File("t.kml")) + " " + Quote(missing)}) {
    const auto run = RunCli(command);
    EXPECT_EQ(run.Status, 1) << command;
    EXPECT_NE(run.Out.find("cannot open "), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find(": No such file or directory"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Out.find("Datei"), std::string::npos) << run.Out;
  }
  EXPECT_EQ(ReadFile(a), before);
}

TEST(CliGeotag, JsonPlanAndSummaryThenKml) {
  TTempDir dir;
  const auto a = Picture(dir, "a.jpg", "2024:06:01 10:05:00");
  const auto far = Picture(dir, "far.jpg", "2024:06:02 10:05:00");
  const auto gpx = dir.File("t.gpx");
  WriteFile(gpx, std::string_view(Track));
  auto r = RunCli("geotag --json --gpx " + Quote(gpx) + " " + Quote(a) + " " + Quote(far));
  ASSERT_EQ(r.Status, 0) << r.Out;
  const auto json = nlohmann::json::parse(r.Out);
  EXPECT_EQ(json["files"][0]["utc"], "2024-06-01T10:05:00Z");
  EXPECT_EQ(json["files"][0]["changes"][0]["new"], "10.5000000, 20.5000000");
  EXPECT_EQ(json["files"][1]["skipped"], "too far from the track");
  EXPECT_EQ(json["summary"]["changed"], 1);
  EXPECT_EQ(json["summary"]["total"], 2);

  const auto kml = dir.File("trip.kml");
  r = RunCli("kml --output " + Quote(kml) + " --gpx " + Quote(gpx) + " " + Quote(a) + " " + Quote(far));
  EXPECT_EQ(r.Status, 0) << r.Out;
  EXPECT_NE(r.Out.find("1 of 2 pictures placed, track of 2 points"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("no position: " + far), std::string::npos) << r.Out;
  const auto text = ReadFileText(kml);
  EXPECT_NE(text.find("<coordinates>20.5000000,10.5000000</coordinates>"), std::string::npos) << text;
  EXPECT_NE(text.find("<when>2024-06-01T10:05:00Z</when>"), std::string::npos) << text;
}
