#include "platform/FileOps.h"

#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>

using namespace Platform;

namespace {

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t Mode(const std::string& name) {
  struct stat info {};
  ::stat(name.c_str(), &info);
  return info.st_mode & 07777;
}

void WriteText(TStream& out, std::string_view text) { out.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size())); }

} // namespace

TEST(FileOps, AtomicReplaceKeepsPermissionsAndLeavesNoTrace) {
  TTempDir dir;
  const auto name = dir.File("photo.jpg");
  WriteFile(name, "old content");
  ASSERT_EQ(::chmod(name.c_str(), 0640), 0);

  AtomicReplaceFile(name, [](TStream& out) { WriteText(out, "new content, longer than before"); });
  EXPECT_EQ(ReadFileText(name), "new content, longer than before");
  EXPECT_EQ(Mode(name), 0640U);
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"photo.jpg"}));

  EXPECT_THROW(AtomicReplaceFile(dir.File("missing.jpg"), [](TStream&) {}), EFOpenError);
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"photo.jpg"}));
}

TEST(FileOps, AtomicReplaceWithAFailingWriterKeepsTheOriginal) {
  TTempDir dir;
  const auto name = dir.File("photo.jpg");
  std::vector<std::uint8_t> original(70'000);
  for (std::size_t i = 0; i < original.size(); ++i)
    original[i] = static_cast<std::uint8_t>(i * 31);
  WriteFile(name, original);

  EXPECT_THROW(AtomicReplaceFile(name,
                                 [](TStream& out) {
                                   WriteText(out, std::string(50'000, 'x'));
                                   throw std::runtime_error("disk on fire");
                                 }),
               std::runtime_error);
  EXPECT_EQ(ReadFile(name), original) << "the original stays byte for byte";
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"photo.jpg"})) << "no half-written file remains";
}

TEST(FileOps, AtomicReplaceFollowsSymbolicLinks) {
  TTempDir dir;
  const auto target = dir.File("target.jpg");
  const auto link = dir.File("link.jpg");
  WriteFile(target, "old");
  ASSERT_EQ(::symlink("target.jpg", link.c_str()), 0);
  AtomicReplaceFile(link, [](TStream& out) { WriteText(out, "new"); });
  EXPECT_TRUE(std::filesystem::is_symlink(link)) << "the link stays a link";
  EXPECT_EQ(ReadFileText(target), "new");
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"link.jpg", "target.jpg"}));
}

TEST(FileOps, RenameNeverReplaces) {
  TTempDir dir;
  const auto a = dir.File("a.jpg");
  const auto b = dir.File("b.jpg");
  WriteFile(a, "A");
  WriteFile(b, "B");
  EXPECT_FALSE(RenameFileNoReplace(a, b));
  EXPECT_EQ(LastSystemError(), EEXIST);
  EXPECT_EQ(ReadFileText(a), "A");
  EXPECT_EQ(ReadFileText(b), "B");

  const auto c = dir.File("c.jpg");
  EXPECT_TRUE(RenameFileNoReplace(a, c));
  EXPECT_FALSE(FileExists(a));
  EXPECT_EQ(ReadFileText(c), "A");
  EXPECT_FALSE(RenameFileNoReplace(a, dir.File("d.jpg"))) << "the source is gone";

  EXPECT_TRUE(DeleteFile(c));
  EXPECT_FALSE(DeleteFile(c));
  EXPECT_EQ(LastSystemError(), ENOENT);
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir.Path()));
}

TEST(FileOps, NamesTempFilesAndReading) {
  EXPECT_EQ(ExtractFilePath("/a/b.c/d"), "/a/b.c/");
  EXPECT_EQ(ExtractFileExt("/a/b.c/d"), "") << "a dot in a folder name is no extension";
  EXPECT_EQ(ExtractFileExt("x.tar.gz"), ".gz");
  EXPECT_EQ(ChangeFileExt("/p/img.JPG", ".xmp"), "/p/img.xmp");
  EXPECT_EQ(ChangeFileExt("/p.d/img", ".xmp"), "/p.d/img.xmp");

  const auto first = CreateTempFile("fotarium-");
  const auto second = CreateTempFile("fotarium-");
  EXPECT_NE(first, second);
  EXPECT_TRUE(FileExists(first));
  EXPECT_TRUE(ReadFileBytes(first).empty());
  DeleteFile(first);
  DeleteFile(second);
  EXPECT_THROW((void)ReadFileBytes(first), EFOpenError);
}

namespace {

// Points the home trash at a scratch folder for one test.
class TScratchTrash {
public:
  explicit TScratchTrash(const std::string& dataHome) {
    if (const char* old = std::getenv("XDG_DATA_HOME"))
      FOld = old;
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
  }
  ~TScratchTrash() {
    if (FOld)
      ::setenv("XDG_DATA_HOME", FOld->c_str(), 1);
    else
      ::unsetenv("XDG_DATA_HOME");
  }
  TScratchTrash(const TScratchTrash&) = delete;
  TScratchTrash& operator=(const TScratchTrash&) = delete;

private:
  std::optional<std::string> FOld;
};

} // namespace

TEST(FileOps, MoveToTrashKeepsTheNameBytesAndRecordsTheOriginalPath) {
  TTempDir dir;
  const TScratchTrash trash(dir.File("data"));
  ASSERT_EQ(::mkdir(dir.File("data").c_str(), 0700), 0);
  // Latin-1 "Müller.jpg" and a name that is no UTF-8 at all, each trashed twice.
  for (const std::string& name : {std::string("M\xFCller.jpg"), std::string("a\xC3(b\xFF.jpg")}) {
    SCOPED_TRACE(name);
    const std::string path = dir.File(name);
    WriteFile(path, "first");
    ASSERT_TRUE(MoveFileToTrash(path));
    EXPECT_FALSE(FileExists(path));
    const std::string files = dir.File("data/Trash/files/");
    const std::string info = dir.File("data/Trash/info/");
    EXPECT_EQ(ReadFileText(files + name), "first");
    const std::string text = ReadFileText(info + name + ".trashinfo");
    std::string encoded;
    for (const char c : path) {
      const auto byte = static_cast<unsigned char>(c);
      if (std::isalnum(byte) || c == '/' || c == '.' || c == '_' || c == '-' || c == '~')
        encoded += c;
      else
        encoded += fmt::format("%{:02X}", byte);
    }
    EXPECT_TRUE(text.starts_with("[Trash Info]\nPath=" + encoded + "\nDeletionDate=")) << text;

    // A second file of the same name gets a free one beside it.
    WriteFile(path, "second");
    ASSERT_TRUE(MoveFileToTrash(path));
    const std::string ext = ".jpg";
    const std::string second = name.substr(0, name.size() - ext.size()) + ".2" + ext;
    EXPECT_EQ(ReadFileText(files + second), "second");
    EXPECT_TRUE(FileExists(info + second + ".trashinfo"));
    EXPECT_EQ(ReadFileText(files + name), "first");
  }

  // A data folder that does not exist yet, parents included, is made for the home trash.
  {
    const TScratchTrash fresh(dir.File("home/.local/share"));
    const std::string path = dir.File("fresh.jpg");
    WriteFile(path, "fresh");
    ASSERT_TRUE(MoveFileToTrash(path));
    EXPECT_EQ(ReadFileText(dir.File("home/.local/share/Trash/files/fresh.jpg")), "fresh");
  }

  // A file that is not there is reported and leaves no info behind.
  errno = 0;
  EXPECT_FALSE(MoveFileToTrash(dir.File("gone.jpg")));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(FileExists(dir.File("data/Trash/info/gone.jpg.trashinfo")));
}
