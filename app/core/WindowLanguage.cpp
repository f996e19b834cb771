#include "app/core/WindowLanguage.h"

#include <cstdlib>
#include <utility>

namespace Fotarium::Core {

namespace {

TTextTranslator& Translator() {
  static TTextTranslator translator;
  return translator;
}

TErrorTextHook& ErrorHook() {
  static TErrorTextHook hook;
  return hook;
}

} // namespace

TWindowLanguage WindowLanguage(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value == nullptr || *value == '\0')
      continue;
    return std::string_view(value).starts_with("en") ? TWindowLanguage::wlEnglish : TWindowLanguage::wlGerman;
  }
  return TWindowLanguage::wlGerman;
}

TWindowLanguage WindowLanguageFromEnvironment() {
  return WindowLanguage(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

Platform::TFormatSettings WindowFormatSettings(TWindowLanguage language) {
  Platform::TFormatSettings environment = Platform::TFormatSettings::FromEnvironment();
  const bool germanTexts = environment.LongDayNames == Platform::TFormatSettings::German().LongDayNames;
  if (language == TWindowLanguage::wlGerman)
    return germanTexts ? environment : Platform::TFormatSettings::German();
  return germanTexts ? Platform::TFormatSettings::English() : environment;
}

void SetTextTranslator(TTextTranslator translator) { Translator() = std::move(translator); }

std::string Tr(const char* context, const char* sourceText) {
  if (const TTextTranslator& translator = Translator())
    return translator(context, sourceText);
  return sourceText;
}

std::string FormatText(std::string_view text, std::initializer_list<std::string_view> arguments) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const auto index = static_cast<std::size_t>(text[i + 1] - '1');
      if (index < arguments.size()) {
        result += *(arguments.begin() + index);
        ++i;
        continue;
      }
    }
    result += text[i];
  }
  return result;
}

void SetErrorTextHook(TErrorTextHook hook) { ErrorHook() = std::move(hook); }

std::string ErrorText(const std::exception& error) {
  if (const TErrorTextHook& hook = ErrorHook())
    return hook(error);
  return error.what();
}

} // namespace Fotarium::Core
