// Every sidecar packet and every picture of the sample corpus: the packet loads or is
// refused cleanly; unchanged it is written back byte for byte; changed it is written,
// read again and gives the same tree.

#include "Tessel/Exif/XMPUtils.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

using namespace Tessel::Exif;

namespace {

void DumpProperty(std::string& out, TXMPProperty& property, int depth) {
  out += std::string(static_cast<std::size_t>(depth), ' ') + property.NamespaceInfo().Prefix() + "|" +
         property.NamespaceInfo().URI() + "|" + property.Name() + "|" +
         std::string(XMPPropertyKindName(property.Kind())) + "|";
  if (property.Kind() == TXMPPropertyKind::xpSimple)
    out += property.ReadValue("");
  out += "\n";
  for (auto& sub : property)
    DumpProperty(out, sub, depth + 1);
}

// Empty schemas are written as empty descriptions and do not come back: left out.
std::string Dump(TXMPPacket& packet) {
  std::string out = "about=" + packet.AboutAttributeValue() + "\n";
  for (auto& schema : packet) {
    if (schema.PropertyCount() == 0)
      continue;
    out += schema.URI() + " (" + schema.PreferredPrefix() + ")\n";
    for (auto& property : schema)
      DumpProperty(out, property, 1);
  }
  return out;
}

std::string StreamText(Platform::TCustomMemoryStream& stream) {
  const auto bytes = stream.Bytes();
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The bytes of the first XMP block of a picture, as the loader finds it.
std::optional<std::string> XMPBlockBytes(Platform::TStream& stream) {
  stream.SetPosition(0);
  const auto text = [](const IMetadataBlock& block) {
    const auto bytes = block.Data().Bytes();
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  };
  if (HasJPEGHeader(stream)) {
    for (const auto& segment : *JPEGHeader(stream, TJPEGMarkers{jmApp1}))
      if (segment->IsXMPBlock(true))
        return text(*segment);
  } else if (HasPSDHeader(stream)) {
    TPSDInfo info;
    for (const auto& block : *ParsePSDHeader(stream, info))
      if (block->IsXMPBlock(true))
        return text(*block);
  } else {
    auto directories = ParseTiff(stream)->GetEnumerator();
    std::shared_ptr<ITiffTag> tag;
    if (directories.MoveNext() && directories.Current()->FindTag(XMPTiffTagID, tag) && tag->IsXMPBlock(true))
      return text(*tag);
  }
  return std::nullopt;
}

// What an unchanged packet writes for the block it was read from.
std::string ExpectedUnchanged(std::string block) {
  if (block.starts_with(XMPSegmentHeader))
    block.erase(0, XMPSegmentHeader.size());
  for (auto& c : block)
    if (c == '\0')
      c = ' ';
  // A wrapped packet ends with a space; a bare element comes back exactly as it was.
  if (block.starts_with("<?xpacket ") && block.back() != ' ')
    block += ' ';
  return block;
}

void ChangeSomething(TXMPPacket& packet) {
  packet.UpdateProperty(TXMPNamespace::xsXMPBasic, "Label", "corpus & <test>");
}

} // namespace

TEST(XMPCorpus, SidecarPackets) {
  const auto files = CorpusFiles({".xmp"});
  if (files.empty())
    GTEST_SKIP() << "sample corpus not found";
  int loaded = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    const auto original = ReadFile(file);
    TXMPPacket packet;
    Platform::TMemoryStream source;
    source.WriteBuffer(original);
    source.SetPosition(0);
    if (!packet.TryLoadFromStream(source))
      continue; // refused cleanly
    ++loaded;
    const auto tree = Dump(packet);

    const std::string raw(original.begin(), original.end());
    Platform::TMemoryStream saved;
    packet.SaveToStream(saved);
    if (raw.starts_with("<?xpacket ")) {
      EXPECT_EQ(StreamText(saved), ExpectedUnchanged(raw)) << "unchanged packets keep their bytes";
    }

    ChangeSomething(packet);
    const auto changedTree = Dump(packet);
    Platform::TMemoryStream regenerated;
    packet.SaveToStream(regenerated);
    regenerated.SetPosition(0);
    TXMPPacket again;
    ASSERT_TRUE(again.TryLoadFromStream(regenerated)) << StreamText(regenerated);
    EXPECT_EQ(Dump(again), changedTree);
    EXPECT_NE(changedTree, tree);
  }
  EXPECT_GT(loaded, 0);
}

TEST(XMPCorpus, PicturesWithXMP) {
  const auto files = CorpusFiles({".jpg", ".jpeg", ".psd", ".tif", ".tiff"});
  if (files.empty())
    GTEST_SKIP() << "sample corpus not found";
  int withXMP = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    const auto original = ReadFile(file);
    Platform::TMemoryStream picture;
    picture.WriteBuffer(original);
    picture.SetPosition(0);

    TXMPPacket packet;
    bool refused = false;
    packet.SetOnLoadError([&refused](TXMPPacket&, Platform::TStream&) { refused = true; });
    try {
      if (!packet.LoadFromGraphic(picture))
        continue;
    } catch (const Platform::Exception&) {
      continue; // damaged picture structure: a clean library error
    }
    if (refused || packet.Empty())
      continue;
    ++withXMP;
    const auto tree = Dump(packet);
    const auto block = XMPBlockBytes(picture);
    ASSERT_TRUE(block.has_value());

    // Unchanged: the new file carries the same packet bytes and the same tree.
    Platform::TMemoryStream copy;
    copy.WriteBuffer(original);
    copy.SetPosition(0);
    try {
      packet.SaveToGraphic(copy);
    } catch (const EJPEGSegmentTooLarge&) {
      ADD_FAILURE() << "a packet that came from a JPEG segment always fits one";
      continue;
    }
    const auto savedBlock = XMPBlockBytes(copy);
    ASSERT_TRUE(savedBlock.has_value());
    copy.SetPosition(0);
    const std::string header = HasJPEGHeader(copy) ? std::string(XMPSegmentHeader) : std::string();
    EXPECT_EQ(*savedBlock, header + ExpectedUnchanged(*block));

    // Changed: saved, loaded again, the same tree.
    ChangeSomething(packet);
    const auto changedTree = Dump(packet);
    Platform::TMemoryStream changed;
    changed.WriteBuffer(original);
    changed.SetPosition(0);
    try {
      packet.SaveToGraphic(changed);
    } catch (const EJPEGSegmentTooLarge&) {
      continue; // the regenerated text no longer fits one segment: refused before writing
    }
    changed.SetPosition(0);
    TXMPPacket again;
    ASSERT_TRUE(again.LoadFromGraphic(changed));
    EXPECT_EQ(Dump(again), changedTree);
    EXPECT_NE(changedTree, tree);
  }
  EXPECT_GT(withXMP, 0);
}
