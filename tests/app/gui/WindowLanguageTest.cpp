// The window in its two languages under the offscreen platform: the full EXIF list, the
// grid, the captions and the messages of library and platform errors, German by default
// and English under an English locale.

#include "app/core/WindowLanguage.h"
#include "app/Messages.h"
#include "app/UExifListView.h"
#include "app/Unit1.h"
#include "DropFiles.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"

#include "ScriptedDesktop.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/JPEGImage.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFile>
#include <QItemSelectionModel>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>

using Fotarium::App::TForm1;
using Fotarium::Core::TWindowLanguage;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

using TestSupport::TEnvScope;

// The window as main() makes it for the environment in force: language and locale texts
// first, then the forms. Restores the tests' default (German) afterwards.
class WindowLanguageTest : public ::testing::Test {
protected:
  void TearDown() override {
    Form4.reset();
    Form3.reset();
    Form2.reset();
    Form.reset();
    Platform::SetFormatSettings(FSavedSettings);
    Fotarium::App::InstallWindowLanguage(TWindowLanguage::wlGerman);
  }

  void StartProgram() {
    const TWindowLanguage language = Fotarium::Core::WindowLanguageFromEnvironment();
    Platform::SetFormatSettings(Fotarium::Core::WindowFormatSettings(language));
    Fotarium::App::InstallWindowLanguage(language);
    Form = std::make_unique<TForm1>();
    Form2 = std::make_unique<Fotarium::App::TForm2>(Form.get());
    Form3 = std::make_unique<Fotarium::App::TForm3>(Form.get());
    Form4 = std::make_unique<Fotarium::App::TForm4>(Form.get());
    Form->SetDialogs(Form2.get(), Form3.get(), Form4.get());
    Form->show();
    Tabs = Form->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    Grid = Form->findChild<QTableWidget*>(QStringLiteral("StringGrid1"));
    ListView = Form->findChild<Fotarium::App::TExifListView*>(QStringLiteral("ExifListView"));
    ASSERT_TRUE(Tabs && Grid && ListView);
  }

  // A picture taken on Saturday, 1 November 2008 at 21:15:07, 100 m below sea level.
  std::string Picture(const std::string& name) {
    const std::string path = Dir.File(name);
    Platform::TBitmap bitmap(32, 24);
    bitmap.FillRect({0, 0, 32, 24}, Platform::RGB(200, 40, 40));
    WriteFile(path, Platform::EncodeBitmapToJPEG(bitmap, 85));
    Tessel::Exif::TExifData data;
    data.LoadFromGraphic(path);
    data.SetCameraMake("Canon");
    data.SetOrientation(Tessel::Exif::TTiffOrientation::toTopLeft);
    data.SetDateTime(Platform::EncodeDateTime(2008, 11, 1, 21, 15, 7, 0));
    data.SetGPSAltitude(Tessel::Exif::TTiffLongWordFraction(100, 1));
    data.SetGPSAltitudeRef(Tessel::Exif::TGPSAltitudeRef::alBelowSeaLevel);
    data.SaveToGraphic(path);
    return path;
  }

  void Drop(const std::vector<std::string>& paths) { DropFiles(*Form, paths); }

  QString ListValue(const QString& caption) const {
    for (int i = 0; i < ListView->topLevelItemCount(); ++i)
      if (ListView->topLevelItem(i)->text(0) == caption)
        return ListView->topLevelItem(i)->text(1);
    return QStringLiteral("(no row %1)").arg(caption);
  }
  bool HasRow(const QString& caption) const {
    for (int i = 0; i < ListView->topLevelItemCount(); ++i)
      if (ListView->topLevelItem(i)->text(0) == caption)
        return true;
    return false;
  }
  QPushButton* Button(const char* name) const { return Form->findChild<QPushButton*>(QLatin1String(name)); }
  // Makes a row of the picture list current as its keyboard handling does.
  void SetCurrentRow(int row) const {
    auto* list = Form->findChild<QListView*>(QStringLiteral("ListBox1"));
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                            list->selectionMode() == QAbstractItemView::SingleSelection
                                                ? QItemSelectionModel::ClearAndSelect
                                                : QItemSelectionModel::SelectCurrent);
  }

  Platform::TFormatSettings FSavedSettings = Platform::FormatSettings();
  TScriptedDesktopScope Desktop;
  TTempDir Dir;
  std::unique_ptr<TForm1> Form;
  std::unique_ptr<Fotarium::App::TForm2> Form2;
  std::unique_ptr<Fotarium::App::TForm3> Form3;
  std::unique_ptr<Fotarium::App::TForm4> Form4;
  QTabWidget* Tabs = nullptr;
  QTableWidget* Grid = nullptr;
  Fotarium::App::TExifListView* ListView = nullptr;
};

} // namespace

