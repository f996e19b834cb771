#pragma once

#include "app/core/WindowLanguage.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Fotarium::Core {

inline constexpr std::string_view ApplicationTitle = "Fotarium";
// The window caption: the title, blanks up to column 150, then the drop hint.
inline constexpr std::size_t CaptionHintColumn = 150;
inline constexpr std::string_view CaptionHint =
    FOTARIUM_TRANSLATE_NOOP("WindowRules", "Ziehen Sie die JPG-Dateien mit \"Drag and Drop\" auf das Formular!");
[[nodiscard]] std::string MainWindowCaption();

// The pictures named on the command line, as the system's bytes: every argument after the
// program's name that is no option. The application object must have taken its own options
// ("-style fusion", "-platform offscreen") out of argv before.
[[nodiscard]] std::vector<std::string> PictureArguments(int argc, const char* const* argv);

// Help text of the name pattern, with CR LF line breaks.
[[nodiscard]] std::string Label1Text();
inline constexpr std::string_view DefaultNamePattern = "yyyymmdd_hhnnss_@";

// The sort button's caption is the sort state: the caption containing SortStateMarker means
// the next click sorts by capture time. The captions are source texts; the window shows
// their translations (context "WindowRules").
inline constexpr std::string_view SortByCaptureTimeCaption =
    FOTARIUM_TRANSLATE_NOOP("WindowRules", "Bilderliste nach Aufnahmedatum sortieren  ");
inline constexpr std::string_view SortByNameCaption =
    FOTARIUM_TRANSLATE_NOOP("WindowRules", "Bilderliste nach Namen sortieren          ");
inline constexpr std::string_view SortStateMarker = "Aufnahmedatum";
[[nodiscard]] bool NextSortIsByCaptureTime(std::string_view sortButtonCaption);
// The caption after a click with the given caption.
[[nodiscard]] std::string_view SortCaptionAfterClick(std::string_view sortButtonCaption);

// The window's commands, one per command button.
enum class TCommand : unsigned char {
  Orientation,     // Orientation_BitBtn
  ChangeDate,      // Change_Date_BitBtn
  ChangeGPS,       // Change_GPS_BitBtn
  Description,     // Description_BitBtn
  Comment,         // Comment_BitBtn
  RenameByDate,    // Date_BitBtn
  SelectExif,      // Select_BitBtn
  CopyExif,        // Clip_BitBtn
  MapLink,         // Google_BitBtn
  Sort,            // Sort_BitBtn
  KML,             // KML_BitBtn
  MarkAllPictures, // SelAllPics_BitBtn
  MarkAllFiles,    // SelAllFiles_BitBtn
  Save,            // Save_BitBtn
};
inline constexpr std::size_t CommandCount = 14;
using TCommandSet = std::bitset<CommandCount>;
[[nodiscard]] constexpr std::size_t CommandBit(TCommand command) { return static_cast<std::size_t>(command); }
[[nodiscard]] std::string_view CommandButtonName(TCommand command);

// The commands that EnableCommands switches together (Save is not one of them), and their
// buttons in the same order.
inline constexpr std::array<TCommand, 13> PictureCommands = {
    TCommand::Orientation,  TCommand::ChangeDate,      TCommand::ChangeGPS,    TCommand::Description, TCommand::Comment,
    TCommand::RenameByDate, TCommand::SelectExif,      TCommand::CopyExif,     TCommand::MapLink,     TCommand::Sort,
    TCommand::KML,          TCommand::MarkAllPictures, TCommand::MarkAllFiles,
};
inline constexpr std::array<std::string_view, 13> CommandButtonNames = {
    "Orientation_BitBtn", "Change_Date_BitBtn", "Change_GPS_BitBtn",  "Description_BitBtn", "Comment_BitBtn",
    "Date_BitBtn",        "Select_BitBtn",      "Clip_BitBtn",        "Google_BitBtn",      "Sort_BitBtn",
    "KML_BitBtn",         "SelAllPics_BitBtn",  "SelAllFiles_BitBtn",
};

