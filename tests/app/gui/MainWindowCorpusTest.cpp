// Every sample JPEG of the corpus, hostile ones included, dropped on and shown in the real
// window: nothing crashes, and whatever goes wrong reaches the user as a message box.

#include "app/Unit1.h"
#include "app/core/PictureList.h"

#include "ScriptedDesktop.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QSignalSpy>
#include <QTabWidget>
#include <QUrl>

#include <gtest/gtest.h>

using Fotarium::App::TForm1;
using Fotarium::App::TModalResult;

TEST(MainWindowCorpus, EveryJpegIsListedAndShownOnEveryTab) {
  const auto files = CorpusFiles({".jpg", ".jpeg"});
  if (files.empty())
    GTEST_SKIP() << "corpus not present";

  TScriptedDesktopScope desktop;
  TForm1 form;
  form.show();
  auto* list = form.findChild<QListView*>(QStringLiteral("ListBox1"));
  auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  ASSERT_TRUE(list && tabs);
  // Makes a row current as the list's keyboard handling does (marking it too).
  const auto setCurrentRow = [list](int row) {
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                            list->selectionMode() == QAbstractItemView::SingleSelection
                                                ? QItemSelectionModel::ClearAndSelect
                                                : QItemSelectionModel::SelectCurrent);
  };

  std::size_t shown = 0;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    // Never write into the corpus: a picture without EXIF data is not given an empty set.
    desktop->MessageAnswers.assign(8, TModalResult::mrNo);
    desktop->Calls.clear();
    const int before = list->model()->rowCount();

    QSignalSpy finished(&form, &TForm1::ListingFinished);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(file)))});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    if (form.Listing()) {
      ASSERT_TRUE(finished.wait(60000));
    }

    const Fotarium::Core::TListedFile listed = Fotarium::Core::ListFile(file);
    const bool added = list->model()->rowCount() == before + 1;
    EXPECT_EQ(added, listed.Kind == Fotarium::Core::TListedFile::TKind::Added);
    if (listed.Kind == Fotarium::Core::TListedFile::TKind::NotJpeg) {
      EXPECT_TRUE(desktop->Messages().contains(QFile::decodeName(QByteArray::fromStdString(file)) +
                                               QStringLiteral(" ist keine JPG-Datei!")));
    }
    if (listed.Kind == Fotarium::Core::TListedFile::TKind::Failed) {
      EXPECT_FALSE(desktop->Messages().isEmpty()) << "the reader's error is shown";
    }
    if (!added)
      continue;

    // Show it on every tab (the drop showed entry 0; show this one).
    for (int tab : {1, 2, 0}) {
      tabs->setCurrentIndex(tab);
      setCurrentRow(-1);
      setCurrentRow(list->model()->rowCount() - 1);
      EXPECT_EQ(form.JPG_Name(), file);
    }
    ++shown;
    // Keep the list short: the window's list is not what is under test here.
    if (list->model()->rowCount() > 20) {
      setCurrentRow(list->model()->rowCount() - 1);
      form.findChild<QAction*>(QStringLiteral("pm_remove"))->trigger();
    }
  }
  EXPECT_GT(shown, 0U);
}
