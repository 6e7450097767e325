// The text a wait collects from the receiver: every byte but zero, in arrival order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CCollectedText {
 public:
  void Append(const std::uint8_t* data, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
      if (data[i] != 0) text_.push_back(static_cast<char>(data[i]));
    }
  }
  std::size_t Find(std::string_view word) const { return text_.find(word); }
  bool Contains(std::string_view word) const { return Find(word) != std::string::npos; }
  // Drops everything up to `end`.
  void DropBefore(std::size_t end) { text_.erase(0, end); }
  // After a search that found nothing, only the last `keep` bytes can still begin a word:
  // a receiver chattering for a whole minute holds no more than that.
  void KeepTail(std::size_t keep) {
    if (text_.size() > keep) text_.erase(0, text_.size() - keep);
  }

 private:
  std::string text_;
};
