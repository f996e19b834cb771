#include "app/core/KMLWriter.h"

#include "app/core/GPSTexts.h"

#include "Tessel/Exif.h"
#include "Tessel/Exif/TagIDs.h"
#include "platform/JPEGImage.h"
#include "platform/XmlDom.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace Fotarium::Core;
using namespace Tessel::Exif;

namespace {

std::string Picture(const std::string& path, std::optional<std::pair<double, double>> position,
                    const std::string& description = "") {
  WriteFile(path, Platform::EncodeBitmapToJPEG(Platform::TBitmap(8, 8), 85));
  TExifData exif;
  auto* details = exif.GetSection(TExifSectionKind::esDetails);
  details->SetStringValue(ttDateTimeOriginal, "2024:06:01 12:00:00");
  details->SetStringValue(ttOffsetTimeOriginal, "+02:00");
  if (!description.empty())
    exif.SetImageDescription(description);
  if (position) {
    exif.SaveToGraphic(path);
    TPictureMetadata again(path);
    WriteTrackFix(again, {TMatchKind::mkInterpolated, position->first, position->second, 12.5, 0}, 1717236000);
    again.Save();
    return path;
  }
  exif.SaveToGraphic(path);
  return path;
}

std::vector<Platform::TXmlNode> Elements(const Platform::TXmlNode& parent, std::string_view name) {
  std::vector<Platform::TXmlNode> found;
  for (auto child = parent.FirstChild(); child; child = child.NextSibling())
    if (child.IsElement()) {
      if (child.LocalName() == name && child.NamespaceURI() == KMLNamespace)
        found.push_back(child);
      auto deeper = Elements(child, name);
      found.insert(found.end(), deeper.begin(), deeper.end());
    }
  return found;
}

std::string Text(const Platform::TXmlNode& node) {
  std::string text;
  for (auto child = node.FirstChild(); child; child = child.NextSibling())
    text += child.NodeValue();
  return text;
}

} // namespace

TEST(KMLWriter, EscapingPathsAndCoordinates) {
  EXPECT_EQ(XMLEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
  EXPECT_EQ(XMLEscape("x\x01y"), "x\xEF\xBF\xBDy");
  EXPECT_EQ(XMLEscape("\xFF"), "\xEF\xBF\xBD");
  EXPECT_EQ(RelativeURL("/a/b/", "/a/b/p.jpg"), "p.jpg");
  EXPECT_EQ(RelativeURL("/a/b/", "/a/c/d/p q.jpg"), "../c/d/p%20q.jpg");
  EXPECT_EQ(RelativeURL("/a/b/c/", "/a/\"x\".jpg"), "../../%22x%22.jpg");
  EXPECT_EQ(KMLCoordinates(48.1234567, -11.5, std::nullopt), "-11.5000000,48.1234567");
  EXPECT_EQ(KMLCoordinates(-0.00000001, 0, -3.25), "0.0000000,0.0000000,-3.25");
}

TEST(KMLWriter, ReadsBackWithTheStoredCoordinates) {
  TTempDir dir;
  std::filesystem::create_directories(dir.File("pics"));
  const auto a = Picture(dir.File("pics/a & b.jpg"), std::pair{48.1234567, 11.7654321}, "Am <See>");
  const auto b = Picture(dir.File("pics/b.jpg"), std::pair{-33.5, -179.9999999});
  const auto none = Picture(dir.File("pics/none.jpg"), std::nullopt);
  const auto kmlFile = dir.File("out/trip.kml");
  std::filesystem::create_directories(dir.File("out"));
  const auto collection = CollectPlacemarks({a, b, none}, kmlFile);
  EXPECT_EQ(collection.WithoutPosition, std::vector<std::string>{none});
  ASSERT_EQ(collection.Placemarks.size(), 2U);
  TGPXTrack track;
  track.Path = {{0, 48.0, 11.0, 500.0}, {0, 48.1, 11.1, {}}};
  WriteTextFile(kmlFile, BuildKML("trip", collection.Placemarks, &track));

  Platform::TXmlDocument document;
  ASSERT_TRUE(document.LoadFromBytes(ReadFile(kmlFile)));
  const auto root = document.DocumentElement();
  EXPECT_EQ(root.LocalName(), "kml");
  EXPECT_EQ(root.NamespaceURI(), KMLNamespace);
  const auto placemarks = Elements(root, "Placemark");
  ASSERT_EQ(placemarks.size(), 3U);
  const std::string files[] = {a, b};
  for (int i = 0; i < 2; ++i) {
    TExifData exif;
    ASSERT_TRUE(exif.LoadFromGraphic(files[i]));
    const auto lat = *SignedDegrees(exif.GPSLatitude());
    const auto lon = *SignedDegrees(exif.GPSLongitude());
    double klon = 0, klat = 0, kalt = 0;
    const auto coordinates = Text(Elements(placemarks[i], "coordinates").at(0));
    ASSERT_EQ(std::sscanf(coordinates.c_str(), "%lf,%lf,%lf", &klon, &klat, &kalt), 3) << coordinates;
    EXPECT_NEAR(klat, lat, 1e-7);
    EXPECT_NEAR(klon, lon, 1e-7);
    EXPECT_EQ(kalt, 12.5);
    EXPECT_EQ(Text(Elements(placemarks[i], "when").at(0)), "2024-06-01T10:00:00Z");
    // Element order of the schema.
    std::vector<std::string> order;
    for (auto child = placemarks[i].FirstChild(); child; child = child.NextSibling())
      if (child.IsElement())
        order.push_back(child.LocalName());
    EXPECT_EQ(order, (std::vector<std::string>{"name", "description", "TimeStamp", "Point"}));
  }
  EXPECT_EQ(Text(Elements(placemarks[0], "name").at(0)), "a & b.jpg");
  EXPECT_EQ(Text(Elements(placemarks[0], "description").at(0)),
            "<img src=\"../pics/a%20%26%20b.jpg\" width=\"400\"/><br/>Am &lt;See&gt;");
  EXPECT_EQ(Text(Elements(placemarks[2], "coordinates").at(0)),
            "\n11.0000000,48.0000000,500.00\n11.1000000,48.1000000\n");

  if (std::system("xmllint --version >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("xmllint --noout '" + kmlFile + "'").c_str()), 0);
  }
}

TEST(KMLWriter, ANewFileIsCreatedAndAnOldOneReplaced) {
  TTempDir dir;
  const auto file = dir.File("x.kml");
  WriteTextFile(file, "one");
  EXPECT_EQ(ReadFileText(file), "one");
  WriteTextFile(file, "two");
  EXPECT_EQ(ReadFileText(file), "two");
  EXPECT_ANY_THROW(WriteTextFile(dir.File("missing/x.kml"), "three"));
}
