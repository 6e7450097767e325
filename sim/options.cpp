#include "sim/options.h"

#include <cerrno>
#include <cstdlib>

namespace kznsim {

const char* const kSimUsageText =
    R"(Usage: kznsim [--family VR|TK|TK20B|auto] [--link PATH] [--report PATH] [--exit-after N]
              [--throttle] [--wrg TEXT] [--seed N] [--tables DUMPFILE] [--verdict C]
              [--erase-ms N] [--dxf] [--fault NAME[=VALUE]]...

Plays a KZN GPS receiver on a pseudo-terminal and prints the slave device's path as its
first line of output; a loader pointed at that device loads it as a real receiver.

  --family F         receiver to play; auto tells it from what the loader sends (default)
  --link PATH        also make a symbolic link PATH to the device (removed at exit)
  --report PATH      write a JSON report of everything seen there at exit
  --exit-after N     exit once N loads have ended
  --throttle         carry bytes no faster than the line would
  --wrg TEXT         the wrong-checksum text the receiver's loader repeats
  --seed N           seed of the receiver's doppler table and almanac (default 1)
  --tables FILE      take the tables from a dump file instead
  --verdict C        first family: answer the end record with C (1 to 7)
  --erase-ms N       second family: erase time in milliseconds (default 300)
  --dxf              second family: also send DXF while erasing
  --fault NAME[=V]   a receiver fault: refuse=N, refuse-writeback=N, busy=N, m-word=N,
                     vanish=N, short-dump=N, split, noise, bad-dump-check, no-8b-run,
                     already-wrong, no-1, wrong-record[=N], refuse-record=K:N,
                     silent=PHASE (detect, dump, identify, ready, record, writeback, end,
                     prepare, erase, reply); may be repeated

SIGTERM or SIGINT writes the report and exits. sim/README.md tells the details.
)";

namespace {

bool ParseInt(const std::string& text, long minimum, long maximum, long* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < minimum || v > maximum) return false;
  *value = v;
  return true;
}

bool ParseCount(const std::string& text, int* value) {
  long v = 0;
  if (!ParseInt(text, 0, 1000000, &v)) return false;
  *value = static_cast<int>(v);
  return true;
}

bool ParseSilence(const std::string& name, SimFaults* faults) {
  static const struct {
    const char* name;
    Silence phase;
  } kPhases[] = {{"detect", Silence::kDetect},     {"dump", Silence::kDump},
                 {"identify", Silence::kIdentify}, {"ready", Silence::kReady},
                 {"record", Silence::kRecord},     {"writeback", Silence::kWriteBack},
                 {"end", Silence::kEnd},           {"prepare", Silence::kPrepare},
                 {"erase", Silence::kErase},       {"reply", Silence::kReply}};
  for (const auto& p : kPhases) {
    if (name == p.name) {
      faults->silent[static_cast<int>(p.phase)] = true;
      return true;
    }
  }
  return false;
}

bool ParseFault(const std::string& switchText, SimFaults* faults, std::string* error) {
  std::string name = switchText;
  std::string value;
  bool hasValue = false;
  auto eq = switchText.find('=');
  if (eq != std::string::npos) {
    name = switchText.substr(0, eq);
    value = switchText.substr(eq + 1);
    hasValue = true;
  }
  auto needValue = [&](int* target) {
    if (hasValue && ParseCount(value, target)) return true;
    *error = "--fault " + name + " needs a count: " + switchText;
    return false;
  };
  auto noValue = [&](bool* target) {
    if (hasValue) {
      *error = "--fault " + name + " takes no value";
      return false;
    }
    *target = true;
    return true;
  };
  if (name == "refuse") return needValue(&faults->refuse);
  if (name == "refuse-writeback") return needValue(&faults->refuseWriteBack);
  if (name == "busy") return needValue(&faults->busy);
  if (name == "m-word") return needValue(&faults->mWord);
  if (name == "vanish") return needValue(&faults->vanishAfter);
  if (name == "short-dump") return needValue(&faults->shortDump);
  if (name == "split") return noValue(&faults->split);
  if (name == "noise") return noValue(&faults->noise);
  if (name == "bad-dump-check") return noValue(&faults->badDumpCheck);
  if (name == "no-8b-run") return noValue(&faults->no8bRun);
  if (name == "already-wrong") return noValue(&faults->alreadyWrong);
  if (name == "no-1") {
    bool on = false;
    if (!noValue(&on)) return false;
    faults->silent[static_cast<int>(Silence::kReady)] = true;
    return true;
  }
  if (name == "wrong-record") {
    if (!hasValue) {
      faults->wrongRecord = -1;
      return true;
    }
    return needValue(&faults->wrongRecord);
  }
  if (name == "refuse-record") {
    auto colon = value.find(':');
    int k = 0;
    int n = 0;
    if (!hasValue || colon == std::string::npos || !ParseCount(value.substr(0, colon), &k) ||
        !ParseCount(value.substr(colon + 1), &n) || k < 1) {
      *error = "--fault refuse-record needs K:N with K from 1: " + switchText;
      return false;
    }
    faults->refuseRecord = k;
    faults->refuseRecordTimes = n;
    return true;
  }
  if (name == "silent") {
    if (hasValue && ParseSilence(value, faults)) return true;
    *error =
        "--fault silent needs a phase (detect, dump, identify, ready, record, writeback, "
        "end, prepare, erase, reply): " +
        switchText;
    return false;
  }
  *error = "unknown fault: " + switchText;
  return false;
}

}  // namespace

