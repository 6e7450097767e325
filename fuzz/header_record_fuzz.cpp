// Header records of arbitrary files.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/user_interaction.h"
#include "loader/first/header_record.h"

namespace {
class SilentUi : public UserInteraction {
 public:
  int ShowMessageBox(const MessageBoxRequest&) override { return 7; }
  void ShowSerialMessage(const std::string&) override {}
  void ShowFileReadError() override {}
  bool OpenProgress(const std::string&) override { return true; }
  void SetProgressText(const std::string&) override {}
  int SetProgressPosition(int) override { return 0; }
  int PollCancel() override { return 0; }
  void CloseProgress() override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  SilentUi ui;
  std::int16_t counted = ReadHeaderRecord(file, ui);
  long position = std::ftell(file);
  // A counted record always lies wholly inside the file.
  if (counted != 0 && (position <= 0 || static_cast<std::size_t>(position) > size))
    __builtin_trap();
  std::fclose(file);
  return 0;
}
