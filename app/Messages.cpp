#include "app/Messages.h"

#include "platform/Exceptions.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

#include <array>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <locale.h>
#include <memory>
#include <optional>

namespace Fotarium::App {

namespace {

// The messages the library raises with fixed English texts; %1 and %2 stand for the
// numbers some of them carry.
constexpr std::array LibraryMessages = {
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Stream is read-only"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Unsupported graphic format"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "JPEG header is not valid"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Photoshop (PSD) file header is not valid"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Invalid TIFF data"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Tag with ID of \"%1\" already exists in section"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages",
                            "JPEG segment data of %1 bytes is too large: a segment carries at most 65533 bytes"),
    FOTARIUM_TRANSLATE_NOOP(
        "LibraryMessages",
        "Illegal attempt to edit the Exif data in such a way that it would change the file structure"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Tag may contain only ASCII string data"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Invalid MakerNote format"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "XMP packet is not valid"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Sub-properties must be named"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Property type does not support sub-properties"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Cannot assign a single value to a structure property"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages",
                            "The schema's PreferredPrefix property must be set before a new item can be added"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Tags can only be added during AddTagsToWrite"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages",
                            "The saved picture did not read back as written; the original was left unchanged"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages",
                            "Exif data of %1 bytes does not fit into a JPEG APP1 segment (at most %2 bytes)"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "Thumbnail of %1 bytes is too large: at most %2 bytes can be saved"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "No JFIF segment!"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "The Exif block is read-only"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "A rendered XMP packet cannot be loaded"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "An unknown XMP namespace has no preferred prefix or URI"),
    FOTARIUM_TRANSLATE_NOOP("LibraryMessages", "An XMP property's name cannot be set to an empty text"),
};

// The platform's messages, German source texts.
constexpr std::array PlatformMessages = {
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Stream-Lesefehler"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Stream-Schreibfehler"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Fehler bei Bereichsprüfung"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Kein Speicher mehr für den Stream"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Ungültige Stream-Größe"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Listenindex überschreitet das Maximum (%1)"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Listenindex außerhalb des gültigen Bereichs (%1)"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Stringliste erlaubt keine Duplikate"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Operation bei sortierten Stringlisten nicht erlaubt"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "%1 kann nicht zu %2 zugewiesen werden"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Keine Daten für den Datensatz"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Ungültiges Argument für Zeitkodierung"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Ungültiges Argument für Datumskodierung"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "'%1' ist kein gültiger Integerwert"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "'%1' ist kein gültiger Gleitkommawert"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "'%1' ist keine gültige Uhrzeit"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "'%1' ist kein gültiges Datum"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "'%1' ist kein gültiges Datum und Uhrzeit"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Ungültiger Skalierungsnenner %1"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Ungültige Bitmap-Größe %1 x %2"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "JPEG-Fehler #%1: %2"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "JPEG-Farbraum wird nicht unterstützt"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Eine leere Bitmap kann nicht als JPEG gespeichert werden"),
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Die Datei ist zu groß für eine Ini-Datei: %1"),
};

// The reasons a file operation commonly fails for, with the C library's English texts.
struct TSystemError {
  int Code;
  const char* Text;
};
constexpr std::array SystemErrors = {
    TSystemError{EPERM, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Operation not permitted")},
    TSystemError{ENOENT, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "No such file or directory")},
    TSystemError{EIO, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Input/output error")},
    TSystemError{ENOMEM, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Cannot allocate memory")},
    TSystemError{EACCES, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Permission denied")},
    TSystemError{EBUSY, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Device or resource busy")},
    TSystemError{EEXIST, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "File exists")},
    TSystemError{EXDEV, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Invalid cross-device link")},
    TSystemError{ENOTDIR, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Not a directory")},
    TSystemError{EISDIR, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Is a directory")},
    TSystemError{EINVAL, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Invalid argument")},
    TSystemError{EMFILE, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Too many open files")},
    TSystemError{EFBIG, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "File too large")},
    TSystemError{ENOSPC, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "No space left on device")},
    TSystemError{EROFS, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Read-only file system")},
    TSystemError{ENAMETOOLONG, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "File name too long")},
    TSystemError{ELOOP, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Too many levels of symbolic links")},
    TSystemError{EDQUOT, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Disk quota exceeded")},
    TSystemError{ENOTEMPTY, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Directory not empty")},
    TSystemError{ETXTBSY, FOTARIUM_TRANSLATE_NOOP("SystemErrors", "Text file busy")},
};

struct TInstalled {
  Core::TWindowLanguage Language = Core::TWindowLanguage::wlGerman;
  std::unique_ptr<QTranslator> Window;
  std::unique_ptr<QTranslator> Qt;
};
TInstalled& Installed() {
  static TInstalled installed;
  return installed;
}

QString Translate(const char* context, const char* sourceText) {
  return QCoreApplication::translate(context, sourceText);
}

// A message text made from template: the template's markers %1, %2 match any text.
// Answers the translated template with the matched parts put back, or nothing.
std::optional<QString> MatchTemplate(const char* context, const char* sourceTemplate, const QString& message) {
  const QString source = QString::fromUtf8(sourceTemplate);
  if (!source.contains(QLatin1Char('%')))
    return message == source ? std::optional<QString>(Translate(context, sourceTemplate)) : std::nullopt;
  // The fixed parts literally, each marker as a group.
  static const QRegularExpression marker(QStringLiteral("%[1-9]"));
  QString pattern;
  qsizetype from = 0;
  for (QRegularExpressionMatchIterator it = marker.globalMatch(source); it.hasNext();) {
    const QRegularExpressionMatch found = it.next();
    pattern += QRegularExpression::escape(source.mid(from, found.capturedStart() - from)) + QStringLiteral("(.*)");
    from = found.capturedEnd();
  }
  pattern += QRegularExpression::escape(source.mid(from));
  const QRegularExpression expression(QRegularExpression::anchoredPattern(pattern),
                                      QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch match = expression.match(message);
  if (!match.hasMatch())
    return std::nullopt;
  // One pass over all markers, so that a matched part's own "%2" stays text.
  const QString translated = Translate(context, sourceTemplate);
  if (match.lastCapturedIndex() >= 2)
    return translated.arg(match.captured(1), match.captured(2));
  return translated.arg(match.captured(1));
}

// The English reason the C library gives in the C locale, as the platform's messages embed it.
QString SystemErrorTextFromEnglish(const QString& reason) {
  for (const TSystemError& error : SystemErrors)
    if (reason == QLatin1String(error.Text))
      return Translate("SystemErrors", error.Text);
  return reason;
}

constexpr const char* FileOpenError =
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Datei \"%1\" kann nicht geöffnet werden. %2");
constexpr const char* FileCreateError =
    FOTARIUM_TRANSLATE_NOOP("PlatformMessages", "Datei \"%1\" kann nicht erstellt werden. %2");

QString FileErrorMessage(const char* sourceTemplate, const QString& fileName, const QString& reason) {
  return Translate("PlatformMessages", sourceTemplate).arg(fileName, reason);
}

} // namespace

void InstallWindowLanguage(Core::TWindowLanguage language) {
  TInstalled& installed = Installed();
  for (std::unique_ptr<QTranslator>* translator : {&installed.Window, &installed.Qt})
    if (*translator) {
      QCoreApplication::removeTranslator(translator->get());
      translator->reset();
    }
  installed.Language = language;
  const bool english = language == Core::TWindowLanguage::wlEnglish;

  installed.Window = std::make_unique<QTranslator>();
  if (installed.Window->load(english ? QStringLiteral(":/i18n/fotarium_en") : QStringLiteral(":/i18n/fotarium_de")))
    QCoreApplication::installTranslator(installed.Window.get());
  // Qt's own texts are English already; only a German window needs their catalogue.
  if (!english) {
    installed.Qt = std::make_unique<QTranslator>();
    if (installed.Qt->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
      QCoreApplication::installTranslator(installed.Qt.get());
  }

  Core::SetTextTranslator(
      [](const char* context, const char* sourceText) { return Translate(context, sourceText).toStdString(); });
  Core::SetErrorTextHook([](const std::exception& error) { return ErrorMessage(error).toStdString(); });
}

Core::TWindowLanguage InstalledWindowLanguage() { return Installed().Language; }

QString ErrorMessage(const std::exception& error) {
  const auto name = [](const std::string& fileName) {
    return QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size()));
  };
  if (const auto* open = dynamic_cast<const Platform::EFOpenError*>(&error))
    return FileErrorMessage(FileOpenError, name(open->FileName()), SystemErrorText(open->ErrorCode()));
  if (const auto* create = dynamic_cast<const Platform::EFCreateError*>(&error))
    return FileErrorMessage(FileCreateError, name(create->FileName()), SystemErrorText(create->ErrorCode()));
  return ErrorMessage(std::string_view(error.what()));
}

QString ErrorMessage(std::string_view message) {
  const QString text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
  for (const char* source : LibraryMessages)
    if (auto translated = MatchTemplate("LibraryMessages", source, text))
      return *translated;
  for (const char* source : PlatformMessages)
    if (auto translated = MatchTemplate("PlatformMessages", source, text))
      return *translated;
  // A file error that crossed as text: its reason is the C library's English one.
  static const QRegularExpression fileError(
      QStringLiteral("^Datei \"(.*)\" kann nicht (geöffnet|erstellt) werden\\. (.*)$"),
      QRegularExpression::DotMatchesEverythingOption);
  if (const QRegularExpressionMatch match = fileError.match(text); match.hasMatch())
    return FileErrorMessage(match.captured(2) == QStringLiteral("geöffnet") ? FileOpenError : FileCreateError,
                            match.captured(1), SystemErrorTextFromEnglish(match.captured(3)));
  return text;
}

QString SystemErrorText(int errorCode) {
  for (const TSystemError& error : SystemErrors)
    if (error.Code == errorCode)
      return Translate("SystemErrors", error.Text);
  // Rarer reasons in the user's own locale, as far as the system has it installed.
  if (locale_t userLocale = newlocale(LC_MESSAGES_MASK, "", static_cast<locale_t>(nullptr))) {
    QString text = QString::fromLocal8Bit(strerror_l(errorCode, userLocale));
    freelocale(userLocale);
    return text;
  }
  return QString::fromLocal8Bit(std::strerror(errorCode));
}

} // namespace Fotarium::App
