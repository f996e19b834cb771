// The main window under Qt's offscreen platform: real drops with file URLs, the list's
// commands, the tabs and the layout rule, with the desktop answered from a script.

#include "app/UExifListView.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/core/WindowRules.h"

#include "ScriptedDesktop.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"
#include "platform/JPEGImage.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeEdit>
#include <QDropEvent>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <functional>

using Fotarium::App::TForm1;
using Fotarium::App::TModalResult;

namespace {

struct TPictureSpec {
  int Width = 64;
  int Height = 48;
  std::optional<Platform::TDateTime> DateTime;
  int Orientation = 0; // 0: no EXIF data at all
};

// A small JPEG, with EXIF data when it has an orientation or a date.
void MakePicture(const std::string& path, const TPictureSpec& spec) {
  Platform::TBitmap bitmap(spec.Width, spec.Height);
  bitmap.FillRect({0, 0, spec.Width, spec.Height}, Platform::RGB(200, 40, 40));
  bitmap.FillRect({0, 0, spec.Width / 4, spec.Height}, Platform::RGB(20, 20, 220));
  WriteFile(path, Platform::EncodeBitmapToJPEG(bitmap, 85));
  if (spec.Orientation == 0 && !spec.DateTime)
    return;
  Tessel::Exif::TExifData data;
  data.LoadFromGraphic(path);
  if (spec.Orientation != 0)
    data.SetOrientation(static_cast<Tessel::Exif::TTiffOrientation>(spec.Orientation));
  if (spec.DateTime)
    data.SetDateTime(*spec.DateTime);
  data.SaveToGraphic(path);
}

TPictureSpec Spec(int orientation, std::optional<Platform::TDateTime> dateTime = std::nullopt, int width = 64,
                  int height = 48) {
  TPictureSpec spec;
  spec.Width = width;
  spec.Height = height;
  spec.DateTime = dateTime;
  spec.Orientation = orientation;
  return spec;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    Form = std::make_unique<TForm1>();
    Form2 = std::make_unique<Fotarium::App::TForm2>(Form.get());
    Form3 = std::make_unique<Fotarium::App::TForm3>(Form.get());
    Form4 = std::make_unique<Fotarium::App::TForm4>(Form.get());
    Form->SetDialogs(Form2.get(), Form3.get(), Form4.get());
    Form->show();
    List = Form->findChild<QListView*>(QStringLiteral("ListBox1"));
    Tabs = Form->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    Grid = Form->findChild<QTableWidget*>(QStringLiteral("StringGrid1"));
    Image = Form->findChild<QLabel*>(QStringLiteral("Image1"));
    ListView = Form->findChild<Fotarium::App::TExifListView*>(QStringLiteral("ExifListView"));
    Menu = Form->findChild<QMenu*>(QStringLiteral("PopupMenu1"));
    ASSERT_TRUE(List && Tabs && Grid && Image && ListView && Menu);
  }

  void TearDown() override {
    if (!Form)
      return;
    // The dialogs are the window's children: they go first.
    Form4.reset();
    Form3.reset();
    Form2.reset();
    Form.reset();
  }

  std::string Picture(const std::string& name, const TPictureSpec& spec = {}) {
    const std::string path = Dir.File(name);
    MakePicture(path, spec);
    return path;
  }

  // A real drop of file URLs onto the window; waits until the files are taken.
  void Drop(const std::vector<std::string>& paths) {
    QSignalSpy finished(Form.get(), &TForm1::ListingFinished);
    auto* mime = new QMimeData();
    QList<QUrl> urls;
    for (const auto& path : paths)
      urls << QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path)));
    mime->setUrls(urls);
    // Qt delivers a drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(400, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form.get(), &drop);
    delete mime;
    if (Form->Listing()) {
      ASSERT_TRUE(finished.wait(30000)) << "the drop was never finished";
    }
  }

  QPushButton* Button(const char* name) const { return Form->findChild<QPushButton*>(QLatin1String(name)); }
  QAction* Action(const char* name) const { return Form->findChild<QAction*>(QLatin1String(name)); }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& entry : Form->Entries())
      texts.push_back(entry.Text);
    return texts;
  }

  void OpenMenu() { QMetaObject::invokeMethod(Menu, "aboutToShow"); }

  // The picture list as a user reaches it: rows, the current row, marks.
  [[nodiscard]] int Rows() const { return List->model()->rowCount(); }
  [[nodiscard]] int CurrentRow() const { return List->currentIndex().row(); }
  [[nodiscard]] QModelIndex Row(int row) const { return List->model()->index(row, 0); }
  // Makes a row current the way the list's own keyboard handling does: in single-selection
  // mode it becomes the only marked row, otherwise it is marked as well.
  void SetCurrentRow(int row) const {
    List->selectionModel()->setCurrentIndex(Row(row), List->selectionMode() == QAbstractItemView::SingleSelection
                                                          ? QItemSelectionModel::ClearAndSelect
                                                          : QItemSelectionModel::SelectCurrent);
  }
  [[nodiscard]] bool IsMarked(int row) const { return List->selectionModel()->isSelected(Row(row)); }
  void Mark(int row) const { List->selectionModel()->select(Row(row), QItemSelectionModel::Select); }
  [[nodiscard]] QRect RowRect(int row) const { return List->visualRect(Row(row)); }

  int CommandButtonsEnabled() const {
    int enabled = 0;
    for (const auto name : Fotarium::Core::CommandButtonNames)
      enabled += Form->findChild<QPushButton*>(Q(std::string(name)))->isEnabled() ? 1 : 0;
    return enabled;
  }

  TScriptedDesktopScope Desktop;
  TTempDir Dir;
  std::unique_ptr<TForm1> Form;
  std::unique_ptr<Fotarium::App::TForm2> Form2;
  std::unique_ptr<Fotarium::App::TForm3> Form3;
  std::unique_ptr<Fotarium::App::TForm4> Form4;
  QListView* List = nullptr;
  QTabWidget* Tabs = nullptr;
  QTableWidget* Grid = nullptr;
  QLabel* Image = nullptr;
  Fotarium::App::TExifListView* ListView = nullptr;
  QMenu* Menu = nullptr;
};

} // namespace

TEST_F(MainWindowTest, StartsWithItsCaptionDefaultsAndDisabledCommands) {
  const QString caption = Form->windowTitle();
  ASSERT_EQ(caption.size(),
            150 + QStringLiteral("Ziehen Sie die JPG-Dateien mit \"Drag and Drop\" auf das Formular!").size());
  EXPECT_EQ(caption.left(150), QStringLiteral("Fotarium").leftJustified(150, QLatin1Char(' ')));
  EXPECT_EQ(caption.mid(150), QStringLiteral("Ziehen Sie die JPG-Dateien mit \"Drag and Drop\" auf das Formular!"));

  EXPECT_EQ(Form->centralWidget()->size(), QSize(1251, 731));
  EXPECT_EQ(Tabs->currentIndex(), 0);
  EXPECT_EQ(Tabs->tabPosition(), QTabWidget::South);
  EXPECT_EQ(Tabs->tabText(0), QStringLiteral("alle Exif-Daten"));
  EXPECT_EQ(Tabs->tabText(1), QStringLiteral("editierbare Exif-Daten"));
  EXPECT_EQ(Tabs->tabText(2), QStringLiteral("GPS-Daten"));
  EXPECT_TRUE(ListView->isVisible());
  EXPECT_FALSE(Grid->isVisible());
  EXPECT_EQ(List->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(List->toolTip(), QStringLiteral("Namensänderung durch Doppelklick"));
  EXPECT_EQ(Form->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), QStringLiteral("yyyymmdd_hhnnss_@"));
  EXPECT_FALSE(Image->accessibleName().isEmpty()) << "the picture box is named for screen readers";

  EXPECT_EQ(CommandButtonsEnabled(), 0);
  EXPECT_FALSE(Button("Save_BitBtn")->isEnabled());
  for (const char* name :
       {"Help_BitBtn0", "Help_BitBtn1", "Help_BitBtn2", "Exit_BitBtn0", "Exit_BitBtn1", "Exit_BitBtn2"})
    EXPECT_TRUE(Button(name)->isEnabled()) << name;
  // Captions keep their trailing blanks.
  EXPECT_EQ(Button("Sort_BitBtn")->text(), QStringLiteral("Bilderliste nach Aufnahmedatum sortieren  "));
  EXPECT_EQ(Button("Google_BitBtn")->text(), QStringLiteral("Ort in Google Maps anzeigen     "));
  EXPECT_EQ(Button("Exit_BitBtn1")->text(), QStringLiteral("Ende  "));
  EXPECT_EQ(Action("pm_delete")->text(), QStringLiteral("Bilddatei löschen"));
}

