// The window's trip commands under the offscreen platform: the shift of capture times and
// the positions from a GPS track, each previewed before anything is written, then saved
// file by file with a summary; the desktop is answered from a script.

#include "app/BatchPreviewDialog.h"
#include "app/GeotagDialog.h"
#include "app/ShiftDialog.h"
#include "app/Unit1.h"
#include "DropFiles.h"
#include "app/core/Geotag.h"

#include "ScriptedDesktop.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"
#include "Tessel/Exif/TagIDs.h"
#include "platform/JPEGImage.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using Fotarium::App::TBatchPreviewDialog;
using Fotarium::App::TForm1;
using Fotarium::App::TModalResult;
using namespace Tessel::Exif;

namespace {

std::string DetailsText(const std::string& path, TTiffTagID id) {
  TExifData exif;
  exif.LoadFromGraphic(path);
  std::string text;
  (void)exif.GetSection(TExifSectionKind::esDetails)->TryGetStringValue(id, text);
  return text;
}

class TripCommandsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Form = std::make_unique<TForm1>();
    Form->show();
    List = Form->findChild<QListView*>(QStringLiteral("ListBox1"));
    Tabs = Form->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    ASSERT_TRUE(List && Tabs);
  }

  // A small JPEG whose DateTime and DateTimeOriginal are the given EXIF text.
  std::string Picture(const std::string& name, const std::string& dateTime) {
    const std::string path = Dir.File(name);
    WriteFile(path, Platform::EncodeBitmapToJPEG(Platform::TBitmap(16, 16), 85));
    TExifData exif;
    exif.LoadFromGraphic(path);
    exif.GetSection(TExifSectionKind::esGeneral)->SetStringValue(ttDateTime, dateTime);
    exif.GetSection(TExifSectionKind::esDetails)->SetStringValue(ttDateTimeOriginal, dateTime);
    exif.SaveToGraphic(path);
    return path;
  }

  void Drop(const std::vector<std::string>& paths) { DropFiles(*Form, paths); }

  QPushButton* Button(const char* name) const { return Form->findChild<QPushButton*>(QLatin1String(name)); }

  // Answers the next preview: records its rows, then closes it with the answer.
  void AnswerPreview(TModalResult answer, std::vector<QStringList>& rows, std::function<void()> before = {}) {
    Desktop->DialogAnswers.push_back([answer, &rows, before](QDialog& dialog) {
      auto* preview = dynamic_cast<TBatchPreviewDialog*>(&dialog);
      EXPECT_NE(preview, nullptr) << dialog.objectName().toStdString();
      if (preview != nullptr)
        for (int r = 0; r < preview->RowCount(); ++r)
          rows.push_back(preview->RowTexts(r));
      if (before)
        before();
      return answer;
    });
  }

  TScriptedDesktopScope Desktop;
  TTempDir Dir;
  std::unique_ptr<TForm1> Form;
  QListView* List = nullptr;
  QTabWidget* Tabs = nullptr;
};

} // namespace

TEST_F(TripCommandsTest, ShiftIsPreviewedCancelledWithoutWritingThenAppliedWithTheKeys) {
  const std::string a = Picture("a.jpg", "2024:06:01 10:00:00");
  const std::string b = Picture("b.jpg", "2024:06:01 23:30:00");
  EXPECT_FALSE(Button("ShiftTimes_BitBtn")->isEnabled()) << "nothing to work on yet";
  EXPECT_FALSE(Button("Geotag_BitBtn")->isEnabled());
  Drop({a, b});
  Tabs->setCurrentIndex(1); // the edit tab: single selection, so every entry is meant
  ASSERT_TRUE(Button("ShiftTimes_BitBtn")->isEnabled());
  const auto keysBefore = Form->Entries();
  const auto bytesA = ReadFile(a);
  const auto bytesB = ReadFile(b);

  Desktop->DialogAnswers.push_back([](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), QStringLiteral("ShiftDialog"));
    dialog.findChild<QSpinBox*>(QStringLiteral("ShiftDays"))->setValue(1);
    dialog.findChild<QTimeEdit*>(QStringLiteral("ShiftTime"))->setTime(QTime(1, 0, 0));
    dialog.findChild<QRadioButton*>(QStringLiteral("ShiftLater"))->setChecked(true);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("ShiftResult"))->text(), QStringLiteral("+1 01:00:00"));
    return TModalResult::mrOk;
  });
  std::vector<QStringList> rows;
  AnswerPreview(TModalResult::mrCancel, rows);
  Button("ShiftTimes_BitBtn")->click();
  ASSERT_EQ(rows.size(), 2U);
  EXPECT_EQ(rows[0], (QStringList{"a.jpg", "01.06.2024 10:00:00", "02.06.2024 11:00:00"}));
  EXPECT_EQ(rows[1], (QStringList{"b.jpg", "01.06.2024 23:30:00", "03.06.2024 00:30:00"}));
  EXPECT_EQ(ReadFile(a), bytesA) << "a cancelled preview writes nothing";
  EXPECT_EQ(ReadFile(b), bytesB);
  EXPECT_TRUE(Desktop->Messages().isEmpty());

  // The dialog keeps the shift; this time the preview is confirmed.
  Desktop->DialogAnswers.push_back([](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("ShiftDays"))->value(), 1);
    return TModalResult::mrOk;
  });
  rows.clear();
  AnswerPreview(TModalResult::mrOk, rows);
  Button("ShiftTimes_BitBtn")->click();
  EXPECT_EQ(DetailsText(a, ttDateTimeOriginal), "2024:06:02 11:00:00");
  EXPECT_EQ(DetailsText(b, ttDateTimeOriginal), "2024:06:03 00:30:00");
  ASSERT_EQ(Desktop->Messages(), QStringList{QStringLiteral("2 von 2 Bildern geändert")});
  const auto keysAfter = Form->Entries();
  ASSERT_EQ(keysAfter.size(), 2U);
  for (std::size_t i = 0; i < 2; ++i)
    EXPECT_NEAR(keysAfter[i].CaptureTimeKey, keysBefore[i].CaptureTimeKey + 1 + 1.0 / 24, 1e-6)
        << "the list keys follow the new times";

  // Unsaved edits of the picture on show: the user is asked first, and No ends the command.
  Button("Orientation_BitBtn")->click();
  Desktop->Calls.clear();
  Desktop->MessageAnswers = {TModalResult::mrNo};
  const auto shifted = ReadFile(a);
  Button("ShiftTimes_BitBtn")->click();
  ASSERT_EQ(Desktop->Calls.size(), 1U);
  EXPECT_EQ(Desktop->Calls[0].Kind, QStringLiteral("message"));
  EXPECT_EQ(ReadFile(a), shifted);
}

