// The load of a receiver of the first family ("VR" and "TK").
#pragma once

#include <string>

#include "base/table_store.h"
#include "catalogue/family_kind.h"

struct LoadContext;
struct LoadTarget;

// Reads the receiver's tables, brings it into loading mode, sends the file with the
// tables written back at its end, and tells the outcome in one message box. `tables` holds
// the saved almanac the window loaded at its start; the load adds what it reads.
void RunFirstFamilyLoad(LoadContext& context, const LoadTarget& target, TableStore& tables,
                        const std::string& familyTag);
