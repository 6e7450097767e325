// A session of loads, as every front end starts it: the Qt window (app/qt), the Win32 window
// (app/win32) and kznload-cli build the same objects (CLoaderSession) and run the same
// start-up (StartSession) in the same order: the settings store, the language, the front
// end's own choices, the catalogue's lists, the almanac backup and the version label. What
// differs between the front ends is asked of them (SessionStart), at its place in the order.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/loader_state.h"
#include "base/clock.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "serial/serial_port.h"

class CLoadJournal;
class UserInteraction;

// What a front end's loads work with: the settings store, the steady clock, the serial port
// and the main window's state over them, which the front end shows.
class CLoaderSession {
 public:
  // The settings at `settingsPath`; every COMn is `comDevice` when one is given (kznload-cli's
  // --device, a port of a run of several), else the device the settings name for it.
  explicit CLoaderSession(UserInteraction& ui,
                          std::string settingsPath = CSettingsStore::DefaultPath(),
                          std::optional<std::string> comDevice = std::nullopt);
  CLoaderSession(const CLoaderSession&) = delete;
  CLoaderSession& operator=(const CLoaderSession&) = delete;

  // The device COMn leads to.
  std::string ResolveDevice(int portNumber) const;
  // Every load appends its line to `journal`, naming the device its port leads to and, with
  // `describeAdapter`, what the system knows of the adapter behind it.
  void AttachJournal(
      CLoadJournal& journal,
      std::function<std::string(const std::string& devicePath)> describeAdapter = {});

  CSettingsStore settings;
  const std::optional<std::string> device;
  CSteadyClock clock;
  CSerialPort port;
  CLoaderState state;
};

// The language a session starts in: `given` when set (kznload-cli's --lang); else the stored
// one ("LANGUAGE"/"TYPE_LANG"); else the one `askLanguage` answers (the desktop program's
// language window; kznload-cli answers English); French when it answers none.
Language StartingLanguage(const CSettingsStore& settings, std::optional<Language> given,
                          const std::function<std::optional<Language>()>& askLanguage);

// What a front end adds to the start-up, each called at its place in the order.
struct SessionStart {
  // The language (StartingLanguage).
  std::optional<Language> language;
  std::function<std::optional<Language>()> askLanguage;
  // Once the language is known, before the catalogue is read: the front end's own choices
  // (the window: its controls, placement, remembered port, mode and file; kznload-cli: its
  // command line). False ends the start there.
  std::function<bool()> takeChoices;
  // The catalogue folder, without a trailing separator.
  std::string catalogueFolder;
  // After message 110: another catalogue folder, which is remembered for the starts to come;
  // none ends the start (the window's folder window). Empty: the start ends at 110.
  std::function<std::optional<std::string>()> chooseCatalogueFolder;
  // Once the receiver-type list is filled: the front end's selection (the window: the
  // language versions of the remembered type; kznload-cli: the type and version it names).
  // False ends the start there.
  std::function<bool()> select;
};

// The start-up: the language, the front end's choices, the catalogue folder and its
// receiver-type list (message 110 and the choice of another folder while it cannot be read),
// the selection, the almanac backup of the catalogue folder and the version label. False when
// it ended before the almanac backup: no catalogue could be read, or the front end ended it.
bool StartSession(CLoaderState& w, const SessionStart& start);

// The almanac backup of the state's catalogue folder, read into its tables, as the start-up
// reads it: for a state that did not start on its own (a port of a run of several).
void ReadAlmanacBackup(CLoaderState& w);
