// The XMP tree: namespaces, values by kind, kind changes, update policies and
// change notification.

#include "Tessel/Exif/XMPUtils.h"

#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

using namespace Tessel::Exif;
using enum TXMPNamespace;
using enum TXMPPropertyKind;

namespace {

// Counts OnChange events of a packet.
struct TChangeCounter {
  int Count = 0;
  explicit TChangeCounter(TXMPPacket& packet) {
    packet.SetOnChange([this](TXMPPacket&) { ++Count; });
  }
};

std::string ItemValues(TXMPProperty& property) {
  std::string result;
  for (int i = 0; i < property.SubPropertyCount(); ++i)
    result += "[" + property.SubProperties(i).ReadValue("") + "]";
  return result;
}

// Sets TZ for one test and restores the previous zone afterwards.
class TTimeZone {
public:
  explicit TTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) {
      FOld = old;
      FHadOld = true;
    }
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~TTimeZone() {
    if (FHadOld)
      ::setenv("TZ", FOld.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

private:
  std::string FOld;
  bool FHadOld = false;
};

} // namespace

TEST(XMPNamespaces, TableAndLookup) {
  EXPECT_EQ(GetXMPNamespaceURI(xsDublinCore), "http://purl.org/dc/elements/1.1/");
  EXPECT_EQ(GetXMPNamespacePrefix(xsDublinCore), "dc");
  EXPECT_EQ(GetXMPNamespaceURI(xsRDF), "http://www.w3.org/1999/02/22-rdf-syntax-ns#");
  EXPECT_EQ(GetXMPNamespaceURI(xsColorant), "http://ns.adobe.com/xap/1.0/g") << "no final slash";
  EXPECT_EQ(GetXMPNamespaceURI(xsMicrosoftPhoto), "http://ns.microsoft.com/photo/1.0") << "no final slash";
  EXPECT_EQ(GetXMPNamespacePrefix(xsIPTC), "Iptc4xmpCore");
  EXPECT_EQ(GetXMPNamespaceURI(xsXMPBasic), "http://ns.adobe.com/xap/1.0/");

  // Every known kind is found again from its URI, in any letter case.
  for (int i = 1; i <= static_cast<int>(xsXMPRights); ++i) {
    const auto kind = static_cast<TXMPNamespace>(i);
    TXMPNamespace found = xsUnknown;
    EXPECT_TRUE(FindXMPNamespace(GetXMPNamespaceURI(kind), found)) << GetXMPNamespaceURI(kind);
    EXPECT_EQ(found, kind);
  }
  TXMPNamespace found = xsRDF;
  EXPECT_TRUE(FindXMPNamespace("HTTP://NS.ADOBE.COM/TIFF/1.0/", found));
  EXPECT_EQ(found, xsTIFF);
  EXPECT_FALSE(FindXMPNamespace("http://ns.adobe.com/tiff/1.0", found)) << "without the final slash";
  EXPECT_EQ(found, xsUnknown);

  EXPECT_THROW((void)GetXMPNamespacePrefix(xsUnknown), EInvalidXMPOperation);
}

TEST(XMPNamespaces, NamespaceInfoPrefixAndAssign) {
  int events = 0;
  TXMPNamespaceInfo info(xsExif);
  info.SetOnChange([&events](TXMPNamespaceInfo&) { ++events; });
  EXPECT_EQ(info.Prefix(), "exif");
  EXPECT_EQ(info.URI(), "http://ns.adobe.com/exif/1.0/");

  info.SetPrefix("exif");
  EXPECT_EQ(events, 0) << "the same prefix changes nothing";
  info.SetPrefix("ex");
  EXPECT_EQ(events, 1);
  EXPECT_EQ(info.Prefix(), "ex");
  EXPECT_EQ(info.Kind(), xsExif) << "the kind stays";

  // A known URI with its preferred prefix drops the custom texts.
  info.Assign("tiff", "http://ns.adobe.com/tiff/1.0/");
  EXPECT_EQ(events, 2);
  EXPECT_EQ(info.Kind(), xsTIFF);
  EXPECT_EQ(info.Prefix(), "tiff");
  info.Assign("tiff", "http://ns.adobe.com/tiff/1.0/");
  EXPECT_EQ(events, 2) << "nothing changes for the current prefix and URI";

  info.Assign("my", "http://example.com/ns/");
  EXPECT_EQ(info.Kind(), xsUnknown);
  EXPECT_EQ(info.Prefix(), "my");
  EXPECT_EQ(info.URI(), "http://example.com/ns/");

  TXMPNamespaceInfo unknown("", "http://example.com/other/");
  EXPECT_EQ(unknown.Prefix(), "");
  EXPECT_EQ(unknown.Kind(), xsUnknown) << "the URI is not looked up";

  // The silent form answers whether anything changed.
  TXMPNamespaceInfo silent(xsDublinCore);
  EXPECT_FALSE(silent.AssignSilently("dc", "http://purl.org/dc/elements/1.1/"));
  EXPECT_TRUE(silent.AssignSilently("dcx", "http://purl.org/dc/elements/1.1/"));
  EXPECT_EQ(silent.Prefix(), "dcx");
  EXPECT_EQ(silent.Kind(), xsDublinCore);
}

TEST(XMPProperty, ReadValueByKind) {
  TXMPPacket packet;
  auto& schema = packet.Schemas(xsDublinCore);
  auto& bag = schema.AddProperty("subject");
  bag.SetKind(xpBagArray);
  EXPECT_EQ(bag.ReadValue("d"), "d") << "an empty Bag answers the default";
  bag.WriteValue("a,b,c");
  EXPECT_EQ(bag.ReadValue("d"), "a,b,c");
  bag.WriteValue("");
  bag.SetSubPropertyCount(1);
  EXPECT_EQ(bag.ReadValue("d"), "d") << "one empty item: the item's own default applies";

  auto& structure = schema.AddProperty("struct");
  structure.SetKind(xpStructure);
  structure.UpdateSubProperty("field", "v");
  EXPECT_EQ(structure.ReadValue("d"), "d");

  auto& number = schema.AddProperty("number");
  number.WriteValue(42);
  EXPECT_EQ(number.ReadValue("d"), "42");
  EXPECT_EQ(number.ReadValue(std::int32_t{7}), 42);
  number.WriteValue("4x");
  EXPECT_EQ(number.ReadValue(std::int32_t{7}), 7) << "not a number: the default";

  auto& flag = schema.AddProperty("flag");
  for (const char* text : {"TRUE", "true", "1"}) {
    flag.WriteValue(text);
    EXPECT_TRUE(flag.ReadValue(false)) << text;
  }
  for (const char* text : {"False", "0"}) {
    flag.WriteValue(text);
    EXPECT_FALSE(flag.ReadValue(true)) << text;
  }
  for (const char* text : {"yes", ""}) {
    flag.WriteValue(text);
    EXPECT_TRUE(flag.ReadValue(true)) << "'" << text << "' gives the default";
    EXPECT_FALSE(flag.ReadValue(false)) << "'" << text << "' gives the default";
  }
  flag.WriteValue(true);
  EXPECT_EQ(flag.ReadValue(""), "True");
}

TEST(XMPProperty, AltArrayAndXDefault) {
  TXMPPacket packet;
  auto& title = packet.Schemas(xsDublinCore).AddProperty("title");
  title.SetKind(xpAltArray);
  title.WriteValue("x");
  ASSERT_EQ(title.SubPropertyCount(), 1);
  EXPECT_EQ(title.SubProperties(0).Name(), "x-default");
  EXPECT_EQ(title.ReadValue(""), "x");

  auto& other = packet.Schemas(xsDublinCore).AddProperty("rights");
  other.SetKind(xpAltArray);
  other.AddSubProperty("de").WriteValue("Rechte");
  TChangeCounter changes(packet);
  EXPECT_EQ(other.ReadValue("none"), "none") << "no x-default item: the default";
  EXPECT_EQ(other.SubPropertyCount(), 2) << "reading added an empty x-default item";
  EXPECT_EQ(other.SubProperties(1).Name(), "x-default");
  EXPECT_EQ(changes.Count, 1) << "adding the item notifies";
}

TEST(XMPProperty, WriteValueSplitsArrays) {
  TXMPPacket packet;
  auto& seq = packet.Schemas(xsDublinCore).AddProperty("creator");
  seq.SetKind(xpSeqArray);
  seq.WriteValue("a;b,,c");
  EXPECT_EQ(ItemValues(seq), "[a][b][][c]");
  seq.WriteValue("a,");
  EXPECT_EQ(ItemValues(seq), "[a]") << "a separator at the end adds no item";
  seq.WriteValue(",a");
  EXPECT_EQ(ItemValues(seq), "[][a]") << "a separator at the start does";
  seq.WriteValue(" x , y ");
  EXPECT_EQ(ItemValues(seq), "[ x ][ y ]") << "pieces are not trimmed";
  seq.WriteValue("");
  EXPECT_EQ(seq.SubPropertyCount(), 0);

  auto& structure = packet.Schemas(xsDublinCore).AddProperty("s");
  structure.SetKind(xpStructure);
  try {
    structure.WriteValue("v");
    FAIL() << "a structure takes no single value";
  } catch (const EInvalidXMPOperation& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a single value to a structure property");
  }
}

TEST(XMPProperty, KindChangesAndSubPropertyRules) {
  TXMPPacket packet;
  auto& property = packet.Schemas(xsDublinCore).AddProperty("p");
  property.SetKind(xpBagArray);
  property.WriteValue("a,b,c");
  property.SetKind(xpAltArray);
  ASSERT_EQ(property.SubPropertyCount(), 3);
  EXPECT_EQ(property.SubProperties(0).Name(), "SubProp0");
  EXPECT_EQ(property.SubProperties(2).Name(), "SubProp2");
  property.SetKind(xpBagArray);
  EXPECT_EQ(property.SubProperties(1).Name(), "") << "Bag items carry no names";
  EXPECT_EQ(ItemValues(property), "[a][b][c]");
  property.SetKind(xpSimple);
  EXPECT_EQ(property.SubPropertyCount(), 0);

  // Growing a named kind names the new items by index.
  property.SetKind(xpStructure);
  property.SetSubPropertyCount(2);
  EXPECT_EQ(property.SubProperties(1).Name(), "SubProp1");
  property.SetSubPropertyCount(-5);
  EXPECT_EQ(property.SubPropertyCount(), 0);

  auto& simple = packet.Schemas(xsDublinCore).AddProperty("simple");
  simple.SetSubPropertyCount(0); // unchanged count: no error
  try {
    simple.AddSubProperty("x");
    FAIL();
  } catch (const EInvalidXMPOperation& e) {
    EXPECT_STREQ(e.what(), "Property type does not support sub-properties");
  }
  EXPECT_THROW(simple.SetSubPropertyCount(1), EInvalidXMPOperation);

  property.SetKind(xpStructure);
  try {
    property.AddSubProperty("");
    FAIL();
  } catch (const EInvalidXMPOperation& e) {
    EXPECT_STREQ(e.what(), "Sub-properties must be named");
  }
  property.SetKind(xpSeqArray);
  EXPECT_EQ(property.AddSubProperty("ignored").Name(), "") << "Seq items stay nameless";

  EXPECT_THROW(simple.SetName(""), EInvalidXMPOperation);
  EXPECT_EQ(simple.Name(), "simple");

  // Searches: FindSubProperty from the end, RemoveSubProperty from the start.
  auto& twins = packet.Schemas(xsDublinCore).AddProperty("twins");
  twins.SetKind(xpStructure);
  twins.AddSubProperty("f").WriteValue("first");
  twins.AddSubProperty("f").WriteValue("second");
  TXMPProperty* found = nullptr;
  ASSERT_TRUE(twins.FindSubProperty("f", found));
  EXPECT_EQ(found->ReadValue(""), "second");
  EXPECT_TRUE(twins.RemoveSubProperty("f"));
  EXPECT_EQ(twins.SubProperties(0).ReadValue(""), "second");
  EXPECT_FALSE(twins.RemoveSubProperty("missing"));
}

TEST(XMPProperty, UpdateSubPropertyFollowsPolicy) {
  TXMPPacket packet;
  auto& flash = packet.Schemas(xsExif).AddProperty("Flash");
  flash.UpdateSubProperty("Fired", true);
  EXPECT_EQ(flash.Kind(), xpStructure) << "a simple property becomes a structure";
  flash.UpdateSubProperty("Mode", std::int32_t{2});
  ASSERT_EQ(flash.SubPropertyCount(), 2);
  EXPECT_EQ(flash.SubProperties("Mode").ReadValue(""), "2");

  packet.SetUpdatePolicy(TXMPWritePolicy::xwUpdateIfExists);
  flash.UpdateSubProperty("Return", "0");
  EXPECT_EQ(flash.SubPropertyCount(), 2) << "no new field under xwUpdateIfExists";
  flash.UpdateSubProperty("Mode", "3");
  EXPECT_EQ(flash.SubProperties("Mode").ReadValue(""), "3");

  packet.SetUpdatePolicy(TXMPWritePolicy::xwAlwaysUpdate);
  flash.UpdateSubProperty("Mode", "");
  EXPECT_EQ(flash.SubPropertyCount(), 1) << "an empty value removes the field";
  packet.SetUpdatePolicy(TXMPWritePolicy::xwRemove);
  flash.UpdateSubProperty("Fired", "True");
  EXPECT_EQ(flash.SubPropertyCount(), 0) << "xwRemove removes whatever the value";
}

TEST(XMPPacketModel, UpdatePropertyPolicies) {
  TXMPPacket packet;
  packet.UpdateProperty(xsDublinCore, "format", "abc  ");
  TXMPSchema* schema = nullptr;
  ASSERT_TRUE(packet.FindSchema(xsDublinCore, schema));
  EXPECT_EQ(schema->Properties("format").ReadValue(""), "abc") << "trailing blanks are dropped";
  packet.UpdateProperty(xsDublinCore, "format", "   ");
  TXMPProperty* property = nullptr;
  ASSERT_TRUE(schema->FindProperty("format", property)) << "blanks only: written empty, not removed";
  EXPECT_EQ(property->ReadValue("d"), "d");
  packet.UpdateProperty(xsDublinCore, "format", "");
  EXPECT_FALSE(schema->FindProperty("format", property)) << "an empty value removes";
  EXPECT_EQ(packet.SchemaCount(), 1) << "the schema stays when its last property goes";
  EXPECT_FALSE(packet.Empty());

  // Nothing is created under xwUpdateIfExists, and nothing is notified.
  TXMPPacket other;
  other.SetUpdatePolicy(TXMPWritePolicy::xwUpdateIfExists);
  TChangeCounter changes(other);
  other.UpdateProperty(xsExif, "ExposureTime", "1/50");
  other.UpdateBagProperty(xsDublinCore, "subject", {"a", "b"});
  EXPECT_EQ(other.SchemaCount(), 0);
  EXPECT_EQ(changes.Count, 0);
  other.SetUpdatePolicy(TXMPWritePolicy::xwAlwaysUpdate);
  other.UpdateProperty(xsExif, "ExposureTime", "1/50");
  other.SetUpdatePolicy(TXMPWritePolicy::xwUpdateIfExists);
  other.UpdateProperty(xsExif, "ExposureTime", std::int32_t{2});
  EXPECT_EQ(other.Schemas(xsExif).Properties("ExposureTime").ReadValue(""), "2");
  other.SetUpdatePolicy(TXMPWritePolicy::xwRemove);
  other.UpdateProperty(xsExif, "ExposureTime", "1/100");
  EXPECT_EQ(other.Schemas(xsExif).PropertyCount(), 0) << "xwRemove removes the property";
}

TEST(XMPPacketModel, TiffLowerCaseTwin) {
  TXMPPacket packet;
  packet.UpdateProperty(xsTIFF, "Make", "X");
  auto& tiff = packet.Schemas(xsTIFF);
  TXMPProperty* twin = nullptr;
  EXPECT_FALSE(tiff.FindProperty("make", twin)) << "no lower-case twin is created";

  tiff.AddProperty("make").WriteValue("old");
  packet.UpdateProperty(xsTIFF, "Make", "Y");
  EXPECT_EQ(tiff.Properties("Make").ReadValue(""), "Y");
  EXPECT_EQ(tiff.Properties("make").ReadValue(""), "Y") << "an existing twin follows";

  packet.UpdateProperty(xsTIFF, "make", "Z");
  EXPECT_EQ(tiff.Properties("Make").ReadValue(""), "Y") << "a lower-case name has no twin";

  packet.UpdateProperty(xsExif, "Make", "X");
  TXMPProperty* exifTwin = nullptr;
  packet.Schemas(xsExif).AddProperty("make").WriteValue("keep");
  packet.UpdateProperty(xsExif, "Make", "W");
  ASSERT_TRUE(packet.Schemas(xsExif).FindProperty("make", exifTwin));
  EXPECT_EQ(exifTwin->ReadValue(""), "keep") << "the twin rule is for the TIFF schema only";

  packet.UpdateProperty(xsTIFF, "Make", "");
  EXPECT_FALSE(tiff.FindProperty("Make", twin));
  EXPECT_FALSE(tiff.FindProperty("make", twin)) << "the twin follows a removal too";
}

TEST(XMPPacketModel, ArrayUpdates) {
  TXMPPacket packet;
  auto& schema = packet.Schemas(xsDublinCore);
  schema.AddProperty("first");
  auto& structure = schema.AddProperty("subject");
  structure.SetKind(xpStructure);
  structure.UpdateSubProperty("a", "b");
  schema.AddProperty("last");

  packet.UpdateBagProperty(xsDublinCore, "subject", {"x,y", "z"});
  ASSERT_EQ(schema.PropertyCount(), 3);
  auto& bag = schema.Properties(2);
  EXPECT_EQ(bag.Name(), "subject") << "the structure is replaced by a Bag at the end";
  EXPECT_EQ(bag.Kind(), xpBagArray);
  EXPECT_EQ(ItemValues(bag), "[x,y][z]") << "array items are not split";

  packet.UpdateSeqProperty(xsDublinCore, "subject", "p;q");
  EXPECT_EQ(bag.Kind(), xpSeqArray);
  EXPECT_EQ(ItemValues(bag), "[p][q]");

  const std::vector<std::string> none;
  packet.UpdateBagProperty(xsDublinCore, "subject", none);
  TXMPProperty* found = nullptr;
  EXPECT_FALSE(schema.FindProperty("subject", found)) << "an empty array removes";
}

TEST(XMPPacketModel, DateTimeWithLocalBias) {
  const auto value = Platform::EncodeDateTime(2020, 11, 23, 14, 5, 9, 7);
  {
    TTimeZone zone("XYZ5:30"); // five and a half hours behind UTC
    TXMPPacket packet;
    packet.UpdateDateTimeProperty(xsXMPBasic, "ModifyDate", value, true);
    EXPECT_EQ(packet.Schemas(xsXMPBasic).Properties("ModifyDate").ReadValue(""), "2020-11-23T14:05:09.007-05:30");
    packet.UpdateDateTimeProperty(xsXMPBasic, "ModifyDate", value, false);
    EXPECT_EQ(packet.Schemas(xsXMPBasic).Properties("ModifyDate").ReadValue(""), "2020-11-23T14:05:09.007");
  }
  {
    TTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    TXMPPacket packet;
    packet.UpdateDateTimeProperty(xsXMPBasic, "CreateDate", value, true);
    EXPECT_EQ(packet.Schemas(xsXMPBasic).Properties("CreateDate").ReadValue(""), "2020-11-23T14:05:09.007+01:00");
    packet.UpdateDateTimeProperty(xsXMPBasic, "CreateDate", Platform::EncodeDateTime(2020, 7, 1, 0, 0, 0, 0), true);
    EXPECT_EQ(packet.Schemas(xsXMPBasic).Properties("CreateDate").ReadValue(""), "2020-07-01T00:00:00.000+02:00")
        << "the offset at that date, summer time";
    packet.UpdateDateTimeProperty(xsXMPBasic, "CreateDate", TDateTimeTagValue::CreateMissingOrInvalid(), true);
    TXMPProperty* found = nullptr;
    EXPECT_FALSE(packet.Schemas(xsXMPBasic).FindProperty("CreateDate", found)) << "a missing value removes";
  }
  {
    TTimeZone zone("UTC0");
    TXMPPacket packet;
    packet.UpdateDateTimeProperty(xsTIFF, "DateTime", value, true);
    EXPECT_EQ(packet.Schemas(xsTIFF).Properties("DateTime").ReadValue(""), "2020-11-23T14:05:09.007+00:00");
  }
}

TEST(XMPPacketModel, SchemasAndNotification) {
  TXMPPacket packet;
  TChangeCounter changes(packet);
  auto& dc = packet.Schemas(xsDublinCore);
  auto& custom = packet.Schemas("http://example.com/ns/");
  EXPECT_EQ(changes.Count, 0) << "adding schemas does not notify";
  TXMPSchema* found = nullptr;
  ASSERT_TRUE(packet.FindSchema("HTTP://PURL.ORG/DC/ELEMENTS/1.1/", found));
  EXPECT_EQ(found, &dc);
  EXPECT_EQ(&packet.Schemas(0), &custom) << "schemas are sorted by URI";

  try {
    custom.AddProperty("x");
    FAIL();
  } catch (const EInvalidXMPOperation& e) {
    EXPECT_STREQ(e.what(), "The schema's PreferredPrefix property must be set before a new item can be added");
  }
  EXPECT_EQ(custom.PropertyCount(), 0);
  custom.NamespaceInfo().SetPrefix("ex");
  EXPECT_EQ(changes.Count, 1);
  auto& x = custom.AddProperty("x");
  EXPECT_EQ(changes.Count, 2);
  x.SetKind(xpStructure);
  auto& field = x.AddSubProperty("f");
  EXPECT_EQ(changes.Count, 4);
  EXPECT_EQ(field.NamespaceInfo().Prefix(), "ex");

  // A new schema prefix reaches every property that uses the schema's namespace.
  custom.NamespaceInfo().SetPrefix("ex2");
  EXPECT_EQ(x.NamespaceInfo().Prefix(), "ex2");
  EXPECT_EQ(field.NamespaceInfo().Prefix(), "ex2");
  field.SetParentNamespace(false);
  field.NamespaceInfo().Assign("o", "http://example.com/other/");
  custom.NamespaceInfo().SetPrefix("ex3");
  EXPECT_EQ(field.NamespaceInfo().Prefix(), "o") << "a field with its own namespace keeps it";
  field.SetParentNamespace(true);
  EXPECT_EQ(field.NamespaceInfo().Prefix(), "ex3");

  const int before = changes.Count;
  (void)x.ReadValue("");
  (void)packet.SchemaCount();
  packet.ResetRawXMLCache();
  EXPECT_EQ(changes.Count, before) << "reading and resetting the cache do not notify";

  EXPECT_TRUE(custom.RemoveProperties({"x", "y"}));
  EXPECT_EQ(changes.Count, before + 1);
  EXPECT_FALSE(custom.RemoveProperty("x"));
  EXPECT_EQ(changes.Count, before + 1);

  packet.SetAboutAttributeValue("uuid:1");
  packet.SetAboutAttributeValue("uuid:1");
  EXPECT_EQ(changes.Count, before + 2);
  packet.Clear();
  EXPECT_EQ(changes.Count, before + 3);
  EXPECT_TRUE(packet.Empty());
  EXPECT_EQ(packet.AboutAttributeValue(), "");
  packet.Clear();
  EXPECT_EQ(changes.Count, before + 3) << "clearing an empty packet does not notify";

  // The enumerators walk from before the first item.
  auto& subject = packet.Schemas(xsDublinCore).AddProperty("subject");
  subject.SetKind(xpBagArray);
  subject.WriteValue("a,b");
  auto items = subject.GetEnumerator();
  std::string walked;
  while (items->MoveNext())
    walked += items->Current().ReadValue("");
  EXPECT_EQ(walked, "ab");
  int schemas = 0;
  for (auto enumerator = packet.GetEnumerator(); enumerator.MoveNext();)
    ++schemas;
  EXPECT_EQ(schemas, packet.SchemaCount());
}
