#include "app/core/ClockShift.h"

#include "Tessel/Exif.h"
#include "Tessel/Exif/IPTC.h"
#include "Tessel/Exif/TagIDs.h"
#include "platform/JPEGImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

using namespace Fotarium::Core;
using namespace Tessel::Exif;

namespace Fotarium::Core {
void PrintTo(const TBatchChange& c, std::ostream* os) { *os << c.Field << ": " << c.Old << " -> " << c.New; }
} // namespace Fotarium::Core

namespace {

std::vector<std::uint8_t> SmallJpeg() {
  Platform::TBitmap bitmap(8, 8);
  return Platform::EncodeBitmapToJPEG(bitmap, 85);
}

void SetIPTCText(TIPTCData& iptc, TIPTCTagID id, const std::string& text) {
  iptc.ApplicationSection()->AddOrUpdate(id, static_cast<std::int32_t>(text.size()), text.data());
}

// A picture with DateTime and DateTimeOriginal (no DateTimeDigitized), SubSecTimeOriginal,
// OffsetTimeOriginal and a GPS time stamp, XMP dates with and without zone, and one IPTC pair.
std::string WriteDatedPicture(const TTempDir& dir, const std::string& name) {
  const auto path = dir.File(name);
  WriteFile(path, SmallJpeg());
  TExifData exif;
  exif.GetSection(TExifSectionKind::esGeneral)->SetStringValue(ttDateTime, "2024:12:31 23:10:00");
  auto* details = exif.GetSection(TExifSectionKind::esDetails);
  details->SetStringValue(ttDateTimeOriginal, "2024:12:31 23:10:00");
  details->SetStringValue(ttSubsecTimeOriginal, "25");
  details->SetStringValue(ttOffsetTimeOriginal, "+01:00");
  exif.GetSection(TExifSectionKind::esGPS)->SetStringValue(ttGPSDateStamp, "2024:12:31");
  exif.SaveToGraphic(path);
  TXMPPacket xmp;
  xmp.UpdateProperty(TXMPNamespace::xsXMPBasic, "CreateDate", "2024-12-31T23:10:00.25+01:00");
  xmp.UpdateProperty(TXMPNamespace::xsPhotoshop, "DateCreated", "2024-12-31");
  xmp.SaveToGraphic(path);
  TIPTCData iptc;
  SetIPTCText(iptc, 55, "20241231");
  SetIPTCText(iptc, 60, "231000+0100");
  iptc.SaveToGraphic(path);
  if (std::getenv("KEEP_FIXTURE"))
    WriteFile("/tmp/fixture.jpg", ReadFile(path));
  return path;
}

std::string XMPValue(TExifData& exif, TXMPNamespace ns, std::string_view name) {
  TXMPSchema* schema = nullptr;
  TXMPProperty* property = nullptr;
  if (!exif.XMPPacket().FindSchema(ns, schema) || !schema->FindProperty(name, property))
    return "(missing)";
  return property->ReadValue("");
}

bool HaveExifTool() { return std::system("exiftool -ver >/dev/null 2>&1") == 0; }

} // namespace

