#pragma once

// The language the window speaks, and the seam through which app/core's texts reach the
// window's catalogue. Core stays free of Qt: the program installs a translator that asks
// Qt's catalogues; without one (command-line tool, core tests) every text is its source
// text. Install the translator and the error-text hook before the first worker starts.

#include "platform/FormatSettings.h"

#include <exception>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// Marks a text for the catalogue where it is only looked up later (tables). lupdate reads
// it as QT_TRANSLATE_NOOP; Core::Tr is read as translate().
#define FOTARIUM_TRANSLATE_NOOP(context, sourceText) sourceText

namespace Fotarium::Core {

enum class TWindowLanguage { wlGerman, wlEnglish };

// The first non-empty of LC_ALL, LC_MESSAGES and LANG decides: a value starting with "en"
// gives English, anything else (C, POSIX, unset, other languages) German.
[[nodiscard]] TWindowLanguage WindowLanguage(const char* lcAll, const char* lcMessages, const char* lang);
// The same for the process's environment.
[[nodiscard]] TWindowLanguage WindowLanguageFromEnvironment();

// The locale texts (day and month names, separators) of a window in language: the
// environment's, unless they are of the other language - a German window never names
// English days, whatever LC_TIME says (C, POSIX and unset give English settings).
[[nodiscard]] Platform::TFormatSettings WindowFormatSettings(TWindowLanguage language);

// The translation of sourceText in context; sourceText itself without a translator or
// when the catalogue has none.
using TTextTranslator = std::function<std::string(const char* context, const char* sourceText)>;
void SetTextTranslator(TTextTranslator translator);
[[nodiscard]] std::string Tr(const char* context, const char* sourceText);

// text with %1 ... %9 replaced by the arguments, like QString::arg with several arguments:
// the markers are replaced in one pass, so an argument's own "%2" stays as it is.
[[nodiscard]] std::string FormatText(std::string_view text, std::initializer_list<std::string_view> arguments);

// How an error reads where the window shows it (a list entry, a failure line of a batch).
// The program installs one that words library and platform errors in the window's
// language; without one it is the error's own message.
using TErrorTextHook = std::function<std::string(const std::exception& error)>;
void SetErrorTextHook(TErrorTextHook hook);
[[nodiscard]] std::string ErrorText(const std::exception& error);

} // namespace Fotarium::Core
