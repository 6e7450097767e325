#include <gtest/gtest.h>

#include "sim/options.h"
#include "sim/sentence_reader.h"

using kznsim::Command;
using kznsim::CSentenceReader;

namespace {

std::vector<Command> FeedAll(CSentenceReader& reader, const std::string& bytes) {
  std::vector<Command> out;
  for (char c : bytes)
    if (auto cmd = reader.Feed(static_cast<std::uint8_t>(c))) out.push_back(*cmd);
  return out;
}

}  // namespace

TEST(SimSentences, SumsCountBytesAsSigned) {
  EXPECT_EQ(kznsim::SentenceSum("abc"), 0x0126);
  EXPECT_EQ(kznsim::SentenceSum("$PKZN,04,01,01,"), 0x033D);
  EXPECT_EQ(kznsim::SentenceSum("$PKZN,0C,00,"), 0x02BE);
  EXPECT_EQ(kznsim::SentenceSum("$PKZN,24,03,510000,"), 0x0406);
  EXPECT_EQ(kznsim::SentenceSum(std::string("\xFF", 1)), 0xFFFF);
}

TEST(SimSentences, PicksSentencesAndMarkersOutOfNoise) {
  CSentenceReader reader;
  std::string line = std::string("junk\r\n$PK$PKZN,04,01,02,033E\r\nxx$KZNPROJ") + '\0' +
                     "$PKZN,24,03,520000,0407\r\n$PKZN,0C,00,02BF\r\n$KZNPROG" + '\0' + "$KZNPROX" +
                     '\0' + "$PKZN,0C,00,02BE\n";
  auto cmds = FeedAll(reader, line);
  ASSERT_EQ(cmds.size(), 5u);
  EXPECT_EQ(cmds[0].code, 4);
  EXPECT_EQ(cmds[0].data, "02");
  EXPECT_TRUE(cmds[0].sumOk);
  EXPECT_EQ(cmds[1].kind, Command::Kind::kMarker);
  EXPECT_EQ(cmds[1].text, "$KZNPROJ");
  EXPECT_EQ(cmds[2].code, 0x24);
  EXPECT_EQ(cmds[2].data, "520000");
  EXPECT_TRUE(cmds[2].sumOk);  // 510000 sums to 0406, so 520000 to 0407
  EXPECT_EQ(cmds[3].code, 0x0C);
  EXPECT_FALSE(cmds[3].sumOk);
  EXPECT_EQ(cmds[4].text, "$KZNPROG");
  // A line without CR before its LF, or a malformed one, is no command.
  auto more = FeedAll(reader, "$PKZN,0C,00,02BE\n$PKZN,zz,00,0000\r\n");
  ASSERT_EQ(more.size(), 1u);
  EXPECT_EQ(more[0].code, -1);
  EXPECT_FALSE(more[0].sumOk);
}

TEST(SimOptions, ParsesTheCommandLineAndRefusesBadOnes) {
  kznsim::SimOptions o;
  std::string error;
  ASSERT_TRUE(kznsim::ParseSimOptions({"--family",     "TK",
                                       "--report",     "r.json",
                                       "--exit-after", "2",
                                       "--fault",      "refuse=3",
                                       "--fault",      "refuse-record=4:2",
                                       "--fault",      "silent=erase",
                                       "--fault",      "no-1",
                                       "--fault",      "wrong-record",
                                       "--fault",      "short-dump=100",
                                       "--verdict",    "6",
                                       "--wrg",        "X Y",
                                       "--fault",      "already-wrong"},
                                      &o, &error))
      << error;
  EXPECT_EQ(o.family, kznsim::Family::kTk);
  EXPECT_EQ(o.exitAfter, 2);
  EXPECT_EQ(o.faults.refuse, 3);
  EXPECT_EQ(o.faults.refuseRecord, 4);
  EXPECT_EQ(o.faults.refuseRecordTimes, 2);
  EXPECT_TRUE(o.faults.Silent(kznsim::Silence::kErase));
  EXPECT_TRUE(o.faults.Silent(kznsim::Silence::kReady));
  EXPECT_FALSE(o.faults.Silent(kznsim::Silence::kRecord));
  EXPECT_EQ(o.faults.wrongRecord, -1);
  EXPECT_EQ(o.faults.shortDump, 100);
  EXPECT_EQ(o.verdict, '6');
  EXPECT_EQ(*o.wrg, "X Y");
  EXPECT_TRUE(o.faults.alreadyWrong);

  const std::vector<std::vector<std::string>> bad = {
      {"--family", "XX"},
      {"--verdict", "8"},
      {"--fault", "refuse"},
      {"--fault", "silent=foo"},
      {"--fault", "split=2"},
      {"--fault", "refuse-record=0:1"},
      {"--exit-after", "0"},
      {"--bogus"},
      {"--report"},
      {"--fault", "already-wrong"},
      {"--family", "TK20B", "--fault", "already-wrong"}};
  for (const auto& args : bad) {
    kznsim::SimOptions other;
    error.clear();
    EXPECT_FALSE(kznsim::ParseSimOptions(args, &other, &error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}
