#include "sim/report.h"

#include <cstdio>
#include <fstream>

namespace kznsim {

namespace {

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

std::string Quote(const std::string& text) {
  std::string s = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      s += '\\';
      s += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof(esc), "\\u%04X", c);
      s += esc;
    } else {
      s += static_cast<char>(c);
    }
  }
  return s + "\"";
}

std::string HexString(const Bytes& bytes) {
  return "\"" + Hex(bytes) + "\"";
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
  std::string j = "{\n";
  j += "  \"family\": " + Quote(r.family) + ",\n";
  j += "  \"loads\": " + std::to_string(r.loads) + ",\n";
  j += "  \"outcomes\": [";
  for (std::size_t i = 0; i < r.outcomes.size(); ++i)
    j += (i ? ", " : "") + Quote(r.outcomes[i]);
  j += "],\n  \"phases\": [";
  for (std::size_t i = 0; i < r.phases.size(); ++i) {
    const auto& p = r.phases[i];
    j += std::string(i ? "," : "") + "\n    {\"phase\": " + Quote(p.phase) +
         ", \"bitRate\": " + std::to_string(p.bitRate) +
         ", \"stopBits\": " + std::to_string(p.stopBits) + ", \"bytes\": " + HexString(p.bytes) +
         "}";
  }
  j += "],\n  \"records\": [";
  for (std::size_t i = 0; i < r.records.size(); ++i) {
    const auto& rec = r.records[i];
    j += std::string(i ? "," : "") + "\n    {\"kind\": " + Quote(rec.kind) +
         ", \"hex\": " + HexString(rec.bytes) + ", \"bitRate\": " + std::to_string(rec.bitRate) +
         ", \"stopBits\": " + std::to_string(rec.stopBits) + ", \"answer\": " + Quote(rec.answer) +
         "}";
  }
  j += "],\n  \"recordsAccepted\": " + std::to_string(r.recordsAccepted) + ",\n";
  j += "  \"recordsResent\": " + std::to_string(r.recordsResent) + ",\n";
  j += "  \"program\": " + HexString(r.program) + ",\n";
  j += "  \"writeBack\": [";
  for (std::size_t i = 0; i < r.writeBack.size(); ++i) {
    const auto& w = r.writeBack[i];
    j += std::string(i ? "," : "") + "\n    {\"block\": " + std::to_string(w.block) +
         ", \"address\": " + std::to_string(w.address) + ", \"hex\": " + HexString(w.bytes) +
         ", \"accepted\": " + (w.accepted ? "true" : "false") + "}";
  }
  j += "],\n  \"endRecord\": ";
  if (r.endRecord) {
    j += "{\"hex\": " + HexString(r.endRecord->bytes) +
         ", \"sum\": " + std::to_string(r.endRecord->sum) +
         ", \"expectedSum\": " + std::to_string(r.endRecord->expectedSum) +
         ", \"verdict\": " + Quote(r.endRecord->verdict) + "}";
  } else {
    j += "null";
  }
  j += ",\n  \"preparation\": ";
  if (r.preparation) {
    j += "{\"sentence\": " + Quote(r.preparation->sentence) +
         ", \"rateChar\": " + Quote(r.preparation->rateChar) +
         ", \"userDataChar\": " + Quote(r.preparation->userDataChar) + "}";
  } else {
    j += "null";
  }
  j += ",\n  \"memory\": ";
  if (r.hasMemory) {
    j += "{\"doppler\": " + HexString(r.doppler) + ",\n    \"almanac\": " + HexString(r.almanac) +
         ",\n    \"initialDoppler\": " + HexString(r.initialDoppler) +
         ",\n    \"initialAlmanac\": " + HexString(r.initialAlmanac) + "}";
  } else {
    j += "null";
  }
  j += ",\n  \"dump\": " + HexString(r.dump) + ",\n";
  j += "  \"dumpStream\": " + HexString(r.dumpStream) + ",\n";
  j += "  \"garbledBytes\": " + std::to_string(r.garbledBytes) + ",\n";
  j += "  \"droppedBytes\": " + std::to_string(r.droppedBytes) + ",\n";
  j += "  \"violations\": [";
  for (std::size_t i = 0; i < r.violations.size(); ++i)
    j += std::string(i ? "," : "") + "\n    " + Quote(r.violations[i]);
  j += "]\n}\n";
  return j;
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
