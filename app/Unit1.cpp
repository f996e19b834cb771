#include "app/Unit1.h"

#include "app/BatchPreviewDialog.h"
#include "app/Desktop.h"
#include "app/GeotagDialog.h"
#include "app/PictureListModel.h"
#include "app/PictureListing.h"
#include "app/PreviewImage.h"
#include "app/ShiftDialog.h"
#include "app/UExifListView.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/core/ClockShift.h"
#include "app/core/EditCommands.h"
#include "app/core/GPSTexts.h"
#include "app/core/KMLWriter.h"
#include "app/core/KeyFields.h"
#include "app/core/Preview.h"
#include "app/core/TripCommands.h"
#include "app/core/WindowLanguage.h"

#include "platform/FileOps.h"

#include "Tessel/Exif.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <cerrno>
#include <cmath>
#include <unistd.h>

namespace Fotarium::App {

namespace {

constexpr int ClientWidth = 1251;
constexpr int ClientHeight = 731;
constexpr int ListBoxDesignHeight = 184;
constexpr int GridRowHeight = 24;

QString ToQ(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
// A window text that app/core holds as a constant, in the window's language.
QString CoreText(const char* context, std::string_view sourceText) { return ToQ(Core::Tr(context, sourceText.data())); }
QString PathToQ(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string ToStd(const QString& text) { return text.toStdString(); }

// Qt's date-time as the design's (days since 1899-12-30, fraction = time of day).
Platform::TDateTime DateTimeFromQt(const QDateTime& value) {
  static const QDate epoch(1899, 12, 30);
  const double days = static_cast<double>(epoch.daysTo(value.date()));
  const double fraction = value.time().msecsSinceStartOfDay() / 86400000.0;
  return days >= 0 ? days + fraction : days - fraction;
}

void Message(QWidget* parent, const QString& text) { Desktop().MessageBox(parent, text, TMessageButtons::mbOK); }

// The local path of a dropped URL as the file system's bytes: taken from the encoded URL so
// that names which are no valid UTF-8 keep every byte.
std::string LocalPathBytes(const QUrl& url) {
  if (url.host().isEmpty())
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
  return QFile::encodeName(url.toLocalFile()).toStdString();
}

} // namespace

// While alive, list signals caused by the window's own changes do not show entries.
class TListUpdate {
public:
  explicit TListUpdate(TForm1& form) : FForm(form) { ++FForm.FListUpdate; }
  ~TListUpdate() { --FForm.FListUpdate; }
  TListUpdate(const TListUpdate&) = delete;
  TListUpdate& operator=(const TListUpdate&) = delete;

private:
  TForm1& FForm;
};

// --- construction ----------------------------------------------------------------------

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  // The maker-note registry is filled on first use; fill it here, before any worker reads.
  (void)Tessel::Exif::TCustomExifData::RegisteredMakerNoteTypes();
  FListing = std::make_unique<TPictureListing>();
  CreateControls();
  FormCreate();
  ConnectListing();
}

TForm1::~TForm1() {
  FListing->Cancel(false);
  FListing.reset(); // joins every worker
  FormClose();
}

void TForm1::SetDialogs(TForm2* form2, TForm3* form3, TForm4* form4) {
  Form2 = form2;
  Form3 = form3;
  Form4 = form4;
}

QPushButton* TForm1::MakeButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(tr(caption), parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

void TForm1::CreateControls() {
  // Tahoma at 11 pixels; where it is missing, faces of similar width before the wide default.
  QFont font;
  font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                    QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(11);
  setFont(font);

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("ClientArea"));
  auto* mainLayout = new QHBoxLayout(central);
  mainLayout->setContentsMargins(0, 0, 0, 0);
  mainLayout->setSpacing(0);
  setCentralWidget(central);

  Panel1 = new QFrame(central);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFixedWidth(657);
  auto* panel1Layout = new QVBoxLayout(Panel1);
  panel1Layout->setContentsMargins(0, 0, 0, 0);
  Image1 = new QLabel(Panel1);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setAccessibleName(tr("Vorschau des gewählten Bildes"));
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  panel1Layout->addWidget(Image1);
  mainLayout->addWidget(Panel1);

  Panel2 = new QFrame(central);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setMinimumWidth(200);
  auto* panel2Layout = new QVBoxLayout(Panel2);
  panel2Layout->setContentsMargins(0, 0, 0, 0);
  panel2Layout->setSpacing(0);
  mainLayout->addWidget(Panel2, 1);

  Splitter1 = new QSplitter(Qt::Vertical, Panel2);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setHandleWidth(3);
  Splitter1->setChildrenCollapsible(false);
  panel2Layout->addWidget(Splitter1, 1);

  ListBox1 = new QListView(Splitter1);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  FListModel = new TPictureListModel(ListBox1);
  ListBox1->setModel(FListModel);
  ListBox1->setAccessibleName(tr("Bilderliste"));
  ListBox1->setToolTip(tr("Namensänderung durch Doppelklick"));
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
  ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListBox1->setUniformItemSizes(true);
  Splitter1->addWidget(ListBox1);

  MiddlePanel = new QWidget(Splitter1);
  MiddlePanel->setObjectName(QStringLiteral("MiddlePanel"));
  auto* middleLayout = new QVBoxLayout(MiddlePanel);
  middleLayout->setContentsMargins(0, 0, 0, 0);
  middleLayout->setSpacing(0);
  StringGrid1 = new QTableWidget(Core::GridRowCount, 2, MiddlePanel);
  StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
  StringGrid1->setAccessibleName(tr("Exif-Werte"));
  StringGrid1->horizontalHeader()->hide();
  StringGrid1->verticalHeader()->hide();
  StringGrid1->verticalHeader()->setDefaultSectionSize(GridRowHeight);
  StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  for (int row = 0; row < Core::GridRowCount; ++row)
    for (int column = 0; column < 2; ++column)
      StringGrid1->setItem(row, column, new QTableWidgetItem());
  middleLayout->addWidget(StringGrid1);
  Splitter1->addWidget(MiddlePanel);
  Splitter1->setStretchFactor(1, 1);

  PageControl1 = new QTabWidget(Panel2);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setTabPosition(QTabWidget::South);
  PageControl1->setFixedHeight(Core::FinalPageControlHeight);
  panel2Layout->addWidget(PageControl1);

  // Tab 0: the name pattern and the full list's commands.
  TabSheet1 = new QWidget();
  TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
  auto* grid0 = new QGridLayout(TabSheet1);
  grid0->setContentsMargins(4, 4, 4, 4);
  grid0->setSpacing(3);
  Label1 = new QLabel(TabSheet1);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setToolTip(QStringLiteral("https://docwiki.embarcadero.com/Libraries/de/System.SysUtils.FormatDateTime"));
  Edit1 = new QLineEdit(TabSheet1);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setAccessibleName(tr("Format-String"));
  Date_BitBtn = MakeButton(TabSheet1, "Date_BitBtn", QT_TR_NOOP("Aufnahmezeit in Dateinamen einfügen"));
  SelAllFiles_BitBtn = MakeButton(TabSheet1, "SelAllFiles_BitBtn", QT_TR_NOOP("Alle Bilder markieren"));
  Select_BitBtn = MakeButton(TabSheet1, "Select_BitBtn", QT_TR_NOOP("Alle Exif-Daten markieren"));
  Clip_BitBtn = MakeButton(TabSheet1, "Clip_BitBtn", QT_TR_NOOP("markierte Exif-Daten ins ClipBoard"));
  Help_BitBtn0 = MakeButton(TabSheet1, "Help_BitBtn0", QT_TR_NOOP("Hilfe "));
  Exit_BitBtn0 = MakeButton(TabSheet1, "Exit_BitBtn0", QT_TR_NOOP("Ende  "));
  // The help text across the tab, the pattern with its command, then the marking and
  // clipboard commands: everything fits the narrow right half of the window.
  grid0->addWidget(Label1, 0, 0, 1, 3, Qt::AlignTop | Qt::AlignLeft);
  grid0->addWidget(Edit1, 1, 0);
  grid0->addWidget(Date_BitBtn, 1, 1);
  grid0->addWidget(Help_BitBtn0, 1, 2);
  auto* row2 = new QHBoxLayout();
  row2->setSpacing(3);
  row2->addWidget(SelAllFiles_BitBtn);
  row2->addWidget(Select_BitBtn);
  row2->addWidget(Clip_BitBtn);
  row2->addWidget(Exit_BitBtn0);
  grid0->addLayout(row2, 2, 0, 1, 3);
  grid0->setColumnStretch(0, 1);
  grid0->setRowStretch(3, 1);
  PageControl1->addTab(TabSheet1, tr("alle Exif-Daten"));

  // Tab 1: the edit commands.
  TabSheet2 = new QWidget();
  TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
  auto* grid1 = new QGridLayout(TabSheet2);
  grid1->setContentsMargins(4, 4, 4, 4);
  grid1->setSpacing(3);
  Orientation_BitBtn = MakeButton(TabSheet2, "Orientation_BitBtn", QT_TR_NOOP("Orientationflag ändern "));
  Change_Date_BitBtn = MakeButton(TabSheet2, "Change_Date_BitBtn", QT_TR_NOOP("Aufnahmedatum ändern "));
  Description_BitBtn = MakeButton(TabSheet2, "Description_BitBtn", QT_TR_NOOP("Bildbeschreibung ändern"));
  Comment_BitBtn = MakeButton(TabSheet2, "Comment_BitBtn", QT_TR_NOOP("Kommentar ändern"));
  Save_BitBtn = MakeButton(TabSheet2, "Save_BitBtn", QT_TR_NOOP("Änderungen ins JPG übernehmen"));
  Change_GPS_BitBtn = MakeButton(TabSheet2, "Change_GPS_BitBtn", QT_TR_NOOP("GPS Daten ändern"));
  ShiftTimes_BitBtn = MakeButton(TabSheet2, "ShiftTimes_BitBtn", QT_TR_NOOP("Zeiten verschieben …"));
  ShiftTimes_BitBtn->setToolTip(tr("Die Aufnahmezeiten der markierten Bilder (ohne Markierung: aller Bilder) um "
                                   "einen festen Betrag verschieben"));
  Help_BitBtn1 = MakeButton(TabSheet2, "Help_BitBtn1", QT_TR_NOOP("Hilfe "));
  Exit_BitBtn1 = MakeButton(TabSheet2, "Exit_BitBtn1", QT_TR_NOOP("Ende  "));
  grid1->addWidget(Orientation_BitBtn, 0, 0);
  grid1->addWidget(Change_Date_BitBtn, 1, 0);
  grid1->addWidget(Description_BitBtn, 2, 0);
  grid1->addWidget(Comment_BitBtn, 0, 1);
  grid1->addWidget(Change_GPS_BitBtn, 1, 1);
  grid1->addWidget(Save_BitBtn, 2, 1);
  grid1->addWidget(Help_BitBtn1, 0, 2);
  grid1->addWidget(ShiftTimes_BitBtn, 1, 2);
  grid1->addWidget(Exit_BitBtn1, 2, 2);
  grid1->setRowStretch(3, 1);
  PageControl1->addTab(TabSheet2, tr("editierbare Exif-Daten"));

  // Tab 2: the position, sorting and marking.
  TabSheet3 = new QWidget();
  TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
  auto* grid2 = new QGridLayout(TabSheet3);
  grid2->setContentsMargins(4, 4, 4, 4);
  grid2->setSpacing(3);
  Google_BitBtn = MakeButton(TabSheet3, "Google_BitBtn", QT_TR_NOOP("Ort in Google Maps anzeigen     "));
  Sort_BitBtn = MakeButton(TabSheet3, "Sort_BitBtn", QT_TR_NOOP("Bilderliste nach Aufnahmedatum sortieren  "));
  KML_BitBtn =
      MakeButton(TabSheet3, "KML_BitBtn", QT_TR_NOOP("Ausgewählte Bilder in KML-Datei  für Google Earth schreiben  "));
  SelAllPics_BitBtn = MakeButton(TabSheet3, "SelAllPics_BitBtn", QT_TR_NOOP("Alle Bilder markieren"));
  Geotag_BitBtn = MakeButton(TabSheet3, "Geotag_BitBtn", QT_TR_NOOP("Positionen aus GPS-Track …"));
  Geotag_BitBtn->setToolTip(tr("Den markierten Bildern (ohne Markierung: allen Bildern) die Position zu ihrer "
                               "Aufnahmezeit aus einer GPX-Datei geben"));
  Help_BitBtn2 = MakeButton(TabSheet3, "Help_BitBtn2", QT_TR_NOOP("Hilfe "));
  Exit_BitBtn2 = MakeButton(TabSheet3, "Exit_BitBtn2", QT_TR_NOOP("Ende  "));
  grid2->addWidget(Google_BitBtn, 0, 0);
  grid2->addWidget(Sort_BitBtn, 1, 0);
  grid2->addWidget(KML_BitBtn, 2, 0, 1, 2);
  grid2->addWidget(SelAllPics_BitBtn, 0, 1);
  grid2->addWidget(Geotag_BitBtn, 1, 1);
  grid2->addWidget(Help_BitBtn2, 0, 2);
  grid2->addWidget(Exit_BitBtn2, 2, 2);
  grid2->setRowStretch(3, 1);
  PageControl1->addTab(TabSheet3, tr("GPS-Daten"));

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  const auto addItem = [this](const char* name, const char* caption) {
    QAction* action = PopupMenu1->addAction(tr(caption));
    action->setObjectName(QLatin1String(name));
    return action;
  };
  pm_remove = addItem("pm_remove", QT_TR_NOOP("Bild aus Liste entfernen"));
  pm_delete = addItem("pm_delete", QT_TR_NOOP("Bilddatei löschen"));
  pm_rename = addItem("pm_rename", QT_TR_NOOP("Bild umbenennen"));
  pm_up = addItem("pm_up", QT_TR_NOOP("Ein Platz nach oben"));
  pm_down = addItem("pm_down", QT_TR_NOOP("Ein Platz nach unten"));

  OpenAction = new QAction(tr("Bilder öffnen …"), this);
  OpenAction->setObjectName(QStringLiteral("OpenAction"));
  OpenAction->setShortcut(QKeySequence::Open);
  OpenAction->setShortcutContext(Qt::WindowShortcut);
  addAction(OpenAction);

  // Every handler runs guarded: no exception crosses the event loop.
  const auto wire = [this](QPushButton* button, void (TForm1::*handler)()) {
    connect(button, &QPushButton::clicked, this,
            [this, handler] { Guarded("button", [this, handler] { (this->*handler)(); }); });
  };
  const auto wireAction = [this](QAction* action, void (TForm1::*handler)()) {
    connect(action, &QAction::triggered, this,
            [this, handler] { Guarded("action", [this, handler] { (this->*handler)(); }); });
  };
  wire(Date_BitBtn, &TForm1::Date_BitBtnClick);
  wire(SelAllFiles_BitBtn, &TForm1::SelAllPics_BitBtnClick);
  wire(Select_BitBtn, &TForm1::Select_BitBtnClick);
  wire(Clip_BitBtn, &TForm1::Clip_BitBtnClick);
  wire(Orientation_BitBtn, &TForm1::Orientation_BitBtnClick);
  wire(Change_Date_BitBtn, &TForm1::Change_Date_BitBtnClick);
  wire(Description_BitBtn, &TForm1::Description_BitBtnClick);
  wire(Comment_BitBtn, &TForm1::Comment_BitBtnClick);
  wire(Save_BitBtn, &TForm1::Save_BitBtnClick);
  wire(Change_GPS_BitBtn, &TForm1::Change_GPS_BitBtnClick);
  wire(Google_BitBtn, &TForm1::Google_BitBtnClick);
  wire(Sort_BitBtn, &TForm1::Sort_BitBtnClick);
  wire(KML_BitBtn, &TForm1::KML_BitBtnClick);
  wire(SelAllPics_BitBtn, &TForm1::SelAllPics_BitBtnClick);
  wire(ShiftTimes_BitBtn, &TForm1::ShiftTimes_BitBtnClick);
  wire(Geotag_BitBtn, &TForm1::Geotag_BitBtnClick);
  for (QPushButton* help : {Help_BitBtn0, Help_BitBtn1, Help_BitBtn2})
    wire(help, &TForm1::Help_BitBtn0Click);
  for (QPushButton* exitButton : {Exit_BitBtn0, Exit_BitBtn1, Exit_BitBtn2})
    wire(exitButton, &TForm1::Exit_BitBtn0Click);
  wireAction(pm_remove, &TForm1::pm_removeClick);
  wireAction(pm_delete, &TForm1::pm_deleteClick);
  wireAction(pm_rename, &TForm1::pm_renameClick);
  wireAction(pm_up, &TForm1::pm_upClick);
  wireAction(pm_down, &TForm1::pm_downClick);
  wireAction(OpenAction, &TForm1::OpenFilesClick);
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { Guarded("menu", [this] { PopupMenu1Popup(); }); });
  connect(ListBox1, &QListView::customContextMenuRequested, this, [this](const QPoint& pos) {
    Guarded("contextmenu", [this, pos] { PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos)); });
  });
  connect(ListBox1, &QListView::doubleClicked, this, [this] { Guarded("doubleclick", [this] { pm_renameClick(); }); });
  connect(ListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { Guarded("currentrow", [this] { CurrentRowChanged(); }); });
  // A click on the entry that is current already shows it again (and so drops unsaved
  // edits), as any click on the list does.
  ListBox1->viewport()->installEventFilter(this);
  connect(ListBox1, &QListView::clicked, this, [this] {
    const bool shown = FCurrentChangedByPress;
    FCurrentChangedByPress = false;
    Guarded("click", [this, shown] {
      if (!shown && FListUpdate == 0 && CurrentIndex() >= 0)
        ListBox1Click();
    });
  });
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this](int index) { Guarded("tab", [this, index] { PageControl1Change(index); }); });

  // Client area 1251 x 731, centred on the desktop.
  resize(ClientWidth, ClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(ClientWidth / 2, ClientHeight / 2));
  }
  Splitter1->setSizes({ListBoxDesignHeight, ClientHeight - ListBoxDesignHeight - Core::FinalPageControlHeight});
}

