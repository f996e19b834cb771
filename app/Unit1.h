#pragma once

// The main window: the picture list filled by drops, the square preview, the key-field
// grid or the full EXIF list, and the command buttons on three tabs.

#include "app/Unit3.h"
#include "app/core/EditCommands.h"
#include "app/core/Geotag.h"
#include "app/core/GPXTrack.h"
#include "app/core/PictureList.h"
#include "app/core/WindowRules.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressDialog;
class QPushButton;
class QSplitter;
class QTableWidget;
class QTabWidget;
class QWidget;

namespace Tessel::Exif {
class TJPEGImageEx;
} // namespace Tessel::Exif

namespace Fotarium::App {

class TExifListView;
class TGeotagDialog;
class TShiftDialog;
class TPictureListModel;
class TPictureListing;
class TForm2;
class TForm4;

class TForm1 : public QMainWindow {
  Q_OBJECT

public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The dialogs live as long as the application; the window only borrows them.
  void SetDialogs(TForm2* form2, TForm3* form3, TForm4* form4);

  // Takes local paths (bytes as the file system names them) exactly like one drop. The
  // files are read by workers; entries appear in the given order.
  void TakeFiles(std::vector<std::string> paths);
  // A drop, a command line or an open-dialog choice is still being read.
  [[nodiscard]] bool Listing() const;
  // Stops reading: what was added stays, the rest of every pending drop is dropped.
  void CancelListing();

  // The path of the file on show (bytes).
  [[nodiscard]] const std::string& JPG_Name() const { return FJPG_Name; }
  // The list's entries in order (texts as bytes and their keys).
  [[nodiscard]] std::vector<Core::TPictureEntry> Entries() const;
  [[nodiscard]] Tessel::Exif::TJPEGImageEx* Picture() const { return jpg.get(); }
  // The GPS track last used for positions (the KML file draws it), or nullptr.
  [[nodiscard]] const Core::TGPXTrack* Track() const { return FTrack ? &*FTrack : nullptr; }

signals:
  // done of total files of the pending drops have been taken (for the progress display).
  void ListingProgress(int done, int total);
  // Every pending drop is taken, cancelled or stopped by an error.
  void ListingFinished();

protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  // --- construction ---
  void CreateControls();
  QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption);
  void FormCreate();

  // --- list ---
  void AddPicture(const std::string& path, Platform::TDateTime key);
  void AddPictures(const std::vector<Core::TPictureEntry>& entries);
  void EnableCommands(bool enabled);
  void SetUnsavedEdits(bool unsaved);
  void UpdateCommands();
  void ListBox1Click();
  void PopupMenu1Popup();
  void pm_removeClick();
  void pm_deleteClick();
  void pm_renameClick();
  void pm_upClick();
  void pm_downClick();
  void ExchangeEntries(int i, int j);
  void SelAllPics_BitBtnClick();
  void Sort_BitBtnClick();
  void PageControl1Change(int index);
  void FormResize();
  void Help_BitBtn0Click();
  void Exit_BitBtn0Click();
  void FormClose();
  void OpenFilesClick();
  void RemoveCurrentEntry();

  // --- picture view ---
  void ShowPicture(const std::string& path);
  void ShowMetadata();
  void ShowPreview();
  void ClearView();

  // --- edit commands ---
  void Orientation_BitBtnClick();
  void Change_Date_BitBtnClick();
  void EditText(Core::TEditableText which);
  Core::TCaptureTimeAnswer AskCaptureTime(const std::string& path);
  void Description_BitBtnClick();
  void Comment_BitBtnClick();
  void Save_BitBtnClick();
  void Date_BitBtnClick();
  void Change_GPS_BitBtnClick();
  [[nodiscard]] std::array<TForm3::TRow, 4> PositionRows() const;
  void Google_BitBtnClick();
  void KML_BitBtnClick();
  void Select_BitBtnClick();
  void Clip_BitBtnClick();

  // --- trip commands: a preview of every file, then one save per file ---
  void ShiftTimes_BitBtnClick();
  void Geotag_BitBtnClick();
  [[nodiscard]] std::vector<std::string> BatchFiles() const;
  [[nodiscard]] QString BatchTargetText(std::size_t files) const;
  [[nodiscard]] bool ConfirmUnsavedEdits();
  void FinishBatch(const Core::TBatchSummary& summary, bool rereadKeys);

