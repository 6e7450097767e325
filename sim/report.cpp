#include "sim/report.h"

#include <cstdio>
#include <fstream>

#include <nlohmann/json.hpp>

namespace kznsim {

namespace {

// Members keep the order they are written in.
using Json = nlohmann::ordered_json;

// A loader stuck in a loop must not make the report grow without end.
constexpr std::size_t kMaxViolations = 1000;

std::string Hex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (auto b : bytes) {
    s += kDigits[b >> 4];
    s += kDigits[b & 0x0F];
  }
  return s;
}

// The report's texts are byte strings; each byte is one character (U+0000 to U+00FF), so
// any byte the loader sent survives into the report and reads back as the same byte.
std::string Text(const std::string& bytes) {
  std::string s;
  s.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      s += static_cast<char>(c);
    } else {
      s += static_cast<char>(0xC0 | (c >> 6));
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return s;
}

Json Texts(const std::vector<std::string>& list) {
  Json array = Json::array();
  for (const auto& text : list)
    array.push_back(Text(text));
  return array;
}

Json PhasesJson(const std::vector<PhaseEntry>& phases) {
  Json array = Json::array();
  for (const auto& p : phases)
    array.push_back({{"phase", Text(p.phase)},
                     {"bitRate", p.bitRate},
                     {"stopBits", p.stopBits},
                     {"bytes", Hex(p.bytes)}});
  return array;
}

Json RecordsJson(const std::vector<RecordEntry>& records) {
  Json array = Json::array();
  for (const auto& rec : records)
    array.push_back({{"kind", Text(rec.kind)},
                     {"hex", Hex(rec.bytes)},
                     {"bitRate", rec.bitRate},
                     {"stopBits", rec.stopBits},
                     {"answer", Text(rec.answer)}});
  return array;
}

Json WriteBackJson(const std::vector<WriteBackEntry>& writeBack) {
  Json array = Json::array();
  for (const auto& w : writeBack)
    array.push_back({{"block", w.block},
                     {"address", w.address},
                     {"hex", Hex(w.bytes)},
                     {"accepted", w.accepted}});
  return array;
}

Json EndRecordJson(const std::optional<EndRecordEntry>& end) {
  if (!end) return nullptr;
  return {{"hex", Hex(end->bytes)},
          {"sum", end->sum},
          {"expectedSum", end->expectedSum},
          {"verdict", Text(end->verdict)}};
}

Json PreparationJson(const std::optional<PreparationEntry>& preparation) {
  if (!preparation) return nullptr;
  return {{"sentence", Text(preparation->sentence)},
          {"rateChar", Text(preparation->rateChar)},
          {"userDataChar", Text(preparation->userDataChar)}};
}

Json MemoryJson(const SimReport& r) {
  if (!r.hasMemory) return nullptr;
  return {{"doppler", Hex(r.doppler)},
          {"almanac", Hex(r.almanac)},
          {"initialDoppler", Hex(r.initialDoppler)},
          {"initialAlmanac", Hex(r.initialAlmanac)}};
}

}  // namespace

void SimReport::NoteReceived(const std::string& phase, const LineSettings& settings,
                             std::uint8_t byte) {
  if (phases.empty() || phases.back().phase != phase || phases.back().bitRate != settings.bitRate ||
      phases.back().stopBits != settings.stopBits) {
    phases.push_back(PhaseEntry{phase, settings.bitRate, settings.stopBits, {}});
  }
  phases.back().bytes.push_back(byte);
}

void SimReport::Violation(const std::string& text) {
  if (violations.size() < kMaxViolations) violations.push_back(text);
}

std::string ReportToJson(const SimReport& r) {
  Json j;
  j["family"] = Text(r.family);
  j["loads"] = r.loads;
  j["outcomes"] = Texts(r.outcomes);
  j["phases"] = PhasesJson(r.phases);
  j["records"] = RecordsJson(r.records);
  j["recordsAccepted"] = r.recordsAccepted;
  j["recordsResent"] = r.recordsResent;
  j["program"] = Hex(r.program);
  j["writeBack"] = WriteBackJson(r.writeBack);
  j["endRecord"] = EndRecordJson(r.endRecord);
  j["preparation"] = PreparationJson(r.preparation);
  j["memory"] = MemoryJson(r);
  j["dump"] = Hex(r.dump);
  j["dumpStream"] = Hex(r.dumpStream);
  j["garbledBytes"] = r.garbledBytes;
  j["droppedBytes"] = r.droppedBytes;
  j["violations"] = Texts(r.violations);
  // Every character beyond ASCII is written as an escape: the file stays plain ASCII.
  return j.dump(2, ' ', true) + "\n";
}

bool WriteReportFile(const SimReport& report, const std::string& path) {
  std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << ReportToJson(report);
    if (!out.flush()) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace kznsim
