// The full EXIF list under Qt's offscreen platform: creation settings, filling,
// selecting with the mouse and copying the marked rows to the clipboard.

#include "app/UExifListView.h"

#include "ScriptedDesktop.h"

#include "app/core/IniFile.h"

#include "Tessel/Exif.h"

#include "platform/Graphics.h"
#include "platform/JPEGImage.h"

#include "support/TestSupport.h"

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using Fotarium::App::TExifListView;

namespace {

struct TListOnWindow {
  QWidget Owner;
  TExifListView* View;
  TListOnWindow() {
    Owner.resize(800, 600);
    View = new TExifListView(&Owner);
    View->resize(Owner.size());
    Owner.show();
  }
};

QTreeWidgetItem* ItemWithCaption(TExifListView& view, const QString& caption) {
  for (int i = 0; i < view.topLevelItemCount(); ++i)
    if (view.topLevelItem(i)->text(0) == caption)
      return view.topLevelItem(i);
  return nullptr;
}

void Click(TExifListView& view, QTreeWidgetItem* item, Qt::KeyboardModifiers modifiers = {}) {
  view.scrollToItem(item);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, view.visualItemRect(item).center());
}

void FillSample(Tessel::Exif::TExifData& data) {
  data.SetCameraMake("Canon");
  data.SetCameraModel("Canon EOS 5D");
  data.SetSoftware("Firmware 1.1");
}

} // namespace

TEST(ExifListView, CreationSettings) {
  TListOnWindow window;
  TExifListView& view = *window.View;
  EXPECT_EQ(view.parentWidget(), &window.Owner);
  EXPECT_EQ(view.objectName(), "ExifListView");
  EXPECT_FALSE(view.accessibleName().isEmpty());
  ASSERT_EQ(view.columnCount(), 2);
  EXPECT_EQ(view.headerItem()->text(0), "Name");
  EXPECT_EQ(view.headerItem()->text(1), "Wert");
  EXPECT_EQ(view.columnWidth(0), 180);
  // Shown, the value column takes what the name column leaves, so that resizing the
  // window keeps the values in view.
  EXPECT_GE(view.header()->sectionSize(1), 800 - 260);
  EXPECT_EQ(view.selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(view.editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(view.header()->sectionsClickable());
  EXPECT_FALSE(view.isSortingEnabled());
  EXPECT_EQ(view.topLevelItemCount(), 0);

  // At creation the value column is 260 pixels narrower than the owner.
  QWidget wide;
  wide.resize(1000, 500);
  const auto* fresh = new TExifListView(&wide);
  EXPECT_EQ(fresh->columnWidth(1), 1000 - 260);

  // An owner too narrow for the margin still leaves a usable value column.
  QWidget narrow;
  narrow.resize(200, 100);
  const auto* small = new TExifListView(&narrow);
  EXPECT_GT(small->columnWidth(1), 0);
}

TEST(ExifListView, FillSelectCopy) {
  TScriptedDesktopScope desktop;
  TListOnWindow window;
  TExifListView& view = *window.View;
  Tessel::Exif::TExifData data;
  FillSample(data);
  view.Fill(data);
  EXPECT_FALSE(data.EnsureEnumsInRange());
  ASSERT_NE(ItemWithCaption(view, "Allgemein"), nullptr);
  EXPECT_EQ(ItemWithCaption(view, "   Software")->text(1), "Firmware 1.1");
  EXPECT_FALSE(view.CanCopyToClipboard());

  // Marked in reverse order with the mouse; the copy lists rows top to bottom.
  QTreeWidgetItem* make = ItemWithCaption(view, "   Kamera-Hersteller");
  QTreeWidgetItem* header = ItemWithCaption(view, "Haupt-IFD");
  ASSERT_NE(make, nullptr);
  ASSERT_NE(header, nullptr);
  Click(view, make);
  Click(view, header, Qt::ControlModifier);
  ASSERT_TRUE(view.CanCopyToClipboard());
  view.CopyToClipboard();
  EXPECT_EQ(desktop->Clipboard.toStdString(), "Haupt-IFD\r\n   Kamera-Hersteller\tCanon\r\n");

  view.SelectAll();
  view.CopyToClipboard();
  const QStringList lines = desktop->Clipboard.split("\r\n");
  EXPECT_EQ(lines.size(), view.topLevelItemCount() + 1);
  EXPECT_EQ(lines.front(), "Allgemein");
  EXPECT_EQ(lines.back(), "");

  // A new fill replaces every row.
  Tessel::Exif::TExifData empty;
  view.Fill(empty);
  ASSERT_EQ(view.topLevelItemCount(), 1);
  EXPECT_EQ(view.topLevelItem(0)->text(0), "Keine Exif-Metadaten gefunden");
  view.Clear();
  EXPECT_EQ(view.topLevelItemCount(), 0);
  EXPECT_FALSE(view.CanCopyToClipboard());
  view.CopyToClipboard();
  EXPECT_EQ(desktop->Clipboard, "");
}

TEST(ExifListView, RowsCannotBeEdited) {
  TListOnWindow window;
  TExifListView& view = *window.View;
  Tessel::Exif::TExifData data;
  FillSample(data);
  view.Fill(data);
  QTreeWidgetItem* make = ItemWithCaption(view, "   Kamera-Hersteller");
  ASSERT_NE(make, nullptr);
  view.scrollToItem(make);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, view.visualItemRect(make).center());
  QTest::keyClick(&view, Qt::Key_F2);
  EXPECT_EQ(view.indexWidget(view.currentIndex()), nullptr);
  EXPECT_FALSE(make->flags().testFlag(Qt::ItemIsEditable));
  EXPECT_EQ(make->text(1), "Canon");
}

TEST(ExifListView, LoadFromFile) {
  TTempDir dir;
  Tessel::Exif::TExifData data;
  FillSample(data);
  data.SetDateTime(Platform::EncodeDateTime(2024, 5, 6, 7, 8, 9, 0));
  const std::string file = dir.File("sample.jpg");
  {
    Platform::TBitmap bitmap(8, 8);
    const auto jpeg = Platform::EncodeBitmapToJPEG(bitmap, 80);
    WriteFile(file, jpeg);
  }
  data.SaveToGraphic(file);

  TListOnWindow window;
  TExifListView& view = *window.View;
  const auto map = Fotarium::Core::IniFile::FromText("");
  EXPECT_DOUBLE_EQ(view.LoadFromFile(file, &map), Platform::EncodeDateTime(2024, 5, 6, 7, 8, 9, 0));
  ASSERT_NE(ItemWithCaption(view, "   Kamera-Hersteller"), nullptr);
  EXPECT_EQ(view.topLevelItem(view.topLevelItemCount() - 1)->text(0), "Keine Herstellerdaten (MakerNote) gefunden");

  // An unreadable file raises and leaves no rows of the previous picture.
  EXPECT_THROW((void)view.LoadFromFile(dir.File("missing.jpg"), nullptr), Platform::Exception);
  EXPECT_EQ(view.topLevelItemCount(), 0);
}
