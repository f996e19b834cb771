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

// Where one property's value sits in the text.
struct TValueSpan {
  std::size_t Start = 0;
  std::size_t End = 0;
  bool Attribute = false;
};

// The value of the property named qualifiedName, when the text holds that name exactly
// once as an attribute or as an element without attributes and child elements; any
// other occurrence of the name (a second one, a structure field of that name, the name
// inside a value) leaves the place unknown.
bool FindOnlyValueSpan(std::string_view text, std::string_view qualifiedName, TValueSpan& span) {
  int found = 0;
  for (auto at = text.find(qualifiedName); at != std::string_view::npos; at = text.find(qualifiedName, at + 1)) {
    const auto end = at + qualifiedName.size();
    if (at == 0 || end >= text.size() || !IsNameEnd(text[end]))
      continue;
    const char before = text[at - 1];
    if (before == '/' && at >= 2 && text[at - 2] == '<')
      continue; // a closing tag, checked with its opening one
    if (!IsXMLSpace(before) && before != '<')
      continue;
    if (++found > 1)
      return false;
    if (before == '<') {
      // An element: only the plain form <Q>value</Q> is replaced.
      if (text[end] != '>')
        return false;
      const auto valueEnd = text.find('<', end + 1);
      if (valueEnd == std::string_view::npos || text.substr(valueEnd, 2) != "</" ||
          text.substr(valueEnd + 2, qualifiedName.size()) != qualifiedName ||
          valueEnd + 2 + qualifiedName.size() >= text.size() || text[valueEnd + 2 + qualifiedName.size()] != '>')
        return false;
      span = {end + 1, valueEnd, false};
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
      span = {p + 1, close, true};
    }
  }
  return found == 1;
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

} // namespace

void TXMPPacket::AppendFingerprint(std::string& out, const TXMPProperty& property) {
  const auto field = [&out](std::string_view text) {
    out += std::to_string(text.size());
    out += ':';
    out += text;
  };
  out += std::to_string(static_cast<int>(property.FKind));
  out += property.FParentNamespace ? 'p' : 'o';
  field(property.FNamespaceInfo->Prefix());
  field(property.FNamespaceInfo->URI());
  field(property.FName);
  field(property.FValue);
  out += '(';
  for (const auto& sub : property.FSubProperties)
    AppendFingerprint(out, *sub);
  out += ')';
}

std::string TXMPPacket::TreeFingerprint() const {
  std::string out = FAboutAttributeValue + '\n';
  for (const auto& entry : FSchemas) {
    const auto& schema = *entry.Schema;
    out += schema.PreferredPrefix() + ' ' + schema.URI() + '{';
    for (int i = 0; i < schema.PropertyCount(); ++i)
      AppendFingerprint(out, schema.GetProperty(i));
    out += "}\n";
  }
  return out;
}

bool TXMPPacket::TryPatchSourceText(std::string& out) const {
  if (FSourceText.empty())
    return false;
  TXMPPacket source;
  {
    TUserMemoryStream stream(FSourceText.data(), static_cast<std::int64_t>(FSourceText.size()));
    if (!source.TryLoadFromStream(stream))
      return false;
  }
  if (source.FAboutAttributeValue != FAboutAttributeValue || source.FSchemas.size() != FSchemas.size())
    return false;

  // The changes, each a simple top-level property of the source with a new value.
  struct TChange {
    TValueSpan Span;
    const std::string* Value;
  };
  std::vector<TChange> changes;
  for (std::size_t i = 0; i < FSchemas.size(); ++i) {
    const auto& own = *FSchemas[i].Schema;
    const auto& old = *source.FSchemas[i].Schema;
    if (own.URI() != old.URI() || own.PreferredPrefix() != old.PreferredPrefix() ||
        own.PropertyCount() != old.PropertyCount())
      return false;
    for (int j = 0; j < own.PropertyCount(); ++j) {
      const auto& now = own.GetProperty(j);
      const auto& then = old.GetProperty(j);
      std::string nowPrint;
      std::string thenPrint;
      AppendFingerprint(nowPrint, now);
      AppendFingerprint(thenPrint, then);
      if (nowPrint == thenPrint)
        continue;
      if (now.FKind != TXMPPropertyKind::xpSimple || then.FKind != TXMPPropertyKind::xpSimple ||
          now.FName != then.FName || now.FNamespaceInfo->Prefix() != then.FNamespaceInfo->Prefix() ||
          now.FNamespaceInfo->URI() != then.FNamespaceInfo->URI())
        return false;
      TChange change{{}, &now.FValue};
      if (!FindOnlyValueSpan(FSourceText, then.FNamespaceInfo->Prefix() + ":" + then.FName, change.Span))
        return false;
      changes.push_back(change);
    }
  }

  // Replaced from the back, so that the places found earlier stay valid.
  std::sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) { return a.Span.Start > b.Span.Start; });
  std::string text = FSourceText;
  std::ptrdiff_t growth = 0;
  for (std::size_t k = 0; k < changes.size(); ++k) {
    const auto& change = changes[k];
    if (k > 0 && change.Span.End > changes[k - 1].Span.Start)
      return false;
    const auto value = EncodedValue(*change.Value, change.Span.Attribute);
    growth +=
        static_cast<std::ptrdiff_t>(value.size()) - static_cast<std::ptrdiff_t>(change.Span.End - change.Span.Start);
    text.replace(change.Span.Start, change.Span.End - change.Span.Start, value);
  }
  KeepSizeByPadding(text, growth);

  // The patched text must read back as exactly this tree; anything else is generated.
  TXMPPacket check;
  TUserMemoryStream stream(text.data(), static_cast<std::int64_t>(text.size()));
  if (!check.TryLoadFromStream(stream) || check.TreeFingerprint() != TreeFingerprint())
    return false;
  out = std::move(text);
  return true;
}

} // namespace Tessel::Exif
