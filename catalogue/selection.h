// The language versions of a receiver type, and the version label that shows the version
// text in the header of a file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"

class UserInteraction;
struct CatalogueChoice;

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
// What a family's version label shows; the family table (app/families.h) says which.
enum class VersionLabelForm {
  kFirstFamily,   // 21 bytes of the header text from its third on, position 12 blanked for
                  // some models (BlanksVersionPosition); empty without a version text
  kSecondFamily,  // "Version : " and the whole header text; 22 blanks without one
};

// The version label of the file at `path` in the form `form`; `modelName` is asked only
// when the label depends on it.
std::string VersionLabel(const std::string& path, VersionLabelForm form, UserInteraction& ui,
                         const std::function<std::string()>& modelName);

// The version number of a version label: the decimal number at the start of `text` (white
// space skipped, the longest prefix of sign, digits, point and exponent), 0.0 when none.
// Independent of the process locale.
double ReadVersionNumber(std::string_view text);
// Whether the label of model `modelName` with version number `version` loses its position 12.
bool BlanksVersionPosition(std::string_view modelName, double version);