TEST_F(MainWindowTest, DropAddsTheJpegsReportsTheOtherFileAndShowsTheFirstEntry) {
  const std::string a = Picture("a.jpg", Spec(1, Platform::EncodeDateTime(2021, 5, 1, 12, 0, 0, 0)));
  const std::string text = Dir.File("b.txt");
  WriteFile(text, std::string_view("kein Bild"));
  const std::string c = Picture("c.jpg", Spec(6));
  Drop({a, text, c});
  EXPECT_EQ(Texts(), (std::vector<std::string>{a, c}));
  EXPECT_EQ(Desktop->Messages(), QStringList{Q(text) + QStringLiteral(" ist keine JPG-Datei!")});
  EXPECT_EQ(CurrentRow(), 0);
  EXPECT_TRUE(IsMarked(0));
  EXPECT_EQ(Form->JPG_Name(), a);
  EXPECT_EQ(CommandButtonsEnabled(), 13);
  EXPECT_FALSE(Button("Save_BitBtn")->isEnabled());
  EXPECT_FALSE(Image->pixmap().isNull());
  EXPECT_EQ(Image->pixmap().width(), Image->width()) << "the preview is a square of the box's width";
  EXPECT_GT(ListView->topLevelItemCount(), 0) << "tab 0 shows the full list";

  // A second drop: the same file twice, an empty file (not added, no message), and the
  // first entry of the whole list is shown again, not the first dropped file.
  const std::string empty = Dir.File("leer.jpg");
  WriteFile(empty, std::string_view());
  Desktop->Calls.clear();
  Drop({c, empty, c});
  EXPECT_EQ(Texts(), (std::vector<std::string>{a, c, c, c}));
  EXPECT_TRUE(Desktop->Messages().isEmpty());
  EXPECT_EQ(Form->JPG_Name(), a);
}

