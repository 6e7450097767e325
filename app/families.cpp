#include "app/families.h"

#include "app/loader_state.h"
#include "app/window_selection.h"
#include "base/messages.h"
#include "catalogue/catalogue.h"
#include "loader/first/first_family.h"
#include "loader/load_context.h"
#include "loader/second/second_family.h"

namespace {

LoadOutcome RunTk20bSequence(LoadContext& context, const LoadTarget& target, TableStore&) {
  return RunTk20bLoad(context, target);
}

constexpr FamilyRow kFamilies[] = {
    {Family::kVr, RecordRules::kFirstFamily, VersionLabelForm::kFirstFamily, RunFirstFamilyLoad},
    {Family::kTk, RecordRules::kFirstFamily, VersionLabelForm::kFirstFamily, RunFirstFamilyLoad},
    {Family::kTk20b, RecordRules::kSecondFamily, VersionLabelForm::kSecondFamily, RunTk20bSequence},
};

}  // namespace

const FamilyRow& FamilyRowOf(Family family) {
  for (const FamilyRow& row : kFamilies) {
    if (row.family == family) return row;
  }
  // Every family of the catalogue's list has its row (tests/app/families_test.cpp).
  return kFamilies[0];
}

std::string FamilyTagsOf(RecordRules records) {
  std::string tags;
  for (const FamilyRow& row : kFamilies) {
    if (row.records != records) continue;
    if (!tags.empty()) tags += ", ";
    tags += FamilyTag(row.family);
  }
  return tags;
}

const FamilyRow* FamilyToLoad(CLoaderState& w) {
  if (const std::optional<Family> family = GetFamily(CatalogueChoiceOf(w), w.ui, w.language))
    return &FamilyRowOf(*family);
  ShowMessageById(w.ui, w.language, kMsgBadConfigFile, kStyleExclamation);
  return nullptr;
}

VersionLabelForm VersionLabelFormOf(std::optional<Family> family) {
  return family ? FamilyRowOf(*family).label : VersionLabelForm::kFirstFamily;
}
