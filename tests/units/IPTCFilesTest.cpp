// IPTC data in JPEG, PSD and TIFF files: finding it, and replacing it without touching
// anything else.

#include "Tessel/Exif/IPTC.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }
void Append(Bytes& to, std::string_view text) { to.insert(to.end(), text.begin(), text.end()); }
void AppendBE(Bytes& to, std::uint32_t value, int size) {
  for (int i = size - 1; i >= 0; --i)
    to.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Bytes Dataset(std::uint8_t record, std::uint8_t id, std::string_view data) {
  Bytes result{0x1C, record, id};
  AppendBE(result, static_cast<std::uint32_t>(data.size()), 2);
  Append(result, data);
  return result;
}

Bytes ResourceBlock(std::uint16_t id, const Bytes& data) {
  Bytes result;
  Append(result, "8BIM");
  AppendBE(result, id, 2);
  Append(result, Bytes{0, 0}); // empty name and its padding
  AppendBE(result, static_cast<std::uint32_t>(data.size()), 4);
  Append(result, data);
  if (data.size() % 2 != 0)
    result.push_back(0);
  return result;
}

Bytes Segment(std::uint8_t marker, const Bytes& data) {
  Bytes result{0xFF, marker};
  AppendBE(result, static_cast<std::uint32_t>(data.size() + 2), 2);
  Append(result, data);
  return result;
}

Bytes App13(std::initializer_list<Bytes> blocks) {
  Bytes data;
  Append(data, std::string_view("Photoshop 3.0\0", 14));
  for (const auto& block : blocks)
    Append(data, block);
  return Segment(0xED, data);
}

const Bytes IIM = [] {
  Bytes bytes = Dataset(2, 0, std::string_view("\x00\x04", 2));
  Append(bytes, Dataset(2, 25, "old keyword"));
  return bytes;
}();
const Bytes OtherIIM = Dataset(2, 5, "second title");
const Bytes Resolution = ResourceBlock(0x03ED, Bytes(16, 0x11));
const Bytes Thumbnail = ResourceBlock(0x040C, Bytes(9, 0x22));

const Bytes JFIF = Segment(0xE0, Bytes{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
const Bytes Exif = [] {
  Bytes data;
  Append(data, std::string_view("Exif\0\0II*\0\x08\0\0\0\0\0\0\0\0\0", 20));
  return Segment(0xE1, data);
}();
const Bytes XMP = [] {
  Bytes data;
  Append(data, std::string_view("http://ns.adobe.com/xap/1.0/\0<?xpacket begin=''?><x/><?xpacket end='w'?>", 71));
  return Segment(0xE1, data);
}();
const Bytes DQT = Segment(0xDB, Bytes(65, 0x01));
// Scan header and picture data with stuffed bytes and a restart marker, then EOI.
const Bytes Picture = [] {
  Bytes bytes = Segment(0xDA, Bytes{1, 1, 0, 0, 63, 0});
  Append(bytes, Bytes{0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xD9});
  return bytes;
}();

Bytes JPEG(std::initializer_list<Bytes> segments) {
  Bytes result{0xFF, 0xD8};
  for (const auto& segment : segments)
    Append(result, segment);
  return result;
}

std::unique_ptr<Platform::TMemoryStream> StreamOf(const Bytes& bytes) {
  auto stream = std::make_unique<Platform::TMemoryStream>();
  stream->WriteBuffer(bytes);
  stream->SetPosition(0);
  return stream;
}

Bytes BytesOf(const Platform::TCustomMemoryStream& stream) { return {stream.Bytes().begin(), stream.Bytes().end()}; }

Bytes SaveInto(TIPTCData& data, const Bytes& file) {
  auto stream = StreamOf(file);
  data.SaveToGraphic(*stream);
  return BytesOf(*stream);
}

bool Load(TIPTCData& data, const Bytes& file) {
  auto stream = StreamOf(file);
  return data.LoadFromGraphic(*stream);
}

// The resource IDs of every Photoshop APP13 segment of a JPEG, segment by segment.
std::vector<std::vector<int>> ResourceIDs(const Bytes& file) {
  std::vector<std::vector<int>> result;
  auto stream = StreamOf(file);
  for (const auto& segment : JPEGHeader(*stream, TJPEGMarkers{jmApp13})) {
    auto& ids = result.emplace_back();
    for (const auto& block : *segment->GetEnumerator())
      ids.push_back(block->TypeID());
  }
  return result;
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TStringDynArray Keywords(const Bytes& file) {
  TIPTCData data;
  Load(data, file);
  return data.Keywords();
}

} // namespace

TEST(IPTCJPEG, LoadsEveryIPTCBlockOfEveryPhotoshopSegment) {
  TIPTCData data;
  data.SetCity("stale");
  const auto notPhotoshop = Segment(0xED, Bytes{'X', 'Y', 'Z', 0, 0x1C, 2, 25, 0, 1, 'x'});
  const auto file = JPEG({JFIF, notPhotoshop, App13({Resolution}), App13({Thumbnail, ResourceBlock(0x0404, IIM)}),
                          App13({ResourceBlock(0x0404, OtherIIM)}), DQT, Picture});
  EXPECT_TRUE(Load(data, file));
  EXPECT_EQ(data.Keywords(), (TStringDynArray{"old keyword"}));
  EXPECT_EQ(data.ObjectName(), "second title") << "a later block's datasets are loaded too";
  EXPECT_EQ(data.City(), "");
  EXPECT_FALSE(data.Modified());

  EXPECT_TRUE(Load(data, JPEG({JFIF, App13({Resolution}), DQT, Picture})));
  EXPECT_TRUE(data.Empty()) << "a JPEG without IPTC clears the data";

  // Old Photoshop header; a resource with ID 0x0404 but no IIM header is not IPTC.
  Bytes oldStyle;
  Append(oldStyle, "Adobe_Photoshop2.5:");
  Append(oldStyle, ResourceBlock(0x0404, Bytes{1, 2, 3, 4, 5}));
  Append(oldStyle, ResourceBlock(0x0404, OtherIIM));
  EXPECT_TRUE(Load(data, JPEG({Segment(0xED, oldStyle), Picture})));
  EXPECT_EQ(data.ObjectName(), "second title");

  // A file cut off in its header segments: what lies before the cut is searched.
  auto cut = JPEG({JFIF, App13({Resolution}), DQT});
  cut.resize(cut.size() - 10);
  data.SetCity("stale");
  EXPECT_TRUE(Load(data, cut));
  EXPECT_TRUE(data.Empty());
}

TEST(IPTCJPEG, FormatChecksLeaveTheDataAlone) {
  TIPTCData data;
  data.SetCity("kept");
  const Bytes text{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
  auto stream = StreamOf(text);
  EXPECT_THROW(data.LoadFromJPEG(*stream), EInvalidJPEGHeader);
  EXPECT_EQ(data.City(), "kept");
  EXPECT_FALSE(data.LoadFromGraphic(*stream));
  EXPECT_TRUE(data.Empty()) << "content of no known format clears the data";

  data.SetCity("x");
  auto unsupported = StreamOf(text);
  EXPECT_THROW(data.SaveToGraphic(*unsupported), EUnsupportedGraphicFormat);
  EXPECT_EQ(BytesOf(*unsupported), text);
}

TEST(IPTCJPEG, SavingReplacesTheBlockInEveryPhotoshopSegment) {
  const auto before = JPEG({JFIF, Exif});
  const auto first = App13({Resolution, ResourceBlock(0x0404, IIM), Thumbnail});
  const auto between = Segment(0xE2, Bytes(20, 0x33));
  const auto second = App13({ResourceBlock(0x0404, OtherIIM), Resolution});
  Bytes file = before;
  Append(file, first);
  Append(file, between);
  Append(file, second);
  Append(file, DQT);
  Append(file, Picture);

  TIPTCData data;
  data.SetKeywords(std::vector<std::string>{"new"});
  const auto saved = SaveInto(data, file);
  EXPECT_EQ(ResourceIDs(saved), (std::vector<std::vector<int>>{{0x0404, 0x03ED, 0x040C}, {0x03ED}}))
      << "the new block leads the first segment; the second loses its IPTC block";
  EXPECT_EQ(Keywords(saved), (TStringDynArray{"new"}));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), saved.begin())) << "segments in front stay as they were";
  EXPECT_TRUE(Contains(saved, Resolution) && Contains(saved, Thumbnail)) << "other resources byte for byte";
  Bytes tail = between;
  Bytes rest = App13({Resolution});
  Append(tail, rest);
  Append(tail, DQT);
  Append(tail, Picture);
  EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), saved.rbegin())) << "everything behind is unchanged";

  // An empty object removes IPTC blocks and adds none.
  TIPTCData empty;
  const auto cleared = SaveInto(empty, file);
  EXPECT_EQ(ResourceIDs(cleared), (std::vector<std::vector<int>>{{0x03ED, 0x040C}, {0x03ED}}));
  EXPECT_TRUE(Keywords(cleared).empty());
}

