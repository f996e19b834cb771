#pragma once
// Drops files on the main window as a file manager does.

#include "app/Unit1.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Sends the drag's entry and the drop (the path bytes kept), then waits until the window
// has listed them.
inline void DropFiles(Fotarium::App::TForm1& form, const std::vector<std::string>& paths) {
  QSignalSpy finished(&form, &Fotarium::App::TForm1::ListingFinished);
  QMimeData mime;
  QList<QUrl> urls;
  for (const auto& path : paths)
    urls << QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path)));
  mime.setUrls(urls);
  QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &enter);
  QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &drop);
  if (form.Listing()) {
    ASSERT_TRUE(finished.wait(30000));
  }
}
