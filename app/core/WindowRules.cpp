#include "app/core/WindowRules.h"

#include "app/core/WindowLanguage.h"

#include "platform/FileOps.h"

namespace Fotarium::Core {

namespace {

constexpr std::array<TTabRule, 3> TabRules = {{
    {98,
     TMiddleView::ExifListView,
     {TCommand::SelectExif, TCommand::CopyExif, TCommand::RenameByDate, TCommand::RenameByDate},
     3,
     TSelectionMode::Multi},
    {138,
     TMiddleView::StringGrid1,
     {TCommand::Orientation, TCommand::ChangeDate, TCommand::Description, TCommand::Comment},
     4,
     TSelectionMode::Single},
    {138,
     TMiddleView::StringGrid1,
     {TCommand::MapLink, TCommand::Sort, TCommand::KML, TCommand::MarkAllPictures},
     4,
     TSelectionMode::Multi},
}};

} // namespace

std::vector<std::string> PictureArguments(int argc, const char* const* argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr)
      continue;
    std::string argument = argv[i];
    if (!argument.empty() && argument[0] != '-')
      files.push_back(std::move(argument));
  }
  return files;
}

std::string MainWindowCaption() {
  std::string caption(ApplicationTitle);
  if (caption.size() < CaptionHintColumn)
    caption.resize(CaptionHintColumn, ' ');
  caption += Tr("WindowRules", CaptionHint.data());
  return caption;
}

std::string Label1Text() {
  return Tr("WindowRules", "Format-String:\r\n"
                           "(@ steht für den aktuellen Dateinamen,\r\n"
                           " weitere Textbestandteile können in \" \" eingeschlossen werden.");
}

bool NextSortIsByCaptureTime(std::string_view sortButtonCaption) {
  return sortButtonCaption.find(SortStateMarker) != std::string_view::npos;
}

std::string_view SortCaptionAfterClick(std::string_view sortButtonCaption) {
  return NextSortIsByCaptureTime(sortButtonCaption) ? SortByNameCaption : SortByCaptureTimeCaption;
}

std::string_view CommandButtonName(TCommand command) {
  if (command == TCommand::Save)
    return "Save_BitBtn";
  for (std::size_t i = 0; i < PictureCommands.size(); ++i)
    if (PictureCommands[i] == command)
      return CommandButtonNames[i];
  return {};
}

TCommandSet EnabledCommands(const TCommandState& state) {
  TCommandSet enabled;
  if (state.ListCount > 0) {
    for (const TCommand command : PictureCommands)
      enabled.set(CommandBit(command), state.PictureShown);
    for (int tab = 0; tab < static_cast<int>(TabRules.size()); ++tab)
      if ((state.TabsOffered & (1U << tab)) != 0) {
        const TTabRule& rule = TabRules[static_cast<std::size_t>(tab)];
        for (int i = 0; i < rule.CommandsOnTab; ++i)
          enabled.set(CommandBit(rule.Commands[static_cast<std::size_t>(i)]));
      }
    if (state.MapOffered)
      enabled.set(CommandBit(TCommand::MapLink));
  }
  enabled.set(CommandBit(TCommand::Save), state.UnsavedEdits);
  return enabled;
}

const TTabRule* TabRule(int tabIndex) {
  if (tabIndex < 0 || tabIndex >= static_cast<int>(TabRules.size()))
    return nullptr;
  return &TabRules[static_cast<std::size_t>(tabIndex)];
}

TPopupVisibility PopupVisibility(int count, int currentIndex) {
  TPopupVisibility result;
  const bool any = count > 0;
  result.Remove = result.Delete = result.Rename = any;
  result.Up = any && currentIndex > 0;
  result.Down = any && currentIndex < count - 1;
  return result;
}

TLayout LayoutRule(const TLayoutInput& input) {
  TLayout layout;
  layout.GridColumn1Width = input.GridWidth - 186;
  layout.Panel1Width = input.Panel1Height;
  layout.ListBoxHeight =
      input.Panel2Height - input.PageControlHeight - input.GridRows * (input.GridDefaultRowHeight + 1) - 6;
  return layout;
}

int IndexAfterRemove(int removedIndex, int countAfter) {
  if (countAfter <= 0)
    return -1;
  int index = removedIndex;
  if (index > countAfter - 1)
    index = countAfter - 1;
  return index < 0 ? 0 : index;
}

TPathParts SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return {"", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::optional<std::string> RenameTarget(const std::string& oldPath, const std::string& answer) {
  const TPathParts parts = SplitPath(oldPath);
  if (answer == parts.Name)
    return std::nullopt;
  return parts.Folder + answer;
}

std::string RenameFailedMessage(const std::string& oldPath, int errorCode) {
  return FormatText(Tr("WindowRules", "Umbenennen von %1 scheiterte mit Fehler: %2"),
                    {oldPath, std::to_string(errorCode)});
}

std::string ManualPath(const std::string& programDir) {
  std::string dir = programDir;
  if (!dir.empty() && dir.back() != '/')
    dir += '/';
  const std::string installed = dir + "../share/doc/fotarium/" + std::string(ManualFileName);
  if (Platform::FileExists(installed))
    return installed;
  return dir + std::string(ManualFileName);
}

std::string NoExifQuestion(const std::string& path) {
  return FormatText(Tr("WindowRules", "%1 besitzt keine Exif-Daten\r\nSoll ein leerer Satz angelegt werden?"), {path});
}

} // namespace Fotarium::Core
