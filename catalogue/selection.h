// Choosing the file to send in standard mode (receiver type and language version), and the
// version label that shows the version text in the header of the file to send.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"

class CLoaderState;
class UserInteraction;
struct CatalogueChoice;
struct HeaderRecord;

// A language version of a receiver type: its label and the file it stands for.
struct LanguageVersion {
  std::string label;
  std::string fileName;  // model name + "." + extension, in the catalogue folder
};

// The language versions of the chosen type for `language` whose files exist, in record
// order; empty without a selection. None when the catalogue cannot be opened (message 110
// shown).
std::optional<std::vector<LanguageVersion>> LanguageVersions(const CatalogueChoice& choice,
                                                             UserInteraction& ui,
                                                             Language language);
// The version label of the file at `path` for a type of family `family`; `modelName` is
// asked only when the label depends on it. Empty when the file has no version text.
std::string VersionLabel(const std::string& path, std::string_view family, UserInteraction& ui,
                         const std::function<std::string()>& modelName);

// Refills the language-version list with the labels of the selected type's language lines
// for the running language whose files exist; selects the first and enables start.
void FillLanguageVersionList(CLoaderState& w);
// Sets folder and file name from the selected type and language version: 1, or -1 (message
// 129 when the version has no file). Does nothing and returns 1 in expert mode.
std::int8_t ResolveLanguageFile(CLoaderState& w);
// The version text length of the file to send, or a negative value when it has none; its
// header record in *record.
int ReadVersionText(CLoaderState& w, HeaderRecord* record);
// Writes the version label from the header of the file to send.
void UpdateVersionLabel(CLoaderState& w);

// The version number of a version label: the decimal number at the start of `text` (white
// space skipped, the longest prefix of sign, digits, point and exponent), 0.0 when none.
// Independent of the process locale.
double ReadVersionNumber(std::string_view text);
// Whether the label of model `modelName` with version number `version` loses its position 12.
bool BlanksVersionPosition(std::string_view modelName, double version);
