// Standard mode: the language-version list of the selected receiver type, and the file to
// send that the selected version stands for.
#include "catalogue/selection.h"

#include "base/loader_state.h"
#include "base/messages.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_reader.h"

std::optional<std::vector<LanguageVersion>> LanguageVersions(const CatalogueChoice& choice,
                                                             UserInteraction& ui,
                                                             Language language) {
  std::string modelName = LookupTypeValue(choice, ui, language, kTagModelName);
  CCatalogueReader reader(choice.folder + kPathSeparator + kCatalogueFileName, ui);
  if (!reader.IsOpen()) {
    ShowMessageById(ui, language, kMsgCatalogueOpenError, kStyleStop);
    return std::nullopt;
  }
  std::vector<LanguageVersion> versions;
  if (!choice.selectedType) return versions;
  std::string_view languageTag = LanguageTag(language);
  std::string extension, label;
  ScanRecord(reader, *choice.selectedType, [&](std::string_view line) {
    if (LineTag(line) != languageTag) return true;
    SplitLanguageLine(line, &extension, &label);
    std::string fileName = modelName + "." + extension;
    if (LanguageFileExists(choice.folder + kPathSeparator + fileName)) {
      versions.push_back(LanguageVersion{label, std::move(fileName)});
    }
    return true;
  });
  return versions;
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
