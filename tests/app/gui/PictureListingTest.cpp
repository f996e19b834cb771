// The listing of drops on its workers and the picture list's model, each on its own: drop
// order across blocks and drops, batches, cancelling, the end of the object while its
// workers read, and a model that changes in whole batches and keeps every path byte.

#include "app/PictureListing.h"
#include "app/Desktop.h"
#include "app/PictureListModel.h"
#include "app/Unit1.h"

#include "ScriptedDesktop.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"
#include "platform/JPEGImage.h"

#include <QAccessible>
#include <QApplication>
#include <QListView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

using Fotarium::App::TPictureListing;
using Fotarium::App::TPictureListModel;
using Fotarium::Core::TPictureEntry;

namespace {

// count copies of one small dated JPEG, and a text file at rejectAt (none when -1).
std::vector<std::string> Pictures(const TTempDir& dir, int count, int rejectAt = -1) {
  const std::string model = dir.File("model.jpg");
  if (!std::filesystem::exists(model)) {
    Platform::TBitmap bitmap(16, 16);
    bitmap.FillRect({0, 0, 16, 16}, Platform::RGB(10, 120, 30));
    WriteFile(model, Platform::EncodeBitmapToJPEG(bitmap, 80));
    Tessel::Exif::TExifData data;
    data.SetDateTime(Platform::EncodeDateTime(2020, 2, 3, 4, 5, 6, 0));
    data.SaveToGraphic(model);
  }
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    if (i == rejectAt) {
      paths.push_back(dir.File("notes.txt"));
      WriteFile(paths.back(), std::string_view("kein Bild"));
    }
    const std::string path = dir.File("P" + std::to_string(10000 + i) + ".jpg");
    if (!std::filesystem::exists(path))
      std::filesystem::copy_file(model, path);
    paths.push_back(path);
  }
  return paths;
}

// Everything one listing hands out, in the order it arrives.
struct TListingLog {
  std::vector<std::string> Texts;
  std::vector<std::size_t> Batches;
  std::vector<std::string> Events; // "entries", "rejected <path>", "ended", "finished"
  std::size_t TextsAtRejection = 0;

  explicit TListingLog(TPictureListing& listing) {
    QObject::connect(&listing, &TPictureListing::EntriesListed, [this](const std::vector<TPictureEntry>& entries) {
      Batches.push_back(entries.size());
      for (const auto& entry : entries)
        Texts.push_back(entry.Text);
      Events.emplace_back("entries");
    });
    QObject::connect(&listing, &TPictureListing::FileRejected, [this](const std::string& path) {
      Events.push_back("rejected " + path);
      TextsAtRejection = Texts.size();
    });
    QObject::connect(&listing, &TPictureListing::DropEnded, [this] { Events.emplace_back("ended"); });
    QObject::connect(&listing, &TPictureListing::Finished, [this] { Events.emplace_back("finished"); });
  }
  [[nodiscard]] long Count(const std::string& event) const { return std::count(Events.begin(), Events.end(), event); }
};

bool WaitIdle(const TPictureListing& listing) {
  return QTest::qWaitFor([&] { return !listing.IsBusy(); }, 60000);
}

} // namespace

TEST(PictureListing, HandsOutEveryDropInOrderInBatchesAndEachRejectionBetweenThem) {
  TTempDir dir;
  const std::vector<std::string> first = Pictures(dir, 700, 333);
  const std::vector<std::string> second = Pictures(dir, 40);
  TPictureListing listing;
  TListingLog log(listing);

  listing.Take(first);
  listing.Take({});
  listing.Take(second);
  EXPECT_EQ(listing.Total(), 741);
  ASSERT_TRUE(WaitIdle(listing));

  std::vector<std::string> expected;
  for (const auto& path : first)
    if (!path.ends_with(".txt"))
      expected.push_back(path);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(log.Texts, expected) << "drop order across blocks, workers and drops";
  EXPECT_LT(log.Batches.size(), 100U) << "entries arrive in batches, not one by one";
  for (const std::size_t batch : log.Batches)
    EXPECT_LE(batch, static_cast<std::size_t>(TPictureListing::MaxFilesPerTurn));

  // The rejection comes after exactly the 333 pictures before it were handed out.
  EXPECT_EQ(log.Count("rejected " + dir.File("notes.txt")), 1);
  EXPECT_EQ(log.TextsAtRejection, 333U);
  EXPECT_EQ(log.Count("ended"), 3) << "each drop, the empty one too";
  EXPECT_EQ(log.Events.back(), "finished");
  EXPECT_EQ(log.Count("finished"), 1) << "once, when every queued drop is taken";
}

TEST(PictureListing, CancelKeepsWhatWasHandedOutAndNothingOfItArrivesLater) {
  TTempDir dir;
  const std::vector<std::string> paths = Pictures(dir, 1500);
  TPictureListing listing;
  TListingLog log(listing);
  bool cancelled = false;
  QObject::connect(&listing, &TPictureListing::EntriesListed, [&] {
    if (!cancelled) {
      cancelled = true;
      listing.Cancel();
    }
  });
  listing.Take(paths);
  listing.Take(paths); // pending: dropped by the cancel as well
  ASSERT_TRUE(WaitIdle(listing));
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(listing.Done(), 0);
  EXPECT_EQ(listing.Total(), 0);
  const std::size_t kept = log.Texts.size();
  EXPECT_GT(kept, 0U);
  EXPECT_LT(kept, paths.size());
  EXPECT_TRUE(std::equal(log.Texts.begin(), log.Texts.end(), paths.begin())) << "a prefix of the drop, in order";
  EXPECT_EQ(log.Count("ended"), 1) << "the cancelled drop may show its first entry";

  // Absence is watched for a while: a late result would show within it.
  EXPECT_FALSE(QTest::qWaitFor([&] { return log.Texts.size() != kept; }, 100))
      << "late results of the cancelled workers are dropped";
  EXPECT_EQ(log.Texts.size(), kept);
}

