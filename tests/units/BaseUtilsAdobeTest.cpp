#include "units/BaseUtilsFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Tessel::Exif;
using namespace BaseUtilsFixtures;
using Platform::TMemoryStream;

namespace {

Bytes BigEndian32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

Bytes Block(std::uint16_t id, std::string_view name, const Bytes& data) {
  Bytes result = Text("8BIM");
  result.push_back(static_cast<std::uint8_t>(id >> 8));
  result.push_back(static_cast<std::uint8_t>(id));
  result.push_back(static_cast<std::uint8_t>(name.size()));
  result.insert(result.end(), name.begin(), name.end());
  if (name.size() % 2 == 0)
    result.push_back(0);
  result = Concat({result, BigEndian32(static_cast<std::uint32_t>(data.size())), data});
  if (data.size() % 2 != 0)
    result.push_back(0);
  return result;
}

Bytes Saved(IAdobeResBlock& block) {
  TMemoryStream stream;
  block.SaveToStream(stream);
  return BytesOf(stream);
}

std::shared_ptr<TAdobeBlock> Loaded(const Bytes& bytes) {
  auto stream = StreamOf(bytes);
  return std::make_shared<TAdobeBlock>(*stream);
}

const Bytes PSDStart =
    Concat({Text(PSDSignature), {0x00, 0x03}, BigEndian32(0x100), BigEndian32(0x200), {0x00, 0x08}, {0x00, 0x03}});

Bytes PSD(const Bytes& palette, const Bytes& resources, const Bytes& layers) {
  return Concat({PSDStart, BigEndian32(static_cast<std::uint32_t>(palette.size())), palette,
                 BigEndian32(static_cast<std::uint32_t>(resources.size())), resources,
                 BigEndian32(static_cast<std::uint32_t>(layers.size())), layers, Text("image data")});
}

} // namespace

TEST(AdobeBlock, ReadsAndWritesTheBlockLayout) {
  const Bytes iptc3{0x38, 0x42, 0x49, 0x4D, 0x04, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x1C, 0x01, 0x5A, 0x00};
  auto stream = StreamOf(iptc3);
  TAdobeBlock block(*stream);
  EXPECT_TRUE(block.LoadedCleanly());
  EXPECT_EQ(stream->Position(), 16) << "name and data padding are consumed";
  EXPECT_EQ(block.Signature(), "8BIM");
  EXPECT_EQ(block.TypeID(), 0x0404);
  EXPECT_EQ(block.Name(), "");
  EXPECT_EQ(BytesOf(block.Data()), (Bytes{0x1C, 0x01, 0x5A}));
  EXPECT_EQ(block.TotalSize(), 16);
  EXPECT_FALSE(block.HasIPTCData()) << "three bytes hold no full dataset header";
  EXPECT_EQ(Saved(block), iptc3);

  const auto iptc5 = Loaded(Block(0x0404, "", {0x1C, 0x01, 0x5A, 0x00, 0x03}));
  EXPECT_TRUE(iptc5->HasIPTCData());
  EXPECT_TRUE(iptc5->IsIPTCBlock(true));
  iptc5->SetTypeID(0x0405);
  EXPECT_FALSE(iptc5->HasIPTCData()) << "only resource 0x0404 carries IPTC";

  const auto exif = Loaded(Block(0x0422, "x", Concat({Text("II"), {0x2A, 0x00, 8, 0, 0, 0}})));
  EXPECT_TRUE(exif->IsExifBlock(true));
  EXPECT_FALSE(exif->IsXMPBlock(false));
  const auto xmp = Loaded(Block(0x0424, "", Text("<?xpacket begin=''?><x/>")));
  EXPECT_TRUE(xmp->IsXMPBlock(true));
  EXPECT_FALSE(xmp->IsExifBlock(false));
}

