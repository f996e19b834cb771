// Keeping a file's times across an atomic rewrite, as `set --keep-time` does.

#include "support/TestSupport.h"

#include "platform/Exceptions.h"
#include "platform/FileOps.h"

#include <gtest/gtest.h>

#include <string>

TEST(FileTimes, SurviveAnAtomicReplaceWhenPutBack) {
  TTempDir dir;
  const auto file = dir.File("picture.jpg");
  WriteFile(file, std::string_view("old content"));
  const Platform::TFileTimes old{1000000000, 123456789, 1200000000, 987654321};
  Platform::SetFileTimes(file, old);
  EXPECT_EQ(Platform::GetFileTimes(file), old);

  const auto times = Platform::GetFileTimes(file);
  Platform::AtomicReplaceFile(file, [](Platform::TStream& out) { out.WriteBuffer("new content", 11); });
  EXPECT_NE(Platform::GetFileTimes(file).ModificationSeconds, old.ModificationSeconds)
      << "a new file has a new time of its own";
  Platform::SetFileTimes(file, times);
  EXPECT_EQ(Platform::GetFileTimes(file), old);
  EXPECT_EQ(ReadFileText(file), "new content");

  EXPECT_THROW((void)Platform::GetFileTimes(dir.File("missing.jpg")), Platform::EFOpenError);
  EXPECT_THROW(Platform::SetFileTimes(dir.File("missing.jpg"), old), Platform::EFCreateError);
}
