#include "cli/display_text.h"

#include <cstdint>

namespace {

// Windows-1252 from 0x80 to 0x9F; 0 marks the five bytes it leaves undefined.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool IsControl(std::uint32_t codePoint) {
  return codePoint < 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint < 0xA0);
}

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
  if (IsControl(codePoint)) {
    out.push_back('?');
  } else if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// The code point at `bytes[i]`, advancing `i`; false when the sequence is not valid UTF-8
// (overlong forms, surrogates and values beyond U+10FFFF included).
bool DecodeUtf8(std::string_view bytes, std::size_t& i, std::uint32_t& codePoint) {
  auto byteAt = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
  std::uint8_t lead = byteAt(i);
  int extra = 0;
  std::uint32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    ++i;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, minimum = 0x80, codePoint = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, minimum = 0x800, codePoint = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, minimum = 0x10000, codePoint = lead & 0x07u;
  } else {
    return false;
  }
  if (bytes.size() - i <= static_cast<std::size_t>(extra)) return false;
  for (int k = 1; k <= extra; ++k) {
    std::uint8_t next = byteAt(i + static_cast<std::size_t>(k));
    if ((next & 0xC0) != 0x80) return false;
    codePoint = (codePoint << 6) | (next & 0x3Fu);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF) return false;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return false;
  i += static_cast<std::size_t>(extra) + 1;
  return true;
}

bool IsUtf8(std::string_view bytes) {
  std::uint32_t codePoint = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    if (!DecodeUtf8(bytes, i, codePoint)) return false;
  }
  return true;
}

}  // namespace

std::string DisplayText(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  std::string out;
  out.reserve(bytes.size());
  if (IsUtf8(bytes)) {
    std::uint32_t codePoint = 0;
    for (std::size_t i = 0; i < bytes.size();) {
      DecodeUtf8(bytes, i, codePoint);
      AppendUtf8(out, codePoint);
    }
    return out;
  }
  for (char c : bytes) {
    auto byte = static_cast<std::uint8_t>(c);
    std::uint32_t codePoint = byte;
    if (byte >= 0x80 && byte < 0xA0) {
      codePoint = kWindows1252High[byte - 0x80];
      if (codePoint == 0) codePoint = '?';
    }
    AppendUtf8(out, codePoint);
  }
  return out;
}
