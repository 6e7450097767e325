#include "tests/support/sim_report.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace simreport {

std::optional<Json> ParseFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  Json value = Json::parse(in, nullptr, false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

std::optional<std::vector<std::uint8_t>> BytesFromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes(hex.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char* digits = hex.data() + 2 * i;
    auto [end, error] = std::from_chars(digits, digits + 2, bytes[i], 16);
    if (error != std::errc() || end != digits + 2) return std::nullopt;
  }
  return bytes;
}

std::string HexFromBytes(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (std::uint8_t b : bytes)
    hex += {kDigits[b >> 4], kDigits[b & 0x0F]};
  return hex;
}

std::string Joined(const Json& array, const std::string& member, const std::string& separator) {
  std::string all;
  for (std::size_t i = 0; i < array.size(); ++i)
    all += (i > 0 ? separator : "") +
           (member.empty() ? array.at(i) : array.at(i).at(member)).get<std::string>();
  return all;
}

void ExpectMatchesExpected(const Json& report, const std::string& folder, const std::string& name,
                           const std::vector<std::string>& varying) {
  const std::string path = folder + "/" + name + ".json";
  Json got = report;
  for (const std::string& pointer : varying) {
    if (got.contains(Json::json_pointer(pointer))) got[Json::json_pointer(pointer)] = "(varies)";
  }
  const char* refresh = std::getenv("KZN_REFRESH_EXPECTED");
  if (refresh != nullptr && std::string(refresh) == "1") {
    std::filesystem::create_directories(folder);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << got.dump(2) << "\n";
    EXPECT_TRUE(out.flush()) << "cannot write " << path;
    return;
  }
  std::optional<Json> expected = ParseFile(path);
  ASSERT_TRUE(expected) << "no expected report " << path
                        << " (KZN_REFRESH_EXPECTED=1 writes it from this run)";
  // The first member that differs, with both values.
  const Json patch = Json::diff(*expected, got);
  if (patch.empty()) return;
  const Json::json_pointer at(patch.at(0).value("path", ""));
  auto shown = [&at](const Json& value) {
    return value.contains(at) ? value.at(at).dump().substr(0, 200) : "(absent)";
  };
  ADD_FAILURE() << "the report differs from " << path << ": " << patch.at(0).value("op", "")
                << " at " << at.to_string() << "\n  expected: " << shown(*expected)
                << "\n  got:      " << shown(got);
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