TEST(IPTCJPEG, ANewSegmentFollowsTheApp0AndApp1Segments) {
  const auto file = JPEG({JFIF, Exif, XMP, DQT, Picture});
  TIPTCData empty;
  EXPECT_EQ(SaveInto(empty, file), file) << "an empty object leaves a JPEG without APP13 byte for byte";

  TIPTCData data;
  data.SetHeadline("headline");
  const auto saved = SaveInto(data, file);
  const auto head = JPEG({JFIF, Exif, XMP});
  ASSERT_GT(saved.size(), head.size() + 4);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), saved.begin()));
  EXPECT_EQ(saved[head.size()], 0xFF);
  EXPECT_EQ(saved[head.size() + 1], 0xED) << "directly after the XMP segment";
  Bytes tail = DQT;
  Append(tail, Picture);
  EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), saved.rbegin()));
  EXPECT_EQ(ResourceIDs(saved), (std::vector<std::vector<int>>{{0x0404}}));

  TIPTCData reread;
  Load(reread, saved);
  EXPECT_EQ(reread.Headline(), "headline");
  EXPECT_TRUE(reread.UTF8Encoded());

  // A segment that is not Photoshop's is copied as it is; the new one goes in front of it.
  const auto foreign = Segment(0xED, Bytes{'X', 'Y', 'Z', 0, 1, 2, 3});
  const auto withForeign = SaveInto(data, JPEG({JFIF, foreign, Picture}));
  EXPECT_EQ(ResourceIDs(withForeign), (std::vector<std::vector<int>>{{0x0404}, {}}));
  EXPECT_TRUE(Contains(withForeign, foreign));
}

