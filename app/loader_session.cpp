#include "app/loader_session.h"

#include <utility>

#include "app/catalogue_folder.h"
#include "app/load_journal.h"
#include "app/window_selection.h"
#include "loader/first/almanac.h"
#include "serial/com_device.h"

CLoaderSession::CLoaderSession(UserInteraction& ui, std::string settingsPath,
                               std::optional<std::string> comDevice)
    : settings(std::move(settingsPath)),
      device(std::move(comDevice)),
      port(ui, [this](int portNumber) { return ResolveDevice(portNumber); }),
      state(ui, clock, settings, port) {}

std::string CLoaderSession::ResolveDevice(int portNumber) const {
  return device ? *device : ResolveComDevice(settings, portNumber);
}

void CLoaderSession::AttachJournal(CLoadJournal& journal,
                                   std::function<std::string(const std::string&)> describeAdapter) {
  state.journal = &journal;
  state.resolveDevice = [this](int portNumber) { return ResolveDevice(portNumber); };
  state.describeAdapter = std::move(describeAdapter);
}

Language StartingLanguage(const CSettingsStore& settings, std::optional<Language> given,
                          const std::function<std::optional<Language>()>& askLanguage) {
  return given ? *given : ChooseLanguage(settings, askLanguage);
}

bool StartSession(CLoaderState& w, const SessionStart& start) {
  w.language = StartingLanguage(w.settings, start.language, start.askLanguage);
  if (start.takeChoices && !start.takeChoices()) return false;
  w.catalogueFolder = start.catalogueFolder;
  ClearTableFlags(w.tables);
  while (FillReceiverTypeList(w) < 0) {
    const std::optional<std::string> chosen =
        start.chooseCatalogueFolder ? start.chooseCatalogueFolder() : std::nullopt;
    if (!chosen) return false;
    w.catalogueFolder = WithoutTrailingSeparator(*chosen);
  }
  if (w.catalogueFolder != start.catalogueFolder)
    RememberCatalogueFolder(w.settings, w.catalogueFolder);
  if (start.select && !start.select()) return false;
  ReadAlmanacBackup(w);
  UpdateVersionLabel(w);
  return true;
}

void ReadAlmanacBackup(CLoaderState& w) {
  LoadAlmanacBackup(w.tables, w.catalogueFolder);
}
