#include "platform/Streams.h"

#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <numeric>

#include <fcntl.h>
#include <unistd.h>

using namespace Platform;

namespace {

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

std::vector<std::uint8_t> Contents(const TCustomMemoryStream& stream) {
  const auto bytes = stream.Bytes();
  return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(MemoryStream, GrowsAndZeroFillsGaps) {
  TMemoryStream stream;
  const auto data = Pattern(100'000);
  for (std::size_t i = 0; i < data.size(); i += 3)
    stream.WriteBuffer(data.data() + i, static_cast<std::int64_t>(std::min<std::size_t>(3, data.size() - i)));
  EXPECT_EQ(stream.Size(), 100'000);
  EXPECT_EQ(stream.Position(), 100'000);
  EXPECT_GE(stream.Capacity(), stream.Size());
  EXPECT_EQ(Contents(stream), data);

  // Writing past the end leaves zeros in between, growing with SetSize too.
  TMemoryStream gap;
  gap.SetSize(4096);
  std::fill(gap.Memory(), gap.Memory() + gap.Size(), 0xEE);
  gap.SetSize(1); // keeps the buffer with its old bytes
  gap.Seek(10, TSeekOrigin::soBeginning);
  const std::uint8_t x = 0xAB;
  gap.WriteBuffer(&x, 1);
  EXPECT_EQ(Contents(gap), (std::vector<std::uint8_t>{0xEE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAB}));
  std::fill(gap.Memory(), gap.Memory() + gap.Size(), 0xEE);
  gap.SetSize(2);
  gap.SetSize(5);
  EXPECT_EQ(Contents(gap), (std::vector<std::uint8_t>{0xEE, 0xEE, 0, 0, 0}));

  // Shrinking below the position moves it to the end.
  gap.Seek(0, TSeekOrigin::soEnd);
  gap.SetSize(3);
  EXPECT_EQ(gap.Position(), 3);
  gap.Clear();
  EXPECT_EQ(gap.Size(), 0);
  EXPECT_EQ(gap.Position(), 0);
  EXPECT_THROW(gap.SetSize(-1), EStreamError);
}

TEST(MemoryStream, ShortReadsAndBadPositions) {
  TMemoryStream stream;
  const auto data = Pattern(10);
  stream.WriteBuffer(data);
  stream.SetPosition(6);
  std::uint8_t buffer[8]{};
  EXPECT_EQ(stream.Read(buffer, 8), 4);
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  stream.SetPosition(8);
  try {
    stream.ReadBuffer(buffer, 4);
    ADD_FAILURE() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream-Lesefehler");
  }
  stream.Seek(-20, TSeekOrigin::soCurrent);
  EXPECT_EQ(stream.Read(buffer, 4), 0) << "a negative position reads nothing";
  EXPECT_EQ(stream.Write(buffer, 4), 0) << "and writes nothing";
  EXPECT_THROW(stream.WriteBuffer(buffer, 4), EWriteError);
}

TEST(MemoryStream, CopyFrom) {
  const auto data = Pattern(200'000);
  TMemoryStream source;
  source.WriteBuffer(data);

  TMemoryStream all;
  source.SetPosition(500);
  EXPECT_EQ(all.CopyFrom(source, 0), 200'000) << "count 0 copies everything from the start";
  EXPECT_EQ(Contents(all), data);

  TMemoryStream part;
  source.SetPosition(10);
  EXPECT_EQ(part.CopyFrom(source, 5), 5);
  EXPECT_EQ(source.Position(), 15);
  EXPECT_EQ(Contents(part), std::vector<std::uint8_t>(data.begin() + 10, data.begin() + 15));

  source.SetPosition(199'990);
  EXPECT_THROW(part.CopyFrom(source, 11), EReadError);
  source.Seek(-5, TSeekOrigin::soBeginning);
  EXPECT_THROW(part.CopyFrom(source, 3), EReadError) << "a position before the block is no pointer";
  source.Seek(300'000, TSeekOrigin::soBeginning);
  EXPECT_THROW(part.CopyFrom(source, 1), EReadError);

  // A file source goes through the chunked path.
  TTempDir dir;
  const auto name = dir.File("source.bin");
  WriteFile(name, data);
  TFileStream file(name, fmOpenRead);
  file.SetPosition(1);
  TMemoryStream fromFile;
  EXPECT_EQ(fromFile.CopyFrom(file, 150'000), 150'000);
  EXPECT_EQ(Contents(fromFile), std::vector<std::uint8_t>(data.begin() + 1, data.begin() + 150'001));
  EXPECT_THROW(fromFile.CopyFrom(file, 60'000), EReadError) << "only 49999 bytes are left";
}

TEST(FileStream, ReadAheadAcrossBufferBoundaries) {
  TTempDir dir;
  const auto name = dir.File("data.bin");
  const auto data = Pattern(70'001);
  WriteFile(name, data);

  TFileStream file(name, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(file.Size(), 70'001);
  std::vector<std::uint8_t> read(data.size());
  std::size_t pos = 0;
  for (std::size_t step = 1; pos < data.size(); step = step % 13 + 1) {
    const auto n = std::min(step, data.size() - pos);
    ASSERT_EQ(file.Read(read.data() + pos, static_cast<std::int64_t>(n)), static_cast<std::int64_t>(n)) << "at " << pos;
    pos += n;
  }
  EXPECT_EQ(read, data);
  EXPECT_LE(file.BytesFetched(), 2 * 70'001) << "small reads are served from the read-ahead buffer";

  // A large read starting inside the cached block and running past it.
  file.SetPosition(16'380);
  std::vector<std::uint8_t> big(40'000);
  file.ReadBuffer(big.data(), static_cast<std::int64_t>(big.size()));
  EXPECT_TRUE(std::equal(big.begin(), big.end(), data.begin() + 16'380));

  // Short read at the end, then nothing.
  file.Seek(-3, TSeekOrigin::soEnd);
  std::uint8_t tail[10];
  EXPECT_EQ(file.Read(tail, 10), 3);
  EXPECT_EQ(file.Read(tail, 10), 0);
  EXPECT_THROW(file.WriteBuffer(tail, 1), EWriteError) << "opened for reading";
}

TEST(FileStream, TakesOverAnOpenHandleAndReadsFromTheStart) {
  TTempDir dir;
  const auto name = dir.File("handle.bin");
  const auto data = Pattern(20'000);
  WriteFile(name, data);
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  std::uint8_t first[100];
  ASSERT_EQ(::read(fd, first, sizeof first), 100) << "the handle's own position is left behind";
  {
    TFileStream file(fd, name);
    EXPECT_EQ(file.FileName(), name);
    EXPECT_EQ(file.Size(), 20'000);
    std::vector<std::uint8_t> read(data.size());
    file.ReadBuffer(read.data(), static_cast<std::int64_t>(read.size()));
    EXPECT_EQ(read, data);
    std::uint8_t byte = 0;
    EXPECT_THROW(file.WriteBuffer(&byte, 1), EWriteError) << "taken over for reading";
  }
  EXPECT_EQ(::fcntl(fd, F_GETFD), -1) << "the stream closes the handle it took";
}

TEST(FileStream, WritesInvalidateTheReadAhead) {
  TTempDir dir;
  const auto name = dir.File("rw.bin");
  WriteFile(name, Pattern(1000));
  TFileStream file(name, fmOpenReadWrite);
  std::uint8_t byte;
  file.ReadBuffer(&byte, 1); // fills the read-ahead buffer
  file.SetPosition(500);
  const std::uint8_t patch[2] = {0xDE, 0xAD};
  file.WriteBuffer(patch, 2);
  file.SetPosition(499);
  std::uint8_t back[3];
  file.ReadBuffer(back, 3);
  EXPECT_EQ(back[1], 0xDE);
  EXPECT_EQ(back[2], 0xAD);
  file.SetSize(100);
  EXPECT_EQ(file.Position(), 100);
  file.SetPosition(99);
  EXPECT_EQ(file.Read(back, 3), 1) << "truncation is seen";
}

TEST(FileStream, CreateAndOpenErrors) {
  TTempDir dir;
  const auto name = dir.File("new.bin");
  {
    // Share flags alongside fmCreate must still create the file.
    TFileStream created(name, fmCreate | fmShareDenyWrite);
    created.WriteBuffer(Pattern(3));
  }
  EXPECT_EQ(ReadFile(name), Pattern(3));
  {
    TFileStream truncated(name, fmCreate);
    EXPECT_EQ(truncated.Size(), 0);
  }
  try {
    TFileStream missing(dir.File("missing.bin"), fmOpenRead);
    ADD_FAILURE() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOENT);
    EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos);
  }
  EXPECT_THROW(TFileStream(dir.Path(), fmOpenRead), EFOpenError) << "a folder is no file";
  EXPECT_THROW(TFileStream(dir.File("no/such/folder.bin"), fmCreate), EFCreateError);

  TMemoryStream memory;
  memory.WriteBuffer(Pattern(5000));
  memory.SaveToFile(name);
  TMemoryStream loaded;
  loaded.LoadFromFile(name);
  EXPECT_EQ(Contents(loaded), Pattern(5000));
}

TEST(MemoryStream, SwapAndSizeForOverwrite) {
  TMemoryStream a;
  TMemoryStream b;
  const auto first = Pattern(100);
  const auto second = Pattern(7000);
  a.WriteBuffer(first);
  b.WriteBuffer(second);
  b.SetPosition(10);
  a.Swap(b);
  EXPECT_EQ(Contents(a), second);
  EXPECT_EQ(a.Position(), 10);
  EXPECT_EQ(Contents(b), first);
  EXPECT_EQ(b.Position(), 100);
  b.WriteBuffer(first.data(), 1);
  EXPECT_EQ(b.Size(), 101) << "each keeps growing its own buffer";

  // Bytes behind the old end are for the caller to fill; those before stay.
  a.SetSizeForOverwrite(8000);
  ASSERT_EQ(a.Size(), 8000);
  EXPECT_TRUE(std::equal(second.begin(), second.end(), a.Memory()));
  std::fill(a.Memory() + 7000, a.Memory() + 8000, std::uint8_t{0x5A});
  a.SetSizeForOverwrite(50);
  EXPECT_EQ(a.Size(), 50);
  EXPECT_EQ(a.Position(), 10);
  a.SetPosition(50);
  a.SetSizeForOverwrite(20);
  EXPECT_EQ(a.Position(), 20) << "a position behind the new end moves to it";
  EXPECT_THROW(a.SetSizeForOverwrite(-1), EStreamError);
  a.SetSizeForOverwrite(0);
  EXPECT_EQ(a.Size(), 0);
}
