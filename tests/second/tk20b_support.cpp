#include "tests/second/tk20b_support.h"

#include "serial/sentences.h"
#include "tests/support/program_file.h"

std::string Tk20bProgramFile::Data(std::size_t n) const {
  std::string all;
  for (std::size_t i = 0; i < n && i + 1 < records.size(); ++i)
    all += records[i];
  return all;
}

Tk20bProgramFile MakeTk20bProgram(char form, int dataRecords, std::uint8_t count) {
  const program_file::Bytes header = form == 'A' ? program_file::HeaderA("TK20B V4.02 A")
                                                 : program_file::HeaderB("TK20B V4.02", 1, 2);
  std::vector<program_file::Bytes> blocks(static_cast<std::size_t>(dataRecords));
  for (int n = 1; n <= dataRecords; ++n)
    for (std::size_t i = 0; i < 2u * count; ++i)
      blocks[static_cast<std::size_t>(n - 1)].push_back(
          static_cast<std::uint8_t>((n * 31u + i * 7u) & 0xFFu));
  Tk20bProgramFile file{std::string(header.begin(), header.end()), {}};
  for (const program_file::Bytes& record : program_file::SecondFamilyRecords(blocks))
    file.records.emplace_back(record.begin(), record.end());
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
