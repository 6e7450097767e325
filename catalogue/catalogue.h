// The receiver catalogue chgt.cfg in the catalogue folder: the receiver types the program
// can load, with their model name, family tag, wrong-checksum text and language versions.
// Nothing of it is kept in memory: every operation opens the file anew, reads it from the
// start and closes it before it returns, so an edited catalogue is seen at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "catalogue/family.h"

class UserInteraction;

// Where the catalogue is and which of its receiver types is chosen: what a load needs to
// read the chosen type's values anew while it runs.
struct CatalogueChoice {
  std::string folder;                       // without a trailing separator
  std::optional<std::string> selectedType;  // display name; none without a selection
};

inline constexpr const char* kCatalogueFileName = "chgt.cfg";
inline constexpr std::string_view kTagRecord = "REC:";
inline constexpr std::string_view kTagModelName = "NAM:";
inline constexpr std::string_view kTagFamily = "E/S:";
inline constexpr std::string_view kTagWrongChecksum = "WRG:";
inline constexpr std::string_view kTagFrench = "LFR:";
inline constexpr std::string_view kTagEnglish = "LGB:";

// The working directory, which the main window takes once as the catalogue folder when it
// starts; empty when it cannot be read.
std::string TakeCatalogueFolder();
// "LFR:" for French, "LGB:" for English.
std::string_view LanguageTag(Language language);

// The tag of a line: its first four bytes, when it has four.
std::string_view LineTag(std::string_view line);
// The value of a line: everything after its tag, verbatim.
std::string_view LineValue(std::string_view line);
// Extension and label of a language line: the extension is what stands between the tag
// and the first ";", without the blanks around it; the label is everything after it.
// Without ";" the extension is empty and the label is the whole line.
void SplitLanguageLine(std::string_view line, std::string* extension, std::string* label);

// A language line counts while its file exists. Existence is checked by name; a folder of
// that name is not a language file.
bool LanguageFileExists(const std::string& path);

// Every display name of the catalogue in file order, duplicates kept; unless `everyType`,
// only those with a language file for `language`. None when the catalogue cannot be opened
// (message 110 shown).
std::optional<std::vector<std::string>> ReceiverTypeNames(const std::string& folder,
                                                          UserInteraction& ui, Language language,
                                                          bool everyType);
// True when the record `displayName` has a language line for the running language whose
// file exists; false without one or when the catalogue cannot be opened (message 110).
bool HasLanguageFile(const std::string& folder, UserInteraction& ui, Language language,
                     const std::string& displayName);
// The first value of `tag` in the selected type's record; empty without one, without a
// selection, or when the catalogue cannot be opened (message 110 shown).
std::string LookupTypeValue(const CatalogueChoice& choice, UserInteraction& ui, Language language,
                            std::string_view tag);
std::string GetFamilyTag(const CatalogueChoice& choice, UserInteraction& ui, Language language);
// The family the selected type's tag names (FamilyOfTag); none for a tag that names no
// family, without a tag or selection, or when the catalogue cannot be opened (message 110).
std::optional<Family> GetFamily(const CatalogueChoice& choice, UserInteraction& ui,
                                Language language);
std::string GetWrongChecksumText(const CatalogueChoice& choice, UserInteraction& ui,
                                 Language language);