TEST(IPTCJPEG, SeveralBlocksAreKeptUnlessTheDataIsEdited) {
  // One segment with three IPTC blocks (the middle one empty), as some writers leave them,
  // and a second segment with one more.
  const Bytes byline = [] {
    Bytes bytes = Dataset(2, 0, std::string_view("\x00\x04", 2));
    Append(bytes, Dataset(2, 80, "by-line"));
    return bytes;
  }();
  const auto first =
      App13({ResourceBlock(0x0404, IIM), Resolution, ResourceBlock(0x0404, {}), ResourceBlock(0x0404, byline)});
  const auto second = App13({Thumbnail, ResourceBlock(0x0404, OtherIIM)});
  const auto file = JPEG({JFIF, Exif, first, second, DQT, Picture});

  TIPTCData data;
  ASSERT_TRUE(Load(data, file));
  std::vector<std::string> datasets;
  for (const auto* tag : *data.ApplicationSection())
    datasets.push_back(std::to_string(tag->ID()) + "=" + tag->AsString());
  EXPECT_EQ(datasets, (std::vector<std::string>{"0=4", "25=old keyword", "80=by-line", "5=second title"}))
      << "every block in file order; a repeated record version is taken once";
  EXPECT_FALSE(data.Modified());
  EXPECT_EQ(SaveInto(data, file), file) << "unedited data leaves every block where and as it was";

  // Lowering the flag does not hide an edit.
  data.SetCity("Bern");
  data.SetModified(false);
  auto saved = SaveInto(data, file);
  ASSERT_NE(saved, file);
  EXPECT_EQ(ResourceIDs(saved), (std::vector<std::vector<int>>{{0x0404, 0x03ED}, {0x040C}}))
      << "an edit writes one block, in front of the first segment's other resources (the empty block goes too)";
  TIPTCData reread;
  ASSERT_TRUE(Load(reread, saved));
  EXPECT_EQ(reread.Keywords(), (TStringDynArray{"old keyword"}));
  EXPECT_EQ(reread.Bylines(), (TStringDynArray{"by-line"}));
  EXPECT_EQ(reread.ObjectName(), "second title");
  EXPECT_EQ(reread.City(), "Bern");
  EXPECT_EQ(reread.RecordVersion(), TWordTagValue(4));
  EXPECT_TRUE(Contains(saved, Resolution) && Contains(saved, Thumbnail));

  // Unedited data saved into a picture holding other IPTC blocks replaces them.
  TIPTCData fromOther;
  ASSERT_TRUE(Load(fromOther, JPEG({App13({ResourceBlock(0x0404, byline)}), DQT, Picture})));
  saved = SaveInto(fromOther, file);
  ASSERT_TRUE(Load(reread, saved));
  EXPECT_EQ(reread.Bylines(), (TStringDynArray{"by-line"}));
  EXPECT_TRUE(reread.Keywords().empty());
  EXPECT_EQ(ResourceIDs(saved), (std::vector<std::vector<int>>{{0x0404, 0x03ED}, {0x040C}}));

  // Data read from an IIM stream has no blocks of its own to keep.
  TIPTCData streamed;
  auto iim = StreamOf(IIM);
  streamed.LoadFromStream(*iim);
  EXPECT_EQ(ResourceIDs(SaveInto(streamed, file)), (std::vector<std::vector<int>>{{0x0404, 0x03ED}, {0x040C}}));
}

