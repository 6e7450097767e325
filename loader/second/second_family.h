// The load of a receiver of the second family ("TK20B").
#pragma once

#include <string>

#include "loader/load_outcome.h"
#include "loader/second/tk20b_result.h"

struct LoadContext;
struct LoadTarget;

// Checks the file and the type's wrong-checksum text before the receiver hears anything,
// detects the receiver, prepares it at the fastest bit rate the port takes, waits while it
// erases, sends the file and tells the outcome in one message box. Returns how it ended.
LoadOutcome RunTk20bLoad(LoadContext& context, const LoadTarget& target);

// The outcome a step's result stands for; `refused` for a fault known before the start.
LoadOutcome Tk20bOutcomeOf(Tk20bResult result, bool refused, std::string stopCause,
                           std::string detail);
