#include "tests/second/tk20b_support.h"

#include "serial/sentences.h"

namespace {

std::string WithCheckByte(std::string record) {
  unsigned sum = 0;
  for (std::size_t i = 1; i + 1 < record.size(); ++i)
    sum += static_cast<std::uint8_t>(record[i]);
  record.back() = static_cast<char>(sum & 0xFFu);
  return record;
}

}  // namespace

std::string Tk20bProgramFile::Data(std::size_t n) const {
  std::string all;
  for (std::size_t i = 0; i < n && i + 1 < records.size(); ++i)
    all += records[i];
  return all;
}

Tk20bProgramFile MakeTk20bProgram(char form, int dataRecords, std::uint8_t count) {
  Tk20bProgramFile file{form == 'A' ? "\x8B\x07TK20B V4.02 A" : "\x8A\x0BTK20B V4.02\x01\x02", {}};
  for (int n = 1; n <= dataRecords; ++n) {
    std::string r{'\x8B', static_cast<char>(n), static_cast<char>(count)};
    for (std::size_t i = 0; i < 2u * count + 7u; ++i)
      r.push_back(static_cast<char>((n * 31u + i * 7u) & 0xFFu));
    file.records.push_back(WithCheckByte(r));
  }
  const char number = static_cast<char>(dataRecords + 1);
  file.records.push_back(WithCheckByte({'\x8C', number, 0, '\r', '\n', '\x8B', 0x12, 0}));
  return file;
}

void SelectTk20b(CLoaderState& w, const TempDir& dir, const std::string& wrg,
                 const std::string& fileName) {
  dir.Write("chgt.cfg", "REC:TK20B\r\nNAM:TK20B\r\nE/S:TK20B\r\nWRG:" + wrg +
                            "\r\nLGB:gb;English\r\nLFR:fra;Francais\r\n");
  w.catalogueFolder = dir.Path();
  w.receiverTypes.entries = {"TK20B"};
  w.receiverTypes.selection = 0;
  w.folder = dir.Path() + "/";
  w.fileName = fileName;
}

Tk20bScriptedReceiver::Tk20bScriptedReceiver(CVirtualClock& clock) : FakeLink(clock) {
  onWrite = [this](FakeLink&, const std::vector<std::uint8_t>& bytes) {
    pending.append(bytes.begin(), bytes.end());
    if (pending.size() < 2 || pending.compare(pending.size() - 2, 2, "\r\n") != 0) return;
    if (pending == kSecondWakeSentence && wakeAnswerMs >= 0) {
      for (int i = 0; i < 100; ++i)
        DeliverAfter(wakeAnswerMs + 100 * i, "TK20B BAD CHECKSUM\r\n");
    } else if (pending.rfind("$PKZN,24,", 0) == 0 && acceptMs >= 0) {
      DeliverAfter(acceptMs, std::string(kReplyAccepted));
      if (dataErasedMs >= 0) DeliverAfter(dataErasedMs, std::string(kReplyEraseDataDone));
      if (programErasedMs >= 0) DeliverAfter(programErasedMs, std::string(kReplyEraseDone));
    }
    pending.clear();
  };
}
