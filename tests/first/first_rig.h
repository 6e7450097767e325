// A first-family load: a catalogue folder with chgt.cfg and a program file, the settings
// store and the main window's state; FirstRig adds a scripted receiver on the virtual clock,
// which streams its tables when asked, enters its loader on the wake sentences or marker,
// repeats its wrong-checksum text there and answers records as a test scripts it.
#pragma once

#include <cstdint>
#include <ctime>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "app/loader_state.h"
#include "app/main_window_logic.h"
#include "base/clock.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "loader/first/almanac.h"
#include "loader/first/first_family.h"
#include "loader/load_context.h"
#include "tests/support/fake_link.h"
#include "tests/support/program_file.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

inline constexpr const char* kTestWrgText = "WRONG CHECKSUM";

class ScriptedReceiver : public FakeLink {
 public:
  ScriptedReceiver(CVirtualClock& clock, Family kind);
  void TakeReceived(const std::uint8_t** data, std::uint32_t* count) override;

  std::vector<std::uint8_t> dump;  // sent 20 ms after it is asked for its tables
  // Records are accepted 5 ms after they end, the end record answered with `verdict`. Left
  // unanswered: the record of index `quietRecord` (resends counted), every write-back if
  // `quietWriteBacks`, the end record if `verdict` is empty. `quietSince`: when the last came.
  std::size_t quietRecord = SIZE_MAX;
  bool quietWriteBacks = false;
  // Write-back records refused ("1") before they are taken, counted over all of them.
  int refusedWriteBacks = 0;
  std::string verdict = "5";
  std::int64_t quietSince = -1;
  std::int64_t readyMs;       // its "1" after the last "0" it wants; never if negative
  bool silentLoader = false;  // never shows its wrong-checksum text
  std::vector<std::vector<std::uint8_t>> records;  // every record, resends and end included

 private:
  enum class State { kNormal, kLoaderWaiting, kLoading };
  void OnWrite(const std::vector<std::uint8_t>& bytes);

  Family kind_;
  State state_ = State::kNormal;
  std::string heard_;
  std::int64_t nextTextAt_ = 0;
  int zeros_ = 0;
  std::vector<std::uint8_t> partial_;
};

namespace first_test {

inline std::vector<std::uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// The data of block `block` in a dump made from `seed`: 120 bytes x10, 80, 120, 8, 42 x32.
inline std::vector<std::uint8_t> BlockData(std::uint8_t seed, std::uint16_t week, int block) {
  std::vector<std::uint8_t> data(block >= 13 ? 42 : block == 12 ? 8 : block == 10 ? 80 : 120);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(seed + block * 7 + i * 13);
  if (block >= 13)  // status, time, week of an almanac row
    for (auto [at, value] : {std::pair{0, 0x80}, {2, seed + block}, {4, week >> 8}, {5, week}})
      data[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value);
  return data;
}

// 0x8B, block, data, check, CR LF.
inline std::vector<std::uint8_t> MakeDumpRecord(int block, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> record(data.size() + 2, static_cast<std::uint8_t>(block));
  record[0] = 0x8B;
  std::copy(data.begin(), data.end(), record.begin() + 2);
  record.insert(record.end(),
                {static_cast<std::uint8_t>(std::accumulate(record.begin() + 1, record.end(), 0u)),
                 '\r', '\n'});
  return record;
}

// The receiver's normal output, then 45 records with data from `seed`, almanac in `week`.
inline std::vector<std::uint8_t> MakeDump(std::uint8_t seed, std::uint16_t week) {
  std::vector<std::uint8_t> dump = Bytes(
      "$GPGGA,120000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,,,*47\r\n"
      "$GPRMC,120000,A,4807.038,N,01131.000,E,022.4,084.4,230394,,*6A\r\n");
  for (int block = 0; block < 45; ++block) {
    std::vector<std::uint8_t> record = MakeDumpRecord(block, BlockData(seed, week, block));
    dump.insert(dump.end(), record.begin(), record.end());
  }
  return dump;
}

// A form A header, `records` data records of `dataBytes` bytes each (1 to 256), an end
// record with the 16-bit sum of every data record's data bytes.
inline std::vector<std::uint8_t> MakeProgram(int records, int dataBytes, std::uint8_t seed) {
  std::vector<std::vector<std::uint8_t>> blocks(static_cast<std::size_t>(records));
  for (int r = 0; r < records; ++r)
    for (int i = 0; i < dataBytes; ++i)
      blocks[static_cast<std::size_t>(r)].push_back(
          static_cast<std::uint8_t>(seed + r * 31 + i * 5));
  return program_file::FirstFamilyFile(program_file::HeaderA("VR540 V2.50 FR"), blocks);
}

}  // namespace first_test

inline std::uint16_t CurrentGpsWeek() {
  return static_cast<std::uint16_t>(GpsWeekAt(static_cast<std::int64_t>(std::time(nullptr))));
}

// chgt.cfg with one model of this family, its program file, and the main window's choice.
inline std::vector<std::uint8_t> PrepareLoad(TempDir& dir, CLoaderState& w, const std::string& tag,
                                             const std::string& wrg) {
  dir.Write("chgt.cfg", "REC:Model\nNAM:MODEL\nE/S:" + tag + "\nWRG:" + wrg + "\n");
  w.catalogueFolder = dir.Path();
  w.receiverTypes.entries = {"Model"};
  w.receiverTypes.selection = 0;
  auto program = first_test::MakeProgram(4, 64, 0x21);
  dir.Write("MODEL.fra", std::string(program.begin(), program.end()));
  w.folder = dir.Path() + "/";
  w.fileName = "MODEL.fra";
  return program;
}

// The first family's load as the start button runs it from the window's state.
inline void RunFirstLoadFrom(CLoaderState& w, Family family) {
  LoadContext context = LoadContextOf(w, family);
  RunFirstFamilyLoad(context, LoadTargetOf(w), w.tables);
}

class FirstRig {
 public:
  explicit FirstRig(Family kind)
      : settings(dir.File("kznload.INI")),
        link(clock, kind),
        w(ui, clock, settings, link),
        family(kind) {
    tag = std::string(FamilyTag(kind));
    PrepareLoad(dir, w, tag, kTestWrgText);
    link.dump = first_test::MakeDump(0x40, CurrentGpsWeek());
  }

  TempDir dir;
  CVirtualClock clock{1000};
  RecordingUi ui;
  CSettingsStore settings;
  ScriptedReceiver link;
  CLoaderState w;
  Family family;
  std::string tag;
};
