#include "app/PictureListing.h"

#include "app/Desktop.h"
#include "app/core/WindowLanguage.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <map>
#include <thread>

namespace Fotarium::App {

namespace {

// Time one turn may spend handing out results before the window paints again.
constexpr qint64 TurnMilliseconds = 12;

// What the workers of one drop share with each other and with the window.
struct TWorkerShare {
  std::atomic<bool> Cancelled{false};
  std::atomic<std::size_t> NextBlock{0};
  // The first block in which a read raised: no worker starts a later one.
  std::atomic<std::size_t> StopAfter{std::numeric_limits<std::size_t>::max()};
};

} // namespace

// One drop being read: its workers list the files block by block and post each block back;
// the blocks are put into drop order again here.
struct TPictureListing::TJob {
  std::uint64_t Id = 0;
  std::shared_ptr<const std::vector<std::string>> Paths;
  std::shared_ptr<TWorkerShare> Share = std::make_shared<TWorkerShare>();
  std::vector<std::thread> Workers;
  int WorkersRunning = 0; // workers whose end has not arrived yet
  bool WorkerDone = false;
  std::size_t Applied = 0;
  std::size_t NextBlock = 0;                                   // the block to hand out next
  std::map<std::size_t, std::vector<Core::TListedFile>> Early; // blocks ahead of their turn