TEST(PictureListing, GoingAwayWhileItsWorkersReadJoinsThemAndSendsNothing) {
  TTempDir dir;
  const std::vector<std::string> paths = Pictures(dir, 3000);
  std::atomic<int> reads{0};
  Fotarium::App::SetEntryPointProbe([&reads](std::string_view at) {
    if (at == "worker")
      ++reads;
  });
  int sent = 0;
  {
    TPictureListing listing;
    listing.Take(paths);
    QObject::connect(&listing, &TPictureListing::EntriesListed, [&] { ++sent; });
    QObject::connect(&listing, &TPictureListing::Finished, [&] { ++sent; });
    QObject::connect(&listing, &TPictureListing::Progress, [&] { ++sent; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return reads.load() > 0; }, 30000));
    EXPECT_TRUE(listing.IsBusy());
  }
  const int readsAtEnd = reads.load();
  EXPECT_FALSE(QTest::qWaitFor([&] { return reads.load() != readsAtEnd; }, 50))
      << "no worker reads on after the object went";
  QApplication::processEvents();
  EXPECT_EQ(reads.load(), readsAtEnd);
  EXPECT_LT(readsAtEnd, 3000);
  EXPECT_EQ(sent, 0) << "nothing is sent from or after the destructor";
  Fotarium::App::SetEntryPointProbe(nullptr);
}

TEST(PictureListModel, ChangesInWholeBatchesAndKeepsEveryPathByte) {
  TPictureListModel model;
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
  QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

  const std::string odd = std::string("/tmp/Bild_\xff\xfe_") + "\xc3\xa4.jpg"; // no UTF-8, then a real "ä"
  std::vector<TPictureEntry> batch;
  for (int i = 0; i < 500; ++i)
    batch.push_back({"/p/" + std::to_string(i) + ".jpg", i * 1.0});
  batch[7] = {odd, -700000.0};
  model.Insert(0, batch);
  ASSERT_EQ(inserted.size(), 1) << "a batch is one insert";
  EXPECT_EQ(inserted.front().at(1).toInt(), 0);
  EXPECT_EQ(inserted.front().at(2).toInt(), 499);

  const QModelIndex oddRow = model.index(7);
  EXPECT_EQ(model.data(oddRow, TPictureListModel::TextRole).toByteArray().toStdString(), odd);
  EXPECT_EQ(model.Entry(7).Text, odd);
  const QString shown = model.data(oddRow, Qt::DisplayRole).toString();
  EXPECT_TRUE(shown.contains(QChar(0xFFFD))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral("ä")));
  EXPECT_EQ(model.data(oddRow, Qt::AccessibleTextRole).toString(), shown) << "a screen reader reads the path";
  EXPECT_EQ(model.data(oddRow, TPictureListModel::KeyRole).toDouble(), -700000.0);

  // A sort puts the same rows into another order: one layout change, no reset.
  std::vector<TPictureEntry> sorted = model.Entries();
  std::reverse(sorted.begin(), sorted.end());
  model.SetEntries(sorted);
  EXPECT_EQ(layout.size(), 1);
  EXPECT_EQ(reset.size(), 0);
  EXPECT_EQ(inserted.size(), 1);
  EXPECT_EQ(model.Entries().front().Text, "/p/499.jpg");
  EXPECT_EQ(model.Entry(500 - 1 - 7).Text, odd);

  model.SetEntries({});
  EXPECT_EQ(reset.size(), 1) << "another number of rows is a reset";
  EXPECT_FALSE(model.data(model.index(0), Qt::DisplayRole).isValid());
}

TEST(PictureListModel, TheWindowsListReadsEveryPathToAScreenReader) {
  TScriptedDesktopScope desktop;
  TTempDir dir;
  const std::vector<std::string> paths = Pictures(dir, 3);
  QAccessible::setActive(true);
  {
    Fotarium::App::TForm1 form;
    form.show();
    QSignalSpy finished(&form, &Fotarium::App::TForm1::ListingFinished);
    form.TakeFiles(paths);
    if (form.Listing()) {
      ASSERT_TRUE(finished.wait(30000));
    }
    auto* list = form.findChild<QListView*>(QStringLiteral("ListBox1"));
    ASSERT_NE(list, nullptr);
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->text(QAccessible::Name), QStringLiteral("Bilderliste"));
    QStringList read;
    for (int i = 0; i < view->childCount(); ++i)
      if (QAccessibleInterface* child = view->child(i))
        read << child->text(QAccessible::Name);
    for (const auto& path : paths)
      EXPECT_TRUE(read.contains(QString::fromStdString(path))) << path;
  }
  QAccessible::setActive(false);
}