// What decides which commands the window offers. The picture commands are offered together
// once an entry has been shown; while none is (at start, during and after a failed show,
// after the last entry went) a tab switched to offers its own commands and a filled grid the
// map link. Nothing is offered on an empty list; Save follows the unsaved edits alone.
struct TCommandState {
  int ListCount = 0;
  bool UnsavedEdits = false;
  bool PictureShown = false;
  unsigned TabsOffered = 0; // bit i: tab i was switched to since the picture commands went off
  bool MapOffered = false;  // the key-field grid was filled since then
};
[[nodiscard]] TCommandSet EnabledCommands(const TCommandState& state);

enum class TSelectionMode { Multi, Single };
enum class TMiddleView { ExifListView, StringGrid1 };

// What switching to a tab does, in this order: page-control height, views (the grid gets its
// 12 rows when it is shown), the tab's commands offered (enabled by list count > 0),
// selection mode; then the layout rule and, with a non-empty list, the metadata refresh.
struct TTabRule {
  int PageControlHeight;
  TMiddleView Shown;
  std::array<TCommand, 4> Commands; // the first CommandsOnTab count
  int CommandsOnTab;
  TSelectionMode Mode;
};
// nullptr for an index that is no tab.
[[nodiscard]] const TTabRule* TabRule(int tabIndex);
inline constexpr TSelectionMode InitialSelectionMode = TSelectionMode::Multi;

// Visibility of the list's context-menu entries.
struct TPopupVisibility {
  bool Remove = false; // pm_remove
  bool Delete = false; // pm_delete
  bool Rename = false; // pm_rename
  bool Up = false;     // pm_up
  bool Down = false;   // pm_down
  friend bool operator==(const TPopupVisibility&, const TPopupVisibility&) = default;
};
[[nodiscard]] TPopupVisibility PopupVisibility(int count, int currentIndex);

// The layout rule applied on every resize.
inline constexpr int GridRowCount = 12;
inline constexpr int GridColumn0Width = 180;
inline constexpr int FinalPageControlHeight = 158;
struct TLayoutInput {
  int Panel1Height = 0;
  int Panel2Height = 0;
  int PageControlHeight = 0; // the height it has right now (98, 138 or 158)
  int GridWidth = 0;
  int GridDefaultRowHeight = 24;
  int GridRows = GridRowCount;
};
struct TLayout {
  int GridRows = GridRowCount;
  int GridColumn0Width = Core::GridColumn0Width;
  int GridColumn1Width = 0;
  int Panel1Width = 0;
  int ListBoxHeight = 0;
  int PageControlHeight = FinalPageControlHeight;
  friend bool operator==(const TLayout&, const TLayout&) = default;
};
[[nodiscard]] TLayout LayoutRule(const TLayoutInput& input);

// The entry to make current after removing entry removedIndex, given the count afterwards
// (-1 when the list became empty).
[[nodiscard]] int IndexAfterRemove(int removedIndex, int countAfter);

// A path split for renaming: the folder part with its trailing "/" (empty for a bare name)
// and the file name.
struct TPathParts {
  std::string Folder;
  std::string Name;
};
[[nodiscard]] TPathParts SplitPath(const std::string& path);
// The target of a rename, or nullopt when the answer is the unchanged name (also what a
// cancelled input box returns): then no move is attempted and no error shown.
[[nodiscard]] std::optional<std::string> RenameTarget(const std::string& oldPath, const std::string& answer);
inline constexpr std::string_view RenameCaption = FOTARIUM_TRANSLATE_NOOP("WindowRules", "neuer Name:");
[[nodiscard]] std::string RenameFailedMessage(const std::string& oldPath, int errorCode);

// The manual the help buttons open, for the folder of the running program: installed it is
// ../share/doc/fotarium/Fotarium.pdf from there, in the build tree the file beside the program.
inline constexpr std::string_view ManualFileName = "Fotarium.pdf";
[[nodiscard]] std::string ManualPath(const std::string& programDir);

// The question asked when a shown picture has no EXIF data.
[[nodiscard]] std::string NoExifQuestion(const std::string& path);

} // namespace Fotarium::Core
