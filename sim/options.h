// kznsim's command line: which receiver to play, where to report, and which faults to show.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kznsim {

enum class Family { kAuto, kVr, kTk, kTk20b };

const char* FamilyName(Family family);  // "VR", "TK", "TK20B", "" for auto

// Phases in which a receiver can be told to stay silent (--fault silent=PHASE).
enum class Silence {
  kDetect,
  kDump,
  kIdentify,
  kReady,
  kRecord,
  kWriteBack,
  kEnd,
  kPrepare,
  kErase,
  kReply,
  kCount
};

struct SimFaults {
  int refuse = 0;             // refuse the next data record this many times
  int refuseRecord = 0;       // 1-based data record of a load to refuse...
  int refuseRecordTimes = 0;  // ...this many times
  int refuseWriteBack = 0;    // refuse the next write-back record this many times
  bool silent[static_cast<int>(Silence::kCount)] = {};
  int busy = 0;  // "3" answers before the verdict
  bool split = false;
  bool noise = false;
  bool badDumpCheck = false;
  int shortDump = -1;  // stop the dump after this many bytes; -1 streams it whole
  bool no8bRun = false;
  int wrongRecord = 0;   // replies with the wrong record number; -1 for all
  int mWord = 0;         // M-word answers to the next data record
  int vanishAfter = -1;  // accepted data records before the adapter vanishes
  bool alreadyWrong = false;

  bool Silent(Silence s) const { return silent[static_cast<int>(s)]; }
};

struct SimOptions {
  Family family = Family::kAuto;
  std::string link;
  std::string report;
  int exitAfter = -1;
  bool throttle = false;
  std::optional<std::string> wrg;
  unsigned seed = 1;
  std::string tables;
  char verdict = 0;  // 0: judge the sum
  int eraseMs = 300;
  bool dxf = false;
  SimFaults faults;
  bool help = false;  // --help: print kSimUsageText and exit
};

// What --help prints.
extern const char* const kSimUsageText;

// Parses argv[1..]; false with a message in *error on a bad command line.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* options, std::string* error);

// The wrong-checksum text a family repeats unless --wrg names another.
const char* DefaultWrongChecksumText(Family family);

}  // namespace kznsim
