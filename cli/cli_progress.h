// The progress window on standard error: a bar redrawn in place on a terminal, plain lines
// otherwise. Either way it writes only when the status text or the percent text changes,
// so a load of thousands of records does not flood a log.
#pragma once

#include <optional>
#include <ostream>
#include <string>

class CProgressLine {
 public:
  CProgressLine(std::ostream& err, bool terminal, int columns);

  void Open();
  void SetText(const std::string& text);
  // Returns the previous position.
  int SetPosition(int position);
  void Close();
  // Around other output to the same terminal: take the bar away, then draw it again.
  void Hide();
  void Show();

 private:
  void Update();
  void Draw();

  std::ostream& err_;
  bool terminal_;
  int columns_;
  bool open_ = false;
  bool drawn_ = false;
  std::string text_;
  int position_ = 0;
  std::optional<std::string> shown_;  // text and percent last written
};

// The bar line for a terminal `columns` wide, without the carriage return: the status
// text (cut to fit), a bar of 20 cells and the percent text.
std::string FormatProgressBar(const std::string& text, int position, int columns);
