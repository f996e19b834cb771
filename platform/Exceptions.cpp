#include "platform/Exceptions.h"

#include <cstring>

namespace Platform {

std::string SysErrorMessage(int errorCode) {
  char buffer[256];
  // The GNU variant may return a static string instead of filling the buffer.
  const char* text = strerror_r(errorCode, buffer, sizeof buffer);
  return text ? std::string(text) : std::string();
}

EFOpenError::EFOpenError(const std::string& fileName, int errorCode)
    : EFileStreamError("Datei \"" + fileName + "\" kann nicht geöffnet werden. " +
                           SysErrorMessage(errorCode),
                       errorCode, fileName) {}

EFCreateError::EFCreateError(const std::string& fileName, int errorCode)
    : EFileStreamError("Datei \"" + fileName + "\" kann nicht erstellt werden. " +
                           SysErrorMessage(errorCode),
                       errorCode, fileName) {}

EAssignError::EAssignError(const std::string& sourceName, const std::string& targetName)
    : EConvertError(sourceName + " kann nicht zu " + targetName + " zugewiesen werden") {}

} // namespace Platform
