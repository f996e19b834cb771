// The window's trip commands without a window: targets, preview rows, keys after the
// apply, and a file the user protected against writing.

#include "app/core/TripCommands.h"

#include "app/core/ClockShift.h"

#include "Tessel/Exif.h"
#include "Tessel/Exif/TagIDs.h"
#include "platform/JPEGImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Fotarium::Core;
using namespace Tessel::Exif;

namespace {

// A picture with DateTime and DateTimeOriginal, or without any date when dateTime is empty.
std::string Picture(const TTempDir& dir, const std::string& name, const std::string& dateTime) {
  const auto path = dir.File(name);
  WriteFile(path, Platform::EncodeBitmapToJPEG(Platform::TBitmap(8, 8), 85));
  TExifData exif;
  exif.LoadFromGraphic(path);
  exif.SetOrientation(TTiffOrientation::toTopLeft);
  if (!dateTime.empty()) {
    exif.GetSection(TExifSectionKind::esGeneral)->SetStringValue(ttDateTime, dateTime);
    exif.GetSection(TExifSectionKind::esDetails)->SetStringValue(ttDateTimeOriginal, dateTime);
  }
  exif.SaveToGraphic(path);
  return path;
}

} // namespace

TEST(TripCommands, TargetsAreTheMarkedEntriesOrAllAndEachFileOnce) {
  EXPECT_EQ(BatchTargetIndexes({false, true, false, true}, true), (std::vector<std::size_t>{1, 3}));
  EXPECT_EQ(BatchTargetIndexes({false, false}, true), (std::vector<std::size_t>{0, 1}));
  // In single-selection mode the one mark is the current entry only: the command is for all.
  EXPECT_EQ(BatchTargetIndexes({false, true, false}, false), (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_TRUE(BatchTargetIndexes({}, true).empty());

  const std::vector<TPictureEntry> entries = {{"/a.jpg", 1}, {"/b.jpg", 2}, {"/a.jpg", 1}, {"/c.jpg", 3}};
  EXPECT_EQ(BatchTargetFiles(entries, {0, 1, 2, 3}), (std::vector<std::string>{"/a.jpg", "/b.jpg", "/c.jpg"}))
      << "a file listed twice would be shifted twice";
  EXPECT_EQ(BatchTargetFiles(entries, {2, 9}), std::vector<std::string>{"/a.jpg"});
}

TEST(TripCommands, ShiftPreviewShowsTheCaptureTimeBeforeAndAfterAndWhyOthersStay) {
  TTempDir dir;
  const auto dated = Picture(dir, "dated.jpg", "2024:12:31 23:10:00");
  const auto plain = Picture(dir, "plain.jpg", "");
  const auto text = dir.File("text.jpg");
  WriteFile(text, std::string_view("no picture"));
  const auto before = ReadFile(dated);
  const auto plan = PlanBatch({dated, plain, text}, [](const std::string& f) { return PlanClockShift(f, 90000); });
  const auto rows = ShiftPreviewRows(plan);
  ASSERT_EQ(rows.size(), 3U);
  EXPECT_EQ(rows[0].FileName, dated);
  EXPECT_EQ(rows[0].Cells, (std::vector<std::string>{"31.12.2024 23:10:00", "02.01.2025 00:10:00"}));
  EXPECT_TRUE(rows[0].WillChange);
  EXPECT_NE(rows[0].Details.find("EXIF DateTime: 2024:12:31 23:10:00 \xE2\x86\x92 2025:01:02 00:10:00"),
            std::string::npos)
      << rows[0].Details;
  EXPECT_EQ(rows[1].Cells, (std::vector<std::string>{"", "keine Datumsangaben"}));
  EXPECT_FALSE(rows[1].WillChange);
  EXPECT_FALSE(rows[2].WillChange);
  EXPECT_FALSE(rows[2].Cells.at(1).empty());
  EXPECT_EQ(ReadFile(dated), before) << "the preview writes nothing";

  EXPECT_EQ(DisplayDateTime("2024:06:01 10:00:00"), "01.06.2024 10:00:00");
  EXPECT_EQ(DisplayDateTime("    :  :     :  :  "), "    :  :     :  :  ");
}

TEST(TripCommands, KeysFollowTheShiftedFilesAndACancelledPlanIsNone) {
  TTempDir dir;
  const auto a = Picture(dir, "a.jpg", "2024:06:01 10:00:00");
  const auto b = Picture(dir, "b.jpg", "2024:06:01 11:00:00");
  const auto keyA = ReadCaptureTimeKey(a).value();
  const auto keyB = ReadCaptureTimeKey(b).value();

  std::size_t calls = 0;
  const auto cancelled = PlanBatch(
      {a, b}, [](const std::string& f) { return PlanClockShift(f, 3600); },
      [&calls](std::size_t, std::size_t) { return ++calls < 2; });
  EXPECT_FALSE(cancelled.has_value());

  const auto plan = PlanBatch(
      {a}, [](const std::string& f) { return PlanClockShift(f, 7200); }, [](std::size_t, std::size_t) { return true; });
  ASSERT_TRUE(plan.has_value());
  const auto summary = ApplyBatch(*plan);
  EXPECT_EQ(summary.ChangedFiles, std::vector<std::string>{a});

  std::vector<TPictureEntry> entries = {{a, keyA}, {b, keyB}, {a, keyA}};
  EXPECT_EQ(RereadCaptureTimeKeys(entries, summary.ChangedFiles), (std::vector<std::size_t>{0, 2}));
  EXPECT_NEAR(entries[0].CaptureTimeKey, keyA + 2.0 / 24, 1e-9);
  EXPECT_EQ(entries[2].CaptureTimeKey, entries[0].CaptureTimeKey);
  EXPECT_EQ(entries[1].CaptureTimeKey, keyB);
  std::vector<TPictureEntry> sorted = entries;
  SortByCaptureTime(sorted);
  EXPECT_EQ(sorted.front().Text, b) << "sorting uses the new time";
}

TEST(TripCommands, AFileTheUserMayNotWriteIsNamedAndKept) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "root may write anything";
  TTempDir dir;
  const auto open = Picture(dir, "open.jpg", "2024:06:01 10:00:00");
  const auto locked = Picture(dir, "locked.jpg", "2024:06:01 10:00:00");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  const auto before = ReadFile(locked);
  const auto plan = PlanBatch({open, locked}, [](const std::string& f) { return PlanClockShift(f, 60); });
  const auto summary = ApplyBatch(plan);
  EXPECT_EQ(summary.Changed, 1U);
  ASSERT_EQ(summary.Failures.size(), 1U);
  EXPECT_EQ(summary.Failures[0].FileName, locked);
  EXPECT_EQ(ReadFile(locked), before) << "the folder would allow the replace; the file's own protection counts";
  EXPECT_EQ(SummaryText(summary).rfind("1 von 2 Bildern geändert\n" + locked + ": ", 0), 0U) << SummaryText(summary);
}

TEST(TripCommands, GeotagRowsSayHowEachPositionWasFound) {
  TTempDir dir;
  // Capture times read as UTC; the track runs 10:00 to 10:10 with a point at 10:05.
  const auto exact = Picture(dir, "exact.jpg", "2024:06:01 10:05:00");
  const auto between = Picture(dir, "between.jpg", "2024:06:01 10:02:30");
  const auto near = Picture(dir, "near.jpg", "2024:06:01 10:20:00");
  const auto far = Picture(dir, "far.jpg", "2024:06:01 14:00:00");
  const auto undated = Picture(dir, "undated.jpg", "");
  constexpr double T0 = 1717236000; // 2024-06-01T10:00:00Z
  TGPXTrack first;
  first.Points = {{T0, 48.0, 11.0, std::nullopt}, {T0 + 300, 48.1, 11.1, std::nullopt}};
  TGPXTrack second;
  second.Points = {{T0 + 600, 48.2, 11.2, std::nullopt}};
  const auto track = MergeTracks({second, first});
  ASSERT_EQ(track.Points.size(), 3U);
  EXPECT_EQ(track.Points.front().Time, T0) << "merged tracks are in time order";

  TGeotagSettings settings;
  settings.Zone = *ParseTimeZone("UTC");
  const auto plan = PlanBatch({exact, between, near, far, undated},
                              [&](const std::string& f) { return PlanGeotag(f, track, settings); });
  const auto rows = GeotagPreviewRows(plan, track, settings);
  ASSERT_EQ(rows.size(), 5U);
  EXPECT_EQ(rows[0].How, THowFound::hfTrackPoint);
  EXPECT_EQ(rows[0].UTCTime, "2024-06-01 10:05:00");
  EXPECT_EQ(rows[0].Position, "48.1000000, 11.1000000");
  EXPECT_EQ(rows[1].How, THowFound::hfInterpolated);
  EXPECT_EQ(rows[1].Position, "48.0500000, 11.0500000");
  EXPECT_EQ(rows[2].How, THowFound::hfNearestPoint);
  EXPECT_EQ(rows[2].Distance, 600);
  EXPECT_EQ(rows[3].How, THowFound::hfTooFar);
  EXPECT_TRUE(rows[3].Position.empty());
  EXPECT_EQ(rows[4].How, THowFound::hfNoCaptureTime);
  EXPECT_TRUE(rows[4].UTCTime.empty());
  EXPECT_EQ(plan.ChangeCount(), 3U) << "what is too far or undated stays as it is";
}
