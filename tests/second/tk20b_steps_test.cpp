// The reply window, and the time limits of detection, preparation and a record's reply, on
// the virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "loader/program_image.h"
#include "loader/second/second_family.h"
#include "loader/second/tk20b_reply.h"
#include "loader/second/tk20b_steps.h"
#include "serial/sentences.h"
#include "tests/second/tk20b_support.h"

using namespace std::string_literals;

namespace {

TEST(Tk20bReplyWindow, FindsTheRecordsWordsInTheirOrderWithinFiftyBytes) {
  // Each text, given in takes split at '|' for record 0xAB. The order of the words, not of
  // their arrival, decides. 50 bytes fit; a take that would overfill drops all held and itself.
  const std::string x45(45, 'x'), x46(46, 'x'), x51(51, 'x');
  const std::pair<ReplyOutcome, std::vector<std::string>> cases[] = {
      {kReplyP,
       {"PAB\r\n", "P|A|B\r|\n", "MAB\r\n|PAB\r\n", x45 + "|PAB\r\n", x46 + "|PAB\r\n|PAB\r\n",
        x51 + "|PAB\r\n"}},
      {kReplyM, {"MAB\r\n", "ETA\r\nIAB\r\nMAB\r\n"}},
      {kReplyI, {"IAB\r\n", "POK\r\nECC\r\nIAB\r\n"}},
      {kReplyECP, {"ECP\r\n", "ECC\r\nECP\r\n"}},
      {kReplyECC, {"ECC\r\n", "POK\r\nETA\r\nECC\r\n"}},
      {kReplyETA, {"ETA\r\n", "POK\r\nETA\r\n"}},
      {kReplyPOK, {"POK\r\n"}},
      // Another record's, no line end, lower case, behind a zero byte, overfilled.
      {kReplyTimeout,
       {"PAA\r\n", "xPAB\r", "Pab\r\n", "ab\0PAB\r\n"s, x46 + "|PAB\r\n",
        x45 + "|PAB\r\n|PAB\r\n"}}};
  for (const auto& [expected, texts] : cases) {
    for (const std::string& text : texts) {
      CReplyWindow window(0xAB);
      for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = std::min(text.find('|', at), text.size());
        window.Take(reinterpret_cast<const std::uint8_t*>(text.data() + at), end - at);
        at = end + 1;
      }
      EXPECT_EQ(window.Recognise(), expected) << text;
    }
  }
}

TEST(Tk20bTimeLimits, DetectPrepareAndRecordReply) {
  // 'D'etect: 250 ms between the wake sentences, then windows at 0, 2010 and 4020 ms, each
  // 2000 ms long. 'P'repare: "PRG" within 2 s, "PXF" within 60 s, restarted by "DXF" (seen
  // at a 200 ms poll). 'R'eply: the word at `wakeMs`, chatter every 100 ms not extending.
  const struct {
    char step;
    int wakeMs, acceptMs, dataErasedMs, programErasedMs, result;
    std::int64_t minMs, maxMs;
  } cases[] = {{'D', 2500, 20, -1, 400, kStepOk, 2750, 2999},
               {'D', -1, 20, -1, 400, kStepNoReply, 250 + 3 * 2010, 250 + 3 * 2010},
               {'P', 30, 2001, -1, 400, kStepNoReply, 2000, 2000},
               {'P', 30, 1999, -1, 2400, kStepOk, 2400, 2600},
               {'P', 30, 20, 50000, 105000, kStepOk, 105000, 105200},
               {'P', 30, 20, 50000, -1, kStepNoReply, 110000, 110000 + 2 * 200 + 20},
               {'P', 30, 20, 1000, 1000, kStepOk, 1000, 1500},  // "PXF" behind "DXF"
               {'R', 0, 0, 0, 0, kReplyI, 0, 1},                // came while the record was written
               {'R', 37, 0, 0, 0, kReplyI, 37, 37},             // seen the moment it is complete
               {'R', 1499, 0, 0, 0, kReplyI, 1499, 1499},
               {'R', 1500, 0, 0, 0, kReplyTimeout, 1500, 1500}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.step << " " << c.minMs);
    Tk20bHarness h;
    h.link.wakeAnswerMs = c.wakeMs;
    h.link.acceptMs = c.acceptMs;
    h.link.dataErasedMs = c.dataErasedMs;
    h.link.programErasedMs = c.programErasedMs;
    std::int64_t start = h.clock.NowMs();
    std::uint32_t rate = 0;
    int result = -1;
    LoadContext context = h.Context();
    if (c.step == 'D') result = Tk20bDetect(context, h.Target(), h.progress);
    if (c.step == 'P') result = Tk20bPrepare(context, h.Target(), h.progress, &rate);
    if (c.step == 'R') {
      ASSERT_TRUE(h.link.OpenPort(1, 115200, 'N', 8, 1));
      for (int t = 0; t < 3000; t += 100)
        h.link.DeliverAfter(t, "x");
      h.link.DeliverAfter(c.wakeMs, "I07\r\n");
      result = Tk20bAwaitReply(context, 0x07);
    }
    EXPECT_EQ(result, c.result);
    EXPECT_GE(h.clock.NowMs() - start, c.minMs);
    EXPECT_LE(h.clock.NowMs() - start, c.maxMs);
    EXPECT_EQ(h.link.IsOpen(), c.step == 'R');
  }
}

