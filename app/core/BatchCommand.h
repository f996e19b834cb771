#pragma once

// The shape every command over many pictures shares (clock shift, geotagging): a plan
// holding each file's old and new values and nothing written, then one verified save
// per file with progress and cancel between files, then a summary that names each
// failure. Cancelling before the apply writes nothing; cancelling during it leaves each
// file either as it was or completely new.

#include "Tessel/Exif.h"
#include "Tessel/Exif/IPTC.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Fotarium::Core {

// A picture's EXIF (with its XMP packet) and IPTC data, loaded together and saved as one
// replacement of the file.
class TPictureMetadata {
public:
  // Raises Platform::Exception for a file that is no JPEG, Photoshop or TIFF picture.
  explicit TPictureMetadata(const std::string& fileName);

  [[nodiscard]] const std::string& FileName() const { return FFileName; }
  [[nodiscard]] Tessel::Exif::TExifData& Exif() { return FExif; }
  [[nodiscard]] Tessel::Exif::TIPTCData& IPTC() { return FIPTC; }
  // The IPTC data is written only when it was marked changed.
  void SetIPTCChanged() { FIPTCChanged = true; }
  [[nodiscard]] bool XMPInSource() const { return FXMPInSource; }

  // Builds the new file in memory (EXIF and XMP, then IPTC), loads it back and compares,
  // and only then replaces the file atomically. On any failure the file is untouched. A
  // file the user may not write is refused, although its folder would let it be replaced.
  void Save();

private:
  std::string FFileName;
  Tessel::Exif::TExifData FExif;
  Tessel::Exif::TIPTCData FIPTC;
  bool FIPTCChanged = false;
  bool FXMPInSource = false;
};

// Why a file is left as it is; each surface words it in its own language.
enum class TSkipReason : std::uint8_t { srNone, srNothingToShift, srNoCaptureTime, srTooFarFromTrack, srNoPosition };
[[nodiscard]] std::string SkipReasonText(TSkipReason reason, bool german);

// One value of a file as it is and as it would be.
struct TBatchChange {
  std::string Field;
  std::string Old;
  std::string New;
  bool operator==(const TBatchChange&) const = default;
};

// What a command would do to one file.
struct TBatchItem {
  std::string FileName;
  // Shown in the preview's columns (the command decides what they hold).
  std::vector<TBatchChange> Changes;
  // Further columns of the preview as name and value ("UTC", "2024-06-01T10:00:00Z").
  std::vector<std::pair<std::string, std::string>> Details;
  // The file is left as it is, for this reason.
  TSkipReason Skipped = TSkipReason::srNone;
  // Non-empty: the plan could not be made (the file does not load, ...).
  std::string Error;
  // Writes the planned values into the file's loaded metadata; empty when nothing is to be written.
  std::function<void(TPictureMetadata&)> Edit;

  [[nodiscard]] bool WillChange() const { return Error.empty() && Skipped == TSkipReason::srNone && Edit != nullptr; }
};

struct TBatchPlan {
  std::vector<TBatchItem> Items;
  [[nodiscard]] std::size_t ChangeCount() const;
};

// Plans every file with planFile; a file whose planning raises gets the message as Error.
using TPlanFile = std::function<TBatchItem(const std::string& fileName)>;
[[nodiscard]] TBatchPlan PlanBatch(const std::vector<std::string>& files, const TPlanFile& planFile);

// Before each file: done so far and the count of files to write; answering false cancels.
using TBatchProgress = std::function<bool(std::size_t done, std::size_t count)>;

// PlanBatch with progress before each file (and once at the end); nullopt when the
// progress answered false.
[[nodiscard]] std::optional<TBatchPlan> PlanBatch(const std::vector<std::string>& files, const TPlanFile& planFile,
                                                  const TBatchProgress& progress);

struct TBatchFailure {
  std::string FileName;
  std::string Reason;
  bool operator==(const TBatchFailure&) const = default;
};

struct TBatchSummary {
  std::size_t Changed = 0;
  std::size_t Total = 0;
  bool Cancelled = false;
  std::vector<TBatchFailure> Failures;
  // The files written, in plan order.
  std::vector<std::string> ChangedFiles;
};

// Applies every item that will change: reload, Edit, Save. Planning errors count as
// failures; skipped items count as unchanged.
TBatchSummary ApplyBatch(const TBatchPlan& plan, const TBatchProgress& progress = {});

// "n von m Bildern geändert" and a line per failure.
[[nodiscard]] std::string SummaryText(const TBatchSummary& summary);

} // namespace Fotarium::Core
