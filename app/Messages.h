#pragma once

// The window's language: its catalogues, Qt's own, and the wording of the errors the
// library and the platform raise. Their messages are fixed texts (English from the
// library, German from the platform, with the system's reason in the C locale); the
// window shows each in its own language, through the same catalogue as every other text.

#include "app/core/WindowLanguage.h"

#include <QString>

#include <exception>
#include <string_view>

namespace Fotarium::App {

// Installs the window's catalogue and Qt's own translations (standard buttons "Ja",
// "Nein", "Abbrechen") for language, replacing an earlier choice, and hands Core::Tr and
// Core::ErrorText to them. Call it before the window is created and while no worker runs.
void InstallWindowLanguage(Core::TWindowLanguage language);
[[nodiscard]] Core::TWindowLanguage InstalledWindowLanguage();

// An error as the window shows it: file errors rebuilt from their kind, name and system
// error code; every other known library or platform text translated; anything else as is.
[[nodiscard]] QString ErrorMessage(const std::exception& error);
// The same for an error's message that arrived as text.
[[nodiscard]] QString ErrorMessage(std::string_view message);

// The system's reason for an error code (errno) in the window's language: the common
// reasons from the catalogue, others from the C library in the user's locale.
[[nodiscard]] QString SystemErrorText(int errorCode);

} // namespace Fotarium::App
