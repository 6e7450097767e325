#include "tests/second/tk_support.h"

#include "serial/sentences.h"

namespace {

// The receiver checks each record's last byte: the 8-bit sum of the bytes after the first.
std::string WithCheckByte(std::string record) {
  unsigned sum = 0;
  for (std::size_t i = 1; i + 1 < record.size(); ++i)
    sum += static_cast<std::uint8_t>(record[i]);
  record.back() = static_cast<char>(sum & 0xFFu);
  return record;
}

}  // namespace

std::string TkProgramFile::Bytes() const {
  std::string all = header;
  for (const std::string& r : records)
    all += r;
  return all;
}

std::string TkProgramFile::Data(std::size_t n) const {
  std::string all;
  for (std::size_t i = 0; i < n && i + 1 < records.size(); ++i)
    all += records[i];
  return all;
}

std::string TkDataRecord(std::uint8_t number, std::uint8_t count) {
  std::string r{'\x8B', static_cast<char>(number), static_cast<char>(count)};
  for (std::size_t i = 0; i < 2u * count + 7u; ++i)
    r.push_back(static_cast<char>((number * 31u + i * 7u) & 0xFFu));
  return WithCheckByte(r);
}

TkProgramFile MakeTkProgram(char form, int dataRecords, std::uint8_t count) {
  TkProgramFile file{form == 'A' ? "\x8B\x07TK20B V4.02 A" : "\x8A\x0BTK20B V4.02\x01\x02", {}};
  for (int i = 1; i <= dataRecords; ++i)
    file.records.push_back(TkDataRecord(static_cast<std::uint8_t>(i), count));
  const char number = static_cast<char>(dataRecords + 1);
  file.records.push_back(WithCheckByte({'\x8C', number, 0, '\r', '\n', '\x8B', 0x12, 0}));
  return file;
}

TkScriptedReceiver::TkScriptedReceiver(VirtualClock& clock) : FakeLink(clock) {
  onWrite = [this](FakeLink&, const std::vector<std::uint8_t>& bytes) { Receive(bytes); };
}

int TkScriptedReceiver::SetBaudRate(std::uint32_t bitRate) {
  int done = FakeLink::SetBaudRate(bitRate);
  if (done == 1) rateChanges.push_back(Settings());
  return done;
}

std::string TkScriptedReceiver::DefaultReply(const std::string& record, int /*attempt*/) {
  if (record[0] == '\x8C') return std::string(kReplyProgramOk);
  return RecordReplyWord('P', static_cast<std::uint8_t>(record[1]));
}

void TkScriptedReceiver::Receive(const std::vector<std::uint8_t>& bytes) {
  pending_.append(bytes.begin(), bytes.end());
  if (Settings().bitRate == 4800) {  // sentences, each ending with CR LF
    if (pending_.size() < 2 || pending_.compare(pending_.size() - 2, 2, "\r\n") != 0) return;
    std::string sentence;
    sentence.swap(pending_);
    if (sentence == kSecondWakeSentence && wakeAnswerMs >= 0) {
      for (int i = 0; i < 100; ++i)
        DeliverAfter(wakeAnswerMs + 100 * i, wrongChecksumText + "\r\n");
    } else if (sentence.rfind("$PKZN,24,", 0) == 0 && acceptMs >= 0) {
      preparationSentence = sentence;
      DeliverAfter(acceptMs, std::string(kReplyAccepted));
      if (dataErasedMs >= 0) DeliverAfter(dataErasedMs, std::string(kReplyEraseDataDone));
      if (programErasedMs >= 0) DeliverAfter(programErasedMs, std::string(kReplyEraseDone));
    }
    return;
  }
  // Records; any other first byte is taken alone, so a test sees it.
  std::size_t size = 1;
  if (pending_[0] == '\x8C') size = 8;
  if (pending_[0] == '\x8B')
    size = pending_.size() < 3 ? 3 : 2u * static_cast<std::uint8_t>(pending_[2]) + 10u;
  if (pending_.size() < size) return;
  std::string record = pending_.substr(0, size);
  pending_.erase(0, size);
  records.push_back(record);
  recordTimesMs.push_back(clock().NowMs());
  int attempt = ++attempts_[static_cast<std::uint8_t>(record[1 % record.size()])];
  std::string reply = replyFor(record, attempt);
  if (!reply.empty()) DeliverAfter(3, reply);
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
