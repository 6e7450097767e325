// The first family's memory of a port's last load, kept in the settings: whether it ended
// unfinished, the question that asks what to do then (message 134), and the receiver type
// whose tables the port's dump file holds.
#pragma once

#include <optional>
#include <string>

#include "base/messages.h"

class CSettingsStore;
class UserInteraction;

// Whether the last load on the port ended unfinished (its marker is -1).
bool IsLastLoadingUnfinished(const CSettingsStore& settings, int portNumber);

// The per-port marker of the last load: 1 when it ended well or the user says another
// receiver is loaded now (No to message 134), -1 when the user says the same receiver is
// loaded again (Yes), 0 when nobody answered (kResultUnanswered).
int CheckLastLoadingMarker(const CSettingsStore& settings, UserInteraction& ui, Language language,
                           int portNumber);
// -1 for a negative result, else 1; false when the store could not take it.
bool SetLastLoadingMarker(CSettingsStore& settings, int portNumber, int result);

// The receiver type whose tables the port's dump file holds ("DUMP_TYPE", key the port
// number), kept beside the marker so that an unfinished load's tables only ever go back
// into a receiver of that type. None for a dump written before it was kept.
std::optional<std::string> DumpReceiverType(const CSettingsStore& settings, int portNumber);
bool SetDumpReceiverType(CSettingsStore& settings, int portNumber, const std::string& type);
