// What the commands of kznload-cli do on the main window's state, apart from the objects
// that main builds, so that tests can run them on a scripted port.
#pragma once

#include <ostream>
#include <string>

#include "cli/cli_options.h"

class CLoaderState;
class CSettingsStore;
class CCliUserInteraction;
class UserInteraction;

// --lang when given, else the stored language index, else English.
Language ChooseCliLanguage(const CliOptions& options, const CSettingsStore& settings);

// The catalogue folder of a run: --catalogue, else the current folder when it holds
// chgt.cfg, else the folder the desktop program was last pointed at, else the current
// folder (whose missing catalogue message 110 then names). Empty, said on `err`, when the
// current folder cannot be read.
std::string CliCatalogueFolder(const CliOptions& options, const CSettingsStore& settings,
                               Language language, std::ostream& err);

// The session's start-up (StartSession, app/loader_session.h) with the command line's choices
// for a load, made as a user would make them in the window: the receiver type by its name,
// then the language version by its label (standard mode) or the file (expert mode).
// kExitLoaded when StartLoad may run; kExitUsage for an unknown type or version or a missing
// file (said on `err`); kExitFailed when the catalogue cannot be opened (message 110 shown).
int SelectFileToSend(CLoaderState& w, const CliOptions& options, std::ostream& err);

// `list`: one line per receiver type, "NAME<TAB>FAMILY", followed by one line per language
// version, "<TAB>LABEL<TAB>FILE<TAB>VERSION LABEL"; an empty field shows as "-".
// kExitFailed when the catalogue cannot be opened (message 110 shown).
int ListReceiverTypes(const std::string& catalogueFolder, UserInteraction& ui, Language language,
                      std::ostream& out);

// `info`: "form: A|B|none", "counted length: N", "version text: TEXT", then "family: VR, TK"
// or "family: TK20B" for a program file either family can send; for any other file a
// "[file]" line that says what is wrong with it, and kExitFailed.
int ShowHeaderRecord(const std::string& path, CCliUserInteraction& ui, Language language,
                     std::ostream& out, std::ostream& err);
