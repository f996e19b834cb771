#pragma once

// Two small text helpers for splitting typed and generated texts at a separator.

#include <string>
#include <string_view>

namespace Fotarium::Core {

// The text before the first occurrence of separator, or the whole text when it does not occur.
[[nodiscard]] std::string TextBefore(std::string_view separator, std::string_view text);

// Splits text at the first occurrence of separator: head gets what is before it, text what
// follows it (the separator itself is dropped). Without the separator head gets the whole
// text and text becomes empty.
void CutToken(std::string_view separator, std::string& text, std::string& head);

} // namespace Fotarium::Core