// The receiver erases itself once prepared: a file that cannot be sent whole, or read, is
// refused with the transfer's message before the wake sentences.
TEST(Tk20bLoad, AFileItCannotSendWholeIsRefusedBeforeTheReceiverIsWoken) {
  Tk20bProgramFile good = MakeTk20bProgram('A', 2, 3);
  const std::string& r0 = good.records[0];
  // A first-family file: data records 0x8B, count, 3 address bytes, count + 1 bytes, check.
  std::string other = good.header;
  for (int r = 0; r < 3; ++r)
    other += std::string("\x8B\x03\x01\x00", 4) + static_cast<char>(4 * r) + "abcd" + "s";
  other += "\x8C\x01\x02\x03";
  const std::pair<std::optional<std::string>, int> cases[] = {
      {other, kMsgLoadingFailed},                                      // the other family's
      {good.records.back() + r0, kMsgLoadingFailed},                   // no header
      {"", kMsgLoadingFailed},                                         // empty
      {good.header + r0.substr(0, r0.size() - 1), kMsgLoadingFailed},  // a record cut short
      {good.header + "\x8D" + r0, kMsgLoadingFailed},                  // another kind
      {good.header + good.Data(2), kMsgLoadingFailed},                 // no end record
      {std::nullopt, kMsgTempFileError}};                              // no file
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(bytes.value_or("<none>").size());
    Tk20bHarness h;
    if (bytes) h.dir.Write(h.w.fileName, *bytes);
    RunTk20bLoadFrom(h.w);
    EXPECT_EQ(h.ui.MessageIds(), std::vector<int>{message});
    EXPECT_TRUE(h.link.writes.empty()) << "the receiver was woken for a file it cannot take";
    EXPECT_FALSE(h.link.IsOpen());
  }
}

}  // namespace

namespace {

// A record the receiver did not take ("M") goes again 200 ms after its answer, whole.
TEST(Tk20bTransferPace, ARecordGoesAgain200MsAfterItsRefusal) {
  Tk20bHarness h;
  const Tk20bProgramFile file = MakeTk20bProgram('A', 2, 3);
  h.dir.Write(h.w.fileName, file.Bytes());
  int refusals = 1;
  h.link.onWrite = [&](FakeLink& link, const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() > 1 && bytes[0] == 0x8B)
      link.DeliverAfter(5, RecordReplyWord(refusals-- > 0 ? 'M' : 'P', bytes[1]));
    else if (bytes.size() == 1 && bytes[0] == 0x8C)
      link.DeliverAfter(5, std::string(kReplyProgramOk));
  };
  LoadContext context = h.Context();
  ProgramImage image;
  ASSERT_EQ(Tk20bLoadImage(context, h.Target(), &image), kStepOk);
  EXPECT_EQ(Tk20bTransfer(context, h.Target(), h.progress, 115200, image), kStepOk);
  std::vector<FakeLink::Write> records;
  for (const FakeLink::Write& write : h.link.writes) {
    if (write.bytes.size() > 1) records.push_back(write);
  }
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].bytes, records[0].bytes);
  EXPECT_GE(records[1].atMs - records[0].atMs, 5 + 200);
  EXPECT_LT(records[2].atMs - records[1].atMs, 200);
}

}  // namespace
