#include "catalogue/family.h"

std::optional<Family> FamilyOfTag(std::string_view tag) {
  for (const TaggedFamily& tagged : kFamilyTags) {
    if (tagged.tag == tag) return tagged.family;
  }
  return std::nullopt;
}

std::string_view FamilyTag(Family family) {
  for (const TaggedFamily& tagged : kFamilyTags) {
    if (tagged.family == family) return tagged.tag;
  }
  return {};
}
