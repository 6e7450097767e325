// The pace of the upload on the virtual clock: an answer to a data record is judged when it
// arrives, and the next record leaves exactly 50 ms after it.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "base/progress.h"
#include "loader/first/first_load.h"
#include "loader/first/upload.h"
#include "loader/program_image.h"
#include "serial/sentences.h"
#include "tests/first/first_rig.h"

namespace {

using Answers = std::vector<std::pair<std::int64_t, std::string>>;

// A loader that answers each record as `script` says (delay after its last byte, text);
// `sent` holds each record with the times of its first and last byte.
struct PacedLoader {
  struct Sent {
    std::vector<std::uint8_t> bytes;
    std::int64_t firstMs, lastMs;
  };

  explicit PacedLoader(std::function<Answers(std::size_t index)> script) {
    link.onWrite = [this, script](FakeLink& l, const std::vector<std::uint8_t>& bytes) {
      for (std::uint8_t b : bytes) {
        if (partial.empty()) firstMs = l.clock().NowMs();
        partial.push_back(b);
        std::size_t size = partial[0] == kEndRecordStart ? 4
                           : partial.size() < 2          ? 0
                                                         : partial[1] + 7u;
        if (partial.size() != size) continue;
        sent.push_back({std::move(partial), firstMs, l.clock().NowMs()});
        partial.clear();
        Answers answers =
            sent.back().bytes[0] == kEndRecordStart ? Answers{{3, "5"}} : script(sent.size() - 1);
        for (const auto& [delayMs, text] : answers)
          l.DeliverAfter(delayMs, text);
      }
    };
    PrepareLoad(dir, w, "VR", kTestWrgText);
    link.OpenPort(1, 9600, 'N', 8, 2);
    EXPECT_EQ(LoadProgramImage(w.FilePath(), RecordRules::kFirstFamily, ui, &image),
              ImageLoad::kReady);
  }

  // Milliseconds from the last byte of record i to the first byte of record i + 1.
  std::vector<std::int64_t> Gaps() const {
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 0; i + 1 < sent.size(); ++i)
      gaps.push_back(sent[i + 1].firstMs - sent[i].lastMs);
    return gaps;
  }

  TempDir dir;
  CVirtualClock clock{5000};
  RecordingUi ui;
  CSettingsStore settings{dir.File("kznload.INI")};
  FakeLink link{clock};
  CLoaderState w{ui, clock, settings, link};
  CProgress progress{ui, w.language};
  ProgramImage image;
  std::vector<Sent> sent;
  std::vector<std::uint8_t> partial;
  std::int64_t firstMs = 0;
};

TEST(UploadAnswerWait, NextRecordLeavesFiftyMsAfterTheAnswer) {
  // The program has 4 data records and the end record; the gaps are between those 5 sends
  // (and the resends), in milliseconds from a record's last byte to the next one's first.
  const struct {
    const char* name;
    std::function<Answers(std::size_t)> script;
    std::vector<std::int64_t> gaps;
  } cases[] = {
      {"at once",
       [](std::size_t) {
         return Answers{{0, "0"}};
       },
       {50, 50, 50, 50}},
      {"7 ms",
       [](std::size_t) {
         return Answers{{7, "0"}};
       },
       {57, 57, 57, 57}},
      // What follows the "0" within the 50 ms is not judged: CR LF would be a refusal.
      {"0 then CR LF",
       [](std::size_t) {
         return Answers{{7, "0"}, {30, "\r\n"}};
       },
       {57, 57, 57, 57}},
      // A refusal: the same record again 200 ms after the 50 ms.
      {"refused once",
       [](std::size_t i) {
         return Answers{{12, i == 1 ? "1" : "0"}};
       },
       {62, 262, 62, 62, 62}},
      {"just within 30 s",
       [](std::size_t i) {
         return Answers{{i == 2 ? 29999 : 1, "0"}};
       },
       {51, 51, 30049, 51}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PacedLoader loader(c.script);
    LoadContext context = LoadContextOf(loader.w, Family::kVr);
    FirstLoad load{context, LoadTargetOf(loader.w), loader.w.tables, {}, std::nullopt, false};
    EXPECT_EQ(UploadProgram(load, loader.progress, loader.image), FirstStep::kDone);
    EXPECT_TRUE(loader.ui.MessageIds().empty());
    EXPECT_EQ(loader.Gaps(), c.gaps);
  }
}

// Where `text` goes out as one-byte writes from write `from` on; the writes' size if nowhere.
std::size_t FindByteWrites(const std::vector<FakeLink::Write>& w, std::string_view text,
                           std::size_t from = 0) {
  auto isTextAt = [&](std::size_t at) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (w[at + i].bytes != std::vector<std::uint8_t>{static_cast<std::uint8_t>(text[i])})
        return false;
    }
    return true;
  };
  for (std::size_t at = from; at + text.size() <= w.size(); ++at) {
    if (isTextAt(at)) return at;
  }
  return w.size();
}

// The TK receiver takes its markers one byte at a time, 2 ms apart: the read-out's before
// the tables come, the loader's before it wakes up. The VR receiver wants its two wake
// sentences 250 ms apart.
TEST(WakeUpPace, TkMarkersTakeTwoMsAByteAndVrWakeSentences250MsBetween) {
  FirstRig tk(Family::kTk);
  RunFirstLoadFrom(tk.w, tk.family);
  ASSERT_EQ(tk.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  const auto& w = tk.link.writes;
  for (std::string_view marker : {kReadOutMarkerTk, kLoadMarkerTk}) {
    SCOPED_TRACE(std::string(marker.substr(0, 8)));
    const std::size_t at = FindByteWrites(w, marker);
    ASSERT_LT(at, w.size());
    for (std::size_t i = 1; i < marker.size(); ++i)
      EXPECT_GE(w[at + i].atMs - w[at + i - 1].atMs, 2) << i;
  }

  FirstRig vr(Family::kVr);
  RunFirstLoadFrom(vr.w, vr.family);
  ASSERT_EQ(vr.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  const auto& v = vr.link.writes;
  const std::size_t first = FindByteWrites(v, kFirstWakeSentence);
  const std::size_t second = FindByteWrites(v, kSecondWakeSentence, first);
  ASSERT_LT(second, v.size());
  EXPECT_GE(v[second].atMs - v[second - 1].atMs, 250);
}

}  // namespace
