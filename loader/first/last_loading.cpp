#include "loader/first/last_loading.h"

#include <string_view>

#include "base/settings_keys.h"
#include "base/settings_store.h"

bool IsLastLoadingUnfinished(const CSettingsStore& settings, int portNumber) {
  return settings.GetInt(kLastLoadingSection, PortNumberKey(portNumber), 1) < 0;
}

int CheckLastLoadingMarker(const CSettingsStore& settings, UserInteraction& ui, Language language,
                           int portNumber) {
  if (!IsLastLoadingUnfinished(settings, portNumber)) return 1;
  int answer = ShowMessageById(ui, language, kMsgLastLoadingUnfinished, kStyleQuestion);
  if (answer == kResultUnanswered) return 0;
  return answer == kResultYes ? -1 : 1;
}

bool SetLastLoadingMarker(CSettingsStore& settings, int portNumber, int result) {
  return settings.SetInt(kLastLoadingSection, PortNumberKey(portNumber), result < 0 ? -1 : 1);
}

std::optional<std::string> DumpReceiverType(const CSettingsStore& settings, int portNumber) {
  // A key that was never written reads as the default, which no catalogue name can be.
  constexpr std::string_view kNone = "\n";
  std::string type = settings.GetText(kDumpTypeSection, PortNumberKey(portNumber), kNone);
  if (type == kNone) return std::nullopt;
  return type;
}

bool SetDumpReceiverType(CSettingsStore& settings, int portNumber, const std::string& type) {
  return settings.SetText(kDumpTypeSection, PortNumberKey(portNumber), type);
}
