#include "platform/FileOps.h"

#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
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
