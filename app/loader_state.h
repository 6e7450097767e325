// The state the main window keeps and the loads read: a plain object that CLoaderDlg owns
// and shows, and that the command-line front end owns too.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/path.h"
#include "loader/first/table_store.h"

class UserInteraction;
class Clock;
class CSettingsStore;
class SerialLink;
struct ProgramImage;
class CLoadJournal;

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
  // The file to send, read and checked once for a run that loads it on several ports.
  std::shared_ptr<const ProgramImage> checkedImage;

  // The journal each load appends its line to (app/load_journal.h); none: no line (the
  // loads of the tests). The front end sets it, and what only it knows for the line: the
  // device COMn leads to, and what the system knows of the adapter behind a device (USB
  // vendor, product, serial number). Without them the line names the device alone.
  CLoadJournal* journal = nullptr;
  std::function<std::string(int portNumber)> resolveDevice;
  std::function<std::string(const std::string& devicePath)> describeAdapter;

  bool IsExpertMode() const { return mode != 0; }
  std::string FilePath() const { return folder + fileName; }
};
