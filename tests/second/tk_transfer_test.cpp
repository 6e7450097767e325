// The reply to a record and the transfer of a file, on the virtual clock.
#include <gtest/gtest.h>

#include <algorithm>

#include "loader/second/tk_reply.h"
#include "loader/second/tk_steps.h"
#include "serial/sentences.h"
#include "tests/second/tk_support.h"

using namespace std::string_literals;

namespace {

void Take(CReplyWindow& window, const std::string& take) {
  window.Take(reinterpret_cast<const std::uint8_t*>(take.data()), take.size());
}

// Each text, given to the window for record 0xAB in takes split at '|', reads as `expected`.
void ExpectRecognised(ReplyOutcome expected, std::initializer_list<std::string> texts) {
  for (const std::string& text : texts) {
    CReplyWindow window(0xAB);
    for (std::size_t at = 0; at <= text.size();) {
      std::size_t end = std::min(text.find('|', at), text.size());
      Take(window, text.substr(at, end - at));
      at = end + 1;
    }
    EXPECT_EQ(window.Recognise(), expected) << text;
  }
}

TEST(TkReplyWindow, FindsTheRecordsWordsInTheirOrderWithinFiftyBytes) {
  // The order of the words, not of their arrival, decides. 50 bytes fit; a take that would
  // overfill drops everything held and itself.
  const std::string x45(45, 'x'), x46(46, 'x'), x51(51, 'x');
  ExpectRecognised(ReplyP, {"PAB\r\n", "P|A|B\r|\n", "MAB\r\n|PAB\r\n", x45 + "|PAB\r\n",
                            x46 + "|PAB\r\n|PAB\r\n", x51 + "|PAB\r\n"});
  ExpectRecognised(ReplyM, {"MAB\r\n", "ETA\r\nIAB\r\nMAB\r\n"});
  ExpectRecognised(ReplyI, {"IAB\r\n", "POK\r\nECC\r\nIAB\r\n"});
  ExpectRecognised(ReplyECP, {"ECP\r\n", "ECC\r\nECP\r\n"});
  ExpectRecognised(ReplyECC, {"ECC\r\n", "POK\r\nETA\r\nECC\r\n"});
  ExpectRecognised(ReplyETA, {"ETA\r\n", "POK\r\nETA\r\n"});
  ExpectRecognised(ReplyPOK, {"POK\r\n"});
  // Another record's answer, a word without its line end, lower-case digits, a word behind
  // a zero byte (it ends the text), a word that overfilled.
  ExpectRecognised(ReplyTimeout, {"PAA\r\n", "xPAB\r", "Pab\r\n", "ab\0PAB\r\n"s, x46 + "|PAB\r\n",
                                  x45 + "|PAB\r\n|PAB\r\n"});
}

TEST(TkAwaitReply, WaitsFifteenHundredMillisecondsWithoutExtension) {
  TkHarness h;
  ASSERT_EQ(h.link.OpenPort(1, 115200, 'N', 8, 1), 1);
  h.link.DeliverAfter(0, "P07\r\n");  // came while the record was written: it counts
  EXPECT_EQ(TkAwaitReply(h.w, 0x07), ReplyP);
  EXPECT_LE(h.clock.NowMs(), 1001);

  std::int64_t start = h.clock.NowMs();
  h.link.DeliverAfter(1499, "I07\r\n");
  EXPECT_EQ(TkAwaitReply(h.w, 0x07), ReplyI);
  EXPECT_EQ(h.clock.NowMs() - start, 1499);

  // Chatter that never forms a word does not keep the wait alive.
  start = h.clock.NowMs();
  for (int t = 0; t < 3000; t += 100)
    h.link.DeliverAfter(t, "x");
  h.link.DeliverAfter(1500, "P07\r\n");
  EXPECT_EQ(TkAwaitReply(h.w, 0x07), ReplyTimeout);
  EXPECT_EQ(h.clock.NowMs() - start, 1500);
}

TEST(TkTransfer, SendsEveryRecordAsItStandsWithProgressOverTheRecords) {
  TkProgramFile big = MakeTkProgram('A', 5, 255);
  big.records.insert(big.records.begin() + 2, TkDataRecord(0x8C, 0));  // number = end marker
  // Three 50-byte records and the 8-byte end record; form B counts two bytes fewer than it
  // occupies, so its share ends under 100 before the end record's reply.
  const struct {
    TkProgramFile program;
    std::uint32_t rate;
    std::vector<int> positions;  // none: not looked at
  } cases[] = {{MakeTkProgram('A', 3, 20), 115200, {31, 63, 94, 100, 100}},
               {MakeTkProgram('B', 3, 20), 115200, {31, 62, 93, 98, 100}},
               {MakeTkProgram('A', 0, 0), 115200, {100, 100}},
               {MakeTkProgram('A', 300, 0), 115200, {}},  // a small first record still shows 1
               {big, 19200, {}}};
  for (const auto& c : cases) {
    TkHarness h;
    h.Write(c.program);
    EXPECT_EQ(TkTransfer(h.w, h.progress, c.rate), StepOk);
    EXPECT_EQ(h.link.records, c.program.records);
    // One byte per write, all at the agreed rate with 1 stop bit.
    EXPECT_EQ(h.link.writes.size(), c.program.Bytes().size() - c.program.header.size());
    for (const FakeLink::Write& write : h.link.writes) {
      EXPECT_EQ(write.settings.bitRate, c.rate);
      EXPECT_EQ(write.settings.stopBits, 1);
    }
    if (!c.positions.empty()) {
      EXPECT_EQ(h.ui.positions, c.positions);
    }
    const std::vector<int>& p = h.ui.positions;
    EXPECT_TRUE(std::none_of(p.begin(), p.end(), [](int at) { return at < 1; }));
    EXPECT_EQ(h.ui.progressTexts, std::vector<std::string>{LoadMessageText(kMsgLoadingInProgress)});
    EXPECT_FALSE(h.link.IsOpen());
  }
}

TEST(TkTransfer, ResendsAfterRefusalSilenceOrAnotherRecordsReply) {
  for (std::string badReply : {"M02\r\n", "", "P01\r\n", "ECC\r\n"}) {
    SCOPED_TRACE(badReply);
    TkHarness h;
    h.link.replyFor = [&](const std::string& record, int attempt) {
      if (record[1] != 2) return TkScriptedReceiver::DefaultReply(record);
      if (attempt > 2) return RecordReplyWord('I', 2);  // "I" accepts like "P"
      // A word after the window, in the pause, must not answer the resend.
      if (badReply.empty()) h.link.DeliverAfter(1600, "M02\r\n");
      return badReply;
    };
    TkProgramFile program = MakeTkProgram('A', 3, 4);
    h.Write(program);
    EXPECT_EQ(TkTransfer(h.w, h.progress, 115200), StepOk);
    const auto& r = program.records;
    EXPECT_EQ(h.link.records, (std::vector<std::string>{r[0], r[1], r[1], r[1], r[2], r[3]}));
    // A word answers at once; silence and a foreign reply wait the full window. Each resend
    // follows 200 ms later.
    std::int64_t wait = badReply[0] == 'M' || badReply[0] == 'E' ? 3 : 1500;
    for (std::size_t i : {1, 2}) {
      std::int64_t gap = h.link.recordTimesMs[i + 1] - h.link.recordTimesMs[i];
      EXPECT_GE(gap, 200 + wait);
      EXPECT_LT(gap, 200 + wait + 20);
    }
  }
}

TEST(TkTransfer, FailsOnAFileItCannotSendWholeOrAnEndRecordNotConfirmedAtOnce) {
  TkProgramFile good = MakeTkProgram('A', 2, 3);
  const std::string &head = good.header, &r0 = good.records[0], &r1 = good.records[1];
  const std::string ok = "POK\r\n";
  const struct {
    std::string bytes;
    std::string endReply;
    std::size_t recordsSent;
  } cases[] = {{good.records.back() + r0, ok, 0},                 // no header
               {"", ok, 0},                                       // empty
               {head + r0 + r1, ok, 2},                           // no end record
               {head + r0 + r1.substr(0, r1.size() - 1), ok, 1},  // a record cut short
               {head + r0 + "\x8D" + r1, ok, 1},                  // a record of another kind
               {good.Bytes(), "", 3},
               {good.Bytes(), "ECP\r\n", 3},
               {good.Bytes(), "P03\r\n", 3},
               {good.Bytes(), "ETA\r\n", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.recordsSent << " " << c.endReply);
    TkHarness h;
    h.dir.Write(h.w.fileName, c.bytes);
    h.link.replyFor = [&](const std::string& record, int) {
      return record[0] == '\x8C' ? c.endReply : TkScriptedReceiver::DefaultReply(record);
    };
    EXPECT_EQ(TkTransfer(h.w, h.progress, 115200), StepLoadFailed);
    EXPECT_EQ(h.link.records,
              std::vector<std::string>(good.records.begin(), good.records.begin() + c.recordsSent));
    EXPECT_FALSE(h.link.IsOpen());
    EXPECT_EQ(h.ui.fileReadErrors, 0);
  }
  TkHarness busy;
  busy.Write(good);
  busy.link.rejectOpen = [](const FakeLink::LineSettings& s) { return s.bitRate == 115200; };
  EXPECT_EQ(TkTransfer(busy.w, busy.progress, 115200), StepPortNotReady);
}

TEST(TkTransfer, ACancelConfirmedInsideARecordStopsAtOnce) {
  TkHarness h;
  h.Write(MakeTkProgram('A', 4, 10));
  h.ui.cancelWhen = [&] { return h.link.writes.size() == 40; };  // inside record 2
  h.ui.answers = {kResultYes};
  EXPECT_EQ(TkTransfer(h.w, h.progress, 115200), StepUserCancel);
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].textNumber, kMsgConfirmAbort);
  EXPECT_EQ(h.ui.messages[0].style, kStyleQuestion);
  EXPECT_EQ(h.link.records.size(), 1u);
  EXPECT_EQ(h.link.writes.size(), 40u);  // nothing after the answer
  EXPECT_FALSE(h.link.IsOpen());
}

}  // namespace
