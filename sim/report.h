// What the receiver saw and did, written as JSON when the simulator ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/tables.h"

namespace kznsim {

struct LineSettings {
  int bitRate = 0;
  int stopBits = 1;
  bool open = false;
  bool operator==(const LineSettings& o) const {
    return bitRate == o.bitRate && stopBits == o.stopBits;
  }
};

struct PhaseEntry {
  std::string phase;
  int bitRate = 0;
  int stopBits = 0;
  Bytes bytes;
};

struct RecordEntry {
  std::string kind;  // "data", "writeback", "end"
  Bytes bytes;
  int bitRate = 0;
  int stopBits = 0;
  std::string answer;
};

struct WriteBackEntry {
  int block = -1;
  std::uint32_t address = 0;
  Bytes bytes;
  bool accepted = false;
};

struct EndRecordEntry {
  Bytes bytes;
  int sum = 0;
  int expectedSum = 0;
  std::string verdict;
};

struct PreparationEntry {
  std::string sentence;
  std::string rateChar;
  std::string userDataChar;
};

struct SimReport {
  std::string family;
  int loads = 0;
  std::vector<std::string> outcomes;
  std::vector<PhaseEntry> phases;
  std::vector<RecordEntry> records;
  int recordsAccepted = 0;
  int recordsResent = 0;
  Bytes program;
  std::vector<WriteBackEntry> writeBack;
  std::optional<EndRecordEntry> endRecord;
  std::optional<PreparationEntry> preparation;
  bool hasMemory = false;
  Bytes doppler, almanac, initialDoppler, initialAlmanac;
  Bytes dump, dumpStream;
  long long garbledBytes = 0;
  long long droppedBytes = 0;
  std::vector<std::string> violations;

  // Adds a received byte to the phase list: a new entry when the phase or settings change.
  void NoteReceived(const std::string& phase, const LineSettings& settings, std::uint8_t byte);
  void Violation(const std::string& text);
};

std::string ReportToJson(const SimReport& report);
// Writes the report beside its final name, then renames it into place.
bool WriteReportFile(const SimReport& report, const std::string& path);

}  // namespace kznsim
