// The progress window on standard error: a bar redrawn in place on a terminal, with the
// elapsed time and the time left of the step under way; plain lines otherwise. Either way
// it writes only when what it shows changes, so a load of thousands of records does not
// flood a log.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "base/messages.h"
#include "base/progress_estimate.h"

class CProgressLine {
 public:
  // `nowMs` reads a monotonic clock in milliseconds (the steady clock when empty).
  CProgressLine(std::ostream& err, bool terminal, int columns,
                std::function<std::int64_t()> nowMs = {});

  void Open();
  // The language of the times shown.
  void SetLanguage(Language language) { language_ = language; }
  void SetText(const std::string& text);
  // Returns the previous position.
  int SetPosition(int position);
  // Redraws the bar on a terminal when its clock has moved on by a second.
  void Tick();
  void Close();
  // Around other output to the same terminal: take the bar away, then draw it again.
  void Hide();
  void Show();

 private:
  void Update();
  void Draw();
  std::string Times() const;

  std::ostream& err_;
  bool terminal_;
  int columns_;
  bool open_ = false;
  bool drawn_ = false;
  std::function<std::int64_t()> nowMs_;
  std::int64_t openedMs_ = 0;
  // The status text, the bar and the time left of the step the load is in.
  CProgressModel model_;
  Language language_ = Language::kEnglish;
  std::optional<std::string> shown_;  // text and percent last written
};

// The bar line for a terminal `columns` wide, without the carriage return: the status
// text (cut to fit), a bar of 20 cells, the percent text and `times` when given.
std::string FormatProgressBar(const std::string& text, int position, int columns,
                              const std::string& times = "");

// "m:ss" elapsed, then ", m:ss left" (", reste m:ss") when `leftMs` is known.
std::string FormatProgressTimes(std::int64_t elapsedMs, std::optional<std::int64_t> leftMs,
                                Language language = Language::kEnglish);