  // --- list entries ---
  [[nodiscard]] int Count() const;
  [[nodiscard]] int CurrentIndex() const;
  [[nodiscard]] std::string EntryText(int index) const;
  [[nodiscard]] Platform::TDateTime EntryKey(int index) const;
  [[nodiscard]] bool IsMarked(int index) const;
  void SetEntry(int index, const Core::TPictureEntry& entry);
  void InsertEntry(int index, const Core::TPictureEntry& entry);
  void SetEntries(const std::vector<Core::TPictureEntry>& entries);
  void MakeCurrent(int index);
  void MarkEntry(int index);
  void SetSelectionMode(Core::TSelectionMode mode);
  [[nodiscard]] bool MultiSelect() const { return FSelectionMode == Core::TSelectionMode::Multi; }
  void CurrentRowChanged();

  // --- listing dropped files on a worker ---
  void ConnectListing();
  void ShowFirstEntry();
  void UpdateProgress();
  void ListingMessage(const QString& text);

  // --- controls (design names) ---
  QFrame* Panel1 = nullptr;
  QLabel* Image1 = nullptr;
  QFrame* Panel2 = nullptr;
  QSplitter* Splitter1 = nullptr;
  QListView* ListBox1 = nullptr;
  TPictureListModel* FListModel = nullptr;
  QWidget* MiddlePanel = nullptr;
  QTableWidget* StringGrid1 = nullptr;
  TExifListView* ExifListView = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* Date_BitBtn = nullptr;
  QPushButton* SelAllFiles_BitBtn = nullptr;
  QPushButton* Select_BitBtn = nullptr;
  QPushButton* Clip_BitBtn = nullptr;
  QPushButton* Help_BitBtn0 = nullptr;
  QPushButton* Exit_BitBtn0 = nullptr;
  QPushButton* Orientation_BitBtn = nullptr;
  QPushButton* Change_Date_BitBtn = nullptr;
  QPushButton* Description_BitBtn = nullptr;
  QPushButton* Comment_BitBtn = nullptr;
  QPushButton* Save_BitBtn = nullptr;
  QPushButton* Change_GPS_BitBtn = nullptr;
  QPushButton* ShiftTimes_BitBtn = nullptr;
  QPushButton* Help_BitBtn1 = nullptr;
  QPushButton* Exit_BitBtn1 = nullptr;
  QPushButton* Google_BitBtn = nullptr;
  QPushButton* Sort_BitBtn = nullptr;
  QPushButton* KML_BitBtn = nullptr;
  QPushButton* SelAllPics_BitBtn = nullptr;
  QPushButton* Geotag_BitBtn = nullptr;
  QPushButton* Help_BitBtn2 = nullptr;
  QPushButton* Exit_BitBtn2 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* pm_remove = nullptr;
  QAction* pm_delete = nullptr;
  QAction* pm_rename = nullptr;
  QAction* pm_up = nullptr;
  QAction* pm_down = nullptr;
  QAction* OpenAction = nullptr;

  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;
  TForm4* Form4 = nullptr;
  TShiftDialog* ShiftDialog = nullptr;   // made on first use, kept with its values
  TGeotagDialog* GeotagDialog = nullptr; // the same

  // --- state ---
  std::unique_ptr<Tessel::Exif::TJPEGImageEx> jpg;
  std::string FJPG_Name;
  Core::TSelectionMode FSelectionMode = Core::InitialSelectionMode;
  bool FSortedByName = false;
  // The shown picture has edits that are not saved yet.
  bool FUnsavedEdits = false;
  // What else decides the command buttons (see Core::TCommandState).
  bool FPictureShown = false;
  unsigned FTabsOffered = 0;
  bool FMapOffered = false;
  std::array<QPushButton*, Core::CommandCount> FCommandButtons{};
  // > 0 while the window itself changes the list, so that the list's signals do not show
  // entries in between.
  int FListUpdate = 0;
  // The current entry changed since the last mouse press on the list: the click that
  // follows has shown it already.
  bool FCurrentChangedByPress = false;

  // The drops being read; their results become entries as they arrive.
  std::unique_ptr<TPictureListing> FListing;
  QProgressDialog* FProgress = nullptr;

  // The track of the last positions command and its settings, for the KML file.
  std::optional<Core::TGPXTrack> FTrack;
  Core::TGeotagSettings FGeotagSettings;

  friend class TListUpdate;
};

} // namespace Fotarium::App
