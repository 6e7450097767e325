// The main window's operations apart from its widgets: the desktop program's window and
// the command-line front end both run them on a CLoaderState, and the window re-reads the
// state into its controls after each of them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/window_settings.h"
#include "base/messages.h"
#include "catalogue/family.h"
#include "loader/load_outcome.h"

struct LoadContext;
struct LoadTarget;
struct TableStore;

class CLoaderState;

// Pause after the settings are written at close, before the window goes.
inline constexpr std::int64_t kCloseSettleMs = 250;
// Double clicks on the window's surface that are ignored before the next one switches
// between standard and expert mode.
inline constexpr int kDoubleClicksBeforeSwitch = 20;

// What only the window can do during its initialisation, called at its place in the order.
struct WindowInitialisation {
  // Shows the language window modally; the language the user last clicked, if any.
  std::function<std::optional<Language>()> askLanguage;
  // Menu entry, icon, pictures, texts and visibility of the controls, once the language
  // and the mode are known.
  std::function<void()> setUpControls;
  // A valid placement stored at the last close.
  std::function<void(const WindowPlacement&)> restorePlacement;
  // After message 110 at the start: the folder window for another catalogue folder, the
  // folder the user chose, none when they cancelled. Empty: the start stops at 110.
  std::function<std::optional<std::string>()> chooseCatalogueFolder;
};

// The window's initialisation after the platform's own, the start-up of every front end
// (StartSession, app/loader_session.h) with the window's steps: language, remembered settings
// (with the port swap), catalogue folder, table flags, receiver types, language versions,
// almanac backup and version label. When the catalogue cannot be read, the user is told
// (message 110) and, where the window offers it, chooses another catalogue folder, which is
// remembered for the starts to come. False when no catalogue could be read: the lists stay
// empty and the almanac is not loaded.
bool InitialiseMainWindow(CLoaderState& w, const WindowInitialisation& window,
                          const std::string& catalogueFolder);

// The close command, the only path that saves the settings: the port is closed, then the
// placement (when the platform gives one), "PORT", "TYPE_LANG", "DIR", "FILE", "REC" and
// "TYPE_UI" are written in this order. "DIR", "FILE" and "REC" are left as they are when
// no catalogue was read since the start: empty lists must not overwrite a good choice.
void CloseMainWindow(CLoaderState& w, const std::optional<WindowPlacement>& placement);

// A left double click on the window's free surface. True when it switched the mode; the
// window then shows the controls of the new mode. The type selected before stays selected
// while the new mode lists it, and the language versions (standard mode), the version label
// and the file to send follow the selection as after a choice in the list.
bool CountDoubleClick(CLoaderState& w);

// A click on a port radio button: any open port is closed first.
void ClickPort(CLoaderState& w, int portNumber);
// Selection changes of the receiver-type and language-version lists (-1: none).
void SelectReceiverType(CLoaderState& w, int index);
void SelectLanguageVersion(CLoaderState& w, int index);
// A file chosen with the file window (expert mode), as a full path.
void ChooseFile(CLoaderState& w, const std::string& fullPath);

// The start button: fixes the file to send and runs the load sequence of the selected
// receiver type's family (the family table, app/families.h), as one load on the port; a tag
// that names no family starts nothing and shows message 126. Shows message 107 in expert
// mode without a file. Returns how the load ended: a load that did not start is refused.
// With a journal (CLoaderState::journal) every press appends the load's line to it, refusals
// included; the journal never changes the outcome.
LoadOutcome StartLoad(CLoaderState& w);

// The same with `sequence` run in place of the family's own, so that the dispatch can be
// watched on its own: the context it gets names the family.
using ReplacedLoadSequence =
    std::function<LoadOutcome(LoadContext&, const LoadTarget&, TableStore&)>;
LoadOutcome StartLoad(CLoaderState& w, const ReplacedLoadSequence& sequence);

// What a load of `family` started now from the window works with: its services, language
// and catalogue choice, and the port, file and keep-user-data choice.
LoadContext LoadContextOf(CLoaderState& w, Family family);
LoadTarget LoadTargetOf(const CLoaderState& w);
