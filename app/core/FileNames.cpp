#include "app/core/FileNames.h"

#include "app/core/UStrHelp.h"

#include "platform/FileOps.h"

#include <cerrno>
#include <functional>

namespace Fotarium::Core {

namespace {

// Text the date formatter copies unchanged. A double quote cannot stand inside a
// double-quoted run, so it goes in single quotes of its own.
std::string QuotedLiteral(std::string_view text) {
  std::string result = "\"";
  for (const char c : text) {
    if (c == '"')
      result += "\"'\"'\"";
    else
      result += c;
  }
  result += '"';
  return result;
}

bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

// Base before the first dot, extension from it on ("." when there is none).
void SplitName(std::string_view fileName, std::string& base, std::string& ext) {
  std::string rest(fileName);
  CutToken(".", rest, base);
  ext = "." + rest;
}

} // namespace

std::string BuildFileName(std::string_view pattern, std::string_view fileName, Platform::TDateTime dateTime,
                          const Platform::TFormatSettings& settings) {
  std::string base, ext;
  SplitName(fileName, base, ext);
  std::string format(pattern);
  if (const auto at = format.find('@'); at != std::string::npos)
    format.replace(at, 1, QuotedLiteral(base));
  return Platform::FormatDateTime(format, dateTime, settings) + ext;
}

Tessel::Exif::TDateTimeTagValue CaptureTimeForRename(const Tessel::Exif::TCustomExifData& data) {
  const auto original = data.DateTimeOriginal();
  return original.MissingOrInvalid() ? data.DateTime() : original;
}

TRenamePlan PlanRename(std::string_view name, std::string_view pattern, Platform::TDateTime dateTime,
                       const Platform::TFormatSettings& settings) {
  TRenamePlan plan;
  plan.NewName = BuildFileName(pattern, name, dateTime, settings);
  if (!IsPlainFileName(plan.NewName))
    plan.ErrorCode = EINVAL; // a "/" would move the file into another folder
  else if (plan.NewName == name)
    plan.Unchanged = true;
  return plan;
}

int MoveFileNoReplace(const std::string& dir, const std::string& name, const std::string& newName) {
  if (!IsPlainFileName(newName))
    return EINVAL;
  if (Platform::RenameFileNoReplace(dir + name, dir + newName))
    return 0;
  const int error = Platform::LastSystemError();
  return error != 0 ? error : EIO;
}

TRenameOutcome RenameByPattern(const std::string& dir, const std::string& name, std::string_view pattern,
                               Platform::TDateTime dateTime, const Platform::TFormatSettings& settings) {
  const auto plan = PlanRename(name, pattern, dateTime, settings);
  TRenameOutcome outcome{plan.NewName, plan.ErrorCode, plan.Unchanged};
  if (outcome.ErrorCode == 0 && !outcome.Unchanged)
    outcome.ErrorCode = MoveFileNoReplace(dir, name, plan.NewName);
  return outcome;
}

std::string FirstFreeName(const std::string& name, const std::function<bool(const std::string&)>& taken, int maxTries) {
  if (!taken(name))
    return name;
  std::string base, ext;
  SplitName(name, base, ext);
  if (name.find('.') == std::string::npos)
    ext.clear(); // no dot, nothing to keep after the suffix
  for (int i = 1; i <= maxTries; ++i) {
    auto candidate = base + "_" + std::to_string(i) + ext;
    if (!taken(candidate))
      return candidate;
  }
  return {};
}

} // namespace Fotarium::Core
