#include "base/atomic_file.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/places.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_reader.h"

std::string TakeCatalogueFolder() {
  return CurrentFolder();
}

std::string_view LanguageTag(Language language) {
  return language == Language::kEnglish ? kTagEnglish : kTagFrench;
}

std::string_view LineTag(std::string_view line) {
  return line.size() >= 4 ? line.substr(0, 4) : std::string_view();
}

std::string_view LineValue(std::string_view line) {
  return line.size() >= 4 ? line.substr(4) : std::string_view();
}

void SplitLanguageLine(std::string_view line, std::string* extension, std::string* label) {
  std::size_t semicolon = line.find(';');
  if (semicolon == std::string_view::npos) {
    extension->clear();
    label->assign(line);
    return;
  }
  std::string_view ext = semicolon > 4 ? line.substr(4, semicolon - 4) : std::string_view();
  while (!ext.empty() && ext.front() == ' ')
    ext.remove_prefix(1);
  while (!ext.empty() && ext.back() == ' ')
    ext.remove_suffix(1);
  extension->assign(ext);
  label->assign(line.substr(semicolon + 1));
}

bool LanguageFileExists(const std::string& path) {
  return IsExistingFile(path);
}

std::string LookupTypeValue(const CatalogueChoice& choice, UserInteraction& ui, Language language,
                            std::string_view tag) {
  CCatalogueReader reader(choice.folder + kPathSeparator + kCatalogueFileName, ui);
  if (!reader.IsOpen()) {
    reader.ShowOpenFailure(language);
    return std::string();
  }
  if (!choice.selectedType) return std::string();
  std::string value;
  ScanRecord(reader, *choice.selectedType, [&](std::string_view line) {
    if (LineTag(line) != tag) return true;
    value.assign(LineValue(line));
    return false;
  });
  return value;
}

std::string GetFamilyTag(const CatalogueChoice& choice, UserInteraction& ui, Language language) {
  return LookupTypeValue(choice, ui, language, kTagFamily);
}
std::optional<Family> GetFamily(const CatalogueChoice& choice, UserInteraction& ui,
                                Language language) {
  return FamilyOfTag(GetFamilyTag(choice, ui, language));
}
std::string GetWrongChecksumText(const CatalogueChoice& choice, UserInteraction& ui,
                                 Language language) {
  return LookupTypeValue(choice, ui, language, kTagWrongChecksum);
}