TEST_F(WindowLanguageTest, GermanWindowListsEveryTagInGerman) {
  const TEnvScope all("LC_ALL", nullptr);
  const TEnvScope messages("LC_MESSAGES", nullptr);
  const TEnvScope lang("LANG", "C.UTF-8"); // no German locale needed: German is the default
  StartProgram();
  EXPECT_EQ(Fotarium::App::InstalledWindowLanguage(), TWindowLanguage::wlGerman);
  EXPECT_TRUE(Form->windowTitle().endsWith(
      QStringLiteral("Ziehen Sie die JPG-Dateien mit \"Drag and Drop\" auf das Formular!")));
  Drop({Picture("a.jpg")});

  EXPECT_EQ(ListView->headerItem()->text(0), QStringLiteral("Name"));
  EXPECT_EQ(ListView->headerItem()->text(1), QStringLiteral("Wert"));
  EXPECT_EQ(ListView->topLevelItem(0)->text(0), QStringLiteral("Allgemein"));
  EXPECT_EQ(ListValue(QStringLiteral("   Byte-Reihenfolge")), QStringLiteral("Little Endian (Intel)"));
  EXPECT_TRUE(HasRow(QStringLiteral("Haupt-IFD")));
  EXPECT_EQ(ListValue(QStringLiteral("   Fehlerfrei geladen")), QStringLiteral("Ja"));
  EXPECT_EQ(ListValue(QStringLiteral("   Kamera-Hersteller")), QStringLiteral("Canon"));
  EXPECT_EQ(ListValue(QStringLiteral("   Datum/Uhrzeit")), QStringLiteral("Samstag, 1. November 2008 um 21:15:07"));
  EXPECT_EQ(ListValue(QStringLiteral("   Orientierung")), QStringLiteral("Normal"));
  EXPECT_EQ(ListValue(QStringLiteral("   GPS-Höhe")), QStringLiteral("100 Meter unter dem Meeresspiegel"));
  for (const char* english : {"Main IFD", "   Camera make", "   Loaded cleanly", "   Date/time", "General"})
    EXPECT_FALSE(HasRow(QString::fromUtf8(english))) << english;

  // The clipboard gets what the list shows.
  ListView->SelectAll();
  ListView->CopyToClipboard();
  EXPECT_TRUE(
      Desktop->Clipboard.contains(QStringLiteral("   Datum/Uhrzeit\tSamstag, 1. November 2008 um 21:15:07\r\n")));
  EXPECT_FALSE(Desktop->Clipboard.contains(QStringLiteral(" at ")));

  Tabs->setCurrentIndex(1);
  EXPECT_EQ(Grid->item(5, 0)->text(), QStringLiteral("Geographische Breite"));
  EXPECT_EQ(Grid->item(7, 1)->text(), QStringLiteral("100 Meter"));

  // Qt's own buttons speak German too.
  QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Ja"));
}

TEST_F(WindowLanguageTest, LibraryAndPlatformErrorsReachTheGermanMessageBoxInGerman) {
  const TEnvScope all("LC_ALL", nullptr);
  const TEnvScope messages("LC_MESSAGES", nullptr);
  const TEnvScope lang("LANG", "de_DE.UTF-8");
  StartProgram();
  const std::string a = Picture("a.jpg");
  const std::string b = Picture("b.jpg");
  Drop({a, b});
  std::filesystem::remove(b);
  SetCurrentRow(1);
  ASSERT_EQ(Desktop->Messages().size(), 1);
  EXPECT_EQ(Desktop->Messages().front(),
            QStringLiteral("Datei \"%1\" kann nicht geöffnet werden. Datei oder Verzeichnis nicht gefunden").arg(Q(b)));

  // Whatever a handler lets through reaches the default error handler, in German.
  Fotarium::App::Guarded([] { throw Tessel::Exif::ENotOnlyASCIIError(); });
  EXPECT_EQ(Desktop->Messages().last(), QStringLiteral("Das Tag darf nur ASCII-Text enthalten"));

  using Fotarium::App::ErrorMessage;
  EXPECT_EQ(ErrorMessage(Tessel::Exif::ETagAlreadyExists(271)),
            QStringLiteral("Ein Tag mit der ID \"271\" gibt es in diesem Abschnitt schon"));
  EXPECT_EQ(ErrorMessage(Platform::EFCreateError("/ro/x.jpg", EACCES)),
            QStringLiteral("Datei \"/ro/x.jpg\" kann nicht erstellt werden. Keine Berechtigung"));
  // The same error after it crossed a thread as its text, with the C library's English reason.
  EXPECT_EQ(ErrorMessage(std::string_view(Platform::EFOpenError("/a/%2.jpg", ENOENT).what())),
            QStringLiteral("Datei \"/a/%2.jpg\" kann nicht geöffnet werden. Datei oder Verzeichnis nicht gefunden"));
  EXPECT_EQ(ErrorMessage(Platform::EReadError()), QStringLiteral("Stream-Lesefehler"));
  EXPECT_EQ(Fotarium::App::SystemErrorText(ENOSPC),
            QStringLiteral("Auf dem Gerät ist kein Speicherplatz mehr verfügbar"));
  EXPECT_EQ(ErrorMessage(std::string_view("Ein ganz eigener Text")), QStringLiteral("Ein ganz eigener Text"));
}

