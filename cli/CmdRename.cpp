// fotarium-cli rename: renames pictures after their capture time (DateTimeOriginal, else
// DateTime) with the desktop program's name pattern. A file is never replaced: a taken
// name is reported and the file left alone, or with --suffix the first free name with
// "_1", "_2", ... is used. Files without a capture time are named and skipped.

#include "cli/CliSupport.h"

#include "app/core/FileNames.h"

#include "Tessel/Exif.h"

#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FileOps.h"

#include <sys/stat.h>

#include <fmt/format.h>

#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace Fotarium::Cli {

namespace {

struct TRenameOptions {
  std::string Pattern{Core::DefaultRenamePattern};
  bool DryRun = false;
  bool Json = false;
  bool Suffix = false;
  std::vector<std::string> Files;
};

// Any directory entry counts, also a dangling link or a folder.
bool EntryExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

class TRenameRun {
public:
  explicit TRenameRun(const TRenameOptions& options) : FOptions(options) {}

  void RenameFile(const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json) {
    Tessel::Exif::TExifData data;
    if (!data.LoadFromGraphic(fileName))
      throw Platform::Exception("not a JPEG, Photoshop or TIFF file");
    const auto captureTime = Core::CaptureTimeForRename(data);
    if (captureTime.MissingOrInvalid()) {
      json["status"] = "skipped";
      json["reason"] = "no capture time";
      if (!FOptions.Json)
        out << "  no capture time, skipped\n";
      return;
    }
    json["captureTime"] = Platform::FormatDateTime("yyyy-mm-dd\"T\"hh:nn:ss", captureTime.Value());
    const auto dir = Platform::ExtractFilePath(fileName);
    const auto name = Platform::ExtractFileName(fileName);
    const auto plan = Core::PlanRename(name, FOptions.Pattern, captureTime.Value());
    if (plan.ErrorCode != 0)
      throw Platform::Exception(fmt::format("cannot rename to \"{}\": {} (error {})", plan.NewName,
                                            SystemErrorText(plan.ErrorCode), plan.ErrorCode));
    if (plan.Unchanged) {
      json["status"] = "unchanged";
      json["newName"] = name;
      if (!FOptions.Json)
        out << "  already named " << name << '\n';
      return;
    }
    auto newName = plan.NewName;
    if (Taken(dir + newName)) {
      if (!FOptions.Suffix)
        throw Platform::Exception(fmt::format("\"{}\" is taken, file left alone", newName));
      newName = Core::FirstFreeName(newName, [&](const std::string& n) { return Taken(dir + n); });
      if (newName.empty())
        throw Platform::Exception(fmt::format("no free name like \"{}\", file left alone", plan.NewName));
    }
    json["newName"] = newName;
    if (FOptions.DryRun) {
      FPlanned.insert(dir + newName);
      json["status"] = "would rename";
      if (!FOptions.Json)
        out << "  would rename to " << newName << '\n';
      return;
    }
    if (const int error = Core::MoveFileNoReplace(dir, name, newName); error != 0)
      throw Platform::Exception(
          fmt::format("renaming to \"{}\" failed: {} (error {})", newName, SystemErrorText(error), error));
    json["status"] = "renamed";
    if (!FOptions.Json)
      out << "  renamed to " << newName << '\n';
  }

private:
  // A dry run reserves the names it proposes, so that it reports what the real run does.
  bool Taken(const std::string& path) const { return FPlanned.contains(path) || EntryExists(path); }

  const TRenameOptions& FOptions;
  std::set<std::string> FPlanned;
};

const TCommandRegistrar registrar{
    TCommand{"rename", "Rename pictures after their capture time with a name pattern",
             [](CLI::App& sub) -> std::function<int()> {
               auto options = std::make_shared<TRenameOptions>();
               sub.add_option("--pattern", options->Pattern,
                              "Name the files with this date and time pattern; \"@\" stands for the old name (default yyyymmdd_hhnnss_@)");
               sub.add_flag("--dry-run", options->DryRun, "Show the new names, rename nothing");
               sub.add_flag("--json", options->Json, "Print one JSON array with an object per file");
               sub.add_flag("--suffix", options->Suffix, "Add _1, _2, ... when the new name is taken");
               sub.add_option("files", options->Files, "JPEG, Photoshop or TIFF files")->required();
               return [options] {
                 TRenameRun run(*options);
                 return ForEachFile(options->Files, options->Json,
                                    [&run](const std::string& fileName, std::ostream& out,
                                           nlohmann::ordered_json& json) { run.RenameFile(fileName, out, json); });
               };
             },
    "fotarium-cli rename --dry-run --suffix -r ~/Pictures/import"}};

} // namespace

} // namespace Fotarium::Cli
