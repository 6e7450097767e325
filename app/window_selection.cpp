#include "app/window_selection.h"

#include <optional>
#include <string>
#include <vector>

#include "app/families.h"
#include "app/loader_state.h"
#include "base/messages.h"
#include "base/path.h"
#include "catalogue/catalogue.h"
#include "catalogue/selection.h"

std::string CataloguePath(const CLoaderState& w) {
  return w.catalogueFolder + kPathSeparator + kCatalogueFileName;
}

CatalogueChoice CatalogueChoiceOf(const CLoaderState& w) {
  CatalogueChoice choice{w.catalogueFolder, std::nullopt};
  if (w.receiverTypes.HasSelection()) choice.selectedType = w.receiverTypes.SelectedText();
  return choice;
}

std::string GetModelName(CLoaderState& w) {
  return LookupTypeValue(CatalogueChoiceOf(w), w.ui, w.language, kTagModelName);
}

std::int8_t FillReceiverTypeList(CLoaderState& w) {
  std::optional<std::vector<std::string>> names =
      ReceiverTypeNames(w.catalogueFolder, w.ui, w.language, w.IsExpertMode());
  if (!names) return -1;
  w.catalogueRead = true;
  ChoiceList& list = w.receiverTypes;
  list.entries = std::move(*names);
  list.selection = -1;
  int count = static_cast<int>(list.entries.size());
  if (w.rememberedTypeIndex > count - 1) w.rememberedTypeIndex = 0;
  if (w.rememberedTypeIndex >= 0 && w.rememberedTypeIndex < count) {
    list.selection = w.rememberedTypeIndex;
  }
  return 1;
}

void FillLanguageVersionList(CLoaderState& w) {
  std::optional<std::vector<LanguageVersion>> versions =
      LanguageVersions(CatalogueChoiceOf(w), w.ui, w.language);
  if (!versions || !w.receiverTypes.HasSelection()) return;
  ChoiceList& list = w.languageVersions;
  list.entries.clear();
  list.selection = -1;
  for (LanguageVersion& version : *versions)
    list.entries.push_back(std::move(version.label));
  if (list.entries.empty()) {
    w.fileName.clear();
    return;
  }
  list.selection = 0;
  w.startEnabled = true;
  w.startHasFocus = true;
}

std::int8_t ResolveLanguageFile(CLoaderState& w) {
  if (w.IsExpertMode()) return 1;
  std::optional<std::vector<LanguageVersion>> versions =
      LanguageVersions(CatalogueChoiceOf(w), w.ui, w.language);
  if (!versions || !w.receiverTypes.HasSelection()) return -1;
  // Entry k of the version list is the k-th language line of the record whose file exists.
  int wanted = w.languageVersions.HasSelection() ? w.languageVersions.selection : -1;
  if (wanted >= 0 && wanted < static_cast<int>(versions->size())) {
    w.folder = w.catalogueFolder + kPathSeparator;
    w.fileName = (*versions)[static_cast<std::size_t>(wanted)].fileName;
    return 1;
  }
  ShowMessageById(w.ui, w.language, kMsgLanguageFileMissing, kStyleExclamation);
  return -1;
}

void UpdateVersionLabel(CLoaderState& w) {
  const VersionLabelForm form =
      VersionLabelFormOf(GetFamily(CatalogueChoiceOf(w), w.ui, w.language));
  ResolveLanguageFile(w);
  w.versionLabel = VersionLabel(w.FilePath(), form, w.ui, [&w] { return GetModelName(w); });
}
