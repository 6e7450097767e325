// `journal`: the journal of loads (app/load_journal.h) as a table or as its own lines.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"

// "journal [--json] [--since YYYY-MM-DD] [--until YYYY-MM-DD] [--port N]"; args[0] is
// "journal".
CliParseResult ParseJournalCommand(const std::vector<std::string>& args);

// Prints the loads of the journal at `path` that the options choose, oldest first: a table
// (a heading, then one row per load) or, with --json, their lines as the journal holds
// them. A line that cannot be read is skipped with a note on `err`. kExitLoaded, also for a
// journal that does not exist yet; kExitFailed when it cannot be read.
int ShowJournal(const std::string& path, const CliJournalOptions& options, std::ostream& out,
                std::ostream& err);