TEST(AdobeBlock, NamesAndSignatures) {
  TAdobeBlock block;
  EXPECT_EQ(block.Signature(), "    ");
  EXPECT_TRUE(block.LoadedCleanly());

  block.SetName("ab");
  EXPECT_EQ(Saved(block), Concat({Text("    "), {0, 0, 0x02, 0x61, 0x62, 0x00}, BigEndian32(0)}));
  block.SetName("abc");
  EXPECT_EQ(Saved(block), Concat({Text("    "), {0, 0, 0x03, 0x61, 0x62, 0x63}, BigEndian32(0)}));

  // At most 255 name characters are written, and counted.
  block.SetName(std::string(300, 'n'));
  const auto saved = Saved(block);
  EXPECT_EQ(saved[6], 255);
  EXPECT_EQ(block.TotalSize(), static_cast<std::int32_t>(saved.size()));
  EXPECT_EQ(block.TotalSize(), 4 + 2 + 1 + 255 + 4);
  EXPECT_EQ(Loaded(saved)->Name(), std::string(255, 'n'));

  block.SetSignature("8B");
  const auto withShortSignature = Saved(block);
  EXPECT_EQ(Bytes(withShortSignature.begin(), withShortSignature.begin() + 4), (Bytes{0x38, 0x42, 0x20, 0x20}));
  block.SetSignature("8BIMX");
  EXPECT_EQ(block.Signature(), "8BIM");

  // Any four bytes are accepted as signature when reading.
  auto other = Block(1, "", {});
  std::copy_n("MeSa", 4, other.begin());
  EXPECT_EQ(Loaded(other)->Signature(), "MeSa");

  TBytesPayload payload(Text("abc"));
  const auto created = CreateAdobeBlock(0x0424, &payload);
  EXPECT_EQ(Saved(*created), Block(0x0424, "", Text("abc")));
}

TEST(AdobeBlock, DamagedBlocksStopCleanly) {
  const auto good = Block(0x0404, "nm", Bytes(9, 0x1C));
  // Cut anywhere: never a clean load, never an error.
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    const auto block = Loaded(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_FALSE(block->LoadedCleanly()) << "cut at " << cut;
  }
  EXPECT_TRUE(Loaded(good)->LoadedCleanly());

  // A negative size, or one far beyond the bytes present: stop without allocating.
  for (const std::uint32_t size : {0x80000000U, 0x7FFFFFF0U}) {
    auto stream = StreamOf(Concat({Text("8BIM"), {0x04, 0x04, 0x00, 0x00}, BigEndian32(size), Bytes(8, 0)}));
    TAdobeBlock block(*stream);
    EXPECT_FALSE(block.LoadedCleanly()) << size;
    EXPECT_TRUE(block.Data().Size() == 0) << size;
    EXPECT_EQ(block.TypeID(), 0x0404) << "the parts read in full stay";
    EXPECT_EQ(stream->Position(), 12) << "the stream stands after the size field";
  }
}

TEST(AdobeResBlockEnumerator, WalksTheBlocksOfAnApp13Segment) {
  const auto first = Block(0x0404, "", {0x1C, 0x02, 0x00, 0x00, 0x00});
  const auto second = Block(0x040C, "thumb", Bytes(7, 1));
  const auto third = Block(0x0422, "", Bytes(20, 2));
  TUserJPEGSegment segment(0xED);
  segment.Data().WriteBuffer(
      Concat({Text(PhotoshopApp13Header), first, second, Bytes(third.begin(), third.begin() + 15)}));
  std::vector<std::pair<std::uint16_t, bool>> seen;
  for (auto block : *segment.GetEnumerator())
    seen.emplace_back(block->TypeID(), block->LoadedCleanly());
  const std::vector<std::pair<std::uint16_t, bool>> expected{{0x0404, true}, {0x040C, true}, {0x0422, false}};
  EXPECT_EQ(seen, expected) << "the cut block is answered, then the walk ends";

  // Twelve bytes or fewer at the end are not read as a block.
  auto stream = StreamOf(Concat({first, Block(0x0001, "", {})}));
  TAdobeResBlockEnumerator blocks(stream.get(), Platform::TStreamOwnership::soReference);
  ASSERT_TRUE(blocks.MoveNext());
  EXPECT_FALSE(blocks.MoveNext());
  EXPECT_EQ(blocks.Current(), nullptr);

  TAdobeResBlockEnumerator none(nullptr, Platform::TStreamOwnership::soReference);
  EXPECT_FALSE(none.MoveNext());
}

