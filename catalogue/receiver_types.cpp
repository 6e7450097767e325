// The receiver types: every display name of the catalogue, in file order, duplicates kept;
// or only types with a language file for a language.
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/path.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_reader.h"

namespace {

// First pass of HasLanguageFile: the first non-empty "NAM:" value of the first record named
// `displayName`, or empty text.
std::string FindModelName(CCatalogueReader& reader, std::string_view displayName) {
  std::string modelName;
  bool found = false;
  std::string line;
  while (modelName.empty() && reader.ReadLine(&line)) {
    std::string_view tag = LineTag(line);
    if (tag == kTagRecord) {
      if (found) break;
      found = LineValue(line) == displayName;
    } else if (found && tag == kTagModelName) {
      modelName.assign(LineValue(line));
    }
  }
  return modelName;
}

}  // namespace

bool HasLanguageFile(const std::string& folder, UserInteraction& ui, Language language,
                     const std::string& displayName) {
  CCatalogueReader reader(folder + kPathSeparator + kCatalogueFileName, ui);
  if (!reader.IsOpen()) {
    reader.ShowOpenFailure(language);
    return false;
  }
  std::string modelName = FindModelName(reader, displayName);
  reader.Rewind();
  std::string_view languageTag = LanguageTag(language);
  bool result = false;
  std::string extension, label;
  ScanRecord(reader, displayName, [&](std::string_view line) {
    if (LineTag(line) != languageTag) return true;
    SplitLanguageLine(line, &extension, &label);
    // One existing file is enough; the rest of the record cannot change the answer.
    result = LanguageFileExists(folder + kPathSeparator + modelName + '.' + extension);
    return !result;
  });
  return result;
}

std::optional<std::vector<std::string>> ReceiverTypeNames(const std::string& folder,
                                                          UserInteraction& ui, Language language,
                                                          bool everyType) {
  CCatalogueReader reader(folder + kPathSeparator + kCatalogueFileName, ui);
  if (!reader.IsOpen()) {
    reader.ShowOpenFailure(language);
    return std::nullopt;
  }
  std::vector<std::string> names;
  std::string line;
  while (reader.ReadLine(&line)) {
    if (LineTag(line) != kTagRecord || LineValue(line).empty()) continue;
    std::string displayName(LineValue(line));
    if (everyType || HasLanguageFile(folder, ui, language, displayName)) {
      names.push_back(std::move(displayName));
    }
  }
  return names;
}