TEST(IPTCJPEG, UnmarkedUTF8TextIsReadAsUTF8AndSavedUnchanged) {
  const auto file = JPEG({JFIF, App13({ResourceBlock(0x0404, Dataset(2, 116, "\xC2\xA9 Corbis"))}), DQT, Picture});
  TIPTCData data;
  ASSERT_TRUE(Load(data, file));
  EXPECT_EQ(data.CopyrightNotice(), "\xC2\xA9 Corbis") << "the copyright sign, not two characters";
  EXPECT_FALSE(data.UTF8Encoded());
  EXPECT_TRUE(data.UTF8Detected());
  EXPECT_EQ(SaveInto(data, file), file);

  // An edit keeps the text UTF-8 and adds no marker the file did not have.
  data.SetCity("Z\xC3\xBCrich");
  const auto saved = SaveInto(data, file);
  EXPECT_TRUE(Contains(saved, Dataset(2, 116, "\xC2\xA9 Corbis")));
  EXPECT_TRUE(Contains(saved, Dataset(2, 90, "Z\xC3\xBCrich")));
  EXPECT_FALSE(Contains(saved, Bytes{0x1C, 1, 90}));

  // Taking such text as UTF-8 on the caller's word adds no marker to an unedited save either.
  TIPTCData assumed;
  assumed.SetAlwaysAssumeUTF8Encoding(true);
  ASSERT_TRUE(Load(assumed, file));
  EXPECT_TRUE(assumed.UTF8Encoded());
  EXPECT_EQ(SaveInto(assumed, file), file);
}

TEST(IPTCJPEG, AResourceSplitOverTwoSegmentsIsOneList) {
  // Photoshop cuts a list too long for one segment anywhere, even inside a block, and
  // goes on behind the header of the next segment.
  Bytes list = Thumbnail;
  Append(list, ResourceBlock(0x0404, IIM));
  Append(list, Resolution);
  const auto cut = Thumbnail.size() + 10;
  auto piece = [](const Bytes& bytes) {
    Bytes data;
    Append(data, std::string_view("Photoshop 3.0\0", 14));
    Append(data, bytes);
    return Segment(0xED, data);
  };
  const auto file = JPEG({JFIF, piece(Bytes(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(cut))),
                          piece(Bytes(list.begin() + static_cast<std::ptrdiff_t>(cut), list.end())), DQT, Picture});
  TIPTCData data;
  EXPECT_TRUE(Load(data, file));
  EXPECT_EQ(data.Keywords(), (TStringDynArray{"old keyword"}));

  data.SetKeywords(std::vector<std::string>{"joined"});
  const auto saved = SaveInto(data, file);
  EXPECT_EQ(ResourceIDs(saved), (std::vector<std::vector<int>>{{0x0404, 0x040C, 0x03ED}}))
      << "written back as one segment, no resource lost";
  EXPECT_TRUE(Contains(saved, Thumbnail) && Contains(saved, Resolution));
  EXPECT_EQ(Keywords(saved), (TStringDynArray{"joined"}));

  // A block cut off with nothing to go on with keeps its bytes as they were.
  const auto cutOff = Bytes(Resolution.begin(), Resolution.begin() + 15);
  Bytes damaged;
  Append(damaged, std::string_view("Photoshop 3.0\0", 14));
  Append(damaged, ResourceBlock(0x0404, IIM));
  Append(damaged, cutOff);
  const auto kept = SaveInto(data, JPEG({Segment(0xED, damaged), Picture}));
  Bytes expectedTail = cutOff;
  Append(expectedTail, Picture);
  EXPECT_TRUE(std::equal(expectedTail.rbegin(), expectedTail.rend(), kept.rbegin()));
  EXPECT_EQ(Keywords(kept), (TStringDynArray{"joined"}));

  // The old Photoshop header is a resource list too; it is rewritten with the current one.
  Bytes oldStyle;
  Append(oldStyle, "Adobe_Photoshop2.5:");
  Append(oldStyle, ResourceBlock(0x0404, IIM));
  Append(oldStyle, Resolution);
  TIPTCData empty;
  const auto cleared = SaveInto(empty, JPEG({Segment(0xED, oldStyle), Picture}));
  EXPECT_EQ(ResourceIDs(cleared), (std::vector<std::vector<int>>{{0x03ED}}));
  EXPECT_TRUE(Keywords(cleared).empty()) << "no IPTC block stays behind";
}