TEST_F(WindowLanguageTest, EnglishLocaleGivesAnEnglishWindow) {
  const TEnvScope all("LC_ALL", nullptr);
  const TEnvScope messages("LC_MESSAGES", nullptr);
  const TEnvScope time("LC_TIME", nullptr);
  const TEnvScope numeric("LC_NUMERIC", nullptr);
  const TEnvScope lang("LANG", "en_US.UTF-8");
  StartProgram();
  EXPECT_EQ(Fotarium::App::InstalledWindowLanguage(), TWindowLanguage::wlEnglish);
  EXPECT_TRUE(Form->windowTitle().startsWith(QStringLiteral("Fotarium ")));
  EXPECT_TRUE(
      Form->windowTitle().endsWith(QStringLiteral("Drag the JPG files onto the window with \"drag and drop\"!")));
  EXPECT_EQ(Tabs->tabText(0), QStringLiteral("all Exif data"));
  EXPECT_EQ(Tabs->tabText(2), QStringLiteral("GPS data"));
  EXPECT_EQ(Button("Exit_BitBtn1")->text(), QStringLiteral("Exit  "));

  const std::string a = Picture("a.jpg");
  const std::string b = Picture("b.jpg");
  Drop({a, b});
  EXPECT_EQ(ListView->headerItem()->text(1), QStringLiteral("Value"));
  EXPECT_EQ(ListValue(QStringLiteral("   Camera make")), QStringLiteral("Canon"));
  EXPECT_EQ(ListValue(QStringLiteral("   Loaded cleanly")), QStringLiteral("Yes"));
  const QString date = ListValue(QStringLiteral("   Date/time"));
  EXPECT_TRUE(date.startsWith(QStringLiteral("Saturday, ")) && date.contains(QStringLiteral(" at ")))
      << date.toStdString();
  EXPECT_EQ(ListValue(QStringLiteral("   GPS altitude")), QStringLiteral("100 metres below sea level"));

  Tabs->setCurrentIndex(1);
  EXPECT_EQ(Grid->item(0, 0)->text(), QStringLiteral("Description:"));
  EXPECT_EQ(Grid->item(3, 1)->text(), QStringLiteral("1: normal"));
  EXPECT_EQ(Grid->item(5, 0)->text(), QStringLiteral("Latitude"));
  EXPECT_EQ(Grid->item(6, 0)->text(), QStringLiteral("Longitude"));
  EXPECT_EQ(Grid->item(7, 0)->text(), QStringLiteral("Altitude"));
  EXPECT_EQ(Grid->item(7, 1)->text(), QStringLiteral("100 metres"));
  Desktop->Calls.clear();
  Button("Description_BitBtn")->click();
  ASSERT_FALSE(Desktop->Calls.empty());
  EXPECT_EQ(Desktop->Calls.front().Kind, QStringLiteral("input"));
  EXPECT_EQ(Desktop->Calls.front().Text, QStringLiteral("Image description:"));

  // The sort button's caption is its state, in English as well.
  Tabs->setCurrentIndex(2);
  EXPECT_EQ(Button("Sort_BitBtn")->text(), QStringLiteral("Sort picture list by capture date  "));
  Button("Sort_BitBtn")->click();
  EXPECT_EQ(Button("Sort_BitBtn")->text(), QStringLiteral("Sort picture list by name          "));
  Button("Sort_BitBtn")->click();
  EXPECT_EQ(Button("Sort_BitBtn")->text(), QStringLiteral("Sort picture list by capture date  "));

  Desktop->Calls.clear();
  std::filesystem::remove(b);
  SetCurrentRow(1);
  ASSERT_EQ(Desktop->Messages().size(), 1);
  EXPECT_EQ(Desktop->Messages().front(),
            QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(Q(b)));
  SetCurrentRow(0);
  Button("Google_BitBtn")->click();
  EXPECT_EQ(Desktop->Messages().last(), QStringLiteral("No GPS data available!"));
}
