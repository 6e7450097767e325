#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/sim/scripted_loader.h"
#include "tests/support/sim_process.h"
#include "tests/support/sim_report.h"

namespace simtest {

inline std::string Preparation(const std::string& data) {
  std::string body = "$PKZN,24,03," + data + ",";
  int sum = 0;
  for (char c : body)
    sum += static_cast<signed char>(c);
  char text[8];
  std::snprintf(text, sizeof(text), "%04X", sum & 0xFFFF);
  return body + text + "\r\n";
}

inline std::string Violations(const simreport::Json& report) {
  return simreport::Joined(report.at("violations"), "", "\n");
}

inline void ExpectViolations(const simreport::Json& report,
                             std::initializer_list<const char*> parts) {
  for (const char* part : parts)
    EXPECT_NE(Violations(report).find(part), std::string::npos) << part << " not in:\n"
                                                                << Violations(report);
}

// The expected report of the running test: tests/sim/expected/<test name>.json.
inline void ExpectReportAsExpected(const simreport::Json& report,
                                   std::vector<std::string> varying = {}) {
  simreport::ExpectReportAsExpected(report, KZN_SOURCE_DIR "/tests/sim/expected", varying);
}

class SimLineTest : public ::testing::Test {
 protected:
  void StartSim(const std::vector<std::string>& args) {
    ASSERT_TRUE(sim_.Start(args)) << sim_.Error();
    loader_ = std::make_unique<CScriptedLoader>(sim_.SlavePath());
  }

  simreport::Json StopSim() {
    loader_->Close();
    return sim_.Report();
  }

  // The loader closes its port in the middle of a load. The simulator, started with
  // --exit-after 1, ends once it has seen the load abandoned.
  simreport::Json AbandonLoad() {
    loader_->Close();
    auto report = sim_.WaitForExit(10000);
    EXPECT_TRUE(report) << "kznsim did not end the abandoned load";
    return report ? *report : simreport::Json();
  }

  void TkIntoLoader(const std::string& text = kTkText) {
    ASSERT_TRUE(loader_->Open(9600, 2));
    loader_->Send(kTkWake);
    ASSERT_TRUE(loader_->Await(text, 1000));
    ASSERT_TRUE(TkReady(1000));
  }

  bool TkReady(int timeoutMs) {  // two "0" 200 ms apart: "1" after the second only
    loader_->Send("0");
    bool early = loader_->Await("1", 200);
    loader_->Send("0");
    return !early && loader_->Await("1", timeoutMs);
  }

  void Tk20bIntoTransfer(const std::string& data, int rate, bool expectDxf = false) {
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kWake1);
    loader_->Send(kWake2);
    ASSERT_TRUE(loader_->Await(kTk20bText, 1000));
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(Preparation(data));
    ASSERT_TRUE(loader_->Await("PRG\r\n", 1000));
    loader_->SetLine(rate, 2);
    Bytes erase = loader_->Read(2000, "PXF\r\n");
    ASSERT_TRUE(Contains(erase, "PXF\r\n"));
    EXPECT_EQ(Contains(erase, "DXF\r\n"), expectDxf);
    ASSERT_TRUE(loader_->Open(rate, 1));
  }

  std::string Exchange(const Bytes& record, int windowMs = 300) {
    loader_->Send(record);
    Bytes got = loader_->Read(windowMs, "", 1);
    Bytes rest = loader_->Read(got.empty() ? 0 : 30);
    got.insert(got.end(), rest.begin(), rest.end());
    return Text(got);
  }

  std::string Reply(const Bytes& record) {
    loader_->Send(record);
    return Text(loader_->Read(500, "\r\n"));
  }

  CSimProcess sim_;
  std::unique_ptr<CScriptedLoader> loader_;
};

}  // namespace simtest
