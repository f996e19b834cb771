#pragma once
// Switches the process-wide format settings for one scope.

#include "platform/FormatSettings.h"

class TFormatSettingsScope {
public:
  explicit TFormatSettingsScope(const Platform::TFormatSettings& settings) : FSaved(Platform::FormatSettings()) {
    Platform::SetFormatSettings(settings);
  }
  ~TFormatSettingsScope() { Platform::SetFormatSettings(FSaved); }
  TFormatSettingsScope(const TFormatSettingsScope&) = delete;
  TFormatSettingsScope& operator=(const TFormatSettingsScope&) = delete;

private:
  Platform::TFormatSettings FSaved;
};
