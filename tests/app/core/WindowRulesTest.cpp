#include "app/core/WindowRules.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>

using namespace Fotarium::Core;

TEST(WindowRules, CaptionsAndTexts) {
  const std::string caption = MainWindowCaption();
  const std::string hint = "Ziehen Sie die JPG-Dateien mit \"Drag and Drop\" auf das Formular!";
  ASSERT_EQ(caption.size(), 150 + hint.size());
  EXPECT_EQ(caption.substr(0, 8), "Fotarium");
  EXPECT_EQ(caption.substr(8, 142), std::string(142, ' '));
  EXPECT_EQ(caption.substr(150), hint);

  EXPECT_EQ(Label1Text(), "Format-String:\r\n(@ steht für den aktuellen Dateinamen,\r\n"
                          " weitere Textbestandteile können in \" \" eingeschlossen werden.");
  EXPECT_EQ(DefaultNamePattern, "yyyymmdd_hhnnss_@");
  EXPECT_EQ(NoExifQuestion("/p/a.jpg"), "/p/a.jpg besitzt keine Exif-Daten\r\nSoll ein leerer Satz angelegt werden?");
  EXPECT_EQ(RenameFailedMessage("/p/a.jpg", 17), "Umbenennen von /p/a.jpg scheiterte mit Fehler: 17");
}

TEST(WindowRules, SortCaptionIsTheSortState) {
  EXPECT_EQ(SortByCaptureTimeCaption, "Bilderliste nach Aufnahmedatum sortieren" + std::string(2, ' '));
  EXPECT_EQ(SortByNameCaption, "Bilderliste nach Namen sortieren" + std::string(10, ' '));
  EXPECT_TRUE(NextSortIsByCaptureTime(SortByCaptureTimeCaption)) << "the first click sorts by capture time";
  EXPECT_FALSE(NextSortIsByCaptureTime(SortByNameCaption));
  std::string_view caption = SortByCaptureTimeCaption;
  caption = SortCaptionAfterClick(caption);
  EXPECT_EQ(caption, SortByNameCaption);
  caption = SortCaptionAfterClick(caption);
  EXPECT_EQ(caption, SortByCaptureTimeCaption);
}

TEST(WindowRules, CommandButtonsAndTabs) {
  const std::set<std::string_view> commands(CommandButtonNames.begin(), CommandButtonNames.end());
  EXPECT_EQ(commands.size(), 13U);
  EXPECT_EQ(commands.count("Save_BitBtn"), 0U) << "the save button is never switched with the commands";

  const TTabRule* first = TabRule(0);
  const TTabRule* second = TabRule(1);
  const TTabRule* third = TabRule(2);
  ASSERT_TRUE(first && second && third);
  EXPECT_EQ(TabRule(3), nullptr);
  EXPECT_EQ(TabRule(-1), nullptr);

  EXPECT_EQ(first->PageControlHeight, 98);
  EXPECT_EQ(second->PageControlHeight, 138);
  EXPECT_EQ(third->PageControlHeight, 138);
  EXPECT_EQ(first->Shown, TMiddleView::ExifListView);
  EXPECT_EQ(second->Shown, TMiddleView::StringGrid1);
  EXPECT_EQ(third->Shown, TMiddleView::StringGrid1);
  EXPECT_EQ(first->Mode, TSelectionMode::Multi);
  EXPECT_EQ(second->Mode, TSelectionMode::Single);
  EXPECT_EQ(third->Mode, TSelectionMode::Multi);
  EXPECT_EQ(InitialSelectionMode, TSelectionMode::Multi);

  const auto buttons = [](const TTabRule* rule) {
    std::vector<std::string_view> names;
    for (int i = 0; i < rule->CommandsOnTab; ++i)
      names.push_back(CommandButtonName(rule->Commands[static_cast<std::size_t>(i)]));
    return names;
  };
  EXPECT_EQ(buttons(first), (std::vector<std::string_view>{"Select_BitBtn", "Clip_BitBtn", "Date_BitBtn"}));
  EXPECT_EQ(buttons(second), (std::vector<std::string_view>{"Orientation_BitBtn", "Change_Date_BitBtn",
                                                            "Description_BitBtn", "Comment_BitBtn"}));
  EXPECT_EQ(buttons(third),
            (std::vector<std::string_view>{"Google_BitBtn", "Sort_BitBtn", "KML_BitBtn", "SelAllPics_BitBtn"}));
  for (const TTabRule* rule : {first, second, third})
    for (const std::string_view name : buttons(rule))
      EXPECT_EQ(commands.count(name), 1U) << name << " is a command button";
}

