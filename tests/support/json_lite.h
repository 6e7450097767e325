// A small JSON reader for the simulator's reports: objects, arrays, strings, numbers,
// true/false/null. Lookups never throw: a missing member or index reads as null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace json_lite {

class Value {
 public:
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

  Value() = default;
  static Value MakeBool(bool b);
  static Value MakeNumber(double d);
  static Value MakeString(std::string s);
  static Value MakeArray(std::vector<Value> items);
  static Value MakeObject(std::vector<std::pair<std::string, Value>> members);

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::kNull; }
  bool IsObject() const { return kind_ == Kind::kObject; }
  bool IsArray() const { return kind_ == Kind::kArray; }
  bool Has(const std::string& key) const;

  // Member by key (the first of that name) or element by index; null when absent.
  const Value& at(const std::string& key) const;
  const Value& at(std::size_t index) const;
  // Elements of an array or members of an object; 0 for anything else.
  std::size_t size() const;
  const std::vector<std::pair<std::string, Value>>& Members() const { return members_; }

  // Conversions; a value of another kind gives "", 0 or false.
  std::string AsString() const;
  long long AsInt() const;
  double AsNumber() const;
  bool AsBool() const;

 private:
  Kind kind_ = Kind::kNull;
  bool bool_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<Value> items_;
  std::vector<std::pair<std::string, Value>> members_;
};

// The whole text must be one value (white space around it allowed); nullopt otherwise.
std::optional<Value> Parse(std::string_view text);
std::optional<Value> ParseFile(const std::string& path);

// The report writes byte strings as upper-case hexadecimal without separators.
std::optional<std::vector<std::uint8_t>> BytesFromHex(std::string_view hex);
std::string HexFromBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace json_lite
