// A first-family load on the virtual clock: a catalogue folder with chgt.cfg and a program
// file, the settings store, a scripted receiver and the main window's state.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "app/clock.h"
#include "app/loader_state.h"
#include "app/messages.h"
#include "app/settings_store.h"
#include "loader/first/almanac.h"
#include "loader/first/first_family.h"
#include "tests/first/scripted_receiver.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

inline std::uint16_t CurrentGpsWeek() {
  return static_cast<std::uint16_t>(GpsWeekAt(static_cast<std::int64_t>(std::time(nullptr))));
}

inline const std::string kReceiverPreface =
    "$GPGGA,120000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,,,*47\r\n"
    "$GPRMC,120000,A,4807.038,N,01131.000,E,022.4,084.4,230394,,*6A\r\n";

class LanguageGuard {
 public:
  explicit LanguageGuard(std::int16_t offset) { LanguageOffset = offset; }
  ~LanguageGuard() { LanguageOffset = kFrenchOffset; }
};

// chgt.cfg with one model of this family, its program file, and the main window's choice.
inline first_test::ProgramFile PrepareLoad(TempDir& dir, CLoaderState& w, const std::string& tag,
                                           const std::string& wrg, int records, int dataBytes) {
  dir.Write("chgt.cfg", "REC:Model\nNAM:MODEL\nE/S:" + tag + "\nWRG:" + wrg + "\n");
  w.catalogueFolder = dir.Path();
  w.receiverTypes.entries = {"Model"};
  w.receiverTypes.selection = 0;
  auto program = first_test::MakeProgram(records, dataBytes, 0x21);
  dir.Write("MODEL.fra", std::string(program.bytes.begin(), program.bytes.end()));
  w.folder = dir.Path() + "/";
  w.fileName = "MODEL.fra";
  return program;
}

class FirstRig {
 public:
  explicit FirstRig(FirstFamilyKind kind)
      : settings(dir.File("kznload.INI")),
        link(clock, kind),
        w(ui, clock, settings, link),
        tag(kind == FirstFamilyKind::kVr ? "VR" : "TK") {
    PrepareLoad(dir, w, tag, kTestWrgText, 3, 16);
    link.dump = first_test::MakeDump(0x40, CurrentGpsWeek(), kReceiverPreface);
  }

  void Run() { RunFirstFamilyLoad(w, tag); }
  int Marker() const { return settings.GetInt("LAST_LOADING", "1", 1); }
  // Records the receiver got with this first byte; write-backs: at the table addresses.
  std::size_t Count(std::uint8_t kind, bool writeBacks = false) const {
    std::size_t n = 0;
    for (const auto& r : link.records)
      n += r[0] == kind && (!writeBacks || r[2] >= 0xC0);
    return n;
  }

  TempDir dir;
  VirtualClock clock{1000};
  RecordingUi ui;
  CSettingsStore settings;
  ScriptedReceiver link;
  CLoaderState w;
  std::string tag;
};
