// The receiver families and the catalogue's tags ("E/S:") that name them: the one place
// where a tag becomes a Family. What each family loads and shows is in the family table
// (app/families.h).
#pragma once

#include <optional>
#include <string_view>

// "VR" receivers are addressed with proprietary sentences, "TK" receivers with text markers
// (both the first family, loader/first); "TK20B" receivers are the second family
// (loader/second).
enum class Family { kVr, kTk, kTk20b };

struct TaggedFamily {
  Family family;
  std::string_view tag;
};

// The catalogue's tag list: every family and its tag, exactly as chgt.cfg writes it.
inline constexpr TaggedFamily kFamilyTags[] = {
    {Family::kVr, "VR"},
    {Family::kTk, "TK"},
    {Family::kTk20b, "TK20B"},
};

// The family a tag names, exactly ("tk" and "VR " name none); none for any other tag.
std::optional<Family> FamilyOfTag(std::string_view tag);
// The tag that names `family`.
std::string_view FamilyTag(Family family);