TEST_F(MainWindowTest, KeyboardAndMouseMakeAnotherEntryCurrentAndShowIt) {
  const std::string a = Picture("a.jpg", Spec(1));
  const std::string b = Picture("b.jpg", Spec(3));
  Drop({a, b});
  ASSERT_EQ(Form->JPG_Name(), a);
  List->setFocus();
  QTest::keyClick(List, Qt::Key_Down);
  EXPECT_EQ(Form->JPG_Name(), b) << "the arrow key shows the entry as a click does";
  const QRect first = RowRect(0);
  QTest::mouseClick(List->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
  EXPECT_EQ(Form->JPG_Name(), a);
}

TEST_F(MainWindowTest, ClickOnTheCurrentEntryShowsItAgainAndDropsUnsavedEdits) {
  const std::string a = Picture("a.jpg", Spec(1));
  const std::string b = Picture("b.jpg", Spec(3));
  Drop({a, b});
  Tabs->setCurrentIndex(1);
  Button("Orientation_BitBtn")->click();
  ASSERT_TRUE(Button("Save_BitBtn")->isEnabled());
  const QRect first = RowRect(0);
  QTest::mouseClick(List->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
  EXPECT_FALSE(Button("Save_BitBtn")->isEnabled()) << "the entry was loaded again";
  EXPECT_EQ(Grid->item(3, 1)->text(), QStringLiteral("1: normal"));

  // A click that makes another entry current shows it once, not twice: the edit made after
  // it survives nothing but a further click.
  const QRect second = RowRect(1);
  QTest::mouseClick(List->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
  EXPECT_EQ(Form->JPG_Name(), b);
  EXPECT_EQ(Grid->item(3, 1)->text(), QStringLiteral("3: um 180° gedreht"));
}

TEST_F(MainWindowTest, ContextMenuShowsOnlyWhatFitsTheCurrentEntry) {
  OpenMenu();
  for (const char* name : {"pm_remove", "pm_delete", "pm_rename", "pm_up", "pm_down"})
    EXPECT_FALSE(Action(name)->isVisible()) << name << " on an empty list";

  Drop({Picture("a.jpg", Spec(1)), Picture("b.jpg", Spec(1)), Picture("c.jpg", Spec(1))});
  SetCurrentRow(0);
  OpenMenu();
  EXPECT_TRUE(Action("pm_remove")->isVisible());
  EXPECT_TRUE(Action("pm_delete")->isVisible());
  EXPECT_TRUE(Action("pm_rename")->isVisible());
  EXPECT_FALSE(Action("pm_up")->isVisible()) << "first entry";
  EXPECT_TRUE(Action("pm_down")->isVisible());

  SetCurrentRow(2);
  OpenMenu();
  EXPECT_TRUE(Action("pm_up")->isVisible());
  EXPECT_FALSE(Action("pm_down")->isVisible()) << "last entry";
}

TEST_F(MainWindowTest, RemovingTheLastEntryClearsTheViewAndKeepsTheSaveButton) {
  const std::string a = Picture("a.jpg", Spec(1));
  const std::string b = Picture("b.jpg", Spec(1));
  Drop({a, b});
  Tabs->setCurrentIndex(1);
  ASSERT_FALSE(Grid->item(3, 1)->text().isEmpty());

  SetCurrentRow(1);
  Action("pm_remove")->trigger();
  EXPECT_EQ(Texts(), std::vector<std::string>{a});
  EXPECT_EQ(Form->JPG_Name(), a);
  EXPECT_EQ(CommandButtonsEnabled(), 13);

  Button("Orientation_BitBtn")->click(); // an edit that is not saved
  ASSERT_TRUE(Button("Save_BitBtn")->isEnabled());
  Action("pm_remove")->trigger();
  EXPECT_TRUE(Texts().empty());
  EXPECT_TRUE(Image->pixmap().isNull());
  EXPECT_EQ(ListView->topLevelItemCount(), 0);
  for (int row = 0; row < Grid->rowCount(); ++row) {
    EXPECT_TRUE(Grid->item(row, 1)->text().isEmpty()) << row;
    EXPECT_FALSE(Grid->item(row, 0)->text().isEmpty()) << "captions stay, row " << row;
  }
  EXPECT_EQ(CommandButtonsEnabled(), 0);
  EXPECT_TRUE(Button("Save_BitBtn")->isEnabled());
}

TEST_F(MainWindowTest, UpAndDownExchangeEntriesWithTheirKeys) {
  const Platform::TDateTime early = Platform::EncodeDateTime(2019, 1, 1, 0, 0, 0, 0);
  const Platform::TDateTime late = Platform::EncodeDateTime(2022, 1, 1, 0, 0, 0, 0);
  const std::string a = Picture("a.jpg", Spec(0, late));
  const std::string b = Picture("b.jpg", Spec(0, early));
  const std::string c = Picture("c.jpg", Spec(1));
  Drop({a, b, c});

  // Multi-selection (tab 0): the current index stays, so the entry now there is shown.
  SetCurrentRow(1);
  Action("pm_up")->trigger();
  EXPECT_EQ(Texts(), (std::vector<std::string>{b, a, c}));
  EXPECT_EQ(CurrentRow(), 1);
  EXPECT_EQ(Form->JPG_Name(), a);
  EXPECT_TRUE(IsMarked(0)) << "the moved entry is marked";
  EXPECT_DOUBLE_EQ(Form->Entries()[0].CaptureTimeKey, early) << "the key travels with its entry";
  EXPECT_DOUBLE_EQ(Form->Entries()[1].CaptureTimeKey, late);

  // Single selection (tab 1): marking the moved entry makes it current, so it is shown.
  Tabs->setCurrentIndex(1);
  SetCurrentRow(0);
  Action("pm_down")->trigger();
  EXPECT_EQ(Texts(), (std::vector<std::string>{a, b, c}));
  EXPECT_EQ(CurrentRow(), 1);
  EXPECT_EQ(Form->JPG_Name(), b);
}

TEST_F(MainWindowTest, SortAlternatesBetweenCaptureTimeAndName) {
  const std::string z = Picture("z.jpg", Spec(0, Platform::EncodeDateTime(2019, 1, 1, 0, 0, 0, 0)));
  const std::string m = Picture("m.jpg", Spec(0, Platform::EncodeDateTime(2018, 1, 1, 0, 0, 0, 0)));
  const std::string a = Picture("a.jpg", Spec(0, Platform::EncodeDateTime(2020, 1, 1, 0, 0, 0, 0)));
  const std::string undated = Picture("n.jpg", Spec(1));
  Drop({z, m, a, undated});
  QPushButton* sort = Button("Sort_BitBtn");
  Tabs->setCurrentIndex(2);

  sort->click();
  EXPECT_EQ(Texts(), (std::vector<std::string>{undated, m, z, a})) << "undated pictures come first";
  EXPECT_EQ(sort->text(), QStringLiteral("Bilderliste nach Namen sortieren          "));
  EXPECT_EQ(Form->JPG_Name(), undated);

  sort->click();
  EXPECT_EQ(Texts(), (std::vector<std::string>{a, m, undated, z}));
  EXPECT_EQ(sort->text(), QStringLiteral("Bilderliste nach Aufnahmedatum sortieren  "));
  EXPECT_EQ(CurrentRow(), 0);
  EXPECT_EQ(Form->JPG_Name(), a);

  // While sorted by name, new entries go to their place.
  const std::string b = Picture("b.jpg", Spec(1));
  Drop({b});
  EXPECT_EQ(Texts(), (std::vector<std::string>{a, b, m, undated, z}));
  const std::string c = Picture("c.jpg", Spec(1));
  const std::string y = Picture("y.jpg", Spec(1));
  Drop({y, b, c, a, z});
  EXPECT_EQ(Texts(), (std::vector<std::string>{a, a, b, b, c, m, undated, y, z, z}));
}

TEST_F(MainWindowTest, TabChangesSwitchViewsButtonsSelectionAndListHeight) {
  Drop({Picture("a.jpg", Spec(5))});
  const auto splitter = Form->findChild<QSplitter*>(QStringLiteral("Splitter1"));
  const int panel2Height = Form->findChild<QWidget*>(QStringLiteral("Panel2"))->height();
  const int rows = 12 * (24 + 1);

  Tabs->setCurrentIndex(1);
  EXPECT_TRUE(Grid->isVisible());
  EXPECT_FALSE(ListView->isVisible());
  EXPECT_EQ(List->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(Grid->rowCount(), 12);
  EXPECT_EQ(Grid->columnWidth(0), 180);
  EXPECT_EQ(splitter->sizes().at(0), panel2Height - 138 - rows - 6) << "the list height is computed with 138";
  EXPECT_EQ(Tabs->height(), 158);
  EXPECT_EQ(Grid->item(0, 0)->text(), QStringLiteral("Beschreibung:"));
  EXPECT_EQ(Grid->item(0, 1)->text(), QStringLiteral("Werte"));
  EXPECT_EQ(Grid->item(3, 1)->text(), QStringLiteral("5: an Hauptdiagonale gespiegelt"));
  EXPECT_TRUE(Button("Google_BitBtn")->isEnabled());

  Tabs->setCurrentIndex(2);
  EXPECT_EQ(List->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_TRUE(Grid->isVisible());

  Tabs->setCurrentIndex(0);
  EXPECT_TRUE(ListView->isVisible());
  EXPECT_FALSE(Grid->isVisible());
  EXPECT_EQ(splitter->sizes().at(0), panel2Height - 98 - rows - 6) << "the list height is computed with 98";
  EXPECT_EQ(Tabs->height(), 158);

  // The layout rule on a resize: the picture box stays square.
  Form->resize(1400, 800);
  QApplication::processEvents();
  const auto panel1 = Form->findChild<QWidget*>(QStringLiteral("Panel1"));
  EXPECT_EQ(panel1->width(), panel1->height());
}

TEST_F(MainWindowTest, TabChangeOnAnEmptyListDisablesTheTabsButtons) {
  Tabs->setCurrentIndex(1);
  for (const char* name : {"Orientation_BitBtn", "Change_Date_BitBtn", "Description_BitBtn", "Comment_BitBtn"})
    EXPECT_FALSE(Button(name)->isEnabled()) << name;
}

TEST_F(MainWindowTest, DeleteMovesTheFileToTheTrash) {
  const std::string a = Picture("a.jpg", Spec(1));
  const std::string b = Picture("b.jpg", Spec(1));
  Drop({a, b});
  SetCurrentRow(0);
  Action("pm_delete")->trigger();
  ASSERT_FALSE(Desktop->Calls.empty());
  EXPECT_EQ(Desktop->Calls.back().Kind, QStringLiteral("trash"));
  EXPECT_EQ(Desktop->Calls.back().Text, Q(a));
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_EQ(Texts(), std::vector<std::string>{b});
  EXPECT_EQ(Form->JPG_Name(), b);

  // Without a trash the user is asked; No keeps file and entry.
  Desktop->TrashAvailable = false;
  Desktop->MessageAnswers = {TModalResult::mrNo};
  Action("pm_delete")->trigger();
  EXPECT_TRUE(std::filesystem::exists(b));
  EXPECT_EQ(Texts(), std::vector<std::string>{b});
  ASSERT_EQ(Desktop->Messages().size(), 1);
  EXPECT_TRUE(Desktop->Messages().front().startsWith(Q(b)));

  Desktop->MessageAnswers = {TModalResult::mrYes};
  Action("pm_delete")->trigger();
  EXPECT_FALSE(std::filesystem::exists(b));
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(CommandButtonsEnabled(), 0);
}

TEST_F(MainWindowTest, RenameMovesTheFileOrSaysWhyNot) {
  const std::string a = Picture("a.jpg", Spec(0, Platform::EncodeDateTime(2020, 2, 2, 2, 2, 2, 0)));
  const std::string taken = Picture("taken.jpg", Spec(1));
  Drop({a});

  // Cancelled (the box answers the old name): nothing moves, nothing is reported.
  Action("pm_rename")->trigger();
  EXPECT_TRUE(Desktop->Messages().isEmpty());
  EXPECT_EQ(Texts(), std::vector<std::string>{a});

  Desktop->InputAnswers = {QStringLiteral("taken.jpg")};
  Action("pm_rename")->trigger();
  ASSERT_EQ(Desktop->Messages().size(), 1);
  EXPECT_EQ(Desktop->Messages().front(),
            QStringLiteral("Umbenennen von %1 scheiterte mit Fehler: %2").arg(Q(a)).arg(EEXIST));
  EXPECT_TRUE(std::filesystem::exists(a));
  EXPECT_EQ(Texts(), std::vector<std::string>{a});

  Desktop->InputAnswers = {QStringLiteral("neu.jpg")};
  Action("pm_rename")->trigger();
  const std::string renamed = Dir.File("neu.jpg");
  EXPECT_EQ(Texts(), std::vector<std::string>{renamed}) << "the folder part ends with /";
  EXPECT_TRUE(std::filesystem::exists(renamed));
  EXPECT_EQ(Form->JPG_Name(), renamed);
  EXPECT_DOUBLE_EQ(Form->Entries()[0].CaptureTimeKey, Platform::EncodeDateTime(2020, 2, 2, 2, 2, 2, 0));
}

TEST_F(MainWindowTest, PictureWithoutExifOffersAnEmptySet) {
  const std::string bare = Picture("bare.jpg");
  Desktop->MessageAnswers = {TModalResult::mrNo};
  Drop({bare});
  ASSERT_EQ(Desktop->Messages().size(), 1);
  EXPECT_EQ(Desktop->Messages().front(),
            Q(bare) + QStringLiteral(" besitzt keine Exif-Daten\r\nSoll ein leerer Satz angelegt werden?"));
  {
    Tessel::Exif::TExifData data;
    data.LoadFromGraphic(bare);
    EXPECT_TRUE(data.Empty()) << "No leaves the file untouched";
  }

  Desktop->MessageAnswers = {TModalResult::mrYes};
  Tabs->setCurrentIndex(1);
  SetCurrentRow(-1);
  SetCurrentRow(0);
  Tessel::Exif::TExifData data;
  data.LoadFromGraphic(bare);
  EXPECT_FALSE(data.Empty()) << "Yes writes the set into the file at once";
  EXPECT_EQ(static_cast<int>(data.Orientation()), 1);
  EXPECT_EQ(Grid->item(3, 1)->text(), QStringLiteral("1: normal"));
  EXPECT_EQ(Grid->item(4, 1)->text(), QStringLiteral("0 x 0"));
}

TEST_F(MainWindowTest, FileGoneSinceItWasAddedShowsTheErrorAndKeepsRunning) {
  const std::string a = Picture("a.jpg", Spec(1));
  const std::string b = Picture("b.jpg", Spec(1));
  Drop({a, b});
  std::filesystem::remove(b);
  SetCurrentRow(1);
  EXPECT_EQ(Desktop->Messages().size(), 1) << "the default error handler showed the error";
  EXPECT_EQ(CommandButtonsEnabled(), 0) << "the buttons stay disabled";
  SetCurrentRow(0);
  EXPECT_EQ(CommandButtonsEnabled(), 13);
}

TEST_F(MainWindowTest, HelpOpensTheManualBesideTheProgram) {
  Button("Help_BitBtn1")->click();
  ASSERT_EQ(Desktop->Opened().size(), 1);
  EXPECT_EQ(Desktop->Opened().front(), QCoreApplication::applicationDirPath() + QStringLiteral("/Fotarium.pdf"));
}

TEST_F(MainWindowTest, PreviewTurnsOrientationsThreeSixAndEight) {
  // A landscape picture: a blue band on the left quarter of a red picture.
  for (const int orientation : {1, 3, 6, 8, 5}) {
    SCOPED_TRACE(orientation);
    Form->CancelListing();
    const std::string path =
        Picture("o" + std::to_string(orientation) + ".jpg", Spec(orientation, std::nullopt, 160, 80));
    Desktop->Calls.clear();
    Drop({path});
    SetCurrentRow(Rows() - 1);
    const QImage shown = Image->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    const int side = shown.width();
    ASSERT_EQ(shown.height(), side);
    const auto blue = [&](int x, int y) {
      const QColor c = shown.pixelColor(x, y);
      return c.blue() > 150 && c.red() < 100;
    };
    switch (orientation) {
    case 3: // turned 180: the band is on the right
      EXPECT_TRUE(blue(side - 3, side / 2));
      break;
    case 6: // turned 90 clockwise: a portrait band, the blue quarter at the top
      EXPECT_TRUE(blue(side / 2, side / 20));
      EXPECT_FALSE(blue(side / 2, side - side / 20));
      break;
    case 8: // turned 270: the blue quarter at the bottom
      EXPECT_TRUE(blue(side / 2, side - side / 20));
      break;
    default: // not turned (mirrored values included)
      EXPECT_TRUE(blue(3, side / 2));
      break;
    }
  }
}

namespace {

// The compressed picture: everything from the first start-of-scan marker on.
std::vector<std::uint8_t> ScanData(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadFile(path);
  for (std::size_t i = 2; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
      return {bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end()};
  return {};
}

// Sets the two pickers and the choice of the capture-time dialog as a user would.
TModalResult AnswerCaptureTimeDialog(QDialog& dialog, const QDate& date, const QTime& time, int item) {
  auto* form4 = dynamic_cast<Fotarium::App::TForm4*>(&dialog);
  auto* datePicker = dialog.findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker1"));
  auto* timePicker = dialog.findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker2"));
  EXPECT_TRUE(form4 && datePicker && timePicker) << "the capture-time dialog and its pickers";
  if (!(form4 && datePicker && timePicker))
    return TModalResult::mrAbort;
  datePicker->setDate(date);
  timePicker->setTime(time);
  form4->SetItemIndex(item);
  return TModalResult::mrOk;
}

} // namespace

TEST_F(MainWindowTest, OrientationClickAndSaveReachTheFileAndTurnThePreview) {
  const std::string path = Picture("turn.jpg", Spec(1, std::nullopt, 160, 80));
  const std::vector<std::uint8_t> scanBefore = ScanData(path);
  ASSERT_FALSE(scanBefore.empty());
  Drop({path});
  Tabs->setCurrentIndex(1);

  Button("Orientation_BitBtn")->click();
  EXPECT_EQ(Grid->item(3, 1)->text(), QStringLiteral("6: um 90° gedreht"));
  EXPECT_TRUE(Button("Save_BitBtn")->isEnabled());
  {
    Tessel::Exif::TExifData onDisk;
    onDisk.LoadFromGraphic(path);
    EXPECT_EQ(static_cast<int>(onDisk.Orientation()), 1) << "nothing is written before saving";
  }

  Button("Save_BitBtn")->click();
  EXPECT_TRUE(Desktop->Messages().isEmpty()) << Desktop->Messages().join(QLatin1Char('\n')).toStdString();
  EXPECT_FALSE(Button("Save_BitBtn")->isEnabled());
  EXPECT_EQ(CommandButtonsEnabled(), 13) << "showing the saved entry enables the commands again";
  Tessel::Exif::TExifData onDisk;
  onDisk.LoadFromGraphic(path);
  EXPECT_EQ(static_cast<int>(onDisk.Orientation()), 6);
  EXPECT_EQ(ScanData(path), scanBefore) << "the picture data is copied byte for byte";

  // Reloaded: the blue left quarter is now at the top of a portrait band.
  const QImage shown = Image->pixmap().toImage();
  ASSERT_FALSE(shown.isNull());
  const int side = shown.width();
  const QColor top = shown.pixelColor(side / 2, side / 20);
  const QColor bottom = shown.pixelColor(side / 2, side - side / 20);
  EXPECT_GT(top.blue(), 150);
  EXPECT_GT(bottom.red(), 150);
}

TEST_F(MainWindowTest, FailedEditsAndSavesStopTheCommandAndKeepTheEdits) {
  const std::string path = Picture("edit.jpg", Spec(1));
  Drop({path});
  Tabs->setCurrentIndex(1);

  EXPECT_FALSE(Button("Save_BitBtn")->isEnabled());
  EXPECT_TRUE(Grid->item(9, 1)->text().isEmpty());

  // A cancelled box answers the old text and still counts as an edit.
  Button("Comment_BitBtn")->click();
  EXPECT_TRUE(Button("Save_BitBtn")->isEnabled());
  Desktop->InputAnswers = {QStringLiteral("Am See")};
  Button("Description_BitBtn")->click();
  EXPECT_EQ(Grid->item(9, 1)->text(), QStringLiteral("Am See"));

  // The file went away: the save fails, the edit and the button stay.
  std::filesystem::remove(path);
  Desktop->Calls.clear();
  Button("Save_BitBtn")->click();
  EXPECT_EQ(Desktop->Messages().size(), 1) << "the error is shown";
  EXPECT_TRUE(Button("Save_BitBtn")->isEnabled());
  EXPECT_EQ(Grid->item(9, 1)->text(), QStringLiteral("Am See"));
  EXPECT_FALSE(std::filesystem::exists(path)) << "no partial file is left";
}

TEST_F(MainWindowTest, DescriptionAndCommentWithUmlautsAreShownAndSaved) {
  const std::string path = Picture("umlaut.jpg", Spec(1));
  Drop({path});
  Tabs->setCurrentIndex(1);
  Desktop->InputAnswers = {QStringLiteral("Blick über Köln")};
  Button("Description_BitBtn")->click();
  Desktop->InputAnswers = {QStringLiteral("Zürich – Straße")};
  Button("Comment_BitBtn")->click();
  EXPECT_TRUE(Desktop->Messages().isEmpty()) << Desktop->Messages().join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(Button("Save_BitBtn")->isEnabled());
  EXPECT_EQ(Grid->item(9, 1)->text(), QStringLiteral("Blick über Köln"));
  EXPECT_EQ(Grid->item(11, 1)->text(), QStringLiteral("Zürich – Straße"));

  Button("Save_BitBtn")->click();
  EXPECT_TRUE(Desktop->Messages().isEmpty()) << Desktop->Messages().join(QLatin1Char('\n')).toStdString();
  EXPECT_FALSE(Button("Save_BitBtn")->isEnabled());
  // Shown again from the saved file.
  EXPECT_EQ(Grid->item(9, 1)->text(), QStringLiteral("Blick über Köln"));
  EXPECT_EQ(Grid->item(11, 1)->text(), QStringLiteral("Zürich – Straße"));
  Tessel::Exif::TExifData onDisk;
  ASSERT_TRUE(onDisk.LoadFromGraphic(path));
  EXPECT_EQ(onDisk.ImageDescription(), "Blick über Köln");
  onDisk.GetSection(Tessel::Exif::TExifSectionKind::esGeneral)->Remove(Tessel::Exif::ttXPComment);
  EXPECT_EQ(onDisk.Comments(), "Zürich – Straße") << "UserComment holds the comment too";
}

TEST_F(MainWindowTest, RenameOfMarkedFilesReportsATakenName) {
  const std::string a = Picture("a.jpg", Spec(0, Platform::EncodeDateTime(2016, 9, 23, 13, 26, 52, 0)));
  const std::string b = Picture("b.jpg", Spec(0, Platform::EncodeDateTime(2017, 1, 2, 3, 4, 5, 0)));
  const std::string c = Picture("c.jpg", Spec(0, Platform::EncodeDateTime(2018, 6, 7, 8, 9, 10, 0)));
  const std::string taken = Picture("20170102_030405_b.jpg", Spec(1));
  const std::string unmarked = Picture("d.jpg", Spec(0, Platform::EncodeDateTime(2019, 1, 1, 0, 0, 0, 0)));
  Drop({a, b, c, unmarked});
  List->clearSelection();
  for (int i = 0; i < 3; ++i)
    Mark(i);

  Button("Date_BitBtn")->click();
  EXPECT_EQ(Texts(), (std::vector<std::string>{Dir.File("20160923_132652_a.jpg"), b, Dir.File("20180607_080910_c.jpg"),
                                               unmarked}));
  ASSERT_EQ(Desktop->Messages().size(), 1);
  EXPECT_EQ(Desktop->Messages().front(),
            QStringLiteral("Umbenennen von %1 scheiterte mit Fehler: %2").arg(Q(b)).arg(EEXIST));
  EXPECT_TRUE(std::filesystem::exists(b));
  EXPECT_TRUE(std::filesystem::exists(taken));
  EXPECT_TRUE(std::filesystem::exists(Dir.File("20160923_132652_a.jpg")));
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_TRUE(std::filesystem::exists(unmarked));
}

TEST_F(MainWindowTest, RenameAsksForAMissingCaptureTime) {
  const std::string path = Picture("x.jpg", Spec(1));
  Drop({path});
  Mark(0);

  // Abort: the picture is left alone, the dialog never opens.
  Desktop->MessageAnswers = {TModalResult::mrAbort};
  Button("Date_BitBtn")->click();
  EXPECT_EQ(Texts(), std::vector<std::string>{path});
  ASSERT_EQ(Desktop->Messages().size(), 1);
  EXPECT_EQ(Desktop->Messages().front(),
            Q(path) + QStringLiteral(
                          " hat keine oder eine inkorrekte Aufnahmezeit!\r\nMöchten Sie eine Aufnahmezeit angeben?"));
  for (const auto& call : Desktop->Calls)
    EXPECT_NE(call.Kind, QStringLiteral("dialog"));

  // Yes, OK with item 1: the date goes into the file, then the file is renamed after it.
  Desktop->Calls.clear();
  Desktop->MessageAnswers = {TModalResult::mrYes};
  Desktop->DialogAnswers.push_back(
      [](QDialog& dialog) { return AnswerCaptureTimeDialog(dialog, QDate(2021, 5, 1), QTime(23, 59, 0), 1); });
  Mark(0);
  Button("Date_BitBtn")->click();
  const std::string renamed = Dir.File("20210501_235900_x.jpg");
  EXPECT_EQ(Texts(), std::vector<std::string>{renamed});
  ASSERT_TRUE(std::filesystem::exists(renamed));
  Tessel::Exif::TExifData data;
  data.LoadFromGraphic(renamed);
  EXPECT_DOUBLE_EQ(data.DateTime().Value(), Platform::EncodeDateTime(2021, 5, 1, 23, 59, 0, 0));
}

TEST_F(MainWindowTest, CancellingARenameKeepsEveryFileUnderOneOfItsNames) {
  // None of the three has a capture time: the first question is answered and, while its
  // dialog is open, the user presses the progress window's cancel button.
  const std::string a = Picture("a.jpg", Spec(1));
  const std::string b = Picture("b.jpg", Spec(1));
  const std::string c = Picture("c.jpg", Spec(1));
  Drop({a, b, c});
  List->clearSelection();
  for (int i = 0; i < 3; ++i)
    Mark(i);

  Desktop->MessageAnswers = {TModalResult::mrYes};
  TForm1* form = Form.get();
  Desktop->DialogAnswers.push_back([form](QDialog& dialog) {
    auto* progress = form->findChild<QProgressDialog*>(QStringLiteral("RenameProgress"));
    EXPECT_NE(progress, nullptr);
    if (progress != nullptr)
      progress->cancel();
    return AnswerCaptureTimeDialog(dialog, QDate(2020, 2, 29), QTime(12, 0, 0), 1);
  });
  Button("Date_BitBtn")->click();

  const std::string renamed = Dir.File("20200229_120000_a.jpg");
  EXPECT_EQ(Texts(), (std::vector<std::string>{renamed, b, c})) << "the file in hand is finished, no other is touched";
  EXPECT_TRUE(std::filesystem::exists(renamed));
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_TRUE(std::filesystem::exists(b));
  EXPECT_TRUE(std::filesystem::exists(c));
  EXPECT_EQ(Desktop->Messages().size(), 1) << "no question for the files after the cancel";
  EXPECT_TRUE(Desktop->DialogAnswers.empty());
}

TEST_F(MainWindowTest, GPSDialogTakesThePositionIntoTheData) {
  const std::string path = Picture("gps.jpg", Spec(1));
  Drop({path});
  Tabs->setCurrentIndex(1);

  Desktop->DialogAnswers.push_back([](QDialog& dialog) {
    auto* form3 = dynamic_cast<Fotarium::App::TForm3*>(&dialog);
    EXPECT_NE(form3, nullptr);
    if (form3 == nullptr)
      return TModalResult::mrCancel;
    EXPECT_EQ(form3->Cells(0, 1), QStringLiteral("Geographische Breite")) << "the main grid's rows are copied";
    form3->SetCells(1, 1, QStringLiteral("48°8'15\"S"));
    form3->SetCells(1, 2, QStringLiteral("11°34'31\"E"));
    return TModalResult::mrOk;
  });
  Button("Change_GPS_BitBtn")->click();
  EXPECT_TRUE(Button("Save_BitBtn")->isEnabled());
  const auto* exif = &Form->Picture()->ExifData();
  EXPECT_EQ(exif->GPSLatitude().Degrees().Numerator, 48U);
  EXPECT_EQ(exif->GPSLatitude().Minutes().Numerator, 8U);
  EXPECT_EQ(exif->GPSLongitude().Degrees().Numerator, 11U);
  EXPECT_FALSE(Grid->item(5, 1)->text().isEmpty());

  // The map link of the shown position, through the shell.
  Button("Google_BitBtn")->click();
  ASSERT_EQ(Desktop->Opened().size(), 1);
  EXPECT_TRUE(Desktop->Opened().front().startsWith(QStringLiteral("https://www.google.com/maps?q=-48.1375")))
      << Desktop->Opened().front().toStdString();

  // Cancel takes nothing over but still enables saving.
  Button("Save_BitBtn")->click();
  EXPECT_FALSE(Button("Save_BitBtn")->isEnabled());
  Desktop->DialogAnswers.push_back([](QDialog&) { return TModalResult::mrCancel; });
  Button("Change_GPS_BitBtn")->click();
  EXPECT_TRUE(Button("Save_BitBtn")->isEnabled());
}

TEST_F(MainWindowTest, DecimalPositionPastedWithSignsIsSavedInItsHemispheres) {
  // Santiago de Chile from another program's clipboard, in the decimal form with signs.
  const std::string path = Picture("santiago.jpg", Spec(1));
  Drop({path});
  Tabs->setCurrentIndex(1);
  Desktop->Clipboard = QStringLiteral("-33.4475, -70.6483");
  Desktop->DialogAnswers.push_back([](QDialog& dialog) {
    auto* decimal = dialog.findChild<QRadioButton*>(QStringLiteral("RadioGroup1Item1"));
    auto* paste = dialog.findChild<QPushButton*>(QStringLiteral("btn_from_Clpb"));
    EXPECT_TRUE(decimal && paste);
    if (!decimal || !paste)
      return TModalResult::mrCancel;
    decimal->setChecked(true);
    paste->click();
    return TModalResult::mrOk;
  });
  Button("Change_GPS_BitBtn")->click();
  Button("Save_BitBtn")->click();
  EXPECT_TRUE(Desktop->Messages().isEmpty()) << Desktop->Messages().join(QLatin1Char('\n')).toStdString();

  Tessel::Exif::TExifData onDisk;
  ASSERT_TRUE(onDisk.LoadFromGraphic(path));
  EXPECT_EQ(onDisk.GPSLatitude().Direction(), Tessel::Exif::TGPSLatitudeRef::ltSouth);
  EXPECT_EQ(onDisk.GPSLongitude().Direction(), Tessel::Exif::TGPSLongitudeRef::lnWest);
  EXPECT_EQ(onDisk.GPSLatitude().Degrees().Numerator, 33U);
  EXPECT_EQ(onDisk.GPSLongitude().Degrees().Numerator, 70U);
  // FOTARIUM_KEEP_SAVED_PICTURE=FILE keeps the saved picture for a look with other tools.
  if (const char* keep = std::getenv("FOTARIUM_KEEP_SAVED_PICTURE"))
    QFile::copy(QString::fromStdString(path), QString::fromUtf8(keep));
  // Copied out again in the same form, the position comes back with its signs.
  Desktop->DialogAnswers.push_back([](QDialog& dialog) {
    dialog.findChild<QPushButton*>(QStringLiteral("btn_toClpb"))->click();
    return TModalResult::mrCancel;
  });
  Button("Change_GPS_BitBtn")->click();
  EXPECT_EQ(Desktop->Clipboard, QStringLiteral("-33.4475, -70.6483"));
}

TEST_F(MainWindowTest, MapButtonWithoutPositionSaysSo) {
  Drop({Picture("nogps.jpg", Spec(1))});
  Tabs->setCurrentIndex(2);
  Button("Google_BitBtn")->click();
  EXPECT_TRUE(Desktop->Opened().isEmpty());
  EXPECT_EQ(Desktop->Messages(), QStringList{QStringLiteral("Keine GPS-Daten verfügbar!")});
  // A cancelled file-name box writes no KML file.
  Button("KML_BitBtn")->click();
  EXPECT_EQ(Desktop->Messages().size(), 1);
  Desktop->InputAnswers.push_back(QStringLiteral("trip"));
  Button("KML_BitBtn")->click();
  EXPECT_EQ(Desktop->Messages().last(),
            QStringLiteral("0 von 1 Bildern in %1 geschrieben\nOhne Position: nogps.jpg").arg(Q(Dir.File("trip.kml"))));
  EXPECT_NE(ReadFileText(Dir.File("trip.kml")).find("<kml xmlns=\"http://www.opengis.net/kml/2.2\">"),
            std::string::npos);
}

namespace {

// count pictures (copies of one small JPEG with a date) and, at rejectAt, a text file.
std::vector<std::string> ManyFiles(const TTempDir& dir, int count, int rejectAt) {
  const std::string model = dir.File("model.jpeg");
  MakePicture(model, Spec(0, Platform::EncodeDateTime(2020, 1, 1, 0, 0, 0, 0)));
  const std::vector<std::uint8_t> bytes = ReadFile(model);
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%04d.jpg", count - i); // names against the drop order
    paths.push_back(dir.File(name));
    WriteFile(paths.back(), bytes);
    if (i == rejectAt) {
      paths.push_back(dir.File("notes.txt"));
      WriteFile(paths.back(), std::string_view("kein Bild"));
    }
  }
  return paths;
}

} // namespace

TEST_F(MainWindowTest, LargeDropReportsProgressKeepsOrderAndGivesEachRejectionItsMessage) {
  const std::vector<std::string> dropped = ManyFiles(Dir, 300, 120);
  std::vector<std::string> pictures;
  for (const auto& path : dropped)
    if (!path.ends_with(".txt"))
      pictures.push_back(path);

  std::vector<std::pair<int, int>> progress;
  int dialogMaximum = 0;
  QObject::connect(Form.get(), &TForm1::ListingProgress, Form.get(), [&](int done, int total) {
    progress.emplace_back(done, total);
    if (auto* dialog = Form->findChild<QProgressDialog*>(QStringLiteral("ListingProgress")); dialog && total > 0)
      dialogMaximum = dialog->maximum();
  });
  Drop(dropped);

  EXPECT_EQ(Texts(), pictures) << "entries in drop order";
  EXPECT_EQ(Desktop->Messages(), QStringList{Q(Dir.File("notes.txt")) + QStringLiteral(" ist keine JPG-Datei!")});
  ASSERT_GT(progress.size(), 2U) << "the drop is taken in several turns of the event loop";
  int last = -1;
  bool reachedEnd = false;
  for (const auto& [done, total] : progress) {
    if (total == 0)
      continue; // idle again
    EXPECT_EQ(total, 301);
    EXPECT_GE(done, last);
    last = done;
    reachedEnd = reachedEnd || done == total;
  }
  EXPECT_TRUE(reachedEnd);
  EXPECT_EQ(dialogMaximum, 301);
  EXPECT_EQ(Form->JPG_Name(), pictures.front());
}

TEST_F(MainWindowTest, CancelledDropKeepsWhatWasAdded) {
  const std::vector<std::string> dropped = ManyFiles(Dir, 300, 40);
  bool cancelled = false;
  int doneAtCancel = 0;
  QObject::connect(Form.get(), &TForm1::ListingProgress, Form.get(), [&](int done, int total) {
    if (!cancelled && total > 0 && done >= total / 2) {
      cancelled = true;
      doneAtCancel = done;
      auto* dialog = Form->findChild<QProgressDialog*>(QStringLiteral("ListingProgress"));
      ASSERT_NE(dialog, nullptr);
      auto* cancel = dialog->findChild<QPushButton*>();
      ASSERT_NE(cancel, nullptr);
      EXPECT_EQ(cancel->text(), QStringLiteral("Abbrechen"));
      cancel->click();
    }
  });
  Drop(dropped);
  ASSERT_TRUE(cancelled);
  EXPECT_FALSE(Form->Listing());

  const std::vector<std::string> texts = Texts();
  EXPECT_GT(texts.size(), 100U);
  EXPECT_LT(texts.size(), 300U) << "the rest of the drop was dropped";
  // Exactly the files taken before the cancel, in order (the rejected one left out).
  std::vector<std::string> expected;
  for (int i = 0; i < doneAtCancel; ++i)
    if (!dropped[static_cast<std::size_t>(i)].ends_with(".txt"))
      expected.push_back(dropped[static_cast<std::size_t>(i)]);
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(Desktop->Messages().size(), 1) << "the rejected file before the cancel";
  EXPECT_EQ(Form->JPG_Name(), texts.front()) << "the first entry is shown";

  // Nothing of the cancelled drop arrives later; a new drop works.
  const std::string extra = Picture("extra.jpg", Spec(1));
  Drop({extra});
  EXPECT_EQ(Texts().size(), texts.size() + 1);
  EXPECT_EQ(Texts().back(), extra);
}

TEST_F(MainWindowTest, DateDialogProposesTodayForAPictureWithoutDateAndStoresThePickedValue) {
  const std::string path = Picture("undated.jpg", Spec(1));
  Drop({path});
  Tabs->setCurrentIndex(1);

  // Cancel: nothing changes, saving stays off.
  Desktop->DialogAnswers.push_back([](QDialog&) { return TModalResult::mrCancel; });
  Button("Change_Date_BitBtn")->click();
  EXPECT_FALSE(Button("Save_BitBtn")->isEnabled());

  Desktop->DialogAnswers.push_back([&](QDialog& dialog) {
    auto* form2 = dynamic_cast<Fotarium::App::TForm2*>(&dialog);
    EXPECT_NE(form2, nullptr);
    if (form2 == nullptr)
      return TModalResult::mrCancel;
    EXPECT_EQ(form2->DialogHeight(), 214);
    EXPECT_TRUE(form2->LabelText().startsWith(Q(path) + QStringLiteral(" hat noch kein gültiges Aufnahmedatum!")));
    dialog.findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker1"))->setDate(QDate(2021, 5, 1));
    dialog.findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker2"))->setTime(QTime(23, 59, 0));
    return TModalResult::mrOk;
  });
  Button("Change_Date_BitBtn")->click();
  EXPECT_TRUE(Button("Save_BitBtn")->isEnabled());
  EXPECT_DOUBLE_EQ(Form->Picture()->ExifData().DateTime().Value(), Platform::EncodeDateTime(2021, 5, 1, 23, 59, 0, 0));
  EXPECT_TRUE(Grid->item(8, 1)->text().contains(QStringLiteral("2021"))) << Grid->item(8, 1)->text().toStdString();

  // The next use starts from the picture's own date with the short dialog.
  Desktop->DialogAnswers.push_back([](QDialog& dialog) {
    auto* form2 = dynamic_cast<Fotarium::App::TForm2*>(&dialog);
    EXPECT_EQ(form2->DialogHeight(), 140);
    EXPECT_TRUE(form2->LabelText().isEmpty());
    return TModalResult::mrCancel;
  });
  Button("Change_Date_BitBtn")->click();
  EXPECT_TRUE(Button("Save_BitBtn")->isEnabled()) << "a cancel leaves the button as it was";
}

TEST_F(MainWindowTest, NamesThatAreNoUtf8KeepEveryByte) {
  // "bild_ä.jpg" in Latin-1, as an old camera card or archive may name it.
  const std::string path = Dir.File("bild_\xE4.jpg");
  MakePicture(path, Spec(1));
  QMimeData mime;
  mime.setUrls({QUrl::fromEncoded(QByteArray("file://") + QByteArray::fromStdString(Dir.Path()) + "/bild_%E4.jpg")});
  QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Form.get(), &enter);
  QSignalSpy finished(Form.get(), &TForm1::ListingFinished);
  QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Form.get(), &drop);
  if (Form->Listing()) {
    ASSERT_TRUE(finished.wait(30000));
  }
  EXPECT_EQ(Texts(), std::vector<std::string>{path});
  EXPECT_TRUE(Desktop->Messages().isEmpty()) << Desktop->Messages().join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(Form->JPG_Name(), path);
  EXPECT_FALSE(Image->pixmap().isNull()) << "the file was found under its own name";
}

// A drop as a file manager sends it: the URL carries the name's bytes percent-encoded.
void DropEncoded(TForm1& form, const std::string& path) {
  QMimeData mime;
  mime.setUrls({QUrl::fromEncoded(QByteArray("file://") + QByteArray::fromStdString(path).toPercentEncoding("/"))});
  QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &enter);
  QSignalSpy finished(&form, &TForm1::ListingFinished);
  QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &drop);
  if (form.Listing()) {
    ASSERT_TRUE(finished.wait(30000));
  }
}

TEST_F(MainWindowTest, NamesThatAreNoUtf8KeepTheirBytesThroughEveryCommand) {
  // Latin-1 "Müller.jpg" from an old archive, and bytes that are no UTF-8 at all.
  for (const std::string& name : {std::string("M\xFCller.jpg"), std::string("a\xC3(b\xFF.jpg")}) {
    SCOPED_TRACE(name);
    Desktop->Calls.clear();
    const std::string path = Picture(name, Spec(1, Platform::EncodeDateTime(2020, 1, 2, 3, 4, 5, 0)));
    DropEncoded(*Form, path);
    ASSERT_EQ(Texts(), std::vector<std::string>{path});

    // A rename box closed with the shown name (U+FFFD for the odd bytes) moves nothing.
    Action("pm_rename")->trigger();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(Texts(), std::vector<std::string>{path});

    // A save writes into the file under its own bytes.
    Tabs->setCurrentIndex(1);
    Button("Orientation_BitBtn")->click();
    Button("Save_BitBtn")->click();
    {
      Tessel::Exif::TExifData onDisk;
      onDisk.LoadFromGraphic(path);
      EXPECT_EQ(static_cast<int>(onDisk.Orientation()), 6);
    }

    // The rename by capture time keeps the old name's bytes behind the time.
    Tabs->setCurrentIndex(0);
    Button("SelAllFiles_BitBtn")->click();
    Button("Date_BitBtn")->click();
    const std::string timed = Dir.File("20200102_030405_" + name);
    EXPECT_EQ(Texts(), std::vector<std::string>{timed});
    EXPECT_TRUE(std::filesystem::exists(timed));

    // The trash is handed the bytes and no "delete for good" question comes up.
    Action("pm_delete")->trigger();
    ASSERT_FALSE(Desktop->Calls.empty());
    EXPECT_EQ(Desktop->Calls.back().Kind, QStringLiteral("trash"));
    EXPECT_EQ(Desktop->Calls.back().Bytes, timed);
    EXPECT_FALSE(std::filesystem::exists(timed));
    EXPECT_TRUE(Texts().empty());

    // A new name typed into the box is the user's text (UTF-8).
    const std::string again = Picture(name, Spec(1));
    DropEncoded(*Form, again);
    Desktop->InputAnswers = {QStringLiteral("Müller neu.jpg")};
    Action("pm_rename")->trigger();
    const std::string renamed = Dir.File("M\xC3\xBCller neu.jpg");
    EXPECT_EQ(Texts(), std::vector<std::string>{renamed});
    EXPECT_TRUE(std::filesystem::exists(renamed));
    EXPECT_FALSE(std::filesystem::exists(again));
    EXPECT_TRUE(Desktop->Messages().isEmpty()) << Desktop->Messages().join(QLatin1Char('\n')).toStdString();
    Action("pm_remove")->trigger();
    std::filesystem::remove(renamed);
  }
}

TEST_F(MainWindowTest, CtrlOAsksTheDesktopsOpenDialogAndTakesItsChoiceLikeADrop) {
  const std::string a = Picture("a.jpg", Spec(1));
  const std::string latin1 = Picture("M\xFCller.jpg", Spec(1));
  Desktop->OpenAnswers = {{latin1, a}, {}};
  QSignalSpy finished(Form.get(), &TForm1::ListingFinished);
  QApplication::setActiveWindow(Form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  QTest::keyClick(Form.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_FALSE(Desktop->Calls.empty());
  EXPECT_EQ(Desktop->Calls.front().Kind, QStringLiteral("openfiles"));
  if (Form->Listing()) {
    ASSERT_TRUE(finished.wait(30000));
  }
  EXPECT_EQ(Texts(), (std::vector<std::string>{latin1, a}));
  EXPECT_EQ(Form->JPG_Name(), latin1);

  // A cancelled dialog takes nothing.
  QTest::keyClick(Form.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_FALSE(Form->Listing());
  EXPECT_EQ(Texts().size(), 2U);
}

TEST_F(MainWindowTest, AnExceptionFromAnyEntryPointIsShownAndTheWindowKeepsWorking) {
  const std::string a = Picture("a.jpg", Spec(1));
  const std::string b = Picture("b.jpg", Spec(1));
  const std::string c = Picture("c.jpg", Spec(1));
  // Each case reaches one kind of entry point from the event loop while the probe throws there.
  struct TCase {
    const char* EntryPoint;
    std::function<void()> Reach;
  };
  const std::vector<TCase> cases = {
      {"drop", [&] { Drop({c}); }},
      {"worker", [&] { Drop({c}); }},
      {"listed", [&] { Drop({c}); }},
      {"apply", [&] { Drop({c}); }},
      {"jobdone", [&] { Drop({c}); }},
      {"button", [&] { Button("Sort_BitBtn")->click(); }},
      {"action", [&] { Action("pm_down")->trigger(); }},
      {"menu", [&] { OpenMenu(); }},
      {"contextmenu", [&] { emit List->customContextMenuRequested(QPoint(5, 5)); }},
      {"currentrow", [&] { SetCurrentRow(CurrentRow() == 0 ? 1 : 0); }},
      {"tab", [&] { Tabs->setCurrentIndex(Tabs->currentIndex() == 0 ? 2 : 0); }},
      {"resize", [&] { Form->resize(Form->width() + 10, Form->height()); }},
      {"close", [&] { Form->close(); }},
      {"cancel",
       [&] {
         QSignalSpy finished(Form.get(), &TForm1::ListingFinished);
         Form->TakeFiles(ManyFiles(Dir, 200, -1));
         auto* progress = Form->findChild<QProgressDialog*>(QStringLiteral("ListingProgress"));
         ASSERT_NE(progress, nullptr);
         emit progress->canceled();
         if (Form->Listing()) {
           ASSERT_TRUE(finished.wait(30000));
         }
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.EntryPoint);
    Desktop->Calls.clear();
    Drop({a, b});
    Menu->hide();
    const std::string entryPoint = c.EntryPoint;
    Fotarium::App::SetEntryPointProbe([entryPoint](std::string_view at) {
      if (at == entryPoint)
        throw std::runtime_error("Sonde " + entryPoint);
    });
    c.Reach();
    QApplication::processEvents();
    Fotarium::App::SetEntryPointProbe(nullptr);
    EXPECT_TRUE(Desktop->Messages().contains(QStringLiteral("Sonde ") + QString::fromUtf8(c.EntryPoint)))
        << Desktop->Messages().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(Form->Listing()) << "a failed listing step ends the drop";

    // Still running: the next drop is read and shown.
    Form->show();
    Form->CancelListing();
    Drop({b});
    EXPECT_EQ(Texts().back(), b);
    EXPECT_EQ(Form->JPG_Name(), Texts().front());
    Form->TakeFiles({}); // an empty drop ends at once
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->Listing(); }, 30000));
    Menu->hide();
    // Fresh list for the next case.
    while (!Texts().empty()) {
      SetCurrentRow(0);
      Action("pm_remove")->trigger();
    }
  }
}

TEST_F(MainWindowTest, ClosingDuringALargeDropStopsTheWorkerAndShowsNothing) {
  std::vector<std::string> dropped = ManyFiles(Dir, 300, 290);
  Form->TakeFiles(dropped);
  ASSERT_TRUE(Form->Listing());
  Form->close();
  EXPECT_FALSE(Form->Listing());
  TearDown(); // the window goes while its worker may still be reading
  QApplication::processEvents();
  EXPECT_TRUE(Desktop->Messages().isEmpty()) << "nothing is shown or asked after the close";
}
