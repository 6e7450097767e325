// The family table: one row for each receiver family this program loads, with how its
// files are checked, what its version label shows and the load sequence that runs. The
// start button, the CLI's run of several ports and the version label read it; nothing else
// asks which family a type is. A further family is a row here, its tag in the catalogue's
// list (catalogue/family.h) and its load sequence in a folder of its own (loader/<family>/).
#pragma once

#include <optional>
#include <string>

#include "catalogue/family.h"
#include "catalogue/selection.h"
#include "loader/first/table_store.h"
#include "loader/load_outcome.h"
#include "loader/program_image.h"

class CLoaderState;
struct LoadContext;
struct LoadTarget;

// A family's load sequence: the whole load on the port, the family in `context`. `tables`
// holds the saved almanac the window loaded at its start; a family without tables ignores it.
using LoadSequence = LoadOutcome (*)(LoadContext& context, const LoadTarget& target,
                                     TableStore& tables);

struct FamilyRow {
  Family family;
  RecordRules records;     // the rules its files' records follow
  VersionLabelForm label;  // what the version label shows of its files
  LoadSequence load;
};

// The row of `family`.
const FamilyRow& FamilyRowOf(Family family);
// The tags of the families whose files follow `records`, in table order: "VR, TK".
std::string FamilyTagsOf(RecordRules records);

// The family of the type selected in the window, from its tag in the catalogue, read now.
// A tag that names no family (also none, or a catalogue that cannot be read) means that the
// catalogue is wrong for the type: message 126 is shown and there is no row.
const FamilyRow* FamilyToLoad(CLoaderState& w);

// What the version label shows for the type selected in the window: its family's form, the
// first family's for a tag that names no family.
VersionLabelForm VersionLabelFormOf(std::optional<Family> family);
