// First-family loads against the scripted receiver on the virtual clock: the paths around
// the upload that kznsim cannot easily show.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "loader/first/upload.h"
#include "tests/first/first_rig.h"

namespace {

TEST(RecordAnswer, SmallestByteMustBeZeroCharacter) {
  for (const char* yes : {"0", "01"})
    EXPECT_TRUE(IsRecordAcceptance(first_test::Bytes(yes))) << yes;
  // CR is below "0"; nothing below 127 at all.
  for (const char* no : {"0\r\n", "1", "\x80\xFF", ""})
    EXPECT_FALSE(IsRecordAcceptance(first_test::Bytes(no))) << no;
}

// Yes without a dump to go on touches nothing; No reads the receiver again, and an alm.alm
// that cannot be replaced (a folder in the way, even for root) does not stop that load.
TEST(FirstFamilyLoad, UnfinishedLoad) {
  for (bool yes : {true, false}) {
    FirstRig rig(FirstFamilyKind::kTk);
    rig.settings.SetInt("LAST_LOADING", "1", -1);
    if (yes) rig.ui.answers = {kResultYes};
    if (!yes) rig.dir.Write("~tmp1.tmp", "stale");
    if (!yes) ::mkdir(rig.dir.File("alm.alm").c_str(), 0755);
    rig.Run();
    std::vector<int> messages{kMsgLastLoadingUnfinished, kMsgTempFileError};
    if (!yes) messages.push_back(kMsgLoadingOk);
    EXPECT_EQ(rig.ui.MessageIds(), messages);
    EXPECT_EQ(rig.Count(0x8B, true), yes ? 0u : 43u);  // the merged almanac is still sent
    EXPECT_EQ(rig.link.writes.empty(), yes);
    EXPECT_EQ(rig.Marker(), yes ? -1 : 1);
    EXPECT_EQ(rig.ui.progressClosed, 1);
    if (!yes) {
      EXPECT_EQ(rig.dir.Read("~tmp1.tmp").size(), rig.link.dump.size());
    }
  }
}

// Cancel confirmed, or the adapter pulled out, as the third record goes out: the load ends
// at once with the port closed and the marker unfinished. The priority raised for the
// upload only is given back on these paths as after success.
TEST(FirstFamilyLoad, InterruptedUploadsAndPriority) {
  int niceBefore = ::getpriority(PRIO_PROCESS, 0);
  int policyBefore = ::sched_getscheduler(0);
  enum Path { kSuccess, kCancel, kVanish };
  for (Path path : {kSuccess, kCancel, kVanish}) {
    FirstRig rig(FirstFamilyKind::kTk);
    int niceDuring = 100, policyDuring = -1, policyReading = -1;
    std::int64_t goneAt = -1;
    rig.link.onWrite = [&, inner = rig.link.onWrite](FakeLink& link,
                                                     const std::vector<std::uint8_t>& bytes) {
      if (rig.link.state() == ScriptedReceiver::State::kNormal)
        policyReading = ::sched_getscheduler(0);
      if (path == kVanish && rig.link.records.size() == 2 && goneAt < 0) {
        goneAt = rig.clock.NowMs();
        link.ClosePort();
        return;
      }
      inner(link, bytes);
    };
    rig.link.answerRecord = [&](std::size_t index, const std::vector<std::uint8_t>&) {
      niceDuring = ::getpriority(PRIO_PROCESS, 0);
      policyDuring = ::sched_getscheduler(0);
      if (path == kCancel && index == 1) rig.ui.cancelWhen = [] { return true; };
      return "0";
    };
    rig.ui.answers = {kResultYes};
    rig.Run();
    const int message[] = {kMsgLoadingOk, kMsgConfirmAbort, kMsgLoadingFailed};
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{message[path]}) << path;
    EXPECT_EQ(rig.Marker(), path == kSuccess ? 1 : -1);
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_EQ(rig.link.records.size() == 2u, path != kSuccess);
    EXPECT_LT(path == kVanish ? rig.clock.NowMs() - goneAt : 0, 1000);
    EXPECT_EQ(policyReading, policyBefore);
    EXPECT_TRUE(policyDuring == SCHED_RR || niceDuring <= niceBefore);
    EXPECT_EQ(::getpriority(PRIO_PROCESS, 0), niceBefore);
    EXPECT_EQ(::sched_getscheduler(0), policyBefore);
  }
}

}  // namespace
