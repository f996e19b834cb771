#pragma once

// Reading dropped files on worker threads: the drops wait in a queue and are read one after
// the other; the workers of a drop take its files block by block, and the results come back
// to the event loop's thread in drop order, handed out in batches.

#include "app/core/PictureList.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Fotarium::App {

class TPictureListing : public QObject {
  Q_OBJECT

public:
  explicit TPictureListing(QObject* parent = nullptr);
  // Cancels every drop and joins every worker; no signal is sent any more.
  ~TPictureListing() override;
  TPictureListing(const TPictureListing&) = delete;
  TPictureListing& operator=(const TPictureListing&) = delete;

  // Queues one drop (paths as the file system's bytes); reading starts at once when no
  // other drop is being read. An empty drop ends at once.
  void Take(std::vector<std::string> paths);
  // Stops reading: what was handed out stays, the rest of every pending drop is dropped.
  // The ended drop reports DropEnded when showFirst is set.
  void Cancel(bool showFirst = true);
  // A drop is still being read or waits.
  [[nodiscard]] bool IsBusy() const { return FCurrentJob != nullptr || !FJobs.empty(); }
  // Files of the pending drops taken so far, and their number (0 and 0 when idle).
  [[nodiscard]] int Done() const { return FDoneFiles; }
  [[nodiscard]] int Total() const { return FTotalFiles; }

  // Files handed out per turn of the event loop: as many as were taken so far, within these
  // bounds (and a turn ends early after a few milliseconds). Smaller turns first let the
  // progress and a cancel follow a drop closely; then the turns grow, so that the list lays
  // itself out a few times, not once per block.
  static constexpr int MinFilesPerTurn = 256;
  // While the workers read, the list changes at most this often: each change lays out and
  // paints the window, time the workers need on a small machine. A backlog, the first results
  // of a drop and the last ones go out at once.
  static constexpr int TurnGapMilliseconds = 16;
  static constexpr int MaxFilesPerTurn = 1024;
  // Within a turn the progress is told after every this many files.
  static constexpr int ProgressStep = 64;
  // Files a worker reads before it posts them.
  static constexpr std::size_t BlockSize = 32;
  // Workers of one drop at most (never more than the machine's cores or the drop's blocks).
  static constexpr unsigned MaxWorkers = 4;

signals:
  // JPEG pictures to append, in drop order: one batch per turn or up to the next message.
  void EntriesListed(const std::vector<Core::TPictureEntry>& entries);
  // A dropped file that is no JPEG picture.
  void FileRejected(const std::string& path);
  // Reading a file raised: the message; the drop ends here, without DropEnded.
  void DropFailed(const std::string& message);
  // A drop was taken to its end or cancelled: the list may show its first entry.
  void DropEnded();
  // done of total files of the pending drops taken (both 0 when idle again).
  void Progress(int done, int total);
  // Every pending drop is taken, cancelled or stopped by an error.
  void Finished();

private:
  struct TJob;

  void StartNextJob();
  void Listed(std::uint64_t jobId, std::size_t block, std::vector<Core::TListedFile> files);
  // At once when soon is set, else after the turn gap.
  void ScheduleApply(bool soon);
  void JobDone(std::uint64_t jobId);
  void ApplyListed();
  void FinishJob(bool showFirst);
  void EmitProgress() { emit Progress(FDoneFiles, FTotalFiles); }

  // Drops waiting to be read, the one being read, results waiting to be handed out.
  std::deque<std::unique_ptr<TJob>> FJobs;
  std::unique_ptr<TJob> FCurrentJob;
  std::vector<std::unique_ptr<TJob>> FEndedJobs; // threads to join once they have left
  std::deque<Core::TListedFile> FListed;
  // A message shown while handing out runs a nested loop; results arriving meanwhile wait.
  bool FApplying = false;
  QTimer FApplyTimer;
  QElapsedTimer FSinceTurn; // invalid until the current drop's first turn
  std::uint64_t FNextJobId = 1;
  int FDoneFiles = 0;
  int FTotalFiles = 0;
};

} // namespace Fotarium::App
