#include "platform/FileOps.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

bool FileExists(const std::string& fileName) {
  struct stat info {};
  return ::stat(fileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFile(const std::string& fileName) { return ::unlink(fileName.c_str()) == 0; }

int LastSystemError() { return errno; }

bool RenameFileNoReplace(const std::string& oldName, const std::string& newName) {
  if (::renameat2(AT_FDCWD, oldName.c_str(), AT_FDCWD, newName.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS)
    return false;
  // File systems without renameat2 flags: a hard link fails when the target exists.
  if (::link(oldName.c_str(), newName.c_str()) != 0)
    return false;
  if (::unlink(oldName.c_str()) != 0) {
    const int error = errno;
    ::unlink(newName.c_str());
    errno = error;
    return false;
  }
  return true;
}

std::string ExtractFilePath(const std::string& fileName) {
  const auto slash = fileName.rfind('/');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& fileName) {
  const auto slash = fileName.rfind('/');
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& fileName) {
  const auto name = ExtractFileName(fileName);
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& ext) {
  const auto extLength = ExtractFileExt(fileName).size();
  return fileName.substr(0, fileName.size() - extLength) + ext;
}

std::string CreateTempFile(const std::string& prefix) {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/" + prefix + "XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0)
    throw EFCreateError(pattern, errno);
  ::close(fd);
  return pattern;
}

namespace {

// Removes the new file unless the replacement went through.
struct TTempFileGuard {
  std::string Name;
  bool Keep = false;
  ~TTempFileGuard() {
    if (!Keep && !Name.empty())
      ::unlink(Name.c_str());
  }
};

} // namespace

namespace {

// The file a name finally stands for: replacing a symbolic link itself would leave
// the linked picture unchanged and turn the link into a copy.
std::string ResolveLinks(const std::string& fileName) {
  struct stat info {};
  if (::lstat(fileName.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
    return fileName;
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(fileName.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : fileName;
}

// Makes the rename itself durable; failure here changes nothing about the content.
void SyncFolder(const std::string& fileName) {
  const auto folder = ExtractFilePath(fileName);
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

} // namespace

void AtomicReplaceFile(const std::string& originalName, const std::function<void(TStream& output)>& writer) {
  const auto fileName = ResolveLinks(originalName);
  struct stat original {};
  if (::stat(fileName.c_str(), &original) != 0)
    throw EFOpenError(originalName, errno);

  std::string pattern = ExtractFilePath(fileName) + "." + ExtractFileName(fileName) + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0)
    throw EFCreateError(fileName, errno);
  ::close(fd);
  TTempFileGuard guard{pattern};
  {
    TFileStream output(pattern, fmOpenReadWrite);
    writer(output);
    // Keep the owner where allowed (it is not for other users' files unless root);
    // the permission bits always.
    if ((original.st_uid != ::geteuid() || original.st_gid != ::getegid()) &&
        ::fchown(output.Handle(), original.st_uid, original.st_gid) != 0) {
      // Not permitted: the new file stays ours, which is all an ordinary user can do.
    }
    if (::fchmod(output.Handle(), original.st_mode & 07777) != 0)
      throw EFCreateError(pattern, errno);
    output.Flush();
  }
  if (::rename(pattern.c_str(), fileName.c_str()) != 0)
    throw EFCreateError(fileName, errno);
  guard.Keep = true;
  SyncFolder(fileName);
}

TFileTimes GetFileTimes(const std::string& fileName) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0)
    throw EFOpenError(fileName, errno);
  return {info.st_atim.tv_sec, info.st_atim.tv_nsec, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

void SetFileTimes(const std::string& fileName, const TFileTimes& times) {
  const struct timespec values[2] = {
      {static_cast<time_t>(times.AccessSeconds), static_cast<long>(times.AccessNanoseconds)},
      {static_cast<time_t>(times.ModificationSeconds), static_cast<long>(times.ModificationNanoseconds)}};
  if (::utimensat(AT_FDCWD, fileName.c_str(), values, 0) != 0)
    throw EFCreateError(fileName, errno);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
  file.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

} // namespace Platform
