#include "app/core/EditCommands.h"

#include "Tessel/Exif.h"
#include "Tessel/Exif/TagIDs.h"
#include "platform/DateTime.h"
#include "platform/FileOps.h"
#include "platform/JPEGImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Fotarium::Core;
using Tessel::Exif::TTiffOrientation;

namespace {

std::vector<std::uint8_t> SmallJpeg() {
  Platform::TBitmap bitmap(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      bitmap.SetPixel(x, y, Platform::RGB(static_cast<std::uint8_t>(x * 30), static_cast<std::uint8_t>(y * 30), 60));
  return Platform::EncodeBitmapToJPEG(bitmap, 85);
}

std::string WriteJpeg(const TTempDir& dir, const std::string& name,
                      const std::function<void(Tessel::Exif::TExifData&)>& fill) {
  const auto path = dir.File(name);
  WriteFile(path, SmallJpeg());
  Tessel::Exif::TExifData data;
  fill(data);
  data.SaveToGraphic(path);
  return path;
}

int Ordinal(TTiffOrientation o) { return static_cast<int>(o); }

} // namespace

TEST(EditCommands, OrientationTurnsAQuarterPerClick) {
  const auto steps = [](int start, int clicks) {
    std::vector<int> seen;
    auto o = static_cast<TTiffOrientation>(start);
    for (int i = 0; i < clicks; ++i) {
      o = NextOrientation(o);
      seen.push_back(Ordinal(o));
    }
    return seen;
  };
  EXPECT_EQ(steps(1, 4), (std::vector<int>{6, 3, 8, 1}));
  EXPECT_EQ(steps(0, 2), (std::vector<int>{6, 3})) << "undefined starts at 1, so the first click gives 6";
  EXPECT_EQ(steps(5, 2), (std::vector<int>{0, 6})) << "a mirrored value becomes undefined first";
  for (const int mirrored : {2, 4, 7, 9})
    EXPECT_EQ(Ordinal(NextOrientation(static_cast<TTiffOrientation>(mirrored))), 0) << mirrored;

  Tessel::Exif::TExifData data;
  StepOrientation(data);
  EXPECT_EQ(Ordinal(data.Orientation()), 6);
  StepOrientation(data);
  EXPECT_EQ(Ordinal(data.Orientation()), 3);
}

TEST(EditCommands, DateDialogStartsFromDateTimeThenOriginalThenNow) {
  const auto now = Platform::EncodeDateTime(2026, 1, 2, 3, 4, 5, 0);
  const auto original = Platform::EncodeDateTime(2015, 6, 7, 8, 9, 10, 0);
  const auto changed = Platform::EncodeDateTime(2019, 1, 1, 12, 0, 0, 0);
  Tessel::Exif::TExifData data;

  auto preset = DateDialogPreset(data, "/fotos/a.jpg", now);
  EXPECT_EQ(preset.Value, now);
  EXPECT_EQ(preset.Height, 214);
  EXPECT_EQ(preset.Label, "/fotos/a.jpg hat noch kein gültiges Aufnahmedatum!\r\n"
                          "Es wird das heutige Datum vorgeschlagen.");

  data.SetDateTimeOriginal(original);
  preset = DateDialogPreset(data, "/fotos/a.jpg", now);
  EXPECT_EQ(preset.Value, original) << "only DateTimeOriginal: that one";
  EXPECT_EQ(preset.Height, 140);
  EXPECT_EQ(preset.Label, "");

  data.SetDateTime(changed);
  preset = DateDialogPreset(data, "/fotos/a.jpg", now);
  EXPECT_EQ(preset.Value, changed) << "DateTime comes first";
  EXPECT_EQ(preset.Height, 140);
}

TEST(EditCommands, PickersComposeExactlyTheChosenDateAndTime) {
  // The date picker carries some time, the time picker some date: neither may leak.
  const auto datePicker = Platform::EncodeDateTime(2021, 5, 1, 7, 30, 15, 250);
  const auto timePicker = Platform::EncodeDateTime(1999, 12, 31, 23, 59, 0, 0);
  const auto composed = ComposePickerValues(datePicker, timePicker);
  EXPECT_EQ(composed, Platform::EncodeDateTime(2021, 5, 1, 23, 59, 0, 0));
  EXPECT_EQ(Platform::FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", composed), "2021-05-01 23:59:00.000");
  // Before 1899-12-30 the values are negative; the time of day still counts forward.
  EXPECT_EQ(ComposePickerValues(Platform::EncodeDate(1850, 3, 4), Platform::EncodeTime(6, 0, 0, 0)),
            Platform::EncodeDateTime(1850, 3, 4, 6, 0, 0, 0));

  Tessel::Exif::TExifData data;
  const auto original = Platform::EncodeDateTime(2015, 6, 7, 8, 9, 10, 0);
  data.SetDateTimeOriginal(original);
  ApplyDateDialogResult(data, datePicker, timePicker);
  EXPECT_EQ(data.DateTime().Value(), Platform::EncodeDateTime(2021, 5, 1, 23, 59, 0, 0));
  EXPECT_EQ(data.DateTimeOriginal().Value(), original) << "only DateTime is written";
}

TEST(EditCommands, DescriptionAndComment) {
  EXPECT_EQ(EditableTextCaption(TEditableText::etDescription), "Bildbeschreibung:");
  EXPECT_EQ(EditableTextCaption(TEditableText::etComment), "Kommentar:");
  Tessel::Exif::TExifData data;
  SetEditableTextValue(data, TEditableText::etDescription, "Harbour at dusk");
  SetEditableTextValue(data, TEditableText::etComment, "second try");
  EXPECT_EQ(EditableTextValue(data, TEditableText::etDescription), "Harbour at dusk");
  EXPECT_EQ(EditableTextValue(data, TEditableText::etComment), "second try");

  // Typed text is taken whatever its characters; the data's strict mode stays for others.
  ASSERT_TRUE(data.EnforceASCII());
  SetEditableTextValue(data, TEditableText::etDescription, "München");
  SetEditableTextValue(data, TEditableText::etComment, "Grüße");
  EXPECT_EQ(EditableTextValue(data, TEditableText::etDescription), "München");
  EXPECT_EQ(EditableTextValue(data, TEditableText::etComment), "Grüße");
  EXPECT_TRUE(data.EnforceASCII());
  EXPECT_THROW(data.SetCameraMake("Müller"), Tessel::Exif::ENotOnlyASCIIError);

  auto* general = data.GetSection(Tessel::Exif::TExifSectionKind::esGeneral);
  ASSERT_NE(general->Find(Tessel::Exif::ttImageDescription), nullptr);
  SetEditableTextValue(data, TEditableText::etDescription, "");
  EXPECT_EQ(general->Find(Tessel::Exif::ttImageDescription), nullptr) << "an empty description removes the tag";
}

TEST(EditCommands, RenameMessages) {
  EXPECT_EQ(UnsavedEditsQuestion, "Exif-Änderungen gehen verloren! Trotzdem fortfahren?");
  EXPECT_EQ(NoCaptureTimeQuestion("/f/a.jpg"),
            "/f/a.jpg hat keine oder eine inkorrekte Aufnahmezeit!\r\nMöchten Sie eine Aufnahmezeit angeben?");
  EXPECT_EQ(RenameFailedMessage("/f/", "a.jpg", 17), "Umbenennen von /f/a.jpg scheiterte mit Fehler: 17");
}

TEST(EditCommands, RenameEntryFollowsTheCaptureTime) {
  using enum TRenameEntryStep;
  const auto settings = Platform::TFormatSettings::German();
  const auto original = Platform::EncodeDateTime(2016, 9, 23, 13, 26, 52, 0);
  TTempDir dir;
  const auto dated = WriteJpeg(dir, "dated.jpg", [&](auto& d) {
    d.SetDateTimeOriginal(original);
    d.SetDateTime(Platform::EncodeDateTime(2020, 1, 1, 0, 0, 0, 0));
  });
  const auto undated = WriteJpeg(dir, "undated.jpg", [](auto&) {});
  WriteFile(dir.File("notes.jpg"), std::string_view("plain text"));

  int asked = 0;
  const TAskCaptureTime never = [&](const std::string&) {
    ++asked;
    return TCaptureTimeAnswer{};
  };
  auto result = RenameEntry(dated, "yyyymmdd_hhnnss_@", never, settings);
  EXPECT_EQ(result.Step, rsRenamed);
  EXPECT_EQ(result.NewPath, dir.Path() + "/20160923_132652_dated.jpg");
  EXPECT_TRUE(Platform::FileExists(result.NewPath));
  EXPECT_EQ(asked, 0);

  std::string askedFor;
  result = RenameEntry(
      undated, "yyyymmdd_@",
      [&](const std::string& path) {
        askedFor = path;
        return TCaptureTimeAnswer{};
      },
      settings);
  EXPECT_EQ(result.Step, rsSkipped) << "no date given: left alone";
  EXPECT_EQ(askedFor, undated);
  EXPECT_TRUE(Platform::FileExists(undated));

  // A date for the name only leaves the file's content as it was.
  const auto before = ReadFile(undated);
  result = RenameEntry(
      undated, "yyyy_@",
      [&](const std::string&) {
        return TCaptureTimeAnswer{original, false};
      },
      settings);
  ASSERT_EQ(result.Step, rsRenamed);
  EXPECT_EQ(ReadFile(result.NewPath), before);

  // Also into the file: its DateTime is written before the rename.
  const auto second = WriteJpeg(dir, "second.jpg", [](auto&) {});
  result = RenameEntry(
      second, "yyyy_@",
      [&](const std::string&) {
        return TCaptureTimeAnswer{original, true};
      },
      settings);
  ASSERT_EQ(result.Step, rsRenamed);
  Tessel::Exif::TExifData reread;
  ASSERT_TRUE(reread.LoadFromGraphic(result.NewPath));
  EXPECT_EQ(reread.DateTime().Value(), original);

  // The name is taken now: reported with the system's code, the file stays.
  const auto third = WriteJpeg(dir, "second.jpg", [&](auto& d) { d.SetDateTimeOriginal(original); });
  result = RenameEntry(third, "yyyy_@", never, settings);
  EXPECT_EQ(result.Step, rsFailed);
  EXPECT_EQ(result.Message, "Umbenennen von " + dir.Path() + "/second.jpg scheiterte mit Fehler: 17");
  EXPECT_TRUE(Platform::FileExists(third));

  EXPECT_EQ(RenameEntry(dir.File("notes.jpg"), "yyyy", never, settings).Step, rsNotLoaded);
  EXPECT_EQ(RenameEntry(result.NewPath.empty() ? third : third, "@", never, settings).Step, rsUnchanged);
}

TEST(EditCommands, DescriptionReachesTheJPEGsIPTCDataInOneSave) {
  const TTempDir dir;
  const auto withIPTC = WriteJpeg(dir, "iptc.jpg", [](Tessel::Exif::TExifData& data) { data.SetCameraMake("Maker"); });
  {
    // Single-byte IPTC text without a coded character set, as older programs wrote it.
    Tessel::Exif::TIPTCData iptc;
    iptc.SetUTF8Encoded(false);
    iptc.SetObjectName("Kölner Dom");
    iptc.SaveToGraphic(withIPTC);
  }
  const auto withoutIPTC = WriteJpeg(dir, "plain.jpg", [](Tessel::Exif::TExifData& data) { data.SetCameraMake("M"); });

  for (const auto& path : {withIPTC, withoutIPTC}) {
    SCOPED_TRACE(path);
    Tessel::Exif::TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(path));
    Tessel::Exif::TIPTCData iptc;
    iptc.LoadFromGraphic(path);
    SetEditableTextValue(data, TEditableText::etDescription, "Blick über Köln", &iptc);
    SetEditableTextValue(data, TEditableText::etComment, "Grüße aus Zürich", &iptc);
    SaveEdits(data, &iptc, path);

    Tessel::Exif::TExifData loaded;
    ASSERT_TRUE(loaded.LoadFromGraphic(path));
    EXPECT_EQ(loaded.ImageDescription(), "Blick über Köln");
    EXPECT_EQ(loaded.Comments(), "Grüße aus Zürich");
    EXPECT_EQ(loaded.CameraMake().substr(0, 1), "M");
    Tessel::Exif::TIPTCData reread;
    reread.LoadFromGraphic(path);
    if (path == withIPTC) {
      EXPECT_TRUE(reread.UTF8Encoded()) << "1:90 declares UTF-8";
      EXPECT_EQ(reread.CaptionOrAbstract(), "Blick über Köln");
      EXPECT_EQ(reread.ObjectName(), "Kölner Dom") << "the other texts keep their meaning";
    } else {
      EXPECT_TRUE(reread.Empty()) << "no IPTC data is invented";
    }
  }
}

TEST(EditCommands, SaveEditsOfAVanishedFileChangesNothing) {
  const TTempDir dir;
  const auto path = WriteJpeg(dir, "gone.jpg", [](Tessel::Exif::TExifData& data) { data.SetCameraMake("Maker"); });
  Tessel::Exif::TIPTCData iptc;
  iptc.SetObjectName("x");
  iptc.SaveToGraphic(path);
  Tessel::Exif::TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(path));
  iptc.LoadFromGraphic(path);
  SetEditableTextValue(data, TEditableText::etDescription, "neu", &iptc);
  Platform::DeleteFile(path);
  EXPECT_ANY_THROW(SaveEdits(data, &iptc, path));
  EXPECT_FALSE(Platform::FileExists(path));
  EXPECT_TRUE(iptc.Modified()) << "the edit stays for another try";
}
