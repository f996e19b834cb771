#include "platform/FileOps.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <optional>
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

namespace {

// The file's path as an absolute one (the file itself is not resolved: a link goes to the trash
// as a link).
std::optional<std::string> AbsolutePath(const std::string& fileName) {
  if (!fileName.empty() && fileName[0] == '/')
    return fileName;
  std::string cwd(4096, '\0');
  if (::getcwd(cwd.data(), cwd.size()) == nullptr)
    return std::nullopt;
  cwd.resize(std::char_traits<char>::length(cwd.c_str()));
  return cwd + (cwd.ends_with('/') ? "" : "/") + fileName;
}

// A folder for the trash: created when missing, refused when it is a link or someone else's.
bool MakeTrashFolder(const std::string& path, mode_t mode) {
  if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST)
    return false;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0)
    return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
    errno = EACCES;
    return false;
  }
  return true;
}

// Every byte outside the unreserved set and "/" as %XX, as the trash info's Path= key wants it.
std::string PercentEncodePath(const std::string& path) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string result;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        byte == '-' || byte == '_' || byte == '.' || byte == '~' || byte == '/') {
      result += c;
    } else {
      result += '%';
      result += hex[byte >> 4];
      result += hex[byte & 15];
    }
  }
  return result;
}

std::string DeletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  ::localtime_r(&now, &local);
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

// Moves the file into one trash folder (which has or gets files/ and info/). pathInInfo is what
// the info file records. False with errno set when the file could not go there.
bool MoveIntoTrash(const std::string& file, const std::string& trash, const std::string& pathInInfo) {
  if (!MakeTrashFolder(trash, 0700) || !MakeTrashFolder(trash + "/files", 0700) ||
      !MakeTrashFolder(trash + "/info", 0700))
    return false;
  const std::string name = ExtractFileName(file);
  const std::string ext = ExtractFileExt(name);
  const std::string stem = name.substr(0, name.size() - ext.size());
  const std::string info = "[Trash Info]\nPath=" + PercentEncodePath(pathInInfo) + "\nDeletionDate=" + DeletionDate() +
                           "\n";
  for (int attempt = 1; attempt < 10000; ++attempt) {
    const std::string trashedName = attempt == 1 ? name : stem + "." + std::to_string(attempt) + ext;
    const std::string infoName = trash + "/info/" + trashedName + ".trashinfo";
    // The info file, made exclusively, reserves the name in files/.
    const int fd = ::open(infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST)
        continue;
      return false;
    }
    const bool written = ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
      ::unlink(infoName.c_str());
      errno = written ? EIO : writeError;
      return false;
    }
    if (RenameFileNoReplace(file, trash + "/files/" + trashedName))
      return true;
    const int error = errno;
    ::unlink(infoName.c_str());
    if (error == EEXIST)
      continue; // a stray file without info under this name
    errno = error;
    return false;
  }
  errno = EEXIST;
  return false;
}

// The mount point of the file system that holds the folder (the highest ancestor on its device).
std::string TopDirectory(const std::string& folder, dev_t device) {
  std::string top = folder;
  while (top.size() > 1) {
    const auto slash = top.rfind('/', top.size() - 1);
    const std::string parent = slash == 0 ? "/" : top.substr(0, slash);
    struct stat info {};
    if (::stat(parent.c_str(), &info) != 0 || info.st_dev != device)
      break;
    top = parent;
  }
  return top;
}

} // namespace

bool MoveFileToTrash(const std::string& fileName) {
  struct stat file {};
  if (::lstat(fileName.c_str(), &file) != 0)
    return false;
  const std::optional<std::string> absolute = AbsolutePath(fileName);
  if (!absolute)
    return false;

  std::string dataHome;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/')
    dataHome = xdg;
  else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
    dataHome = std::string(home) + "/.local/share";
  if (!dataHome.empty()) {
    struct stat data {};
    // The home trash takes files of its own file system only (a move there is a rename).
    // A fresh account may not have ~/.local yet: the missing folders are made, private.
    for (std::size_t slash = dataHome.find('/', 1); slash != std::string::npos; slash = dataHome.find('/', slash + 1))
      ::mkdir(dataHome.substr(0, slash).c_str(), 0700);
    ::mkdir(dataHome.c_str(), 0700);
    if (::stat(dataHome.c_str(), &data) == 0 && data.st_dev == file.st_dev)
      return MoveIntoTrash(*absolute, dataHome + "/Trash", *absolute);
  }

  std::string folder = ExtractFilePath(*absolute);
  while (folder.size() > 1 && folder.ends_with('/'))
    folder.pop_back();
  const std::string top = TopDirectory(folder, file.st_dev);
  const std::string prefix = top == "/" ? "/" : top + "/";
  // Paths in a file system's own trash are relative to its top directory.
  const std::string relative = absolute->substr(prefix.size());
  const std::string uid = std::to_string(::getuid());
  struct stat shared {};
  const std::string sharedTrash = prefix + ".Trash";
  // The administrator's shared .Trash counts only as a sticky folder that is no link.
  if (::lstat(sharedTrash.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) != 0 &&
      MoveIntoTrash(*absolute, sharedTrash + "/" + uid, relative))
    return true;
  return MoveIntoTrash(*absolute, prefix + ".Trash-" + uid, relative);
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