namespace {

// The names of the enabled commands' buttons, for readable failures.
std::set<std::string_view> EnabledButtons(const TCommandState& state) {
  std::set<std::string_view> names;
  const TCommandSet enabled = EnabledCommands(state);
  for (std::size_t i = 0; i < CommandCount; ++i)
    if (enabled.test(i))
      names.insert(CommandButtonName(static_cast<TCommand>(i)));
  return names;
}

TCommandState State(int count, bool shown, bool unsaved = false, unsigned tabs = 0, bool map = false) {
  TCommandState state;
  state.ListCount = count;
  state.PictureShown = shown;
  state.UnsavedEdits = unsaved;
  state.TabsOffered = tabs;
  state.MapOffered = map;
  return state;
}

} // namespace

TEST(WindowRules, CommandsEnabledByListPictureTabsAndEdits) {
  const std::set<std::string_view> all(CommandButtonNames.begin(), CommandButtonNames.end());
  for (const TCommand command : PictureCommands)
    EXPECT_EQ(all.count(CommandButtonName(command)), 1U);
  EXPECT_EQ(CommandButtonName(TCommand::Save), "Save_BitBtn");

  EXPECT_TRUE(EnabledButtons(State(0, false)).empty()) << "at start nothing is offered";
  EXPECT_EQ(EnabledButtons(State(3, true)), all) << "a shown entry offers the 13 commands, Save stays off";
  std::set<std::string_view> withSave = all;
  withSave.insert("Save_BitBtn");
  EXPECT_EQ(EnabledButtons(State(3, true, true)), withSave);
  // Removing the last entry switches the commands off but leaves Save as it was.
  EXPECT_EQ(EnabledButtons(State(0, false, true, 0b111, true)), std::set<std::string_view>{"Save_BitBtn"});
  EXPECT_TRUE(EnabledButtons(State(0, true)).empty()) << "an empty list offers nothing";

  // After a failed show only the tabs switched to since and the grid's map link come back.
  EXPECT_TRUE(EnabledButtons(State(2, false)).empty());
  EXPECT_EQ(EnabledButtons(State(2, false, false, 0b100)),
            (std::set<std::string_view>{"Google_BitBtn", "Sort_BitBtn", "KML_BitBtn", "SelAllPics_BitBtn"}));
  EXPECT_EQ(
      EnabledButtons(State(2, false, false, 0b011, true)),
      (std::set<std::string_view>{"Select_BitBtn", "Clip_BitBtn", "Date_BitBtn", "Orientation_BitBtn",
                                  "Change_Date_BitBtn", "Description_BitBtn", "Comment_BitBtn", "Google_BitBtn"}));
  EXPECT_EQ(EnabledButtons(State(2, false, false, 1U << 5)), std::set<std::string_view>{}) << "no such tab";
}

TEST(WindowRules, PopupVisibility) {
  EXPECT_EQ(PopupVisibility(0, -1), TPopupVisibility{}) << "an empty list shows no entries";
  EXPECT_EQ(PopupVisibility(0, 0), TPopupVisibility{});
  EXPECT_EQ(PopupVisibility(3, 0), (TPopupVisibility{true, true, true, false, true})) << "first: no up";
  EXPECT_EQ(PopupVisibility(3, 1), (TPopupVisibility{true, true, true, true, true}));
  EXPECT_EQ(PopupVisibility(3, 2), (TPopupVisibility{true, true, true, true, false})) << "last: no down";
  EXPECT_EQ(PopupVisibility(1, 0), (TPopupVisibility{true, true, true, false, false}));
}

