// What a load works with, apart from the window: the services, the language its texts are
// in, the catalogue choice it reads anew while it runs and the family it loads; and the
// plain values of what it sends where. Both are taken from the window when the load starts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/messages.h"
#include "catalogue/catalogue.h"

class Clock;
class CSettingsStore;
class SerialLink;
class UserInteraction;
struct ProgramImage;

// What went over the line, for the record of the load.
struct LoadCounts {
  int recordsSent = 0;  // data records of the file sent, each counted once
  int resends = 0;      // data records sent again after a refusal or no answer
};

struct LoadContext {
  SerialLink& port;
  Clock& clock;
  UserInteraction& ui;
  CSettingsStore& settings;  // where the port's load marker is kept
  Language language;
  CatalogueChoice catalogue;
  Family family;  // the chosen type's, fixed from its tag when the load starts
  LoadCounts counts{};
};

struct LoadTarget {
  std::int8_t portNumber = 1;  // COM1 to COM4 (more in a run of many ports)
  std::string filePath;        // the file to send
  bool keepUserData = false;   // the second family keeps the receiver's user data
  // The file, already read and checked with the family's rules, when one run loads it into
  // several receivers; the load then sends it as it is instead of reading the file again.
  std::shared_ptr<const ProgramImage> checkedImage;
};