TEST(PSDHeader, ParsesHeaderAndResources) {
  const auto resources =
      Concat({Block(0x0404, "", {0x1C, 0x02, 0x00, 0x00, 0x01, 0x41}), Block(0x0424, "a", Text("<x/>"))});
  const Bytes palette{1, 2, 3};
  const Bytes layers(6, 0x77);
  const auto psd = PSD(palette, resources, layers);
  auto stream = StreamOf(Concat({Text("ahead"), psd}));
  stream->SetPosition(5);
  EXPECT_TRUE(HasPSDHeader(*stream));
  EXPECT_EQ(stream->Position(), 5);

  TPSDInfo info;
  auto parser = ParsePSDHeader(*stream, info);
  EXPECT_EQ(info.Header.Channels, 3);
  EXPECT_EQ(info.Header.Height, 0x100);
  EXPECT_EQ(info.Header.Width, 0x200);
  EXPECT_EQ(info.Header.Depth, 8);
  EXPECT_EQ(info.Header.ColorMode, TAdobeColorMode::cmRGB);
  EXPECT_EQ(info.Header.PaletteData, palette);
  EXPECT_EQ(info.ResourceSectionOffset(), 33);
  EXPECT_EQ(info.ResourceSectionSize, static_cast<std::int32_t>(resources.size()) + 4);
  EXPECT_EQ(info.LayersSectionSize, 10);
  EXPECT_EQ(Bytes(psd.begin() + info.LayersSectionOffset(), psd.begin() + info.LayersSectionOffset() + 4),
            BigEndian32(6));

  std::vector<std::uint16_t> ids;
  for (auto block : *parser) {
    EXPECT_TRUE(block->LoadedCleanly());
    ids.push_back(block->TypeID());
  }
  EXPECT_EQ(ids, (std::vector<std::uint16_t>{0x0404, 0x0424})) << "the layers section is not read as blocks";

  // The same from an owned stream.
  ids.clear();
  for (auto block : *ParsePSDHeader(StreamOf(psd), info))
    ids.push_back(block->TypeID());
  EXPECT_EQ(ids.size(), 2U);
}

TEST(PSDHeader, RejectsDamagedHeaders) {
  const auto good = PSD({}, Block(1, "", {1}), {});
  auto versionTwo = good;
  versionTwo[5] = 2;
  TPSDInfo info;
  auto stream = StreamOf(versionTwo);
  EXPECT_FALSE(HasPSDHeader(*stream));
  EXPECT_THROW((void)ParsePSDHeader(*stream, info), EInvalidPSDHeader);

  // Header fields cut off: the read error.
  auto cut = StreamOf(Bytes(good.begin(), good.begin() + 20));
  EXPECT_THROW((void)ParsePSDHeader(*cut, info), Platform::EReadError);
  // A negative colour-mode length; one far beyond the file (no allocation for it).
  auto negative = StreamOf(Concat({PSDStart, BigEndian32(0xFFFFFFFF), Bytes(12, 0)}));
  EXPECT_THROW((void)ParsePSDHeader(*negative, info), EInvalidPSDHeader);
  auto huge = StreamOf(Concat({PSDStart, BigEndian32(0x7FFFFFF0), Bytes(12, 0)}));
  EXPECT_THROW((void)ParsePSDHeader(*huge, info), Platform::EReadError);
  // A resources length beyond the end leaves no layers length to read.
  auto beyond = StreamOf(Concat({PSDStart, BigEndian32(0), BigEndian32(1000), Block(1, "", {1})}));
  EXPECT_THROW((void)ParsePSDHeader(*beyond, info), EInvalidPSDHeader);
  // A resources length that cannot be counted with its own length field.
  auto overflowing = StreamOf(Concat({PSDStart, BigEndian32(0), BigEndian32(0x7FFFFFFE), Bytes(8, 0)}));
  EXPECT_THROW((void)ParsePSDHeader(*overflowing, info), EInvalidPSDHeader);
  // An owned stream dies with the failed parser (the leak checker watches).
  EXPECT_THROW((void)ParsePSDHeader(StreamOf(versionTwo), info), EInvalidPSDHeader);
}

