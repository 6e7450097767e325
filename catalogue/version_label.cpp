// The version label: the version text kept in the header record of the file to send.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "base/atomic_file.h"
#include "base/header_record.h"
#include "catalogue/catalogue.h"
#include "catalogue/selection.h"

namespace {

constexpr std::string_view kSecondFamilyLabelPrefix = "Version : ";
constexpr std::size_t kLabelWidth = 22;
// Position i of a first-family label shows byte i + 2 of the header text.
constexpr std::size_t kLabelToHeaderText = 2;
constexpr std::size_t kVersionNumberPosition = 9;
constexpr std::size_t kBlankedPosition = 12;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// For a number that does not fit a double: whether it is too large (else too small).
// `exponent` is the decimal exponent, `digits` the mantissa digits without the point,
// `integerDigits` how many of them stand before it.
bool Overflows(std::string_view digits, std::size_t integerDigits, std::int64_t exponent) {
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return false;
  std::int64_t magnitude =
      static_cast<std::int64_t>(integerDigits) - static_cast<std::int64_t>(first);
  return exponent + magnitude > 0;
}

}  // namespace

double ReadVersionNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  std::string digits;
  while (i < text.size() && IsDigit(text[i]))
    digits.push_back(text[i++]);
  const std::size_t integerDigits = digits.size();
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i]))
      digits.push_back(text[i++]);
  }
  if (digits.empty()) return 0.0;
  std::size_t end = i;
  std::int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      negativeExponent = text[j] == '-';
      ++j;
    }
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) {
        // Saturates: beyond this any exponent means the same.
        if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[j] - '0');
        ++j;
      }
      if (negativeExponent) exponent = -exponent;
      end = j;
    }
  }
  double value = 0.0;
  auto [ptr, error] =
      std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::general);
  (void)ptr;
  if (error == std::errc::result_out_of_range) {
    value =
        Overflows(digits, integerDigits, exponent) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

bool BlanksVersionPosition(std::string_view modelName, double version) {
  if (modelName == "TK10B") return version < 1.4;
  if (modelName == "VR540" || modelName == "VR540_2" || modelName == "VR540_3" ||
      modelName == "VRMAX") {
    return version < 2.3;
  }
  return modelName == "QMV";
}

namespace {

int ReadVersionText(const std::string& path, UserInteraction& ui, HeaderRecord* record) {
  UniqueFile file = OpenFile(path, "rb");
  if (file == nullptr) return -1;
  // Without a file name the path is the folder itself: no file to send, no version.
  if (IsFolder(file.get())) return -1;
  *record = ReadHeaderRecord(file.get(), ui);
  return record->counted - 2;
}

}  // namespace

std::string VersionLabel(const std::string& path, VersionLabelForm form, UserInteraction& ui,
                         const std::function<std::string()>& modelName) {
  std::string label(kLabelWidth, ' ');
  HeaderRecord record;
  const int n = ReadVersionText(path, ui, &record);
  const std::uint8_t* text = record.Text();
  if (form == VersionLabelForm::kSecondFamily) {
    if (n >= 0) {
      label.assign(kSecondFamilyLabelPrefix);
      label.append(reinterpret_cast<const char*>(text), static_cast<std::size_t>(n));
    }
  } else if (n < 0) {
    label.clear();
  } else {
    // Positions beyond a short header text stay blank, whatever an earlier file left.
    for (std::size_t i = 1; i < kLabelWidth; ++i) {
      std::size_t k = i + kLabelToHeaderText;
      label[i] = k < static_cast<std::size_t>(n) ? static_cast<char>(text[k]) : ' ';
    }
    std::string_view number = std::string_view(label).substr(kVersionNumberPosition);
    number = number.substr(0, number.find('\0'));
    if (BlanksVersionPosition(modelName(), ReadVersionNumber(number))) {
      label[kBlankedPosition] = ' ';
    }
  }
  label.resize(std::min(label.size(), label.find('\0')));
  return label;
}