TEST(IPTCJPEG, ASegmentTooLargeIsRefusedBeforeAnythingIsWritten) {
  TIPTCData data;
  data.SetCaptionOrAbstract(std::string(70000, 'c'));
  const auto file = JPEG({JFIF, App13({Resolution, ResourceBlock(0x0404, IIM)}), DQT, Picture});

  auto in = StreamOf(file);
  Platform::TMemoryStream out;
  EXPECT_THROW(data.DoSaveToJPEG(*in, out), EJPEGSegmentTooLarge);
  EXPECT_EQ(out.Size(), 0);
  auto noApp13 = StreamOf(JPEG({JFIF, Picture}));
  EXPECT_THROW(data.DoSaveToJPEG(*noApp13, out), EJPEGSegmentTooLarge);
  EXPECT_EQ(out.Size(), 0);

  TTempDir dir;
  const auto name = dir.File("big.jpg");
  WriteFile(name, file);
  EXPECT_THROW(data.SaveToJPEG(name), EJPEGSegmentTooLarge);
  EXPECT_EQ(ReadFile(name), file) << "the file stays as it was";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator{}), 1)
      << "no new file is left behind";

  // Just below the limit still fits.
  data.SetCaptionOrAbstract(std::string(65000, 'c'));
  data.SaveToJPEG(name);
  TIPTCData reread;
  reread.LoadFromJPEG(name);
  EXPECT_EQ(reread.CaptionOrAbstract().size(), 65000U);
}

TEST(IPTCJPEG, PictureObjectsAreRewrittenAndReloaded) {
  struct TPicture : Platform::IStreamPersist {
    Bytes Content;
    int Loads = 0;
    void LoadFromStream(Platform::TStream& stream) override {
      Content.resize(static_cast<std::size_t>(stream.Size() - stream.Position()));
      stream.ReadBuffer(Content.data(), static_cast<std::int64_t>(Content.size()));
      ++Loads;
    }
    void SaveToStream(Platform::TStream& stream) override { stream.WriteBuffer(Content); }
  } picture;
  picture.Content = JPEG({JFIF, Picture});

  TIPTCData data;
  data.SetCredit("credit");
  data.SaveToJPEG(picture);
  EXPECT_EQ(picture.Loads, 1);
  TIPTCData reread;
  reread.LoadFromJPEG(picture);
  EXPECT_EQ(reread.Credit(), "credit");
}

namespace {

// A PSD of 1x1 pixel, RGB, with the given resource blocks and some layer and image bytes.
Bytes PSD(std::initializer_list<Bytes> blocks) {
  Bytes result;
  Append(result, std::string_view("8BPS\0\1\0\0\0\0\0\0", 12));
  AppendBE(result, 3, 2); // channels
  AppendBE(result, 1, 4); // height
  AppendBE(result, 1, 4); // width
  AppendBE(result, 8, 2); // depth
  AppendBE(result, 3, 2); // RGB
  AppendBE(result, 0, 4); // no colour-mode data
  Bytes resources;
  for (const auto& block : blocks)
    Append(resources, block);
  AppendBE(result, static_cast<std::uint32_t>(resources.size()), 4);
  Append(result, resources);
  AppendBE(result, 2, 4);
  Append(result, Bytes{0xAB, 0xCD});             // layer and mask section
  Append(result, Bytes{0, 0, 0x10, 0x20, 0x30}); // raw image data
  return result;
}

} // namespace

