#include "app/core/BatchCommand.h"
#include "app/core/WindowLanguage.h"

#include "platform/Exceptions.h"
#include "platform/FileOps.h"
#include "platform/Streams.h"

#include <fmt/format.h>

#include <cerrno>
#include <exception>

#include <unistd.h>

namespace Fotarium::Core {

namespace {

using Tessel::Exif::TIPTCData;

// The datasets of two IPTC objects, record by record, in stored order.
bool SameIPTC(const TIPTCData& a, const TIPTCData& b) {
  auto ia = a.begin();
  auto ib = b.begin();
  for (; ia != a.end() && ib != b.end(); ++ia, ++ib) {
    const auto* sa = *ia;
    const auto* sb = *ib;
    if (sa->Count() != sb->Count())
      return false;
    for (int i = 0; i < sa->Count(); ++i) {
      const auto* ta = sa->Tags(i);
      const auto* tb = sb->Tags(i);
      if (ta->ID() != tb->ID() || !std::ranges::equal(ta->Bytes(), tb->Bytes()))
        return false;
    }
  }
  return ia == a.end() && ib == b.end();
}

} // namespace

TPictureMetadata::TPictureMetadata(const std::string& fileName) : FFileName(fileName) {
  if (!FExif.LoadFromGraphic(fileName))
    throw Tessel::Exif::EUnsupportedGraphicFormat();
  FXMPInSource = !FExif.XMPPacket().Empty();
  FIPTC.LoadFromGraphic(fileName);
}

void TPictureMetadata::Save() {
  // The atomic replace needs only the folder's permission: ask the file's own first, as
  // writing it in place would (root may write anything).
  if (::access(FFileName.c_str(), W_OK) != 0)
    throw Platform::EFOpenError(FFileName, errno);
  Platform::TMemoryStream content;
  content.WriteBuffer(Platform::ReadFileBytes(FFileName));
  content.SetPosition(0);
  FExif.SaveToGraphic(content); // checks the picture data and the EXIF it wrote
  if (FIPTCChanged) {
    content.SetPosition(0);
    FIPTC.SaveToGraphic(content);
    content.SetPosition(0);
    TIPTCData check;
    check.LoadFromGraphic(content);
    if (!SameIPTC(check, FIPTC))
      throw Tessel::Exif::ESaveVerificationFailed();
  }
  content.SetPosition(0);
  Tessel::Exif::TExifData check;
  if (!check.LoadFromGraphic(content))
    throw Tessel::Exif::ESaveVerificationFailed();
  Platform::AtomicReplaceFile(
      FFileName, [&content](Platform::TStream& output) { output.WriteBuffer(content.Memory(), content.Size()); });
}

std::string SkipReasonText(TSkipReason reason, bool german) {
  using enum TSkipReason;
  // The window's texts are German at the source and go through its catalogue.
  const auto text = [german](const char* window, const char* english) {
    return german ? Tr("BatchCommand", window) : std::string(english);
  };
  switch (reason) {
  case srNone: return {};
  case srNothingToShift: return text(FOTARIUM_TRANSLATE_NOOP("BatchCommand", "keine Datumsangaben"), "no date tags");
  case srNoCaptureTime: return text(FOTARIUM_TRANSLATE_NOOP("BatchCommand", "keine Aufnahmezeit"), "no capture time");
  case srTooFarFromTrack: return text(FOTARIUM_TRANSLATE_NOOP("BatchCommand", "zu weit vom Track"), "too far from the track");
  case srNoPosition: return text(FOTARIUM_TRANSLATE_NOOP("BatchCommand", "keine Position"), "no position");
  }
  return {};
}

std::size_t TBatchPlan::ChangeCount() const {
  std::size_t count = 0;
  for (const auto& item : Items)
    count += item.WillChange() ? 1 : 0;
  return count;
}

TBatchPlan PlanBatch(const std::vector<std::string>& files, const TPlanFile& planFile) {
  TBatchPlan plan;
  plan.Items.reserve(files.size());
  for (const auto& file : files) {
    try {
      auto item = planFile(file);
      item.FileName = file;
      plan.Items.push_back(std::move(item));
    } catch (const std::exception& e) {
      TBatchItem item;
      item.FileName = file;
      item.Error = ErrorText(e);
      plan.Items.push_back(std::move(item));
    }
  }
  return plan;
}

std::optional<TBatchPlan> PlanBatch(const std::vector<std::string>& files, const TPlanFile& planFile,
                                    const TBatchProgress& progress) {
  TBatchPlan plan;
  plan.Items.reserve(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (progress && !progress(i, files.size()))
      return std::nullopt;
    auto one = PlanBatch({files[i]}, planFile);
    plan.Items.push_back(std::move(one.Items.front()));
  }
  if (progress)
    progress(files.size(), files.size());
  return plan;
}

TBatchSummary ApplyBatch(const TBatchPlan& plan, const TBatchProgress& progress) {
  TBatchSummary summary;
  summary.Total = plan.Items.size();
  const auto count = plan.ChangeCount();
  std::size_t done = 0;
  for (const auto& item : plan.Items) {
    if (!item.Error.empty()) {
      summary.Failures.push_back({item.FileName, item.Error});
      continue;
    }
    if (!item.WillChange())
      continue;
    if (progress && !progress(done, count)) {
      summary.Cancelled = true;
      break;
    }
    try {
      TPictureMetadata picture(item.FileName);
      item.Edit(picture);
      picture.Save();
      ++summary.Changed;
      summary.ChangedFiles.push_back(item.FileName);
    } catch (const std::exception& e) {
      summary.Failures.push_back({item.FileName, ErrorText(e)});
    }
    ++done;
  }
  if (progress && !summary.Cancelled)
    progress(done, count);
  return summary;
}

std::string SummaryText(const TBatchSummary& summary) {
  auto text = FormatText(Tr("BatchCommand", "%1 von %2 Bildern geändert"),
                         {std::to_string(summary.Changed), std::to_string(summary.Total)});
  if (summary.Cancelled)
    text += Tr("BatchCommand", " (abgebrochen)");
  for (const auto& failure : summary.Failures)
    text += fmt::format("\n{}: {}", failure.FileName, failure.Reason);
  return text;
}

} // namespace Fotarium::Core