TEST(PSDHeader, WritesHeaderAndResourceSection) {
  TPSDHeaderInfo header;
  header.Width = 640;
  header.Height = 480;
  header.Channels = 4;
  header.Depth = 16;
  header.ColorMode = static_cast<TAdobeColorMode>(0x1234); // kept as stored, whatever it is
  header.PaletteData = {9, 8, 7};
  TMemoryStream out;
  WritePSDHeader(out, header);
  const std::vector<std::shared_ptr<IAdobeResBlock>> blocks{
      nullptr, Loaded(Block(0x0404, "", {0x1C, 0x02, 0x00, 0x00, 0x00})), Loaded(Block(0x03ED, "res", Bytes(16, 0)))};
  WritePSDResourceSection(out, blocks);
  WriteLongWord(out, 0, TEndianness::BigEndian);

  out.SetPosition(0);
  TPSDInfo info;
  std::vector<std::uint16_t> ids;
  for (auto block : *ParsePSDHeader(out, info))
    ids.push_back(block->TypeID());
  EXPECT_EQ(info.Header.Width, 640);
  EXPECT_EQ(info.Header.Height, 480);
  EXPECT_EQ(info.Header.Channels, 4);
  EXPECT_EQ(info.Header.Depth, 16);
  EXPECT_EQ(static_cast<int>(info.Header.ColorMode), 0x1234);
  EXPECT_EQ(info.Header.PaletteData, header.PaletteData);
  EXPECT_EQ(ids, (std::vector<std::uint16_t>{0x0404, 0x03ED}));
  EXPECT_EQ(info.LayersSectionOffset() + info.LayersSectionSize, out.Size());

  TMemoryStream empty;
  WritePSDResourceSection(empty, {});
  EXPECT_EQ(BytesOf(empty), (Bytes{0, 0, 0, 0}));
  const std::vector<std::shared_ptr<IAdobeResBlock>> onlyNil{nullptr};
  TMemoryStream nil;
  WritePSDResourceSection(nil, onlyNil);
  EXPECT_EQ(BytesOf(nil), (Bytes{0, 0, 0, 0}));
}

TEST(AdobeApp13Segment, CreatesSegmentsThatFit) {
  TBytesPayload iptc(Bytes{0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04});
  const std::vector<std::shared_ptr<IAdobeResBlock>> blocks{CreateAdobeBlock(0x0404, &iptc), nullptr,
                                                            Loaded(Block(0x040C, "", Bytes(3, 5)))};
  const auto segment = CreateAdobeApp13Segment(blocks);
  EXPECT_EQ(segment->MarkerNum(), 0xED);
  EXPECT_TRUE(segment->IsAdobeApp13());
  EXPECT_TRUE(segment->IsIPTCBlock(true));
  EXPECT_EQ(BytesOf(segment->Data()),
            Concat({Text(PhotoshopApp13Header), Block(0x0404, "", {0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04}),
                    Block(0x040C, "", Bytes(3, 5))}));

  // Written into a file and read back through the parser.
  TMemoryStream jpeg;
  WriteJPEGFileHeader(jpeg);
  WriteJPEGSegment(jpeg, *segment);
  jpeg.SetPosition(0);
  auto parser = JPEGHeader(jpeg, {0xED});
  ASSERT_TRUE(parser->MoveNext());
  int count = 0;
  for (auto block : *parser->Current()->GetEnumerator())
    count += block->LoadedCleanly() ? 1 : 0;
  EXPECT_EQ(count, 2);

  // Blocks that do not fit into one segment are refused.
  // (Header 14 bytes, block 12 bytes plus data, so the largest segment holds 65532.)
  TBytesPayload large(Bytes(65508, 0));
  const std::vector<std::shared_ptr<IAdobeResBlock>> tooMuch{CreateAdobeBlock(0x0404, &large)};
  EXPECT_THROW((void)CreateAdobeApp13Segment(tooMuch), EJPEGSegmentTooLarge);
  TBytesPayload fits(Bytes(65506, 0));
  const std::vector<std::shared_ptr<IAdobeResBlock>> justFits{CreateAdobeBlock(0x0404, &fits)};
  EXPECT_EQ(CreateAdobeApp13Segment(justFits)->Data().Size(), 65532);
  EXPECT_EQ(CreateAdobeApp13Segment({})->Data().Size(), 14);
}
