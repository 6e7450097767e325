// The journal of loads: its line (every member, read back as written), its times, the lines
// it cannot read, the lines StartLoad appends for a failed and a refused load, whole lines
// from many writers at once, and a journal that cannot be written.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/load_journal.h"
#include "app/loader_state.h"
#include "app/main_window_logic.h"
#include "app/window_selection.h"
#include "base/clock.h"
#include "base/settings_store.h"
#include "base/sha256.h"
#include "loader/load_context.h"
#include "tests/support/fake_link.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono;

// A line with every member known, in the documented order; the header's version text holds
// what a file may: quotes, a backslash, a line break, a NUL, a tab.
const std::string kFullLine =
    "{\"start\":\"2025-03-01T10:00:00.123Z\",\"end\":\"2025-03-01T10:00:41.357Z\","
    "\"durationMs\":41234,\"program\":\"kznload-cli\",\"programVersion\":\"1.12\","
    "\"port\":2,\"device\":\"/dev/ttyUSB0\",\"adapter\":\"FTDI FT232R USB UART, USB "
    "0403:6001, serial A1B2C3\",\"receiverType\":\"VR540\",\"family\":\"VR\","
    "\"languageVersion\":\"Version française\",\"file\":\"/home/u/catalogue/VR540.fra\","
    "\"fileSize\":30123,\"sha256\":\"" +
    std::string(64, 'a') +
    "\",\"headerVersion\":\"VR540 \\\"FR\\\" 2.40\\\\\\n\\t\\u0000end\","
    "\"outcome\":\"cancelled\",\"messageId\":141,\"message\":\"User cancel.\","
    "\"detail\":\"record 12 (byte 3081)\",\"stopCause\":\"signal: Terminated\","
    "\"tablesLeftOut\":true,\"recordsSent\":120,\"resends\":3}";
const std::string kFullHeaderVersion = std::string("VR540 \"FR\" 2.40\\\n\t") + '\0' + "end";

JournalEntry FullEntry() {
  std::string why;
  return ParseJournalLine(kFullLine, &why).value();
}

// A good line with `member`'s value replaced by `value`.
std::string With(const std::string& member, const std::string& value) {
  const std::string& line = kFullLine;
  const std::size_t start = line.find('"' + member + "\":") + member.size() + 3;
  std::size_t end = start;
  if (line[start] == '"') {
    end = line.find('"', start + 1) + 1;
  } else {
    end = line.find_first_of(",}", start);
  }
  return line.substr(0, start) + value + line.substr(end);
}

// The documented names in the documented order; what is not known is null.
TEST(JournalLine, HoldsEveryMemberInItsOrderAndReadsBackAsWritten) {
  const JournalEntry full = FullEntry();
  EXPECT_EQ(
      std::tie(full.port, full.fileSize, full.headerVersion, full.outcome, full.tablesLeftOut),
      std::tuple(2, 30123u, kFullHeaderVersion, LoadEnd::kCancelled, true));
  EXPECT_EQ(FormatJournalLine(full), kFullLine);

  std::string why;
  JournalEntry sparse;
  sparse.start = "2025-03-01T10:00:00.123Z";
  sparse.port = 1;
  sparse.outcome = LoadEnd::kRefused;
  const std::string sparseLine = FormatJournalLine(sparse);
  for (const char* name : {"device", "adapter", "languageVersion", "file", "fileSize", "sha256",
                           "headerVersion", "messageId"}) {
    EXPECT_NE(sparseLine.find('"' + std::string(name) + "\":null"), std::string::npos)
        << name << " in " << sparseLine;
  }
  EXPECT_EQ(ParseJournalLine(sparseLine, &why), sparse) << why;

  // The unreadable lines below are this line with one value changed; a good value there reads.
  const std::optional<JournalEntry> changed = ParseJournalLine(With("port", "7"), &why);
  ASSERT_TRUE(changed) << why;
  EXPECT_EQ(changed->port, 7);
}

TEST(JournalLine, TimesAreUtcIso8601WithMilliseconds) {
  EXPECT_EQ(UtcIsoTime(system_clock::time_point{}), "1970-01-01T00:00:00.000Z");
  const auto leapDay = sys_days{year{2024} / February / 29} + hours{23} + minutes{59} +
                       seconds{59} + milliseconds{999};
  EXPECT_EQ(UtcIsoTime(time_point_cast<system_clock::duration>(leapDay)),
            "2024-02-29T23:59:59.999Z");
  EXPECT_TRUE(IsUtcIsoTime("2024-02-29T23:59:59.999Z"));
  EXPECT_TRUE(IsUtcIsoTime("2024-02-29T23:59:59Z"));
  for (const char* bad :
       {"2023-02-29T10:00:00.000Z", "2025-13-01T10:00:00.000Z", "2025-03-01T24:00:00.000Z",
        "2025-03-01 10:00:00.000Z", "2025-03-01T10:00:00.000+01:00", "2025-03-01T10:00:00.0Z"})
    EXPECT_FALSE(IsUtcIsoTime(bad)) << bad;
}

