// The time left the progress window tells during a whole first-family load on the virtual
// clock: the transfer inherits the read-out's bar (86 % for VR, 100 % for TK here) under its
// own text and spends its first moments waking the receiver, yet its estimate is its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "base/progress_estimate.h"
#include "tests/first/first_rig.h"

namespace {

// Records what the progress window would tell at each move of its bar.
class EstimatingUi : public RecordingUi {
 public:
  explicit EstimatingUi(Clock& clock) : clock_(clock) {}
  struct Sample {
    std::int64_t ms;
    std::string text;
    int position;
    std::optional<std::int64_t> leftMs;
  };
  void SetProgressText(const std::string& text) override {
    if (progressTexts.empty() || progressTexts.back() != text) estimate_.BeginStep(clock_.NowMs());
    RecordingUi::SetProgressText(text);
  }
  int SetProgressPosition(int position) override {
    estimate_.SetPosition(position, clock_.NowMs());
    samples.push_back({clock_.NowMs(), progressTexts.empty() ? "" : progressTexts.back(), position,
                       estimate_.LeftMs(clock_.NowMs())});
    return RecordingUi::SetProgressPosition(position);
  }
  std::vector<Sample> samples;

 private:
  Clock& clock_;
  CProgressEstimate estimate_;
};

class FirstFamilyTimeLeft : public ::testing::TestWithParam<Family> {};

TEST_P(FirstFamilyTimeLeft, TheTransferIsEstimatedFromItsOwnPaceAndTheWriteBackShowsItself) {
  FirstRig rig(GetParam());
  EstimatingUi ui(rig.clock);
  CLoaderState w(ui, rig.clock, rig.settings, rig.link);
  w.catalogueFolder = rig.w.catalogueFolder;
  w.receiverTypes = rig.w.receiverTypes;
  w.folder = rig.w.folder;
  w.fileName = rig.w.fileName;
  const std::vector<std::uint8_t> program = first_test::MakeProgram(400, 100, 0x21);
  rig.dir.Write(w.fileName, std::string(program.begin(), program.end()));
  RunFirstLoadFrom(w, rig.family);
  ASSERT_EQ(ui.MessageIds(), std::vector<int>{kMsgLoadingOk});

  const std::string transfer = LoadMessageText(kMsgLoadingInProgress, Language::kFrench);
  auto in = [&](const EstimatingUi::Sample& s) { return s.text == transfer; };
  const auto first = std::find_if(ui.samples.begin(), ui.samples.end(), in);
  ASSERT_NE(first, ui.samples.end());
  // The bar the transfer's text came up over: the read-out's, far from where it starts.
  ASSERT_NE(first, ui.samples.begin());
  EXPECT_GE(std::prev(first)->position, 80);
  const auto firstRecord =
      std::find_if(first, ui.samples.end(), [&](const auto& s) { return in(s) && s.position > 0; });
  const auto last =
      std::find_if(firstRecord, ui.samples.end(), [&](const auto& s) { return !in(s); });
  ASSERT_NE(last, ui.samples.end());
  const std::int64_t startMs = firstRecord->ms, endMs = std::prev(last)->ms;
  ASSERT_GT(endMs - startMs, 10000);

  std::optional<std::int64_t> firstEstimateMs;
  for (auto s = firstRecord; s != last; ++s) {
    if (s->leftMs && !firstEstimateMs) firstEstimateMs = s->ms - startMs;
    const std::int64_t realMs = endMs - s->ms;
    if (s->ms - startMs < (endMs - startMs) / 10) continue;
    ASSERT_TRUE(s->leftMs.has_value()) << s->position;
    EXPECT_LE(std::llabs(*s->leftMs - realMs), std::max<std::int64_t>(realMs / 5, 200))
        << s->position << "%: " << *s->leftMs << " ms told, " << realMs << " ms real";
  }
  ASSERT_TRUE(firstEstimateMs.has_value());
  EXPECT_LT(*firstEstimateMs, 3000);

  // The write-back follows under its own text, its bar from 0 to 100.
  EXPECT_EQ(last->text, "Réécriture des tables du récepteur...");
  EXPECT_EQ(last->position, 0);
  EXPECT_EQ(ui.samples.back().text, last->text);
  EXPECT_EQ(ui.samples.back().position, 100);
}

INSTANTIATE_TEST_SUITE_P(EachKind, FirstFamilyTimeLeft, ::testing::Values(Family::kVr, Family::kTk),
                         [](const auto& kind) { return kind.param == Family::kVr ? "VR" : "TK"; });

}  // namespace
