#include "app/core/UStrHelp.h"

namespace Fotarium::Core {

std::string TextBefore(std::string_view separator, std::string_view text) {
  const auto pos = text.find(separator);
  return std::string(pos == std::string_view::npos ? text : text.substr(0, pos));
}

void CutToken(std::string_view separator, std::string& text, std::string& head) {
  const auto pos = text.find(separator);
  if (pos == std::string::npos) {
    head = std::move(text);
    text.clear();
    return;
  }
  head = text.substr(0, pos);
  text.erase(0, pos + separator.size());
}

} // namespace Fotarium::Core