TEST(JournalLine, TheDigestIsSha256) {
  // The two short messages of FIPS 180-2's examples.
  EXPECT_EQ(Sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  const std::uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(Sha256Hex(abc), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(JournalLine, AnUnreadableLineIsNoEntryAndSaysWhy) {
  std::vector<std::string> lines = {"{\"start\":", "[1,2]"};
  const std::pair<std::string, std::string> changed[] = {
      {"start", "null"},      {"start", "\"2025-02-30T10:00:00.000Z\""},
      {"port", "\"2\""},      {"port", "-2"},
      {"port", "2.5"},        {"outcome", "\"exploded\""},
      {"fileSize", "-1"},     {"recordsSent", "4294967296"},
      {"tablesLeftOut", "1"}, {"detail", '"' + std::string(70000, 'x') + '"'}};
  for (const auto& [member, value] : changed)
    lines.push_back(With(member, value));
  for (const std::string& line : lines) {
    std::string why;
    EXPECT_FALSE(ParseJournalLine(line, &why).has_value()) << line.substr(0, 300);
    EXPECT_FALSE(why.empty()) << line.substr(0, 300);
  }
}

TEST(JournalLine, EveryLineIsCountedAndOnlyTheUnreadableOnesAreLeftOut) {
  const std::string good = FormatJournalLine(FullEntry());
  // A blank line, a line cut short, a line an editor ended with CR LF, a last line without
  // line end.
  const std::vector<JournalLine> lines =
      ReadJournalLines(good + "\n\n{\"start\":\"2025-03\n" + good + "\r\n" + good);
  std::vector<std::pair<std::size_t, bool>> read;  // each line's number, and whether it read
  for (const JournalLine& line : lines)
    read.emplace_back(line.number, line.entry.has_value());
  EXPECT_EQ(read, (std::vector<std::pair<std::size_t, bool>>{
                      {1, true}, {3, false}, {4, true}, {5, true}}));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2].text, good);
}

// A catalogue with one receiver type whose English version file exists, a state that has
// chosen it, and a journal in a folder of its own.
class JournalOfLoads : public ::testing::Test {
 protected:
  JournalOfLoads()
      : settings(dir.File("kznload.INI")),
        link(clock),
        w(ui, clock, settings, link),
        journal(dir.File("state") + kPathSeparator + "journal.jsonl", "test",
                [this](const std::string& line) { traces.push_back(line); }) {
    dir.Write("chgt.cfg",
              "REC:VR540\r\nNAM:VR540\r\nE/S:VR\r\nWRG:BAD\r\nLGB:gb;English version\r\n");
    // Form B header record: 0x8A, count, text, two bytes dropped; then an end record.
    dir.Write("VR540.gb", std::string("\x8A\x0DVR540 GB 2.40  \x8C\x01\x02\x03", 21));
    w.catalogueFolder = dir.Path();
    w.language = Language::kEnglish;
    w.portNumber = 3;
    FillReceiverTypeList(w);
    w.receiverTypes.selection = 0;
    FillLanguageVersionList(w);
    w.journal = &journal;
    w.resolveDevice = [](int n) { return "/dev/ttyUSB" + std::to_string(n); };
    w.describeAdapter = [](const std::string& device) {
      return device == "/dev/ttyUSB3" ? "FTDI FT232R, serial A1" : "";
    };
  }

  // Loads with a first family that takes `ms` on the process clock and ends as `outcome`.
  LoadOutcome Load(const LoadOutcome& outcome, std::int64_t ms = 0) {
    auto first = [&](LoadContext&, const LoadTarget&, TableStore&) {
      clock.Advance(ms);
      return outcome;
    };
    return StartLoad(w, first);
  }

  std::vector<JournalLine> Lines() const {
    std::string why;
    return ReadJournalLines(CLoadJournal::ReadContent(journal.Path(), &why).value_or(""));
  }

  TempDir dir;
  RecordingUi ui;
  CVirtualClock clock{5000};
  CSettingsStore settings;
  FakeLink link;
  CLoaderState w;
  std::vector<std::string> traces;
  CLoadJournal journal;
};

TEST_F(JournalOfLoads, AFailedLoadsLineTellsWhatWasSentWhereAndHowItEnded) {
  LoadOutcome failed = FailedOutcome(kMsgLoadingFailed, "record 12 (byte 3081)", true);
  failed.recordsSent = 12;
  failed.resends = 3;
  const auto before = UtcIsoTime(system_clock::now());
  const LoadOutcome outcome = Load(failed, 41234);
  const auto after = UtcIsoTime(system_clock::now());
  EXPECT_EQ(outcome.end, LoadEnd::kFailed);
  EXPECT_EQ(outcome.detail, failed.detail);

  const std::vector<JournalLine> lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_TRUE(lines[0].entry) << lines[0].problem;
  const JournalEntry& e = *lines[0].entry;
  EXPECT_TRUE(before <= e.start && e.start <= e.end && e.end <= after) << e.start << " " << e.end;
  EXPECT_FALSE(e.programVersion.empty());
  const std::string bytes = dir.Read("VR540.gb");
  // Everything but the times and the program's version, which the load cannot know.
  JournalEntry expected = e;
  std::tie(expected.durationMs, expected.program, expected.port, expected.device, expected.adapter,
           expected.receiverType, expected.family, expected.languageVersion, expected.file,
           expected.fileSize, expected.sha256, expected.headerVersion, expected.outcome,
           expected.messageId, expected.message, expected.detail, expected.stopCause,
           expected.tablesLeftOut, expected.recordsSent, expected.resends) =
      std::tuple(
          41234, "test", 3, "/dev/ttyUSB3", "FTDI FT232R, serial A1", "VR540", "VR",
          "English version", dir.File("VR540.gb"), bytes.size(),
          Sha256Hex(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())),
          "VR540 GB 2.40", LoadEnd::kFailed, kMsgLoadingFailed,
          LoadMessageText(kMsgLoadingFailed, Language::kEnglish), "record 12 (byte 3081)", "",
          false, 12, 3);
  EXPECT_EQ(e, expected) << lines[0].text;
  EXPECT_TRUE(traces.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(JournalOfLoads, ARefusalBeforeTheFileIsFixedNamesNoFile) {
  // The state still names the previous load's file, but the chosen type has no version now.
  ResolveLanguageFile(w);
  w.languageVersions = ChoiceList{};
  bool started = false;
  auto first = [&](LoadContext&, const LoadTarget&, TableStore&) {
    started = true;
    return LoadedOutcome(kMsgLoadingOk, false);
  };
  EXPECT_EQ(StartLoad(w, first).end, LoadEnd::kRefused);
  EXPECT_FALSE(started);
  const std::vector<JournalLine> lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_TRUE(lines[0].entry) << lines[0].problem;
  const JournalEntry& e = *lines[0].entry;
  EXPECT_EQ(
      std::tuple(e.outcome, e.receiverType, e.file, e.fileSize.has_value(), e.sha256),
      std::tuple(LoadEnd::kRefused, std::string("VR540"), std::string(), false, std::string()));
}

TEST_F(JournalOfLoads, AJournalThatCannotBeWrittenIsToldOnceAndChangesNoOutcome) {
  // A file where the journal's folder should be: no folder can be made there, whoever runs.
  dir.Write("blocked", "");
  CLoadJournal blocked(dir.File("blocked") + kPathSeparator + "journal.jsonl", "test",
                       [this](const std::string& line) { traces.push_back(line); });
  blocked.TellFailuresInBox(true);
  w.journal = &blocked;
  LoadOutcome failed = FailedOutcome(kMsgBadChecksum, "", true);
  failed.recordsSent = 7;
  for (const LoadOutcome& expected : {LoadedOutcome(kMsgLoadingOk, false), failed}) {
    const LoadOutcome outcome = Load(expected);
    EXPECT_EQ(std::tie(outcome.end, outcome.messageId, outcome.told, outcome.recordsSent),
              std::tie(expected.end, expected.messageId, expected.told, expected.recordsSent));
  }
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_NE(traces[0].find("blocked"), std::string::npos) << traces[0];
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
  EXPECT_EQ(ui.messages[0].text.rfind("The journal of loads cannot be written", 0), 0u)
      << ui.messages[0].text;
}

TEST_F(JournalOfLoads, ManyWritersAtOnceAppendWholeLinesAndLoseNone) {
  // A line cut short by a crash of some earlier writer: the next line must not join it.
  std::filesystem::create_directories(dir.File("state"));
  dir.Write("state" + std::string(1, kPathSeparator) + "journal.jsonl", "{\"start\":\"2025");
  constexpr int kWriters = 6;
  constexpr int kLinesEach = 40;
  std::vector<std::thread> writers;
  for (int t = 0; t < kWriters; ++t) {
    writers.emplace_back([this, t] {
      // Each its own journal object, as another process would have.
      CLoadJournal own(journal.Path(), "writer");
      JournalEntry e = FullEntry();
      e.port = t + 1;
      // Longer than a buffered writer's buffer, so that a line written in pieces would show.
      e.detail = std::string(6000, static_cast<char>('a' + t));
      for (int i = 0; i < kLinesEach; ++i) {
        e.recordsSent = i;
        own.Record(e, ui, Language::kEnglish);
      }
    });
  }
  for (std::thread& writer : writers)
    writer.join();
  std::set<std::pair<int, int>> seen;
  int unreadable = 0;
  for (const JournalLine& line : Lines()) {
    if (!line.entry) {
      ++unreadable;
      continue;
    }
    EXPECT_EQ(line.entry->detail, std::string(6000, static_cast<char>('a' + line.entry->port - 1)));
    EXPECT_TRUE(seen.emplace(line.entry->port, line.entry->recordsSent).second);
  }
  EXPECT_EQ(unreadable, 1);  // the line cut short
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kWriters * kLinesEach));
}

}  // namespace
