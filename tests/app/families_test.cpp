#include <gtest/gtest.h>

#include "app/families.h"
#include "catalogue/family.h"

namespace {

// Every family of the catalogue's tag list has its own row in the family table, and a tag
// names its family exactly.
TEST(FamilyTable, EveryTaggedFamilyHasItsRow) {
  for (const TaggedFamily& tagged : kFamilyTags) {
    SCOPED_TRACE(std::string(tagged.tag));
    EXPECT_EQ(FamilyRowOf(tagged.family).family, tagged.family);
    EXPECT_NE(FamilyRowOf(tagged.family).load, nullptr);
    EXPECT_EQ(FamilyOfTag(tagged.tag), tagged.family);
    EXPECT_EQ(FamilyTag(tagged.family), tagged.tag);
  }
  for (const char* tag : {"", "tk", "VR ", "TK20", "tk20b"})
    EXPECT_EQ(FamilyOfTag(tag), std::nullopt) << tag;
  EXPECT_EQ(FamilyTagsOf(RecordRules::kFirstFamily), "VR, TK");
  EXPECT_EQ(FamilyTagsOf(RecordRules::kSecondFamily), "TK20B");
  EXPECT_EQ(VersionLabelFormOf(std::nullopt), VersionLabelForm::kFirstFamily);
}

}  // namespace