TEST(IPTCPSD, LoadsAndReplacesTheIPTCResource) {
  const auto file = PSD({Resolution, ResourceBlock(0x0404, IIM), Thumbnail});
  TIPTCData data;
  EXPECT_TRUE(Load(data, file));
  EXPECT_EQ(data.Keywords(), (TStringDynArray{"old keyword"}));

  data.SetKeywords(std::vector<std::string>{"psd"});
  const auto saved = SaveInto(data, file);
  TIPTCData reread;
  EXPECT_TRUE(Load(reread, saved));
  EXPECT_EQ(reread.Keywords(), (TStringDynArray{"psd"}));
  const Bytes tail{0, 0, 0, 2, 0xAB, 0xCD, 0, 0, 0x10, 0x20, 0x30};
  EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), saved.rbegin())) << "layers and image data unchanged";
  EXPECT_TRUE(Contains(saved, Resolution) && Contains(saved, Thumbnail));

  // The new resource comes first, the others follow in their order.
  auto stream = StreamOf(saved);
  TPSDInfo info;
  std::vector<int> ids;
  for (const auto& block : ParsePSDHeader(*stream, info))
    ids.push_back(block->TypeID());
  EXPECT_EQ(ids, (std::vector<int>{0x0404, 0x03ED, 0x040C}));

  TIPTCData empty;
  EXPECT_EQ(SaveInto(empty, file), PSD({Resolution, Thumbnail})) << "an empty object drops the resource";

  // Several IPTC resources all load; unedited data leaves them as they are.
  const auto several = PSD({ResourceBlock(0x0404, IIM), Resolution, ResourceBlock(0x0404, OtherIIM)});
  EXPECT_TRUE(Load(data, several));
  EXPECT_EQ(data.Keywords(), (TStringDynArray{"old keyword"}));
  EXPECT_EQ(data.ObjectName(), "second title");
  EXPECT_EQ(SaveInto(data, several), several);
  data.SetHeadline("edited");
  TIPTCData merged;
  EXPECT_TRUE(Load(merged, SaveInto(data, several)));
  EXPECT_EQ(merged.ObjectName(), "second title");
  EXPECT_EQ(merged.Keywords(), (TStringDynArray{"old keyword"}));
  EXPECT_EQ(merged.Headline(), "edited");

  EXPECT_TRUE(Load(data, PSD({Resolution})));
  EXPECT_TRUE(data.Empty());
}

namespace {

struct TTiffEntry {
  std::uint16_t ID;
  std::uint16_t Type;
  std::uint32_t Count;
  Bytes Data; // in the file's byte order, as stored
};

// A one-directory TIFF in the given byte order; data that does not fit into the entry
// follows the directory.
Bytes Tiff(bool bigEndian, const std::vector<TTiffEntry>& entries) {
  auto put = [bigEndian](Bytes& to, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
      const int shift = bigEndian ? 8 * (size - 1 - i) : 8 * i;
      to.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  };
  Bytes result{bigEndian ? std::uint8_t{'M'} : std::uint8_t{'I'}, bigEndian ? std::uint8_t{'M'} : std::uint8_t{'I'}};
  put(result, 42, 2);
  put(result, 8, 4);
  put(result, static_cast<std::uint32_t>(entries.size()), 2);
  auto dataOffset = static_cast<std::uint32_t>(8 + 2 + 12 * entries.size() + 4);
  Bytes outOfLine;
  for (const auto& entry : entries) {
    put(result, entry.ID, 2);
    put(result, entry.Type, 2);
    put(result, entry.Count, 4);
    if (entry.Data.size() <= 4) {
      Bytes inline4 = entry.Data;
      inline4.resize(4);
      Append(result, inline4);
    } else {
      put(result, dataOffset + static_cast<std::uint32_t>(outOfLine.size()), 4);
      Append(outOfLine, entry.Data);
    }
  }
  put(result, 0, 4);
  Append(result, outOfLine);
  return result;
}

} // namespace