TEST(WindowRules, LayoutUsesThePageControlHeightOfTheMoment) {
  TLayoutInput input;
  input.Panel1Height = 731;
  input.Panel2Height = 731;
  input.PageControlHeight = 158;
  input.GridWidth = 594;
  input.GridDefaultRowHeight = 24;
  TLayout layout = LayoutRule(input);
  EXPECT_EQ(layout.GridRows, 12);
  EXPECT_EQ(layout.GridColumn0Width, 180);
  EXPECT_EQ(layout.GridColumn1Width, 408);
  EXPECT_EQ(layout.Panel1Width, 731) << "the picture box is square";
  EXPECT_EQ(layout.ListBoxHeight, 731 - 158 - 12 * 25 - 6);
  EXPECT_EQ(layout.PageControlHeight, 158);

  input.PageControlHeight = 98; // right after switching to the first tab
  EXPECT_EQ(LayoutRule(input).ListBoxHeight, 731 - 98 - 300 - 6);
  input.PageControlHeight = 138;
  input.Panel1Height = 500;
  layout = LayoutRule(input);
  EXPECT_EQ(layout.ListBoxHeight, 731 - 138 - 300 - 6);
  EXPECT_EQ(layout.Panel1Width, 500);
  EXPECT_EQ(layout.PageControlHeight, 158);
}

TEST(WindowRules, RemoveAndRename) {
  EXPECT_EQ(IndexAfterRemove(2, 2), 1) << "the last entry removed: its predecessor";
  EXPECT_EQ(IndexAfterRemove(0, 2), 0);
  EXPECT_EQ(IndexAfterRemove(1, 2), 1);
  EXPECT_EQ(IndexAfterRemove(0, 0), -1);

  EXPECT_EQ(SplitPath("/home/anna/Bilder/a.jpg").Folder, "/home/anna/Bilder/");
  EXPECT_EQ(SplitPath("/home/anna/Bilder/a.jpg").Name, "a.jpg");
  EXPECT_EQ(SplitPath("/a.jpg").Folder, "/");
  EXPECT_EQ(SplitPath("a.jpg").Folder, "");
  EXPECT_EQ(SplitPath("a.jpg").Name, "a.jpg");
  EXPECT_EQ(SplitPath("/p/a\\b.jpg").Name, "a\\b.jpg") << "a backslash is part of a Linux file name";
  EXPECT_EQ(SplitPath("/p/K\xE4se.jpg").Name, "K\xE4se.jpg");

  EXPECT_EQ(RenameTarget("/p/a.jpg", "a.jpg"), std::nullopt) << "unchanged or cancelled: no move";
  EXPECT_EQ(RenameTarget("/p/a.jpg", "b.jpg"), "/p/b.jpg");
  EXPECT_EQ(RenameTarget("/p/a.jpg", "A.jpg"), "/p/A.jpg");
  EXPECT_EQ(RenameTarget("a.jpg", "b.jpg"), "b.jpg");
  EXPECT_EQ(RenameCaption, "neuer Name:");
}

TEST(WindowRules, ManualIsFoundInstalledOrBesideTheProgram) {
  TTempDir dir;
  const std::string bin = dir.File("bin");
  ASSERT_EQ(::mkdir(bin.c_str(), 0700), 0);
  // The build tree: nothing installed, the manual lies beside the program.
  EXPECT_EQ(ManualPath(bin), bin + "/Fotarium.pdf");
  EXPECT_EQ(ManualPath(bin + "/"), bin + "/Fotarium.pdf");

  // Installed: documentation in share/doc/fotarium, found relative to the program.
  for (const char* folder : {"share", "share/doc", "share/doc/fotarium"})
    ASSERT_EQ(::mkdir(dir.File(folder).c_str(), 0700), 0);
  WriteFile(dir.File("share/doc/fotarium/Fotarium.pdf"), "%PDF-");
  EXPECT_EQ(ManualPath(bin), bin + "/../share/doc/fotarium/Fotarium.pdf");
}