TEST(ClockShift, ParsesOnlyTheFullForm) {
  const struct {
    const char* Text;
    std::optional<std::int64_t> Seconds;
  } cases[] = {
      {"01:30:00", 5400},
      {"+1:30:00", 5400},
      {"-00:00:05", -5},
      {"2 01:00:00", 2 * 86400 + 3600},
      {"-1 23:59:59", -172799},
      {"1:30", std::nullopt},
      {"90", std::nullopt},
      {"01:60:00", std::nullopt},
      {"1 24:00:00", std::nullopt},
      {"x 01:00:00", std::nullopt},
      {"", std::nullopt},
      {"01:00:00 ", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseClockShift(c.Text), c.Seconds) << c.Text;
  EXPECT_EQ(FormatClockShift(-172799), "-1 23:59:59");
  EXPECT_EQ(ParseClockShift(FormatClockShift(5400)), 5400);
}

TEST(ClockShift, ExifTextsCrossMidnightMonthAndYearEnds) {
  const struct {
    const char* Old;
    std::int64_t Seconds;
    std::optional<std::string> New;
  } cases[] = {
      {"2024:12:31 23:10:00", 3600, "2025:01:01 00:10:00"},
      {"2025:01:01 00:10:00", -3600, "2024:12:31 23:10:00"},
      {"2024:02:28 23:30:00", 1800, "2024:02:29 00:00:00"}, // leap year
      {"2023:02:28 23:30:00", 1800, "2023:03:01 00:00:00"},
      {"2024:03:01 00:00:00", -1, "2024:02:29 23:59:59"},
      {"2024:04:30 12:00:00", 86400, "2024:05:01 12:00:00"},
      {"2024:06:15 08:00:00", -(40 * 86400), "2024:05:06 08:00:00"},
      {"    :  :     :  :  ", 3600, std::nullopt},
      {"2024:13:01 00:00:00", 3600, std::nullopt},
      {"2024:02:30 00:00:00", 3600, std::nullopt},
      {"2024:01:01", 3600, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ShiftExifDateTimeText(c.Old, c.Seconds), c.New) << c.Old << " " << c.Seconds;
}

TEST(ClockShift, XMPDatesKeepZoneAndFraction) {
  const struct {
    const char* Old;
    std::int64_t Seconds;
    std::optional<std::string> New;
  } cases[] = {
      {"2024-12-31T23:10:00.25+01:00", 3600, "2025-01-01T00:10:00.25+01:00"},
      {"2024-12-31T23:10:00Z", -86400, "2024-12-30T23:10:00Z"},
      {"2024-12-31T23:10", 60, "2024-12-31T23:11"},
      {"2024-12-31T23:10", 5, "2024-12-31T23:10:05"},
      {"2024-12-31T23:10:00-05:30", 3000, "2024-12-31T24:00:00-05:30"}, // replaced below
      {"2024-12-31", 86400, "2025-01-01"},
      {"2024-12-31", 3600, std::nullopt}, // a date alone does not move by hours
      {"2024", 86400, std::nullopt},
      {"2024-12-31T23:10:00+0100", 60, std::nullopt},
  };
  for (const auto& c : cases) {
    if (std::string_view(c.Old) == "2024-12-31T23:10:00-05:30")
      EXPECT_EQ(ShiftXMPDateText(c.Old, c.Seconds), "2025-01-01T00:00:00-05:30");
    else
      EXPECT_EQ(ShiftXMPDateText(c.Old, c.Seconds), c.New) << c.Old;
  }
}

TEST(ClockShift, IPTCPairsMoveTheDateOverMidnight) {
  const struct {
    TIPTCDateTimeTexts Old;
    std::int64_t Seconds;
    std::optional<TIPTCDateTimeTexts> New;
  } cases[] = {
      {{"20241231", "231000+0100"}, 3600, TIPTCDateTimeTexts{"20250101", "001000+0100"}},
      {{"20240301", "001000"}, -1200, TIPTCDateTimeTexts{"20240229", "235000"}},
      {{"", "231000"}, 3600, TIPTCDateTimeTexts{"", "001000"}}, // a lone time wraps
      {{"20241231", ""}, 86400, TIPTCDateTimeTexts{"20250101", ""}},
      {{"20241231", ""}, 3600, std::nullopt},
      {{"2024123", "231000"}, 3600, std::nullopt},
      {{"20241231", "2310"}, 3600, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ShiftIPTCDateTime(c.Old, c.Seconds), c.New) << c.Old.Date << " " << c.Old.Time;
}

TEST(ClockShift, OnlyExistingTagsChangeAndTheRestStays) {
  TTempDir dir;
  const auto path = WriteDatedPicture(dir, "a.jpg");
  const auto plan = PlanBatch({path}, [](const std::string& f) { return PlanClockShift(f, 3600); });
  ASSERT_EQ(plan.Items.size(), 1U);
  ASSERT_TRUE(plan.Items[0].WillChange()) << plan.Items[0].Error;
  const std::vector<TBatchChange> expected = {
      {"EXIF DateTime", "2024:12:31 23:10:00", "2025:01:01 00:10:00"},
      {"EXIF DateTimeOriginal", "2024:12:31 23:10:00", "2025:01:01 00:10:00"},
      {"XMP xmp:CreateDate", "2024-12-31T23:10:00.25+01:00", "2025-01-01T00:10:00.25+01:00"},
      {"IPTC DateCreated", "20241231", "20250101"},
      {"IPTC TimeCreated", "231000+0100", "001000+0100"},
  };
  EXPECT_EQ(plan.Items[0].Changes, expected);
  EXPECT_EQ(ReadFile(path), ReadFile(path)); // the plan wrote nothing: checked below through the values
  {
    TExifData exif;
    ASSERT_TRUE(exif.LoadFromGraphic(path));
    EXPECT_EQ(exif.GetSection(TExifSectionKind::esDetails)->GetStringValue(ttDateTimeOriginal), "2024:12:31 23:10:00");
  }

  const auto summary = ApplyBatch(plan);
  EXPECT_EQ(summary.Changed, 1U);
  EXPECT_TRUE(summary.Failures.empty());
  EXPECT_EQ(SummaryText(summary), "1 von 1 Bildern geändert");

  TExifData exif;
  ASSERT_TRUE(exif.LoadFromGraphic(path));
  auto* details = exif.GetSection(TExifSectionKind::esDetails);
  EXPECT_EQ(exif.GetSection(TExifSectionKind::esGeneral)->GetStringValue(ttDateTime), "2025:01:01 00:10:00");
  EXPECT_EQ(details->GetStringValue(ttDateTimeOriginal), "2025:01:01 00:10:00");
  EXPECT_EQ(details->Find(ttDateTimeDigitized), nullptr) << "a missing date is not created";
  EXPECT_EQ(details->GetStringValue(ttSubsecTimeOriginal), "25");
  EXPECT_EQ(details->GetStringValue(ttOffsetTimeOriginal), "+01:00");
  EXPECT_EQ(exif.GetSection(TExifSectionKind::esGPS)->GetStringValue(ttGPSDateStamp), "2024:12:31");
  EXPECT_EQ(XMPValue(exif, TXMPNamespace::xsXMPBasic, "CreateDate"), "2025-01-01T00:10:00.25+01:00");
  EXPECT_EQ(XMPValue(exif, TXMPNamespace::xsPhotoshop, "DateCreated"), "2024-12-31");
  EXPECT_EQ(XMPValue(exif, TXMPNamespace::xsExif, "DateTimeOriginal"), "(missing)");
  TIPTCData iptc;
  iptc.LoadFromGraphic(path);
  EXPECT_EQ(iptc.ApplicationSection()->Find(55)->AsString(), "20250101");
  EXPECT_EQ(iptc.ApplicationSection()->Find(60)->AsString(), "001000+0100");
  EXPECT_EQ(iptc.ApplicationSection()->Find(62), nullptr);
}

TEST(ClockShift, PicturesWithoutDatesAndBadFilesAreNamed) {
  TTempDir dir;
  const auto plain = dir.File("plain.jpg");
  WriteFile(plain, SmallJpeg());
  const auto text = dir.File("text.jpg");
  WriteFile(text, std::string_view("no picture"));
  const auto before = ReadFile(plain);
  const auto plan = PlanBatch({plain, text}, [](const std::string& f) { return PlanClockShift(f, 60); });
  EXPECT_EQ(plan.Items[0].Skipped, TSkipReason::srNothingToShift);
  EXPECT_FALSE(plan.Items[1].Error.empty());
  const auto summary = ApplyBatch(plan);
  EXPECT_EQ(summary.Changed, 0U);
  ASSERT_EQ(summary.Failures.size(), 1U);
  EXPECT_EQ(summary.Failures[0].FileName, text);
  EXPECT_EQ(ReadFile(plain), before);
  EXPECT_EQ(ReadFileText(text), "no picture");
}

TEST(ClockShift, CancelBeforeTheFirstFileWritesNothing) {
  TTempDir dir;
  const auto a = WriteDatedPicture(dir, "a.jpg");
  const auto b = WriteDatedPicture(dir, "b.jpg");
  const auto bytesA = ReadFile(a);
  const auto plan = PlanBatch({a, b}, [](const std::string& f) { return PlanClockShift(f, 60); });
  std::vector<std::size_t> seen;
  auto summary = ApplyBatch(plan, [&](std::size_t done, std::size_t) {
    seen.push_back(done);
    return false;
  });
  EXPECT_TRUE(summary.Cancelled);
  EXPECT_EQ(summary.Changed, 0U);
  EXPECT_EQ(ReadFile(a), bytesA);
  // Cancelled after the first file: the first is new, the second as it was.
  const auto bytesB = ReadFile(b);
  summary = ApplyBatch(plan, [](std::size_t done, std::size_t) { return done < 1; });
  EXPECT_EQ(summary.Changed, 1U);
  EXPECT_NE(ReadFile(a), bytesA);
  EXPECT_EQ(ReadFile(b), bytesB);
}

TEST(ClockShift, AgreesWithExifToolAllDates) {
  if (!HaveExifTool())
    GTEST_SKIP() << "exiftool is not installed";
  TTempDir dir;
  const auto ours = WriteDatedPicture(dir, "ours.jpg");
  const auto theirs = dir.File("theirs.jpg");
  WriteFile(theirs, ReadFile(ours));
  // Make DateTimeDigitized exist too, so that all three EXIF dates are compared.
  for (const auto& f : {ours, theirs}) {
    TExifData exif;
    ASSERT_TRUE(exif.LoadFromGraphic(f));
    exif.GetSection(TExifSectionKind::esDetails)->SetStringValue(ttDateTimeDigitized, "2024:02:28 23:59:30");
    exif.SaveToGraphic(f);
  }
  const auto plan = PlanBatch({ours}, [](const std::string& f) { return PlanClockShift(f, 86400 + 45); });
  ASSERT_EQ(ApplyBatch(plan).Changed, 1U);
  ASSERT_EQ(std::system(("exiftool -q -overwrite_original '-AllDates+=0:0:1 0:0:45' '" + theirs + "'").c_str()), 0);
  for (const auto& [section, id] :
       {std::pair{TExifSectionKind::esGeneral, ttDateTime}, std::pair{TExifSectionKind::esDetails, ttDateTimeOriginal},
        std::pair{TExifSectionKind::esDetails, ttDateTimeDigitized}}) {
    TExifData a, b;
    ASSERT_TRUE(a.LoadFromGraphic(ours));
    ASSERT_TRUE(b.LoadFromGraphic(theirs));
    EXPECT_EQ(a.GetSection(section)->GetStringValue(id), b.GetSection(section)->GetStringValue(id)) << id;
  }
  TExifData a;
  ASSERT_TRUE(a.LoadFromGraphic(ours));
  EXPECT_EQ(a.GetSection(TExifSectionKind::esDetails)->GetStringValue(ttDateTimeDigitized), "2024:03:01 00:00:15");
}
