// Writing a changed packet over the text it was loaded from: when the only changes are
// new values of simple properties that the text holds once, those values are replaced
// in place and the padding takes up the difference, so that everything this library
// does not model (the xpacket attributes, toolkit names, comments, items it cannot
// read) and the writer's layout stay as they were.

#include "Tessel/Exif/XMPUtils.h"

#include "Tessel/Exif/BaseUtils.h"

#include <algorithm>
#include <string>
#include <vector>

namespace Tessel::Exif {

namespace {

bool IsXMLSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsNameEnd(char c) { return IsXMLSpace(c) || c == '=' || c == '>' || c == '/'; }

// Where one top-level property sits in the text: the whole of it (an attribute from its
// name to its closing quote, an element from its start tag to the end of its end tag)
// and its value (the attribute's quoted text, the element's content).
struct TPlace {
  bool Attribute = false;
  std::size_t Start = 0;
  std::size_t End = 0;
  std::size_t ValueStart = 0;
  std::size_t ValueEnd = 0;
};

// The end of the start tag that begins at 'from' (the '>'), quoted values skipped.
std::size_t StartTagEnd(std::string_view text, std::size_t from) {
  char quote = 0;
  for (auto p = from; p < text.size(); ++p) {
    const char c = text[p];
    if (quote != 0) {
      if (c == quote)
        quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return p;
    }
  }
  return std::string_view::npos;
}

// The place of the property named qualifiedName, when the text holds that name exactly
// once as an attribute or as a start tag; any other occurrence of the name (a second
// one, a structure field of that name, the name inside a value) leaves it unknown.
bool FindOnlyPlace(std::string_view text, std::string_view qualifiedName, TPlace& place) {
  int found = 0;
  for (auto at = text.find(qualifiedName); at != std::string_view::npos; at = text.find(qualifiedName, at + 1)) {
    const auto end = at + qualifiedName.size();
    if (at == 0 || end >= text.size() || !IsNameEnd(text[end]))
      continue;
    const char before = text[at - 1];
    if (before == '/' && at >= 2 && text[at - 2] == '<')
      continue; // an end tag, found with its start tag
    if (!IsXMLSpace(before) && before != '<')
      continue;
    if (++found > 1)
      return false;
    if (before == '<') {
      const auto tagEnd = StartTagEnd(text, end);
      if (tagEnd == std::string_view::npos)
        return false;
      place.Attribute = false;
      place.Start = at - 1;
      if (text[tagEnd - 1] == '/') {
        place.ValueStart = place.ValueEnd = tagEnd;
        place.End = tagEnd + 1;
        continue;
      }
      const auto endTag = std::string("</") + std::string(qualifiedName) + ">";
      const auto close = text.find(endTag, tagEnd + 1);
      if (close == std::string_view::npos)
        return false;
      place.ValueStart = tagEnd + 1;
      place.ValueEnd = close;
      place.End = close + endTag.size();
    } else {
      auto p = end;
      while (p < text.size() && IsXMLSpace(text[p]))
        ++p;
      if (p >= text.size() || text[p] != '=')
        return false;
      ++p;
      while (p < text.size() && IsXMLSpace(text[p]))
        ++p;
      if (p >= text.size() || (text[p] != '"' && text[p] != '\''))
        return false;
      const auto close = text.find(text[p], p + 1);
      if (close == std::string_view::npos)
        return false;
      place = {true, at, close + 1, p + 1, close};
    }
  }
  return found == 1;
}

// One replacement of the loaded text.
struct TEdit {
  std::size_t Start = 0;
  std::size_t End = 0;
  std::string Text;
};

// The text of an array item that starts at 'from' (just behind its start tag's '>'), when
// it is plain text closed by the item's end tag.
bool PlainItemValue(std::string_view text, std::size_t from, std::size_t limit, std::size_t& valueEnd) {
  constexpr std::string_view endTag = "</rdf:li>";
  valueEnd = text.find('<', from);
  return valueEnd != std::string_view::npos && valueEnd + endTag.size() <= limit &&
         text.substr(valueEnd, endTag.size()) == endTag;
}

// A value as the text must hold it: escaped, and in attributes with the white space
// that the parser would otherwise normalise written as references.
std::string EncodedValue(std::string_view value, bool attribute) {
  std::string result;
  for (const char c : EscapeXML(value)) {
    if (c == '\r')
      result += "&#xD;";
    else if (attribute && c == '\n')
      result += "&#xA;";
    else if (attribute && c == '\t')
      result += "&#x9;";
    else
      result += c;
  }
  return result;
}

// Keeps the packet's size where its padding allows: the white space in front of the
// closing processing instruction shrinks or grows by the difference.
void KeepSizeByPadding(std::string& text, std::ptrdiff_t growth) {
  if (growth == 0)
    return;
  const auto trailer = text.rfind("<?xpacket end=");
  if (trailer == std::string::npos)
    return;
  auto start = trailer;
  while (start > 0 && IsXMLSpace(text[start - 1]))
    --start;
  const auto spaces = std::count(text.begin() + static_cast<std::ptrdiff_t>(start),
                                 text.begin() + static_cast<std::ptrdiff_t>(trailer), ' ');
  if (spaces == 0)
    return; // no padding: the packet simply changes its size
  if (growth < 0) {
    // New padding goes in front of the last line break, where the padding's lines end.
    auto at = trailer;
    if (at > start && text[at - 1] == '\n')
      --at;
    text.insert(at, static_cast<std::size_t>(-growth), ' ');
    return;
  }
  if (spaces <= growth)
    return;
  auto toRemove = growth;
  for (auto p = trailer; p > start && toRemove > 0; --p) {
    if (text[p - 1] == ' ') {
      text.erase(p - 1, 1);
      --toRemove;
    }
  }
}

// One property seen as a collection, so that the writer can lay out just that one.
class TSinglePropertyCollection : public IXMPPropertyCollection {
public:
  explicit TSinglePropertyCollection(const TXMPProperty& property) : FProperty(property) {}
  [[nodiscard]] TXMPNamespaceInfo& NamespaceInfo() const override { return FProperty.NamespaceInfo(); }
  [[nodiscard]] TXMPProperty& Properties(int /*index*/) const override { return const_cast<TXMPProperty&>(FProperty); }
  [[nodiscard]] int Count() const override { return 1; }

private:
  const TXMPProperty& FProperty;
};

// The white space in front of position 'at', from the line break that starts its line.
std::string_view LeadingSpace(std::string_view text, std::size_t at) {
  auto start = at;
  while (start > 0 && IsXMLSpace(text[start - 1])) {
    --start;
    if (text[start] == '\n')
      break;
  }
  return text.substr(start, at - start);
}

} // namespace

bool TXMPPacket::SameProperty(const TXMPProperty& a, const TXMPProperty& b) {
  // Only a simple property's value is written; another kind may keep an old one.
  const bool simple = a.FKind == TXMPPropertyKind::xpSimple;
  if (a.FKind != b.FKind || a.FParentNamespace != b.FParentNamespace || a.FName != b.FName ||
      (simple && a.FValue != b.FValue) || a.FNamespaceInfo->PrefixView() != b.FNamespaceInfo->PrefixView() ||
      a.FNamespaceInfo->URIView() != b.FNamespaceInfo->URIView() || a.FSubProperties.size() != b.FSubProperties.size())
    return false;
  for (std::size_t i = 0; i < a.FSubProperties.size(); ++i)
    if (!SameProperty(*a.FSubProperties[i], *b.FSubProperties[i]))
      return false;
  return true;
}

bool TXMPPacket::SameTree(const TXMPPacket& other) const {
  if (FAboutAttributeValue != other.FAboutAttributeValue)
    return false;
  // A schema without properties is written as nothing that reads back: it is left out.
  const auto next = [](const std::vector<TSchemaEntry>& schemas, std::size_t from) {
    while (from < schemas.size() && schemas[from].Schema->PropertyCount() == 0)
      ++from;
    return from;
  };
  std::size_t i = next(FSchemas, 0);
  std::size_t j = next(other.FSchemas, 0);
  for (; i < FSchemas.size() && j < other.FSchemas.size(); i = next(FSchemas, i + 1), j = next(other.FSchemas, j + 1)) {
    const auto& a = *FSchemas[i].Schema;
    const auto& b = *other.FSchemas[j].Schema;
    if (a.PreferredPrefix() != b.PreferredPrefix() || a.URI() != b.URI() || a.PropertyCount() != b.PropertyCount())
      return false;
    for (int k = 0; k < a.PropertyCount(); ++k)
      if (!SameProperty(a.GetProperty(k), b.GetProperty(k)))
        return false;
  }
  return i == FSchemas.size() && j == other.FSchemas.size();
}

bool TXMPPacket::TryPatchSourceText(std::string& out, std::vector<int>& readBackCounts) const {
  using enum TXMPPropertyKind;
  if (FSourceText.empty())
    return false;
  // The tree the text reads as: kept by the load ahead of the change, or read again.
  TXMPPacket parsedSource;
  if (!FSourceTree) {
    TUserMemoryStream stream(FSourceText.data(), static_cast<std::int64_t>(FSourceText.size()));
    if (!parsedSource.TryLoadFromStream(stream))
      return false;
  }
  const TXMPPacket& source = FSourceTree ? *FSourceTree : parsedSource;
  if (source.FAboutAttributeValue != FAboutAttributeValue)
    return false;
  const std::string_view text = FSourceText;
  std::vector<TEdit> edits;

  const auto sameName = [](const TXMPProperty& a, const TXMPProperty& b) {
    return a.FName == b.FName && a.FNamespaceInfo->Prefix() == b.FNamespaceInfo->Prefix() &&
           a.FNamespaceInfo->URI() == b.FNamespaceInfo->URI();
  };
  const auto placeOf = [&text](const TXMPProperty& property, TPlace& place) {
    return FindOnlyPlace(text, property.FNamespaceInfo->Prefix() + ":" + property.FName, place);
  };

  // A simple value: the attribute's text or the element's plain content.
  const auto changeValue = [&](const TXMPProperty& then, const TXMPProperty& now) {
    TPlace place;
    if (!placeOf(then, place) ||
        (!place.Attribute &&
         text.substr(place.ValueStart, place.ValueEnd - place.ValueStart).find('<') != std::string_view::npos))
      return false;
    edits.push_back({place.ValueStart, place.ValueEnd, EncodedValue(now.FValue, place.Attribute)});
    return true;
  };
  // A property gone: its text and the white space in front of it.
  const auto remove = [&](const TXMPProperty& then) {
    TPlace place;
    if (!placeOf(then, place))
      return false;
    auto start = place.Start;
    while (start > 0 && IsXMLSpace(text[start - 1]))
      --start;
    edits.push_back({start, place.End, {}});
    return true;
  };
  // An array with the same items, some of them with new text: each item's text is
  // replaced where it stands (language alternatives found by their language).
  const auto changeItems = [&](const TXMPProperty& then, const TXMPProperty& now) {
    if (then.FSubProperties.size() != now.FSubProperties.size())
      return false;
    TPlace place;
    if (!placeOf(then, place) || place.Attribute)
      return false;
    const auto content = text.substr(0, place.ValueEnd);
    std::vector<std::size_t> itemStarts; // behind each item's start tag, in order
    for (auto at = content.find("<rdf:li", place.ValueStart); at != std::string_view::npos;
         at = content.find("<rdf:li", at + 1)) {
      const auto tagEnd = StartTagEnd(content, at + 7);
      if (tagEnd == std::string_view::npos || text[tagEnd - 1] == '/')
        return false;
      itemStarts.push_back(tagEnd + 1);
    }
    if (itemStarts.size() != then.FSubProperties.size())
      return false;
    for (std::size_t k = 0; k < itemStarts.size(); ++k) {
      const auto& oldItem = *then.FSubProperties[k];
      const auto& newItem = *now.FSubProperties[k];
      if (oldItem.FKind != xpSimple || newItem.FKind != xpSimple || !sameName(oldItem, newItem))
        return false;
      if (oldItem.FValue == newItem.FValue)
        continue;
      std::size_t valueEnd = 0;
      if (!PlainItemValue(text, itemStarts[k], place.ValueEnd, valueEnd))
        return false;
      // Language alternatives are matched by position only when the text names the
      // same language there.
      if (then.FKind == xpAltArray) {
        const auto tag = content.substr(0, itemStarts[k]);
        const auto langAt = tag.rfind("xml:lang=");
        if (langAt == std::string_view::npos || langAt < tag.rfind("<rdf:li") ||
            tag.substr(langAt + 10, oldItem.FName.size()) != oldItem.FName)
          return false;
      }
      edits.push_back({itemStarts[k], valueEnd, EncodedValue(newItem.FValue, false)});
    }
    return true;
  };

  // The property as the writer lays it out, without indentation and final line break.
  const auto generated = [](const TXMPProperty& property) {
    std::string result;
    WriteProperties(result, TSinglePropertyCollection(property), 0);
    while (!result.empty() && result.back() == '\n')
      result.pop_back();
    return result;
  };
  // A property whose new form does not fit into its old text (another kind, other
  // items or fields): the writer's text for it takes the old one's place. An attribute
  // cannot hold it, so it then goes first into its description's content.
  const auto replaceWhole = [&](const TXMPProperty& then, const TXMPProperty& now) {
    TPlace place;
    if (!placeOf(then, place))
      return false;
    if (!place.Attribute) {
      edits.push_back({place.Start, place.End, generated(now)});
      return true;
    }
    const auto tagEnd = StartTagEnd(text, place.End);
    if (tagEnd == std::string_view::npos || text[tagEnd - 1] == '/' || !remove(then))
      return false;
    edits.push_back({tagEnd + 1, tagEnd + 1, "\n" + generated(now)});
    return true;
  };
  // A new property follows the schema's last one when that is an element.
  const auto append = [&](const TXMPSchema& old, const TXMPProperty& now) {
    TPlace place;
    if (old.PropertyCount() == 0 || !placeOf(old.GetProperty(old.PropertyCount() - 1), place) || place.Attribute)
      return false;
    edits.push_back({place.End, place.End, std::string(LeadingSpace(text, place.Start)) + generated(now)});
    return true;
  };

  for (const auto& oldEntry : source.FSchemas) {
    const auto& old = *oldEntry.Schema;
    const TXMPSchema* own = nullptr;
    for (const auto& entry : FSchemas)
      if (entry.Schema->URI() == old.URI())
        own = entry.Schema.get();
    const int ownCount = own != nullptr ? own->PropertyCount() : 0;
    if (ownCount > 0 && own->PreferredPrefix() != old.PreferredPrefix())
      return false;
    int j = 0;
    for (int i = 0; i < old.PropertyCount(); ++i) {
      const auto& then = old.GetProperty(i);
      if (j >= ownCount || !sameName(own->GetProperty(j), then)) {
        if (!remove(then))
          return false;
        continue;
      }
      const auto& now = own->GetProperty(j++);
      if (SameProperty(now, then))
        continue;
      bool placed = false;
      if (now.FKind == xpSimple && then.FKind == xpSimple)
        placed = changeValue(then, now);
      else if (now.FKind == then.FKind &&
               (now.FKind == xpAltArray || now.FKind == xpBagArray || now.FKind == xpSeqArray))
        placed = changeItems(then, now);
      if (!placed && !replaceWhole(then, now))
        return false;
    }
    for (; j < ownCount; ++j)
      if (!append(old, own->GetProperty(j)))
        return false;
  }
  for (const auto& entry : FSchemas) {
    bool known = false;
    for (const auto& oldEntry : source.FSchemas)
      known = known || oldEntry.Schema->URI() == entry.Schema->URI();
    if (!known && entry.Schema->PropertyCount() > 0)
      return false;
  }

  // Replaced from the back, so that the places found earlier stay valid.
  // Insertions at one place keep their order: the later one goes in first.
  std::vector<std::size_t> order(edits.size());
  for (std::size_t k = 0; k < order.size(); ++k)
    order[k] = k;
  std::sort(order.begin(), order.end(), [&edits](std::size_t a, std::size_t b) {
    return edits[a].Start != edits[b].Start ? edits[a].Start > edits[b].Start : a > b;
  });
  std::vector<TEdit> sorted;
  sorted.reserve(edits.size());
  for (const auto k : order)
    sorted.push_back(std::move(edits[k]));
  edits = std::move(sorted);
  std::string patched(text);
  std::ptrdiff_t growth = 0;
  for (std::size_t k = 0; k < edits.size(); ++k) {
    const auto& edit = edits[k];
    if (k > 0 && edit.End > edits[k - 1].Start)
      return false;
    growth += static_cast<std::ptrdiff_t>(edit.Text.size()) - static_cast<std::ptrdiff_t>(edit.End - edit.Start);
    patched.replace(edit.Start, edit.End - edit.Start, edit.Text);
  }
  KeepSizeByPadding(patched, growth);

  // The patched text must read back as exactly this tree; anything else is generated.
  TXMPPacket check;
  TUserMemoryStream stream(patched.data(), static_cast<std::int64_t>(patched.size()));
  if (!check.TryLoadFromStream(stream) || !check.SameTree(*this))
    return false;
  readBackCounts.clear();
  for (const auto& entry : check.FSchemas)
    readBackCounts.push_back(entry.Schema->PropertyCount());
  out = std::move(patched);
  return true;
}

} // namespace Tessel::Exif
