#pragma once

// New file names after a picture's capture time: the name pattern the user types (date
// and time specifiers, "@" for the old name) and the rename that applies it.

#include "app/core/WindowRules.h"

#include "Tessel/Exif.h"

#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

#include <functional>
#include <string>
#include <string_view>

namespace Fotarium::Core {

// The pattern the rename command starts with.
inline constexpr std::string_view DefaultRenamePattern = DefaultNamePattern; // the window's default, once

// The pattern formatted with dateTime, its first "@" standing for the file name's text
// before the first dot, followed by the rest of the name from that dot on (a lone "."
// for a name without a dot).
[[nodiscard]] std::string BuildFileName(std::string_view pattern, std::string_view fileName,
                                        Platform::TDateTime dateTime,
                                        const Platform::TFormatSettings& settings = Platform::FormatSettings());

// The time a picture is renamed after: DateTimeOriginal, else DateTime (either may be missing).
[[nodiscard]] Tessel::Exif::TDateTimeTagValue CaptureTimeForRename(const Tessel::Exif::TCustomExifData& data);

// What renaming one file by a pattern would do.
struct TRenamePlan {
  std::string NewName;    // BuildFileName's result
  int ErrorCode = 0;      // EINVAL when NewName is no plain file name ("/", NUL, "." or "..")
  bool Unchanged = false; // NewName is the old name: nothing to do
};
[[nodiscard]] TRenamePlan PlanRename(std::string_view name, std::string_view pattern, Platform::TDateTime dateTime,
                                     const Platform::TFormatSettings& settings = Platform::FormatSettings());

// What became of a rename.
struct TRenameOutcome {
  std::string NewName; // the name the pattern gave
  int ErrorCode = 0;   // 0 when renamed or nothing to do, else the system's error code (errno)
  bool Unchanged = false;
  [[nodiscard]] bool Failed() const { return ErrorCode != 0; }
};

// Moves dir + name to dir + newName without ever replacing an existing file; answers 0
// or the system's error code. dir is empty or ends with "/".
[[nodiscard]] int MoveFileNoReplace(const std::string& dir, const std::string& name, const std::string& newName);

// Renames dir + name after the pattern: refuses names that are no plain file names
// (EINVAL, nothing moves), does nothing for the own name, never replaces a file.
[[nodiscard]] TRenameOutcome RenameByPattern(const std::string& dir, const std::string& name, std::string_view pattern,
                                             Platform::TDateTime dateTime,
                                             const Platform::TFormatSettings& settings = Platform::FormatSettings());

// The first of name, base_1.ext, base_2.ext, ... (the suffix before the first dot, as
// BuildFileName splits names) for which taken answers false; empty when none up to
// maxTries is free.
[[nodiscard]] std::string FirstFreeName(const std::string& name, const std::function<bool(const std::string&)>& taken,
                                        int maxTries = 10000);

} // namespace Fotarium::Core