TEST_F(TripCommandsTest, PositionsFromATrackArePreviewedWrittenAndAFailingFileIsNamed) {
  const std::string onTrack = Picture("on.jpg", "2024:06:01 10:05:00");
  const std::string far = Picture("far.jpg", "2024:06:01 18:00:00");
  const std::string failing = Picture("failing.jpg", "2024:06:01 10:02:30");
  const std::string gpx = Dir.File("trip.gpx");
  WriteFile(gpx, std::string_view(R"(<?xml version="1.0"?><gpx version="1.1" creator="t"
    xmlns="http://www.topografix.com/GPX/1/1"><trk><trkseg>
    <trkpt lat="48.0" lon="11.0"><time>2024-06-01T10:00:00Z</time></trkpt>
    <trkpt lat="48.1" lon="11.1"><time>2024-06-01T10:05:00Z</time></trkpt>
    <trkpt lat="48.2" lon="11.2"><time>2024-06-01T10:10:00Z</time></trkpt>
    </trkseg></trk></gpx>)"));
  Drop({onTrack, far, failing});
  Tabs->setCurrentIndex(2);
  Button("SelAllPics_BitBtn")->click();
  const auto farBytes = ReadFile(far);

  // A file that is no track is named, and nothing else happens.
  Desktop->OpenAnswers.push_back({far});
  Button("Geotag_BitBtn")->click();
  ASSERT_EQ(Desktop->Messages().size(), 1);
  EXPECT_TRUE(Desktop->Messages()[0].startsWith(QString::fromStdString(far) +
                                                QStringLiteral(" kann nicht als GPS-Track gelesen werden: ")));
  EXPECT_EQ(Form->Track(), nullptr);
  Desktop->Calls.clear();

  Desktop->OpenAnswers.push_back({gpx});
  Desktop->DialogAnswers.push_back([](QDialog& dialog) {
    auto* geotag = dynamic_cast<Fotarium::App::TGeotagDialog*>(&dialog);
    EXPECT_NE(geotag, nullptr);
    if (geotag == nullptr)
      return TModalResult::mrCancel;
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("TrackPoints"))->text(), QStringLiteral("3"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("TrackStart"))->text(), QStringLiteral("2024-06-01 10:00:00"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("TrackEnd"))->text(), QStringLiteral("2024-06-01 10:10:00"));
    EXPECT_TRUE(geotag->ZoneText().isEmpty()) << "the system's zone unless chosen";
    geotag->SetZoneText(QStringLiteral("UTC"));
    return TModalResult::mrOk;
  });
  std::vector<QStringList> rows;
  // While the preview is open the file becomes one that cannot be written.
  const bool root = ::geteuid() == 0;
  AnswerPreview(TModalResult::mrOk, rows, [&] {
    if (root)
      WriteFile(failing, std::string_view("no picture any more")); // root may write a read-only file
    else
      ::chmod(failing.c_str(), 0444);
  });
  Button("Geotag_BitBtn")->click();

  ASSERT_EQ(rows.size(), 3U);
  EXPECT_EQ(rows[0], (QStringList{"on.jpg", "2024-06-01 10:05:00", "48.1000000, 11.1000000", "Trackpunkt"}));
  EXPECT_EQ(rows[1], (QStringList{"far.jpg", "2024-06-01 18:00:00", "", "zu weit vom Track"}));
  EXPECT_EQ(rows[2], (QStringList{"failing.jpg", "2024-06-01 10:02:30", "48.0500000, 11.0500000", "interpoliert"}));

  TExifData exif;
  exif.LoadFromGraphic(onTrack);
  EXPECT_EQ(Fotarium::Core::PositionText(exif), "48.1000000, 11.1000000");
  EXPECT_EQ(ReadFile(far), farBytes) << "a picture too far from the track stays as it is";
  const QStringList messages = Desktop->Messages();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("1 von 3 Bildern geändert\n") + QString::fromStdString(failing) +
                                     QStringLiteral(": ")))
      << messages[0].toStdString();
  ::chmod(failing.c_str(), 0644);

  // The KML file draws the track that was used.
  ASSERT_NE(Form->Track(), nullptr);
  Desktop->InputAnswers.push_back(QStringLiteral("trip"));
  Button("KML_BitBtn")->click();
  EXPECT_NE(ReadFileText(Dir.File("trip.kml")).find("<LineString>"), std::string::npos);
}
