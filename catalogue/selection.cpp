// The language versions of a receiver type and the files they stand for.
#include "catalogue/selection.h"

#include "base/messages.h"
#include "base/path.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_reader.h"

std::optional<std::vector<LanguageVersion>> LanguageVersions(const CatalogueChoice& choice,
                                                             UserInteraction& ui,
                                                             Language language) {
  std::string modelName = LookupTypeValue(choice, ui, language, kTagModelName);
  CCatalogueReader reader(choice.folder + kPathSeparator + kCatalogueFileName, ui);
  if (!reader.IsOpen()) {
    reader.ShowOpenFailure(language);
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
