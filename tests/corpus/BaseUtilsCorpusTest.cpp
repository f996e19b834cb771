// The JPEG segment walk, the rewriting routines and the PSD reader over every sample file.

#include "Tessel/Exif/BaseUtils.h"

#include "platform/FileOps.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

using namespace Tessel::Exif;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::unique_ptr<Platform::TMemoryStream> StreamOf(const Bytes& bytes) {
  auto stream = std::make_unique<Platform::TMemoryStream>();
  stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

// The picture data of a JPEG (first SOS to the end of EOI); nothing when the walk
// fails or finds no such range.
std::optional<Bytes> PictureData(const Bytes& jpeg) {
  try {
    auto stream = StreamOf(jpeg);
    std::int64_t sos = -1;
    std::int64_t end = -1;
    for (auto segment : *JPEGHeader(*stream, {jmSOS, jmEOI})) {
      if (segment->MarkerNum() == jmSOS && sos < 0)
        sos = segment->Offset();
      if (segment->MarkerNum() == jmEOI)
        end = segment->Offset() + 2;
    }
    if (sos < 0 || end < sos)
      return std::nullopt;
    return Bytes(jpeg.begin() + sos, jpeg.begin() + end);
  } catch (const Platform::Exception&) {
    return std::nullopt;
  }
}

std::vector<std::string> JPEGFiles() { return CorpusFiles({".jpg", ".jpeg"}); }

} // namespace

TEST(BaseUtilsCorpus, EveryJPEGIsWalked) {
  const auto files = JPEGFiles();
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found";
  int walked = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    Platform::TFileStream stream(file, Platform::fmOpenRead | Platform::fmShareDenyWrite);
    if (!HasJPEGHeader(stream))
      continue;
    try {
      std::int64_t lastEnd = 0;
      for (auto segment : *JPEGHeader(stream, TJPEGMarkers::All())) {
        EXPECT_GE(segment->Offset(), lastEnd) << "segments come in file order";
        lastEnd = segment->Offset() + segment->TotalSize();
        EXPECT_LE(lastEnd, stream.Size());
        if (segment->IsAdobeApp13()) {
          for (auto block : *segment->GetEnumerator()) {
            if (block->LoadedCleanly()) {
              EXPECT_LE(block->TotalSize(), segment->Data().Size());
            }
          }
        }
        (void)segment->IsExifBlock(true);
        (void)segment->IsXMPBlock(true);
        (void)segment->IsIPTCBlock(true);
      }
      stream.SetPosition(0);
      const auto size = GetJPEGDataSize(stream, false);
      EXPECT_GT(size, 0);
      EXPECT_LE(size, stream.Size());
      ++walked;
    } catch (const Platform::Exception&) {
      // Damaged files may end in a read error; what matters is that they end.
    }
  }
  EXPECT_GT(walked, 100);
}

TEST(BaseUtilsCorpus, RewritingKeepsThePictureData) {
  const auto files = JPEGFiles();
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found";
  int compared = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    const auto bytes = ReadFile(file);
    const auto picture = PictureData(bytes);
    if (!picture)
      continue;

    auto in = StreamOf(bytes);
    Platform::TMemoryStream removed;
    EXPECT_TRUE(RemoveJPEGSegments(*in, removed, {}).Empty());
    const auto span = removed.Bytes();
    EXPECT_TRUE(Bytes(span.begin(), span.end()) == bytes) << "removing nothing copies the file";

    try {
      in->SetPosition(0);
      Platform::TMemoryStream updated;
      UpdateApp1JPEGSegments(*in, updated, nullptr, nullptr);
      const auto updatedSpan = updated.Bytes();
      const auto after = PictureData(Bytes(updatedSpan.begin(), updatedSpan.end()));
      ASSERT_TRUE(after.has_value());
      EXPECT_TRUE(*after == *picture) << "picture data changed";
      EXPECT_EQ(updated.Size(), in->Size()) << "nothing is lost or added";
      ++compared;
    } catch (const Platform::Exception& e) {
      ADD_FAILURE() << e.what();
    }
  }
  EXPECT_GT(compared, 100);
}

TEST(BaseUtilsCorpus, EveryPSDIsRead) {
  const auto files = CorpusFiles({".psd"});
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found";
  int parsed = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    Platform::TFileStream stream(file, Platform::fmOpenRead | Platform::fmShareDenyWrite);
    if (!HasPSDHeader(stream))
      continue;
    try {
      TPSDInfo info;
      for (auto block : *ParsePSDHeader(stream, info)) {
        EXPECT_EQ(block->Signature().size(), 4U);
        (void)block->HasIPTCData();
      }
      EXPECT_LE(info.LayersSectionOffset(), stream.Size());
      ++parsed;
    } catch (const Platform::Exception&) {
      // A damaged header is refused with an error; reading must simply not crash.
    }
  }
  EXPECT_GT(parsed, 3);
}

TEST(BaseUtilsCorpus, FailedSaveLeavesTheFileAsItWas) {
  const auto files = JPEGFiles();
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found";
  // A real camera file, worked on in a private folder.
  std::string source;
  for (const auto& file : files)
    if (PictureData(ReadFile(file)) && std::filesystem::file_size(file) > 20000) {
      source = file;
      break;
    }
  ASSERT_FALSE(source.empty());
  TTempDir dir;
  const auto name = dir.File("photo.jpg");
  const auto original = ReadFile(source);
  WriteFile(name, original);

  const auto getSaver = [](bool fail) -> TGetGraphicSaveMethod {
    return [fail](Platform::TStream& stream, TGraphicSaveMethod& saveMethod) {
      if (!HasJPEGHeader(stream))
        return;
      saveMethod = [fail](Platform::TStream& in, Platform::TStream& out) {
        UpdateApp1JPEGSegments(in, out, nullptr, nullptr);
        if (fail) { // the new content is half done: cut it and give up
          out.SetSize(out.Size() / 2);
          throw Platform::EWriteError();
        }
      };
    };
  };
  EXPECT_THROW(DoSaveToGraphic(name, getSaver(true)), Platform::EWriteError);
  EXPECT_TRUE(ReadFile(name) == original) << "the original is byte for byte as it was";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1)
      << "no stray file";

  DoSaveToGraphic(name, getSaver(false));
  const auto saved = ReadFile(name);
  EXPECT_EQ(saved.size(), original.size());
  EXPECT_TRUE(PictureData(saved) == PictureData(original));
}