void TForm1::FormCreate() {
  setWindowTitle(ToQ(Core::MainWindowCaption()));
  QCoreApplication::setApplicationName(ToQ(Core::ApplicationTitle));
  // The label shows the help text's lines; Qt breaks lines at "\n".
  Label1->setText(ToQ(Core::Label1Text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

  ExifListView = new TExifListView(Panel2);
  ExifListView->setObjectName(QStringLiteral("ExifListView"));
  ExifListView->setAccessibleName(tr("alle Exif-Daten"));
  MiddlePanel->layout()->addWidget(ExifListView);
  ExifListView->show();

  {
    const QSignalBlocker noTabChange(PageControl1);
    PageControl1->setCurrentIndex(0);
  }
  SetSelectionMode(Core::TSelectionMode::Multi);
  StringGrid1->hide();
  Edit1->setText(ToQ(Core::DefaultNamePattern));
  setAcceptDrops(true);
  jpg = std::make_unique<Tessel::Exif::TJPEGImageEx>();
  for (const Core::TCommand command : Core::PictureCommands)
    FCommandButtons[Core::CommandBit(command)] = findChild<QPushButton*>(ToQ(Core::CommandButtonName(command)));
  FCommandButtons[Core::CommandBit(Core::TCommand::Save)] = Save_BitBtn;
  FUnsavedEdits = false;
  EnableCommands(false);
}

// --- list entries ----------------------------------------------------------------------

int TForm1::Count() const { return FListModel->Count(); }
int TForm1::CurrentIndex() const { return ListBox1->currentIndex().row(); }

std::string TForm1::EntryText(int index) const { return FListModel->Entry(index).Text; }

Platform::TDateTime TForm1::EntryKey(int index) const { return FListModel->Entry(index).CaptureTimeKey; }

std::vector<Core::TPictureEntry> TForm1::Entries() const { return FListModel->Entries(); }

void TForm1::SetEntry(int index, const Core::TPictureEntry& entry) {
  FListModel->SetEntry(index, entry);
  // A replaced entry loses its mark in multi-selection mode.
  if (MultiSelect())
    ListBox1->selectionModel()->select(FListModel->index(index), QItemSelectionModel::Deselect);
}

void TForm1::InsertEntry(int index, const Core::TPictureEntry& entry) { FListModel->Insert(index, {entry}); }

void TForm1::SetEntries(const std::vector<Core::TPictureEntry>& entries) {
  const TListUpdate update(*this);
  // Like a list filled anew: no entry is current or marked afterwards.
  ListBox1->selectionModel()->reset();
  FListModel->SetEntries(entries);
}

void TForm1::MakeCurrent(int index) {
  const TListUpdate update(*this);
  ListBox1->selectionModel()->setCurrentIndex(
      FListModel->index(index), MultiSelect() ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
}

void TForm1::MarkEntry(int index) {
  if (index < 0 || index >= Count())
    return;
  if (MultiSelect()) {
    ListBox1->selectionModel()->select(FListModel->index(index), QItemSelectionModel::Select);
  } else {
    // In single-selection mode the marked entry is the current one.
    MakeCurrent(index);
  }
}

bool TForm1::IsMarked(int index) const { return ListBox1->selectionModel()->isSelected(FListModel->index(index)); }

void TForm1::SetSelectionMode(Core::TSelectionMode mode) {
  const TListUpdate update(*this);
  FSelectionMode = mode;
  if (mode == Core::TSelectionMode::Multi) {
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  } else {
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->clearSelection();
    if (CurrentIndex() >= 0)
      ListBox1->selectionModel()->select(ListBox1->currentIndex(), QItemSelectionModel::Select);
  }
}

void TForm1::CurrentRowChanged() {
  // The list click of the design: the user made another entry current.
  if (FListUpdate > 0 || CurrentIndex() < 0)
    return;
  FCurrentChangedByPress = true;
  Guarded([this] { ListBox1Click(); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonPress)
    FCurrentChangedByPress = false;
  return QMainWindow::eventFilter(watched, event);
}

// --- list -------------------------------------------------------------------------------

void TForm1::AddPicture(const std::string& path, Platform::TDateTime key) { AddPictures({{path, key}}); }

void TForm1::AddPictures(const std::vector<Core::TPictureEntry>& entries) {
  const TListUpdate update(*this);
  if (!FSortedByName) {
    // Appended as one change of the list.
    FListModel->Insert(Count(), entries);
    return;
  }
  // Each entry after every equal text, as if added one by one: the batch in name order
  // (equal texts in drop order), each run that goes to the same place inserted at once.
  std::vector<Core::TPictureEntry> sorted = entries;
  Core::SortByName(sorted);
  for (std::size_t first = 0; first < sorted.size();) {
    const std::size_t at = Core::SortedInsertIndex(FListModel->Entries(), sorted[first].Text);
    std::size_t last = first + 1;
    while (last < sorted.size() &&
           (at == FListModel->Entries().size() ||
            Core::PathTextLess(sorted[last].Text, FListModel->Entry(static_cast<int>(at)).Text)))
      ++last;
    FListModel->Insert(static_cast<int>(at), {sorted.begin() + static_cast<std::ptrdiff_t>(first),
                                              sorted.begin() + static_cast<std::ptrdiff_t>(last)});
    first = last;
  }
}

void TForm1::EnableCommands(bool enabled) {
  FPictureShown = enabled;
  FTabsOffered = 0;
  FMapOffered = false;
  UpdateCommands();
}

void TForm1::SetUnsavedEdits(bool unsaved) {
  FUnsavedEdits = unsaved;
  UpdateCommands();
}

// The one place that switches command buttons.
void TForm1::UpdateCommands() {
  Core::TCommandState state;
  state.ListCount = Count();
  state.UnsavedEdits = FUnsavedEdits;
  state.PictureShown = FPictureShown;
  state.TabsOffered = FTabsOffered;
  state.MapOffered = FMapOffered;
  const Core::TCommandSet enabled = Core::EnabledCommands(state);
  for (std::size_t i = 0; i < FCommandButtons.size(); ++i)
    if (FCommandButtons[i] != nullptr)
      FCommandButtons[i]->setEnabled(enabled.test(i));
  // The trip commands work on the list once a picture is on show, as the editing commands.
  if (ShiftTimes_BitBtn != nullptr && Geotag_BitBtn != nullptr) {
    ShiftTimes_BitBtn->setEnabled(FPictureShown);
    Geotag_BitBtn->setEnabled(FPictureShown);
  }
}

void TForm1::ListBox1Click() {
  if (CurrentIndex() < 0)
    return;
  FJPG_Name = EntryText(CurrentIndex());
  ShowPicture(FJPG_Name);
}

void TForm1::PopupMenu1Popup() {
  const Core::TPopupVisibility visible = Core::PopupVisibility(Count(), CurrentIndex());
  pm_remove->setVisible(visible.Remove);
  pm_delete->setVisible(visible.Delete);
  pm_rename->setVisible(visible.Rename);
  pm_up->setVisible(visible.Up);
  pm_down->setVisible(visible.Down);
}

void TForm1::RemoveCurrentEntry() {
  const int removed = CurrentIndex();
  {
    const TListUpdate update(*this);
    FListModel->Remove(removed);
  }
  const int index = Core::IndexAfterRemove(removed, Count());
  if (index >= 0)
    MakeCurrent(index);
  if (Count() > 0) {
    MarkEntry(0);
    ListBox1Click();
  } else {
    ClearView();
  }
  EnableCommands(Count() > 0);
}

void TForm1::ClearView() {
  Image1->clear();
  ExifListView->Clear();
  for (int row = 0; row < StringGrid1->rowCount(); ++row)
    if (QTableWidgetItem* item = StringGrid1->item(row, 1))
      item->setText(QString());
}

void TForm1::pm_removeClick() {
  if (CurrentIndex() < 0)
    return;
  RemoveCurrentEntry();
}

void TForm1::pm_deleteClick() {
  if (CurrentIndex() < 0)
    return;
  const std::string path = EntryText(CurrentIndex());
  const QString shown = PathToQ(path);
  // A slip in the menu must not destroy a photograph: the file goes to the trash, and only
  // where that is impossible the user decides about deleting it for good.
  if (!Desktop().MoveToTrash(path)) {
    if (::access(path.c_str(), F_OK) != 0) {
      const int error = errno;
      Message(this, tr("Löschen von %1 scheiterte mit Fehler: %2").arg(shown).arg(error));
      return;
    }
    const QString question =
        tr("%1 kann nicht in den Papierkorb verschoben werden.\r\nSoll die Datei endgültig gelöscht werden?")
            .arg(shown);
    if (Desktop().MessageBox(this, question, TMessageButtons::mbYesNo) != TModalResult::mrYes)
      return;
    if (::unlink(path.c_str()) != 0) {
      const int error = errno;
      Message(this, tr("Löschen von %1 scheiterte mit Fehler: %2").arg(shown).arg(error));
      return;
    }
  }
  RemoveCurrentEntry();
}

void TForm1::pm_renameClick() {
  if (CurrentIndex() < 0)
    return;
  const std::string oldPath = EntryText(CurrentIndex());
  const Core::TPathParts parts = Core::SplitPath(oldPath);
  const QString name = PathToQ(parts.Name);
  const QString answer = Desktop().InputBox(this, CoreText("WindowRules", Core::RenameCaption), name, name);
  // A cancelled box answers the shown name: nothing to move then. The shown name may carry
  // U+FFFD for bytes that are no UTF-8; only a different answer becomes new bytes.
  const auto target =
      answer == name ? std::nullopt : Core::RenameTarget(oldPath, QFile::encodeName(answer).toStdString());
  if (target) {
    if (Platform::RenameFileNoReplace(oldPath, *target)) {
      const TListUpdate update(*this);
      SetEntry(CurrentIndex(), {*target, EntryKey(CurrentIndex())});
    } else {
      const int error = errno;
      Message(this, PathToQ(Core::RenameFailedMessage(oldPath, error)));
    }
  }
  ListBox1Click();
}

void TForm1::ExchangeEntries(int i, int j) {
  const Core::TPictureEntry a{EntryText(i), EntryKey(i)};
  const Core::TPictureEntry b{EntryText(j), EntryKey(j)};
  const TListUpdate update(*this);
  SetEntry(i, b);
  SetEntry(j, a);
  MarkEntry(j);
}

void TForm1::pm_upClick() {
  const int i = CurrentIndex();
  if (i <= 0)
    return;
  ExchangeEntries(i, i - 1);
  ListBox1Click();
}

void TForm1::pm_downClick() {
  const int i = CurrentIndex();
  if (i < 0 || i + 1 >= Count())
    return;
  ExchangeEntries(i, i + 1);
  ListBox1Click();
}

void TForm1::SelAllPics_BitBtnClick() {
  const TListUpdate update(*this);
  if (MultiSelect())
    ListBox1->selectAll();
  else if (Count() > 0)
    MarkEntry(Count() - 1);
}

void TForm1::Sort_BitBtnClick() {
  // The caption is the sort state; the rules know it by its source text.
  const std::string shown = ToStd(Sort_BitBtn->text());
  const std::string_view caption = shown == Core::Tr("WindowRules", Core::SortByNameCaption.data())
                                       ? Core::SortByNameCaption
                                       : Core::SortByCaptureTimeCaption;
  std::vector<Core::TPictureEntry> entries = Entries();
  if (Core::NextSortIsByCaptureTime(caption)) {
    FSortedByName = false;
    Core::SortByCaptureTime(entries);
  } else {
    FSortedByName = true;
    Core::SortByName(entries);
  }
  Sort_BitBtn->setText(CoreText("WindowRules", Core::SortCaptionAfterClick(caption)));
  SetEntries(entries);
  if (Count() == 0)
    return;
  MakeCurrent(0);
  MarkEntry(0);
  ListBox1Click();
}

void TForm1::PageControl1Change(int index) {
  const Core::TTabRule* rule = Core::TabRule(index);
  if (rule == nullptr)
    return;
  PageControl1->setFixedHeight(rule->PageControlHeight);
  if (rule->Shown == Core::TMiddleView::ExifListView) {
    ExifListView->show();
    StringGrid1->hide();
  } else {
    StringGrid1->setRowCount(Core::GridRowCount);
    ExifListView->hide();
    StringGrid1->show();
  }
  FTabsOffered |= 1U << static_cast<unsigned>(index);
  UpdateCommands();
  SetSelectionMode(rule->Mode);
  FormResize();
  if (Count() > 0)
    ShowMetadata();
}

void TForm1::FormResize() {
  if (PageControl1 == nullptr)
    return;
  Core::TLayoutInput input;
  const int height = centralWidget()->height();
  input.Panel1Height = height;
  input.Panel2Height = height;
  input.PageControlHeight = PageControl1->height();
  input.GridDefaultRowHeight = StringGrid1->verticalHeader()->defaultSectionSize();
  input.GridRows = StringGrid1->rowCount();
  const int panel1Width = height;
  input.GridWidth = std::max(0, centralWidget()->width() - panel1Width);
  const Core::TLayout layout = Core::LayoutRule(input);

  StringGrid1->setRowCount(layout.GridRows);
  StringGrid1->setColumnWidth(0, layout.GridColumn0Width);
  StringGrid1->setColumnWidth(1, std::max(0, layout.GridColumn1Width));
  Panel1->setFixedWidth(layout.Panel1Width);
  PageControl1->setFixedHeight(layout.PageControlHeight);
  const int splitterHeight = std::max(0, height - layout.PageControlHeight);
  const int listHeight = std::clamp(layout.ListBoxHeight, 0, splitterHeight);
  Splitter1->setSizes({listHeight, std::max(0, splitterHeight - listHeight - Splitter1->handleWidth())});
}

void TForm1::Help_BitBtn0Click() {
  const QString manual = QDir::cleanPath(PathToQ(
      Core::ManualPath(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString())));
  if (!Desktop().OpenWithShell(manual))
    Message(this, tr("Das Handbuch %1 kann nicht geöffnet werden.").arg(manual));
}

void TForm1::Exit_BitBtn0Click() { close(); }

void TForm1::FormClose() {
  // The field is cleared before the picture object goes.
  auto picture = std::move(jpg);
  picture.reset();
}

void TForm1::OpenFilesClick() {
  std::vector<std::string> paths = Desktop().OpenFileNames(
      this, tr("JPG-Dateien öffnen"), tr("JPG-Dateien (*.jpg *.jpeg *.JPG *.JPEG);;Alle Dateien (*)"));
  if (!paths.empty())
    TakeFiles(std::move(paths));
}

// --- picture view ------------------------------------------------------------------------

void TForm1::ShowPicture(const std::string& path) {
  FUnsavedEdits = false;
  EnableCommands(false);
  jpg->LoadFromFile(path);
  if (jpg->ExifData().Empty()) {
    const QString question = PathToQ(Core::NoExifQuestion(path));
    if (Desktop().MessageBox(this, question, TMessageButtons::mbYesNo) == TModalResult::mrYes) {
      Tessel::Exif::TExifData fresh;
      fresh.SetOrientation(Tessel::Exif::TTiffOrientation::toTopLeft);
      fresh.SetComments("");
      jpg->ExifData().Assign(&fresh);
      jpg->ExifData().SaveToGraphic(FJPG_Name);
    }
  }
  EnableCommands(Count() > 0);
  ShowMetadata();
  ShowPreview();
}

void TForm1::ShowPreview() {
  const int orientation = static_cast<int>(jpg->ExifData().Orientation());
  TPreviewImage preview = MakePreviewImage(jpg->Data(), orientation, Image1->width());
  if (preview.Image.isNull())
    Image1->clear();
  else
    Image1->setPixmap(QPixmap::fromImage(preview.Image));
  // The square is on show before the error is.
  if (preview.Error)
    Message(this, ToQ(*preview.Error));
}

void TForm1::ShowMetadata() {
  switch (PageControl1->currentIndex()) {
  case 0: ExifListView->Fill(jpg->ExifData()); break;
  case 1:
  case 2: {
    StringGrid1->setRowCount(Core::GridRowCount);
    const Core::TKeyFieldRows rows = Core::KeyFieldRows(jpg->ExifData());
    for (int row = 0; row < Core::KeyFieldRowCount; ++row) {
      const auto& [caption, value] = rows[static_cast<std::size_t>(row)];
      for (int column = 0; column < 2; ++column) {
        QTableWidgetItem* item = StringGrid1->item(row, column);
        if (item == nullptr) {
          item = new QTableWidgetItem();
          StringGrid1->setItem(row, column, item);
        }
        item->setText(ToQ(column == 0 ? caption : value));
        if (row == 0) {
          // The caption row reads like a fixed header row.
          QFont bold = item->font();
          bold.setBold(true);
          item->setFont(bold);
          item->setFlags(Qt::ItemIsEnabled);
        }
      }
    }
    FMapOffered = true;
    UpdateCommands();
    break;
  }
  default: break;
  }
}

// --- edit commands -----------------------------------------------------------------------

void TForm1::Orientation_BitBtnClick() {
  Core::StepOrientation(jpg->ExifData());
  ShowMetadata();
  SetUnsavedEdits(true);
}

void TForm1::Change_Date_BitBtnClick() {
  if (Form2 == nullptr)
    return;
  Form2->ApplyPreset(Core::DateDialogPreset(jpg->ExifData(), FJPG_Name, DateTimeFromQt(QDateTime::currentDateTime())));
  if (Desktop().ExecDialog(*Form2) == TModalResult::mrOk) {
    Core::ApplyDateDialogResult(jpg->ExifData(), Form2->DatePickerValue(), Form2->TimePickerValue());
    SetUnsavedEdits(true);
  }
  ShowMetadata();
}

void TForm1::EditText(Core::TEditableText which) {
  const QString current = ToQ(Core::EditableTextValue(jpg->ExifData(), which));
  const QString answer =
      Desktop().InputBox(this, CoreText("EditCommands", Core::EditableTextCaption(which)), current, current);
  // A setter that refuses the text ends the command here: nothing shown, nothing to save.
  Core::SetEditableTextValue(jpg->ExifData(), which, ToStd(answer), &jpg->IPTCData());
  ShowMetadata();
  SetUnsavedEdits(true);
}

void TForm1::Description_BitBtnClick() { EditText(Core::TEditableText::etDescription); }

void TForm1::Comment_BitBtnClick() { EditText(Core::TEditableText::etComment); }

void TForm1::Save_BitBtnClick() {
  // A save that raises stops here: the edits stay in memory and the button stays enabled.
  Core::SaveEdits(jpg->ExifData(), &jpg->IPTCData(), FJPG_Name);
  SetUnsavedEdits(false);
  // Showing the entry again offers its commands anew.
  ListBox1Click();
}

Core::TCaptureTimeAnswer TForm1::AskCaptureTime(const std::string& path) {
  Core::TCaptureTimeAnswer answer;
  if (Desktop().MessageBox(this, PathToQ(Core::NoCaptureTimeQuestion(path)), TMessageButtons::mbYesAbort) !=
          TModalResult::mrYes ||
      Form4 == nullptr)
    return answer;
  // The dialog keeps its values between uses: nothing is preset.
  if (Desktop().ExecDialog(*Form4) != TModalResult::mrOk)
    return answer;
  answer.Date = Form4->PickedDateTime();
  answer.WriteIntoFile = Form4->WriteIntoExif();
  return answer;
}

void TForm1::Date_BitBtnClick() {
  if (FUnsavedEdits && Desktop().MessageBox(this, CoreText("EditCommands", Core::UnsavedEditsQuestion),
                                            TMessageButtons::mbYesNo) != TModalResult::mrYes)
    return;
  const std::string pattern = ToStd(Edit1->text());
  // The marked entries as they are now; the items stay valid while the modal progress
  // window keeps the user from changing the list.
  std::vector<QPersistentModelIndex> marked;
  for (int i = 0; i < Count(); ++i)
    if (IsMarked(i))
      marked.emplace_back(FListModel->index(i));

  QProgressDialog progress(tr("Dateien werden umbenannt …"), tr("Abbrechen"), 0, static_cast<int>(marked.size()), this);
  progress.setObjectName(QStringLiteral("RenameProgress"));
  progress.setWindowTitle(ToQ(Core::ApplicationTitle));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  const auto ask = [this](const std::string& path) { return AskCaptureTime(path); };
  for (std::size_t done = 0; done < marked.size(); ++done) {
    progress.setValue(static_cast<int>(done));
    progress.setLabelText(tr("Dateien werden umbenannt: %1 von %2").arg(done).arg(marked.size()));
    // Cancelling between two files: each file has its old or its new name, and so has its entry.
    if (progress.wasCanceled())
      break;
    const int index = marked[done].isValid() ? marked[done].row() : -1;
    if (index < 0)
      continue;
    const Core::TRenameEntryResult result = Core::RenameEntry(EntryText(index), pattern, ask);
    using enum Core::TRenameEntryStep;
    switch (result.Step) {
    case rsNotLoaded: return; // the file is no picture any more: the command ends without a refresh
    case rsRenamed: {
      const TListUpdate update(*this);
      SetEntry(index, {result.NewPath, EntryKey(index)});
      break;
    }
    case rsFailed: Message(this, PathToQ(result.Message)); break;
    case rsSkipped:
    case rsUnchanged: break;
    }
  }
  progress.setValue(static_cast<int>(marked.size()));
  ListBox1Click();
}

void TForm1::Change_GPS_BitBtnClick() {
  if (Form3 == nullptr)
    return;
  // The dialog shows the grid's caption and position rows as they are now.
  Form3->SetSourceRows(PositionRows());
  Form3->FormActivate();
  if (Desktop().ExecDialog(*Form3) == TModalResult::mrOk) {
    const QString latitude = Form3->Latitude();
    const QString longitude = Form3->Longitude();
    // Text that does not parse leaves the position as it is; a setter that raises ends here.
    StringGrid1->item(Core::RowIndex(Core::TKeyFieldRow::Latitude), 1)->setText(latitude);
    (void)Core::SetLatitudeFromText(jpg->ExifData(), ToStd(latitude));
    StringGrid1->item(Core::RowIndex(Core::TKeyFieldRow::Longitude), 1)->setText(longitude);
    (void)Core::SetLongitudeFromText(jpg->ExifData(), ToStd(longitude));
  }
  ShowMetadata();
  SetUnsavedEdits(true);
}

std::array<TForm3::TRow, 4> TForm1::PositionRows() const {
  std::array<TForm3::TRow, 4> rows{};
  using enum Core::TKeyFieldRow;
  const std::array<Core::TKeyFieldRow, 4> shown{Caption, Latitude, Longitude, Altitude};
  for (std::size_t i = 0; i < shown.size(); ++i)
    for (int column = 0; column < 2; ++column)
      if (const QTableWidgetItem* item = StringGrid1->item(Core::RowIndex(shown[i]), column))
        rows[i][static_cast<std::size_t>(column)] = item->text();
  return rows;
}

void TForm1::Google_BitBtnClick() {
  const std::optional<std::string> url = Core::MapLinkURL(jpg->ExifData());
  if (!url) {
    Message(this, CoreText("GPSTexts", Core::NoGPSDataMessage));
    return;
  }
  if (!Desktop().OpenWithShell(ToQ(*url)))
    Message(this, tr("Die Adresse %1 kann nicht geöffnet werden.").arg(ToQ(*url)));
}

void TForm1::KML_BitBtnClick() {
  // The marked entries, or all of them when none is marked; each file once.
  const std::vector<std::string> files = BatchFiles();
  if (files.empty())
    return;
  // A cancelled box answers the empty default: nothing is written.
  const QString answer = Desktop().InputBox(this, tr("KML-Datei für Google Earth"),
                                            tr("Name der KML-Datei (ohne Ordner: neben dem ersten Bild):"), QString());
  if (answer.trimmed().isEmpty())
    return;
  std::string kmlFile = QFile::encodeName(answer.trimmed()).toStdString();
  if (kmlFile.find('/') == std::string::npos)
    kmlFile = Platform::ExtractFilePath(files.front()) + kmlFile;
  if (Platform::ExtractFileExt(kmlFile).empty())
    kmlFile += ".kml";
  // Capture times in the zone of the last positions command; its track is drawn as a line.
  const auto collection = Core::CollectPlacemarks(files, kmlFile, FGeotagSettings);
  const auto name = Platform::ChangeFileExt(Platform::ExtractFileName(kmlFile), "");
  Core::WriteTextFile(kmlFile, Core::BuildKML(name, collection.Placemarks, Track()));
  QString text = tr("%1 von %2 Bildern in %3 geschrieben")
                     .arg(collection.Placemarks.size())
                     .arg(files.size())
                     .arg(PathToQ(kmlFile));
  for (const auto& file : collection.WithoutPosition)
    text += QStringLiteral("\n") + tr("Ohne Position: %1").arg(PathToQ(Platform::ExtractFileName(file)));
  for (const auto& failure : collection.Failures)
    text += QStringLiteral("\n") + PathToQ(Platform::ExtractFileName(failure.FileName)) + QStringLiteral(": ") +
            PathToQ(failure.Reason);
  Message(this, text);
}
void TForm1::Select_BitBtnClick() { ExifListView->SelectAll(); }
void TForm1::Clip_BitBtnClick() {
  if (ExifListView->CanCopyToClipboard())
    ExifListView->CopyToClipboard();
}

// --- trip commands -------------------------------------------------------------------------

std::vector<std::string> TForm1::BatchFiles() const {
  std::vector<bool> marked;
  marked.reserve(static_cast<std::size_t>(Count()));
  for (int i = 0; i < Count(); ++i)
    marked.push_back(IsMarked(i));
  return Core::BatchTargetFiles(Entries(), Core::BatchTargetIndexes(marked, MultiSelect()));
}

QString TForm1::BatchTargetText(std::size_t files) const {
  return tr("Betrifft %1 von %2 Bildern der Liste (die markierten, ohne Markierung alle).").arg(files).arg(Count());
}

bool TForm1::ConfirmUnsavedEdits() {
  // The picture on show is loaded again afterwards, which drops its unsaved edits.
  return !FUnsavedEdits || Desktop().MessageBox(this, CoreText("EditCommands", Core::UnsavedEditsQuestion),
                                                 TMessageButtons::mbYesNo) == TModalResult::mrYes;
}

void TForm1::FinishBatch(const Core::TBatchSummary& summary, bool rereadKeys) {
  if (rereadKeys) {
    // The keys follow the new capture times, so that sorting and renaming use them.
    std::vector<Core::TPictureEntry> entries = Entries();
    for (const std::size_t index : Core::RereadCaptureTimeKeys(entries, summary.ChangedFiles)) {
      const int i = static_cast<int>(index);
      const bool marked = IsMarked(i);
      const TListUpdate update(*this);
      SetEntry(i, entries[index]);
      if (marked)
        MarkEntry(i);
    }
  }
  // The picture on show is read again first, so that the summary stands over the new values.
  if (Count() > 0)
    Guarded([this] { ListBox1Click(); });
  Message(this, PathToQ(Core::SummaryText(summary)));
}

void TForm1::ShiftTimes_BitBtnClick() {
  const std::vector<std::string> files = BatchFiles();
  if (files.empty() || !ConfirmUnsavedEdits())
    return;
  if (ShiftDialog == nullptr)
    ShiftDialog = new TShiftDialog(this);
  ShiftDialog->SetTargetText(BatchTargetText(files.size()));
  if (Desktop().ExecDialog(*ShiftDialog) != TModalResult::mrOk || ShiftDialog->ShiftSeconds() == 0)
    return;
  const std::int64_t seconds = ShiftDialog->ShiftSeconds();
  const auto plan =
      PlanWithProgress(this, tr("Aufnahmezeiten werden gelesen: %1 von %2"), files,
                       [seconds](const std::string& file) { return Core::PlanClockShift(file, seconds); });
  if (!plan)
    return;
  std::vector<TBatchPreviewDialog::TRow> rows;
  for (const Core::TPreviewRow& row : Core::ShiftPreviewRows(*plan)) {
    QStringList cells;
    for (const std::string& cell : row.Cells)
      cells << PathToQ(cell);
    rows.push_back({row.FileName, cells, ToQ(row.Details), row.WillChange});
  }
  TBatchPreviewDialog preview(this);
  preview.setWindowTitle(tr("Aufnahmezeiten verschieben: Vorschau"));
  preview.SetIntro(tr("Die Aufnahmezeiten werden um %1 (Tage Stunden:Minuten:Sekunden) verschoben. Erst mit OK "
                      "werden die Dateien geschrieben.")
                       .arg(ToQ(Core::FormatClockShift(seconds))));
  preview.SetColumns({tr("Datei"), tr("bisher"), tr("neu")});
  preview.SetRows(rows);
  if (Desktop().ExecDialog(preview) != TModalResult::mrOk)
    return;
  FinishBatch(ApplyWithProgress(this, tr("Aufnahmezeiten werden geändert: %1 von %2"), *plan), true);
}

void TForm1::Geotag_BitBtnClick() {
  const std::vector<std::string> files = BatchFiles();
  if (files.empty() || !ConfirmUnsavedEdits())
    return;
  const std::vector<std::string> gpxFiles =
      Desktop().OpenFileNames(this, tr("GPS-Track öffnen"), tr("GPS-Tracks (*.gpx *.GPX);;Alle Dateien (*)"));
  if (gpxFiles.empty())
    return;
  std::vector<Core::TGPXTrack> tracks;
  QStringList names;
  for (const std::string& gpx : gpxFiles) {
    try {
      tracks.push_back(Core::LoadGPX(gpx));
    } catch (const std::exception& error) {
      Message(this, tr("%1 kann nicht als GPS-Track gelesen werden: %2").arg(PathToQ(gpx), PathToQ(error.what())));
      return;
    }
    names << PathToQ(Platform::ExtractFileName(gpx));
  }
  const Core::TGPXTrack track = Core::MergeTracks(std::move(tracks));
  if (GeotagDialog == nullptr)
    GeotagDialog = new TGeotagDialog(this);
  GeotagDialog->SetTrack(names.join(QStringLiteral(", ")), track);
  GeotagDialog->SetTargetText(BatchTargetText(files.size()));
  if (Desktop().ExecDialog(*GeotagDialog) != TModalResult::mrOk)
    return;
  const std::optional<Core::TGeotagSettings> settings = GeotagDialog->Settings();
  if (!settings)
    return;
  // From now on the KML file draws this track and reads capture times in this zone.
  FTrack = track;
  FGeotagSettings = *settings;
  const auto plan = PlanWithProgress(
      this, tr("Aufnahmezeiten werden gelesen: %1 von %2"), files,
      [&track, &settings](const std::string& file) { return Core::PlanGeotag(file, track, *settings); });
  if (!plan)
    return;
  std::vector<TBatchPreviewDialog::TRow> rows;
  for (const Core::TGeotagRow& row : Core::GeotagPreviewRows(*plan, track, *settings)) {
    QString how;
    using enum Core::THowFound;
    switch (row.How) {
    case hfTrackPoint: how = tr("Trackpunkt"); break;
    case hfInterpolated: how = tr("interpoliert"); break;
    case hfNearestPoint: how = tr("nächster Punkt, %1 s entfernt").arg(std::lround(row.Distance)); break;
    case hfTooFar: how = tr("zu weit vom Track"); break;
    case hfNoCaptureTime: how = tr("keine Aufnahmezeit"); break;
    case hfError: how = PathToQ(row.Error); break;
    }
    const bool found = !row.Position.empty();
    rows.push_back({row.FileName, {ToQ(row.UTCTime), ToQ(row.Position), how}, how, found});
  }
  TBatchPreviewDialog preview(this);
  preview.setWindowTitle(tr("Positionen aus GPS-Track: Vorschau"));
  preview.SetIntro(tr("Bilder, die zu weit vom Track liegen, bleiben, wie sie sind. Erst mit OK werden die "
                      "Dateien geschrieben."));
  preview.SetColumns({tr("Datei"), tr("Aufnahmezeit (UTC)"), tr("Position"), tr("wie gefunden")});
  preview.SetRows(rows);
  if (Desktop().ExecDialog(preview) != TModalResult::mrOk)
    return;
  FinishBatch(ApplyWithProgress(this, tr("Positionen werden geschrieben: %1 von %2"), *plan), false);
}

// --- drops -------------------------------------------------------------------------------

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  Guarded("drag", [event] {
    if (event->mimeData()->hasUrls())
      event->acceptProposedAction();
  });
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
  Guarded("drag", [event] {
    if (event->mimeData()->hasUrls())
      event->acceptProposedAction();
  });
}

void TForm1::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  Guarded("drop", [this, event] {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
      if (url.isLocalFile())
        paths.push_back(LocalPathBytes(url));
    if (!paths.empty())
      TakeFiles(std::move(paths));
  });
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Guarded("resize", [this] { FormResize(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A closing window shows nothing more.
  Guarded("close", [this] { FListing->Cancel(false); });
  QMainWindow::closeEvent(event);
}

// --- listing on a worker -----------------------------------------------------------------

void TForm1::TakeFiles(std::vector<std::string> paths) { FListing->Take(std::move(paths)); }

bool TForm1::Listing() const { return FListing->IsBusy(); }

void TForm1::CancelListing() { FListing->Cancel(); }

// Every step arrives from the event loop: each runs guarded, and one that fails ends the
// drops like a read error.
void TForm1::ConnectListing() {
  TPictureListing* listing = FListing.get();
  const auto step = [this, listing](const char* entryPoint, auto body) {
    if (!Guarded(entryPoint, body))
      Guarded([listing] { listing->Cancel(); });
  };
  connect(listing, &TPictureListing::EntriesListed, this,
          [step, this](const std::vector<Core::TPictureEntry>& entries) {
            step("entries", [this, &entries] { AddPictures(entries); });
          });
  connect(listing, &TPictureListing::FileRejected, this, [step, this](const std::string& path) {
    step("rejected", [this, &path] { ListingMessage(PathToQ(Core::NotJpegMessage(path))); });
  });
  connect(listing, &TPictureListing::DropFailed, this, [step, this](const std::string& message) {
    step("failed", [this, &message] { ListingMessage(ToQ(message)); });
  });
  connect(listing, &TPictureListing::DropEnded, this,
          [step, this] { step("dropended", [this] { ShowFirstEntry(); }); });
  connect(listing, &TPictureListing::Progress, this, [step, this] { step("progress", [this] { UpdateProgress(); }); });
  connect(listing, &TPictureListing::Finished, this, &TForm1::ListingFinished);
}

void TForm1::ShowFirstEntry() {
  if (Count() == 0)
    return;
  // The first entry of the whole list is shown, not the first dropped file.
  MakeCurrent(0);
  MarkEntry(0);
  Guarded([this] { ListBox1Click(); });
}

// A message about one dropped file. A progress box already on screen first shows the
// count the message belongs to; one not shown yet stays hidden, so that it does not come
// up over the message only because the message holds the event loop.
void TForm1::ListingMessage(const QString& text) {
  if (FProgress != nullptr) {
    if (FProgress->isVisible())
      UpdateProgress();
    else
      FProgress->reset();
  }
  Message(this, text);
}

void TForm1::UpdateProgress() {
  const int done = FListing->Done();
  const int total = FListing->Total();
  emit ListingProgress(done, total);
  if (!Listing()) {
    if (FProgress != nullptr) {
      FProgress->reset();
      FProgress->hide();
    }
    return;
  }
  if (FProgress == nullptr) {
    FProgress = new QProgressDialog(this);
    FProgress->setObjectName(QStringLiteral("ListingProgress"));
    FProgress->setWindowTitle(ToQ(Core::ApplicationTitle));
    FProgress->setCancelButtonText(tr("Abbrechen"));
    FProgress->setAutoClose(false);
    FProgress->setAutoReset(false);
    FProgress->setMinimumDuration(400);
    FProgress->setWindowModality(Qt::WindowModal);
    connect(FProgress, &QProgressDialog::canceled, this, [this] { Guarded("cancel", [this] { CancelListing(); }); });
  }
  FProgress->setMaximum(std::max(1, total));
  // The dialog decides in setValue whether it comes up; its text is laid out only when it is
  // on screen (before its first paint), not for every step of a drop that ends before.
  FProgress->setValue(std::min(done, total));
  if (FProgress->isVisible())
    FProgress->setLabelText(tr("Bilder werden gelesen: %1 von %2").arg(done).arg(total));
}

} // namespace Fotarium::App
