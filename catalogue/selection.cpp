// Standard mode: the language-version list of the selected receiver type, and the file to
// send that the selected version stands for.
#include "catalogue/selection.h"

#include "base/loader_state.h"
#include "base/messages.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_reader.h"

namespace {

void ShowCatalogueOpenError(CLoaderState& w) {
  ShowMessageById(w.ui, kMsgCatalogueOpenError + LanguageOffset, kStyleStop);
}

}  // namespace

void FillLanguageVersionList(CLoaderState& w) {
  std::string modelName = GetModelName(w);
  CCatalogueReader reader(CataloguePath(w), w.ui);
  if (!reader.IsOpen()) {
    ShowCatalogueOpenError(w);
    return;
  }
  if (!w.receiverTypes.HasSelection()) return;
  ChoiceList& list = w.languageVersions;
  list.entries.clear();
  list.selection = -1;
  std::string_view languageTag = RunningLanguageTag();
  std::string extension, label;
  ScanRecord(reader, w.receiverTypes.SelectedText(), [&](std::string_view line) {
    if (LineTag(line) != languageTag) return true;
    SplitLanguageLine(line, &extension, &label);
    if (LanguageFileExists(LanguageFilePath(w, modelName, extension))) {
      list.entries.push_back(label);
    }
    return true;
  });
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
  std::string modelName = GetModelName(w);
  CCatalogueReader reader(CataloguePath(w), w.ui);
  if (!reader.IsOpen()) {
    ShowCatalogueOpenError(w);
    return -1;
  }
  if (!w.receiverTypes.HasSelection()) return -1;
  // Entry k of the version list is the k-th language line of the record whose file exists.
  int wanted = w.languageVersions.HasSelection() ? w.languageVersions.selection : -1;
  int counter = 0;
  bool resolved = false;
  std::string_view languageTag = RunningLanguageTag();
  std::string extension, label;
  ScanRecord(reader, w.receiverTypes.SelectedText(), [&](std::string_view line) {
    if (LineTag(line) != languageTag) return true;
    SplitLanguageLine(line, &extension, &label);
    if (!LanguageFileExists(LanguageFilePath(w, modelName, extension))) return true;
    if (counter != wanted) {
      ++counter;
      return true;
    }
    w.folder = w.catalogueFolder + kPathSeparator;
    w.fileName = modelName + "." + extension;
    resolved = true;
    return false;
  });
  if (resolved) return 1;
  ShowMessageById(w.ui, kMsgLanguageFileMissing + LanguageOffset, kStyleExclamation);
  return -1;
}