TEST(IPTCTiff, LoadsTag33723AsRawBytesAndReplacesIt) {
  Bytes iim = IIM;
  iim.resize((iim.size() + 3) / 4 * 4); // whole LONGs, as Photoshop writes them
  const auto width = TTiffEntry{0x0100, 3, 1, {0, 1}};
  for (const bool bigEndian : {false, true}) {
    const auto file = Tiff(bigEndian, {width, {0x83BB, 4, static_cast<std::uint32_t>(iim.size() / 4), iim}});
    TIPTCData data;
    EXPECT_TRUE(Load(data, file));
    EXPECT_EQ(data.Keywords(), (TStringDynArray{"old keyword"})) << "big-endian: " << bigEndian;

    data.SetKeywords(std::vector<std::string>{"tiff"});
    const auto saved = SaveInto(data, file);
    TIPTCData reread;
    EXPECT_TRUE(Load(reread, saved));
    EXPECT_EQ(reread.Keywords(), (TStringDynArray{"tiff"}));
    EXPECT_EQ(reread.RecordVersion(), TWordTagValue(4));

    TIPTCData empty;
    const auto cleared = SaveInto(empty, file);
    auto stream = StreamOf(cleared);
    auto parser = ParseTiff(*stream);
    for (const auto& directory : parser->GetEnumerator()) {
      std::shared_ptr<ITiffTag> tag;
      EXPECT_FALSE(directory->FindTag(0x83BB, tag)) << "an empty object removes the tag";
      EXPECT_TRUE(directory->FindTag(0x0100, tag)) << "other tags stay";
    }
  }

  TIPTCData data;
  data.SetCity("x");
  EXPECT_TRUE(Load(data, Tiff(false, {width, {0x83BB, 7, 8, Bytes{'g', 'a', 'r', 'b', 'a', 'g', 'e', '!'}}})));
  EXPECT_TRUE(data.Empty()) << "garbage in the tag loads nothing and raises nothing";
  EXPECT_TRUE(Load(data, Tiff(true, {width})));
  EXPECT_TRUE(data.Empty());
}

namespace {

// Tag 33723 of a TIFF's first directory as stored: type, count and raw bytes.
struct TStoredTag {
  TTiffDataType Type{};
  std::int32_t Count = 0;
  Bytes Data;
};

TStoredTag StoredIPTCTag(const Bytes& file) {
  auto stream = StreamOf(file);
  auto parser = ParseTiff(*stream);
  for (const auto& directory : parser->GetEnumerator()) {
    for (const auto& info : directory->TagInfo())
      if (info.ID == 0x83BB)
        return {info.DataType, info.ElementCount,
                Bytes(file.begin() + info.DataOffset, file.begin() + info.DataOffset + info.DataSize())};
    break;
  }
  return {};
}

} // namespace

TEST(IPTCTiff, TheStoredTagStaysAsItWasUnlessEditedAndKeepsItsType) {
  // Photoshop stores the block as LONG with zero padding; a big-endian file shows
  // whether the bytes are kept in their order.
  Bytes iim = IIM;
  iim.resize((iim.size() + 3) / 4 * 4 + 4);
  const auto width = TTiffEntry{0x0100, 3, 1, {0, 1}};
  const auto file = Tiff(true, {width, {0x83BB, 4, static_cast<std::uint32_t>(iim.size() / 4), iim}});

  TIPTCData data;
  ASSERT_TRUE(Load(data, file));
  EXPECT_EQ(data.Keywords(), (TStringDynArray{"old keyword"})) << "parsed, but not edited";
  auto stored = StoredIPTCTag(SaveInto(data, file));
  EXPECT_EQ(stored.Type, TTiffDataType::tdLongWord);
  EXPECT_EQ(stored.Count, static_cast<std::int32_t>(iim.size() / 4));
  EXPECT_EQ(stored.Data, iim) << "the block's bytes as stored, padding included";

  data.SetKeywords(std::vector<std::string>{"tiff", "more"});
  const auto saved = SaveInto(data, file);
  stored = StoredIPTCTag(saved);
  EXPECT_EQ(stored.Type, TTiffDataType::tdLongWord) << "an edit keeps the type readers expect";
  ASSERT_GE(stored.Data.size(), 2U);
  EXPECT_EQ(stored.Data.size() % 4, 0U);
  EXPECT_EQ(stored.Data[0], 0x1C) << "the first dataset starts the data, not swapped";
  TIPTCData reread;
  ASSERT_TRUE(Load(reread, saved));
  EXPECT_EQ(reread.Keywords(), (TStringDynArray{"tiff", "more"}));
}
