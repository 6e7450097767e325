// A simulator on its pseudo-terminal and a scripted loader on the other end, for line tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/sim/scripted_loader.h"
#include "tests/support/json_lite.h"
#include "tests/support/sim_process.h"

namespace simtest {

class SimLineTest : public ::testing::Test {
 protected:
  void StartSim(const std::vector<std::string>& args) {
    ASSERT_TRUE(sim_.Start(args)) << sim_.Error();
    loader_ = std::make_unique<CScriptedLoader>(sim_.SlavePath());
  }

  json_lite::Value StopSim() {
    loader_->Close();
    auto report = sim_.Stop();
    EXPECT_TRUE(report) << "no report from kznsim";
    return report ? *report : json_lite::Value();
  }

  // Wakes a first-family receiver and takes it through "0" to its "1".
  void VrIntoLoader() {
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kWake1);
    loader_->SendAndDrain(kWake2);
    loader_->Close();
    ASSERT_TRUE(loader_->Open(9600, 2));
    ASSERT_TRUE(Contains(loader_->ReadUntil(kVrText, 1000), kVrText));
    loader_->Send("0");
    long long zeroAt = NowMs();
    Bytes ready = loader_->ReadUntil("1", 3000);
    ASSERT_TRUE(Contains(ready, "1"));
    // The VR receiver prepares its memory during the loader's 1000 ms pause.
    EXPECT_GE(NowMs() - zeroAt, 1000);
  }

  void TkIntoLoader() {
    ASSERT_TRUE(loader_->Open(9600, 2));
    loader_->Send(std::string("$KZNPROJ", 9));
    ASSERT_TRUE(Contains(loader_->ReadUntil(kTkText, 1000), kTkText));
    loader_->Send("0");
    // A TK receiver answers only after the second "0".
    EXPECT_FALSE(Contains(loader_->ReadUntil("1", 200), "1"));
    loader_->Send("0");
    ASSERT_TRUE(Contains(loader_->ReadUntil("1", 1000), "1"));
  }

  // Waits for a text the receiver repeats; NUL bytes among it are left out, as loaders do.
  bool WaitForText(const std::string& text, int timeoutMs) {
    Bytes got;
    long long limit = NowMs() + timeoutMs;
    while (NowMs() < limit) {
      Bytes more = loader_->ReadFor(20);
      for (auto b : more)
        if (b != 0) got.push_back(b);
      if (Contains(got, text)) return true;
    }
    return false;
  }

  // Sends a record and returns what came back within the loader's answer window.
  std::string Exchange(const Bytes& record, int windowMs = 300) {
    loader_->Send(record);
    Bytes first = loader_->ReadCount(1, windowMs);
    Bytes rest = loader_->ReadFor(first.empty() ? 0 : 30);
    first.insert(first.end(), rest.begin(), rest.end());
    return Text(first);
  }

  static bool HasViolation(const json_lite::Value& report, const std::string& part) {
    const auto& v = report.at("violations");
    for (std::size_t i = 0; i < v.size(); ++i)
      if (v.at(i).AsString().find(part) != std::string::npos) return true;
    return false;
  }

  static std::string Violations(const json_lite::Value& report) {
    std::string all;
    const auto& v = report.at("violations");
    for (std::size_t i = 0; i < v.size(); ++i)
      all += v.at(i).AsString() + "\n";
    return all;
  }

  CSimProcess sim_;
  std::unique_ptr<CScriptedLoader> loader_;
};

}  // namespace simtest
