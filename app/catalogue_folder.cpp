#include "app/catalogue_folder.h"

#include "base/atomic_file.h"
#include "base/path.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "catalogue/catalogue.h"

std::string CatalogueFileIn(const std::string& folder) {
  return folder + kPathSeparator + kCatalogueFileName;
}

bool HoldsCatalogue(const std::string& folder) {
  return !folder.empty() && IsExistingFile(CatalogueFileIn(folder));
}

std::string WithoutTrailingSeparator(std::string folder) {
  while (folder.size() > 1 && kPathSeparators.find(folder.back()) != std::string::npos &&
         folder[folder.size() - 2] != ':') {
    folder.pop_back();
  }
  return folder;
}

std::string StartingCatalogueFolder(const std::string& workingFolder,
                                    const CSettingsStore& settings) {
  if (HoldsCatalogue(workingFolder)) return workingFolder;
  const std::string remembered =
      WithoutTrailingSeparator(settings.GetText(kFileLocationSection, kCatalogueFolderKey, ""));
  if (HoldsCatalogue(remembered)) return remembered;
  return workingFolder;
}

void RememberCatalogueFolder(CSettingsStore& settings, const std::string& folder) {
  settings.SetText(kFileLocationSection, kCatalogueFolderKey, WithoutTrailingSeparator(folder));
}
