#include "tests/support/sim_report.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace simreport {

namespace {

bool RefreshRequested() {
  const char* value = std::getenv("KZN_REFRESH_EXPECTED");
  return value != nullptr && std::string(value) == "1";
}

// The first member that differs, as a JSON pointer with both values, for a readable failure.
std::string FirstDifference(const Json& got, const Json& expected) {
  Json patch = Json::diff(expected, got);
  if (patch.empty()) return "";
  const Json& op = patch.at(0);
  std::string path = op.value("path", "");
  std::string was = expected.contains(Json::json_pointer(path))
                        ? expected.at(Json::json_pointer(path)).dump().substr(0, 200)
                        : "(absent)";
  std::string now = op.contains("value") ? op.at("value").dump().substr(0, 200) : "(absent)";
  return op.value("op", "") + " at " + path + "\n  expected: " + was + "\n  got:      " + now;
}

}  // namespace

std::optional<Json> ParseFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  Json value = Json::parse(in, nullptr, false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

std::optional<std::vector<std::uint8_t>> BytesFromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(hex.size() / 2);
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int hi = digit(hex[i]);
    int lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return bytes;
}

std::string HexFromBytes(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

std::string Joined(const Json& array, const std::string& member, const std::string& separator) {
  std::string all;
  for (std::size_t i = 0; i < array.size(); ++i)
    all += (i > 0 ? separator : "") +
           (member.empty() ? array.at(i) : array.at(i).at(member)).get<std::string>();
  return all;
}

Json WithoutVarying(const Json& report, const std::vector<std::string>& varying) {
  Json kept = report;
  for (const std::string& pointer : varying) {
    Json::json_pointer at(pointer);
    if (kept.contains(at)) kept[at] = "(varies)";
  }
  return kept;
}

void ExpectMatchesExpected(const Json& report, const std::string& folder, const std::string& name,
                           const std::vector<std::string>& varying) {
  const std::string path = folder + "/" + name + ".json";
  Json got = WithoutVarying(report, varying);
  if (RefreshRequested()) {
    std::filesystem::create_directories(folder);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << got.dump(2) << "\n";
    EXPECT_TRUE(out.flush()) << "cannot write " << path;
    return;
  }
  std::optional<Json> expected = ParseFile(path);
  ASSERT_TRUE(expected) << "no expected report " << path
                        << " (KZN_REFRESH_EXPECTED=1 writes it from this run)";
  EXPECT_TRUE(got == *expected) << "the report differs from " << path << ": "
                                << FirstDifference(got, *expected);
}

void ExpectReportAsExpected(const Json& report, const std::string& folder,
                            std::vector<std::string> varying) {
  varying.insert(varying.end(), {"/droppedBytes", "/garbledBytes"});
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  for (char& c : name)
    if (c == '/') c = '_';
  ExpectMatchesExpected(report, folder, name, varying);
}

}  // namespace simreport
