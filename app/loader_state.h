// The state the main window keeps and the loads read: a plain object that CLoaderDlg owns
// and shows, and that the command-line front end owns too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/path.h"
#include "base/table_store.h"

class UserInteraction;
class Clock;
class CSettingsStore;
class SerialLink;

// Entries of a drop-down list in order, and the selected index or -1.
struct ChoiceList {
  std::vector<std::string> entries;
  int selection = -1;

  bool HasSelection() const {
    return selection >= 0 && selection < static_cast<int>(entries.size());
  }
  const std::string& SelectedText() const { return entries[static_cast<std::size_t>(selection)]; }
};

class CLoaderState {
 public:
  CLoaderState(UserInteraction& userInteraction, Clock& processClock, CSettingsStore& store,
               SerialLink& serialPort)
      : ui(userInteraction), clock(processClock), settings(store), port(serialPort) {}

  UserInteraction& ui;
  Clock& clock;
  CSettingsStore& settings;
  SerialLink& port;

  Language language = Language::kFrench;
  std::int8_t portNumber = 1;  // COM1 to COM4
  int mode = 0;                // 0 standard, other expert
  std::int8_t doubleClickCounter = 0;
  std::string catalogueFolder;  // the working directory at start, without a trailing separator
  bool catalogueRead = false;   // the receiver-type list was filled from it since the start
  TableStore tables;
  std::int16_t rememberedTypeIndex = 0;
  std::string fileName;  // the file to send, without folder
  std::string folder;    // its folder, ending with the platform's separator

  ChoiceList receiverTypes;     // list 1014
  ChoiceList languageVersions;  // list 1015
  bool keepUserData = false;    // check box 1028
  bool startEnabled = true;     // button 1009
  bool startHasFocus = false;
  std::string versionLabel;  // label 1023, bytes as read from the file

  bool IsExpertMode() const { return mode != 0; }
  std::string FilePath() const { return folder + fileName; }
};
