// The load of a receiver of the first family ("VR" and "TK").
#pragma once

#include <string>

#include "base/messages.h"
#include "catalogue/family.h"
#include "loader/first/table_store.h"
#include "loader/load_outcome.h"

class CSettingsStore;
struct LoadContext;
struct LoadTarget;

// Checks everything it can before the start (the block map, the file with its check bytes,
// the type's wrong-checksum text, that the settings take the port's marker), reads the
// receiver's tables, brings it into loading mode, sends the file with the tables written back
// at its end, and tells the outcome in one message box. `tables` holds the saved almanac the
// window loaded at its start; the load adds what it reads. Returns how it ended.
// `context.family` is VR or TK; for another family it refuses with message 126.
LoadOutcome RunFirstFamilyLoad(LoadContext& context, const LoadTarget& target, TableStore& tables);

// Why the port's marker cannot be written: the settings file and the system's reason.
std::string MarkerWriteFailureText(const CSettingsStore& settings, Language language);