const char* FamilyName(Family family) {
  switch (family) {
    case Family::kVr:
      return "VR";
    case Family::kTk:
      return "TK";
    case Family::kTk20b:
      return "TK20B";
    case Family::kAuto:
      break;
  }
  return "";
}

const char* DefaultWrongChecksumText(Family family) {
  switch (family) {
    case Family::kVr:
      return "VR LOADER BAD CHECKSUM";
    case Family::kTk:
      return "TK LOADER BAD CHECKSUM";
    case Family::kTk20b:
      return "TK20B BOOT WAITING";
    case Family::kAuto:
      break;
  }
  return "";
}

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* options,
                     std::string* error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto next = [&](std::string* value) {
      if (i + 1 >= args.size()) {
        *error = a + " needs a value";
        return false;
      }
      *value = args[++i];
      return true;
    };
    std::string v;
    long number = 0;
    if (a == "--help" || a == "-h") {
      options->help = true;
      return true;
    } else if (a == "--family") {
      if (!next(&v)) return false;
      if (v == "VR") {
        options->family = Family::kVr;
      } else if (v == "TK") {
        options->family = Family::kTk;
      } else if (v == "TK20B") {
        options->family = Family::kTk20b;
      } else if (v == "auto") {
        options->family = Family::kAuto;
      } else {
        *error = "--family takes VR, TK, TK20B or auto";
        return false;
      }
    } else if (a == "--link") {
      if (!next(&options->link)) return false;
    } else if (a == "--report") {
      if (!next(&options->report)) return false;
    } else if (a == "--exit-after") {
      if (!next(&v) || !ParseInt(v, 1, 1000000, &number)) {
        *error = "--exit-after needs a count from 1";
        return false;
      }
      options->exitAfter = static_cast<int>(number);
    } else if (a == "--throttle") {
      options->throttle = true;
    } else if (a == "--wrg") {
      if (!next(&v)) return false;
      options->wrg = v;
    } else if (a == "--seed") {
      if (!next(&v) || !ParseInt(v, 0, 0x7FFFFFFF, &number)) {
        *error = "--seed needs a number";
        return false;
      }
      options->seed = static_cast<unsigned>(number);
    } else if (a == "--tables") {
      if (!next(&options->tables)) return false;
    } else if (a == "--verdict") {
      if (!next(&v) || v.size() != 1 || v[0] < '1' || v[0] > '7') {
        *error = "--verdict takes one of 1 to 7";
        return false;
      }
      options->verdict = v[0];
    } else if (a == "--erase-ms") {
      if (!next(&v) || !ParseInt(v, 0, 600000, &number)) {
        *error = "--erase-ms needs a number of milliseconds";
        return false;
      }
      options->eraseMs = static_cast<int>(number);
    } else if (a == "--dxf") {
      options->dxf = true;
    } else if (a == "--fault") {
      if (!next(&v) || !ParseFault(v, &options->faults, error)) {
        if (error->empty()) *error = "--fault needs a name";
        return false;
      }
    } else {
      *error = "unknown option: " + a;
      return false;
    }
  }
  if (options->faults.alreadyWrong &&
      (options->family == Family::kAuto || options->family == Family::kTk20b)) {
    *error = "--fault already-wrong needs --family VR or TK";
    return false;
  }
  return true;
}

}  // namespace kznsim
