#include "catalogue/family_kind.h"

std::optional<FirstFamilyKind> FirstFamilyKindOf(std::string_view familyTag) {
  if (familyTag == "VR") return FirstFamilyKind::kVr;
  if (familyTag == "TK") return FirstFamilyKind::kTk;
  return std::nullopt;
}