  TJob() = default;
  TJob(const TJob&) = delete;
  TJob& operator=(const TJob&) = delete;
  ~TJob() {
    Share->Cancelled.store(true);
    for (std::thread& worker : Workers)
      if (worker.joinable())
        worker.join();
  }
};

TPictureListing::TPictureListing(QObject* parent) : QObject(parent) {
  FApplyTimer.setSingleShot(true);
  connect(&FApplyTimer, &QTimer::timeout, this, [this] {
    // A result that cannot be applied ends the drops like a read error.
    if (!Guarded("apply", [this] { ApplyListed(); }))
      Guarded([this] { Cancel(); });
  });
}

TPictureListing::~TPictureListing() {
  blockSignals(true);
  if (FCurrentJob != nullptr)
    FCurrentJob->Share->Cancelled.store(true);
  FEndedJobs.clear(); // each job stops and joins its worker
  FCurrentJob.reset();
  FJobs.clear();
}

void TPictureListing::Take(std::vector<std::string> paths) {
  auto job = std::make_unique<TJob>();
  job->Id = FNextJobId++;
  FTotalFiles += static_cast<int>(paths.size());
  job->Paths = std::make_shared<const std::vector<std::string>>(std::move(paths));
  FJobs.push_back(std::move(job));
  if (FCurrentJob == nullptr)
    StartNextJob();
  EmitProgress();
}

void TPictureListing::StartNextJob() {
  if (FJobs.empty()) {
    FDoneFiles = 0;
    FTotalFiles = 0;
    EmitProgress();
    emit Finished();
    return;
  }
  FCurrentJob = std::move(FJobs.front());
  FSinceTurn.invalidate();
  FJobs.pop_front();
  TJob& job = *FCurrentJob;
  const std::size_t blocks = (job.Paths->size() + BlockSize - 1) / BlockSize;
  const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
  const auto workers = static_cast<std::size_t>(std::clamp<std::size_t>(blocks, 1, std::min(cores, MaxWorkers)));
  try {
    job.Workers.reserve(workers);
    // The workers own every library object they make; only plain values come back. Nothing
    // leaves them by exception: an error becomes the drop's failed entry, and the end of
    // every worker is always posted.
    const auto work = [this, id = job.Id, paths = job.Paths, share = job.Share]() noexcept {
      std::vector<Core::TListedFile> results;
      std::size_t block = 0;
      const auto post = [&] {
        QMetaObject::invokeMethod(
            this,
            [this, id, block, files = std::move(results)]() mutable {
              if (!Guarded("listed", [&] { Listed(id, block, std::move(files)); }))
                Guarded([this] { Cancel(); });
            },
            Qt::QueuedConnection);
        results.clear();
      };
      for (;;) {
        try {
          if (share->Cancelled.load())
            break;
          block = share->NextBlock.fetch_add(1);
          const std::size_t begin = block * BlockSize;
          if (begin >= paths->size() || block > share->StopAfter.load())
            break;
          const std::size_t end = std::min(paths->size(), begin + BlockSize);
          results.reserve(end - begin);
          for (std::size_t i = begin; i < end && !share->Cancelled.load(); ++i) {
            ProbeEntryPoint("worker");
            results.push_back(Core::ListFile((*paths)[i]));
          }
          post();
        } catch (...) {
          // This block ends with the error; blocks before it are still read, later ones not.
          std::size_t stop = share->StopAfter.load();
          while (block < stop && !share->StopAfter.compare_exchange_weak(stop, block)) {
          }
          try {
            Core::TListedFile failed;
            failed.Kind = Core::TListedFile::TKind::Failed;
            try {
              throw;
            } catch (const std::bad_alloc&) {
              failed.Error = Core::Tr("PictureList", "Zu wenig Arbeitsspeicher");
            } catch (const std::exception& error) {
              failed.Error = Core::ErrorText(error);
            } catch (...) {
              failed.Error = Core::Tr("Guard", "Unbekannter Fehler");
            }
            results.push_back(std::move(failed));
            post();
          } catch (...) {
            // Not even the message fits: the block never arrives and the drop ends there.
          }
          break;
        }
      }
      try {
        QMetaObject::invokeMethod(
            this,
            [this, id] {
              if (!Guarded("jobdone", [this, id] { JobDone(id); }))
                Guarded([this] { Cancel(); });
            },
            Qt::QueuedConnection);
      } catch (...) {
      }
    };
    for (std::size_t i = 0; i < workers; ++i) {
      try {
        job.Workers.emplace_back(work);
        ++job.WorkersRunning;
      } catch (...) {
        if (job.Workers.empty())
          throw;
        break; // fewer workers read the drop
      }
    }
  } catch (...) {
    // No thread for this drop: it and every pending one end here, the error is reported by
    // the caller's guard.
    FCurrentJob.reset();
    FJobs.clear();
    FDoneFiles = 0;
    FTotalFiles = 0;
    EmitProgress();
    emit Finished();
    throw;
  }
}

void TPictureListing::Listed(std::uint64_t jobId, std::size_t block, std::vector<Core::TListedFile> files) {
  if (FCurrentJob == nullptr || FCurrentJob->Id != jobId)
    return; // a cancelled drop's late result
  TJob& job = *FCurrentJob;
  job.Early.emplace(block, std::move(files));
  // Blocks go on in drop order only: one that is still read holds back those after it.
  const std::size_t waiting = FListed.size();
  for (auto next = job.Early.find(job.NextBlock); next != job.Early.end(); next = job.Early.find(job.NextBlock)) {
    for (auto& file : next->second)
      FListed.push_back(std::move(file));
    job.Early.erase(next);
    ++job.NextBlock;
  }
  if (FListed.size() != waiting)
    ScheduleApply(false);
}

void TPictureListing::ScheduleApply(bool soon) {
  qint64 wait = 0;
  if (!soon && FSinceTurn.isValid())
    wait = std::max<qint64>(0, TurnGapMilliseconds - FSinceTurn.elapsed());
  if (FApplyTimer.isActive() && FApplyTimer.remainingTime() <= wait)
    return;
  FApplyTimer.start(static_cast<int>(wait));
}

void TPictureListing::JobDone(std::uint64_t jobId) {
  for (auto it = FEndedJobs.begin(); it != FEndedJobs.end(); ++it)
    if ((*it)->Id == jobId) {
      if (--(*it)->WorkersRunning <= 0)
        FEndedJobs.erase(it); // its workers have left their loops: the joins are immediate
      return;
    }
  if (FCurrentJob != nullptr && FCurrentJob->Id == jobId) {
    if (--FCurrentJob->WorkersRunning > 0)
      return;
    // Every block posted has arrived before its worker's end: a block still missing never
    // comes, and the drop ends before it.
    FCurrentJob->WorkerDone = true;
    if (FListed.empty() && !FApplying)
      FinishJob(true);
    else if (!FListed.empty())
      ScheduleApply(true); // nothing more comes: no reason to wait for the turn gap
  }
}

void TPictureListing::ApplyListed() {
  // A message box opened below runs a nested loop; results arriving meanwhile wait here.
  if (FApplying)
    return;
  FApplying = true;
  struct TApplying {
    bool& Flag;
    ~TApplying() { Flag = false; }
  } applying{FApplying};
  TJob* const job = FCurrentJob.get();
  const std::uint64_t jobId = job != nullptr ? job->Id : 0;
  // Still the drop this turn started with: a cancel from a receiver ends the turn.
  const auto current = [this, jobId] { return FCurrentJob != nullptr && FCurrentJob->Id == jobId; };
  std::vector<Core::TPictureEntry> batch;
  const auto flush = [&] {
    if (batch.empty())
      return;
    std::vector<Core::TPictureEntry> entries;
    entries.swap(batch);
    emit EntriesListed(entries);
  };
  QElapsedTimer turn;
  turn.start();
  int applied = 0;
  const int limit = std::clamp(FDoneFiles, MinFilesPerTurn, MaxFilesPerTurn);
  bool stopped = false;
  while (!FListed.empty() && current() && applied < limit &&
         (applied % 32 != 0 || applied == 0 || turn.elapsed() < TurnMilliseconds)) {
    Core::TListedFile file = std::move(FListed.front());
    FListed.pop_front();
    ++job->Applied;
    ++FDoneFiles;
    ++applied;
    using enum Core::TListedFile::TKind;
    switch (file.Kind) {
    case Added: batch.push_back({std::move(file.Path), file.Key}); break;
    case NotJpeg:
      flush();
      if (current())
        emit FileRejected(file.Path);
      break;
    case NotRecognised: break;
    case Failed:
      // An error while reading ends this drop; the entries handed out so far stay.
      flush();
      if (current())
        emit DropFailed(file.Error);
      stopped = true;
      break;
    }
    if (stopped)
      break;
    // The progress follows a long turn in steps, and a cancel from it ends the turn there.
    if (applied % ProgressStep == 0 && !FListed.empty() && applied < limit) {
      flush();
      if (current())
        EmitProgress();
    }
  }
  if (current())
    flush();
  FApplying = false;
  if (stopped) {
    if (current())
      FinishJob(false);
    return;
  }
  EmitProgress();
  if (FCurrentJob == nullptr)
    return;
  FSinceTurn.start();
  // Results left over from a full turn are a backlog: they go on without a pause.
  if (!FListed.empty())
    ScheduleApply(true);
  else if (FCurrentJob->WorkerDone)
    FinishJob(true);
}

void TPictureListing::FinishJob(bool showFirst) {
  if (FCurrentJob == nullptr)
    return;
  FDoneFiles += static_cast<int>(FCurrentJob->Paths->size() - FCurrentJob->Applied);
  FCurrentJob->Share->Cancelled.store(true);
  FListed.clear();
  if (FCurrentJob->WorkerDone)
    FCurrentJob.reset();
  else
    FEndedJobs.push_back(std::move(FCurrentJob));
  FCurrentJob.reset();
  if (showFirst)
    emit DropEnded();
  StartNextJob();
}

void TPictureListing::Cancel(bool showFirst) {
  if (!IsBusy())
    return;
  for (auto& job : FJobs)
    FDoneFiles += static_cast<int>(job->Paths->size());
  FJobs.clear();
  FinishJob(showFirst);
}

} // namespace Fotarium::App
