#pragma once

#include "platform/Streams.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Platform {

[[nodiscard]] bool FileExists(const std::string& fileName);
[[nodiscard]] bool DirectoryExists(const std::string& path);
// Answers False and leaves errno (see LastSystemError) set on failure.
bool DeleteFile(const std::string& fileName);
// Renames without ever replacing an existing file; False (errno set) when the target exists.
bool RenameFileNoReplace(const std::string& oldName, const std::string& newName);
[[nodiscard]] int LastSystemError();

// Moves a file (named by its bytes) into the user's trash after the freedesktop.org trash
// specification: the home trash ($XDG_DATA_HOME/Trash, else ~/.local/share/Trash) when it is on
// the file's file system, else the file system's own $topdir/.Trash/$uid or $topdir/.Trash-$uid.
// The file lands in files/ under a free name, with an info/<name>.trashinfo that records its
// percent-encoded original path and the deletion time. False (errno set) when no trash could
// take it; the file then stays where it was.
bool MoveFileToTrash(const std::string& fileName);

[[nodiscard]] std::string ExtractFilePath(const std::string& fileName); // with trailing '/'
[[nodiscard]] std::string ExtractFileName(const std::string& fileName);
[[nodiscard]] std::string ExtractFileExt(const std::string& fileName); // with the dot
[[nodiscard]] std::string ChangeFileExt(const std::string& fileName, const std::string& ext);

// A uniquely named empty file in the system's temporary folder.
[[nodiscard]] std::string CreateTempFile(const std::string& prefix);

// Replaces a file's content atomically: writer fills a new file in the same folder,
// which is flushed and renamed over the original, keeping the original's permissions.
// When writer (or anything else) fails, the original stays as it was, the new file is
// removed and the exception propagates. A symbolic link is followed: the file it
// points to is replaced and the link stays a link.
void AtomicReplaceFile(const std::string& fileName, const std::function<void(TStream& output)>& writer);

// A file's access and modification times (seconds and nanoseconds since 1970), so that
// a rewrite can leave them as they were.
struct TFileTimes {
  std::int64_t AccessSeconds = 0;
  std::int64_t AccessNanoseconds = 0;
  std::int64_t ModificationSeconds = 0;
  std::int64_t ModificationNanoseconds = 0;
  constexpr bool operator==(const TFileTimes&) const = default;
};
// EFOpenError when the file cannot be examined.
[[nodiscard]] TFileTimes GetFileTimes(const std::string& fileName);
// EFCreateError when the times cannot be set.
void SetFileTimes(const std::string& fileName, const TFileTimes& times);

// Reads a whole file into memory.
[[nodiscard]] std::vector<std::uint8_t> ReadFileBytes(const std::string& fileName);

} // namespace Platform
