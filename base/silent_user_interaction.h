// A user interface that shows nothing and answers every question No: for fuzz targets,
// benchmarks and other runs where nobody is there to answer.
#pragma once

#include <string>

#include "base/messages.h"
#include "base/user_interaction.h"

class CSilentUserInteraction : public UserInteraction {
 public:
  int ShowMessageBox(const MessageBoxRequest& request) override {
    return request.style == kStyleQuestion ? kResultNo : kResultOk;
  }
  void ShowSerialMessage(const std::string&) override {}
  void ShowFileReadError() override {}
  bool OpenProgress(const std::string&) override { return true; }
  void SetProgressText(const std::string&) override {}
  int SetProgressPosition(int) override { return 0; }
  int PollCancel() override { return 0; }
  void CloseProgress() override {}
};
